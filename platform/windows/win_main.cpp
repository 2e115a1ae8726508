// The Windows composition root: COM for the interface thread, the real platform on Win32,
// DirectShow, DirectInput 8 and kernel32, handed to the program, which never returns.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "platform/windows/dinput/dinput_input.h"
#include "platform/windows/dshow/dshow_media.h"
#include "platform/windows/win32/win32_desktop.h"
#include "platform/windows/win32/win32_forms.h"
#include "platform/windows/win32/win32_profile.h"
#include "startup/run_program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Once, apartment-threaded, on the interface thread: the filter graph and the shell's
    // opener live here. Nothing uninitialises it; the process ends without teardown.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    tessiva::Win32Forms forms;
    tessiva::Win32Desktop desktop(forms);
    tessiva::Win32Profile profile;
    tessiva::DShowMedia media([&forms](void* event, bool on) { forms.wakeOn(static_cast<HANDLE>(event), on); });
    tessiva::DInputInput input;
    tessiva::Platform platform{forms, desktop, profile, media, input};
    tessiva::runProgram(platform);
}
