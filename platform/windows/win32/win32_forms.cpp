#include "platform/windows/win32/win32_forms.h"

#include <algorithm>

#include "platform/windows/win32/command_line.h"
#include "platform/windows/com/text.h"
#include "platform/windows/win32/win32_form_window.h"

namespace tessiva {
namespace {

// Posted to the form to unload it from the message loop.
constexpr UINT kUnloadMessage = WM_APP + 1;

}  // namespace

Win32Forms::Win32Forms() { Win32FormWindow::registerClass(GetModuleHandleW(nullptr)); }

Win32Forms::~Win32Forms() = default;

std::string Win32Forms::commandLine() {
    return win32::utf8FromWide(win32::argumentsAfterProgramName(GetCommandLineW(), win32::programPathSpellings()));
}

void Win32Forms::load(const FormDefinition& definition, FormEvents& events) {
    m_window = std::make_unique<Win32FormWindow>(*this, definition, events);
    m_life.load();
    events.attach(*m_window);
    events.Form_Load();
}

double Win32Forms::pixelsPerTwip() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return (dpi > 0 ? dpi : 96) / 1440.0;
}

double Win32Forms::screenWidth() { return GetSystemMetrics(SM_CXSCREEN) / pixelsPerTwip(); }
double Win32Forms::screenHeight() { return GetSystemMetrics(SM_CYSCREEN) / pixelsPerTwip(); }

std::string Win32Forms::appPath() {
    const std::wstring path = win32::moduleFileName();
    const std::size_t separator = path.find_last_of(L"\\/");
    return win32::utf8FromWide(separator == std::wstring::npos ? std::wstring() : path.substr(0, separator));
}

void Win32Forms::messageBox(const std::string& text) {
    MessageBoxW(m_window ? m_window->handle() : nullptr, win32::wideFromUtf8(text).c_str(), L"Tessiva",
                MB_OK | MB_ICONWARNING);
}

void Win32Forms::dispatch(MSG& message) {
    if (message.message == kUnloadMessage && (message.hwnd == nullptr || (m_window && message.hwnd == m_window->handle()))) {
        unload();
        return;
    }
    // Tab and the arrow keys move between the dialog's controls; elsewhere keys are KeyPress.
    if (m_window && m_window->isDialog() && IsDialogMessageW(m_window->handle(), &message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

void Win32Forms::pump() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) dispatch(message);
}

void Win32Forms::yield(std::chrono::milliseconds longestWait) {
    pump();
    const auto wait = static_cast<DWORD>(std::clamp<std::chrono::milliseconds::rep>(longestWait.count(), 0, INFINITE - 1));
    MsgWaitForMultipleObjectsEx(m_wakeEvent != nullptr ? 1 : 0, &m_wakeEvent, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    pump();
}

void Win32Forms::runUntilUnloaded() {
    MSG message{};
    while (m_life.loaded() && GetMessageW(&message, nullptr, 0, 0) > 0) dispatch(message);
}

void Win32Forms::unload() {
    if (!m_window || !m_life.unload(*this, m_window->events())) return;
    if (IsWindow(m_window->handle())) ShowWindow(m_window->handle(), SW_HIDE);
    // Wakes a GetMessage that waits in runUntilUnloaded.
    PostMessageW(nullptr, WM_NULL, 0, 0);
}

void Win32Forms::unloadLater() {
    if (m_window && IsWindow(m_window->handle())) {
        PostMessageW(m_window->handle(), kUnloadMessage, 0, 0);
    } else {
        PostThreadMessageW(GetCurrentThreadId(), kUnloadMessage, 0, 0);
    }
}

void Win32Forms::showReportBox(const std::string& text) {
    // Over a hidden pointer the box would be unusable.
    while (ShowCursor(TRUE) < 0) {
    }
    MessageBoxW(nullptr, win32::wideFromUtf8(text).c_str(), L"Tessiva",
                MB_OK | MB_ICONERROR | MB_TOPMOST | MB_SETFOREGROUND | MB_TASKMODAL);
}

void Win32Forms::terminateProcess(int status) {
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
    for (;;) Sleep(INFINITE);  // not reached: the process is gone
}

}  // namespace tessiva
