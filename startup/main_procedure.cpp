#include "startup/main_procedure.h"

#include "platform/runtime_error.h"
#include "startup/switches.h"
#include "window/form1.h"
#include "window/form1_definition.h"

namespace tessiva {
namespace {

void loadForm1(Platform& platform, Form1& form) { platform.forms.load(form1Definition(), form); }

// Makes the loaded window a child of the host and lays it over the host's client area,
// visible but not activated and without changing its place in the stacking order.
void embedInHost(Platform& platform, Form1& form, NativeHandle host) {
    Desktop& desktop = platform.desktop;
    ClientRect rect;
    (void)desktop.getClientRect(host, rect);
    const std::int32_t style = desktop.getWindowLong(form.hWnd(), win::kGwlStyle);
    (void)desktop.setWindowLong(form.hWnd(), win::kGwlStyle, style | win::kWsChild);
    (void)desktop.setParent(form.hWnd(), host);
    (void)desktop.setWindowLong(form.hWnd(), win::kGwlHwndParent, static_cast<std::int32_t>(host));
    (void)desktop.setWindowPos(form.hWnd(), 0, 0, 0, rect.Right, rect.Bottom,
                               win::kSwpNoZOrder | win::kSwpNoActivate | win::kSwpShowWindow);
}

}  // namespace

void Main(Platform& platform, ModeFlags& flags, Form1& form) {
    const std::string commandLine = platform.forms.commandLine();
    switch (displayModeOf(commandLine)) {
    case DisplayMode::Saver:
        flags.PreviewMode = kFalse;
        flags.ConfigMode = kFalse;
        loadForm1(platform, form);
        check(form.window().show());
        return;
    case DisplayMode::Preview: {
        flags.PreviewMode = kTrue;
        flags.ConfigMode = kFalse;
        const NativeHandle host = hostHandle(switchText(commandLine));  // before the window exists
        loadForm1(platform, form);
        embedInHost(platform, form, host);
        return;
    }
    case DisplayMode::Config:
        flags.PreviewMode = kFalse;
        flags.ConfigMode = kTrue;
        loadForm1(platform, form);
        check(form.window().show());
        return;
    case DisplayMode::None:
        platform.forms.endProgram();
    }
}

}  // namespace tessiva
