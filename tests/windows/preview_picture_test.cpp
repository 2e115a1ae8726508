// The preview's picture as a host shows it, read back inside one process. Wine paints no child
// window that belongs to another process, so a screenshot of the real preview shows only the
// host's own background; here the host window and the program live in this process, and the
// program embeds itself through the real Main, Form1 and Win32 layers, with "/p <host>" as its
// command line.
//   preview_picture_test.exe REFERENCE.rgb
// REFERENCE.rgb is the preview JPEG's top-left 152x112 pixels as 8-bit RGB, decoded by another
// decoder (ImageMagick). The host's client area must show them, unscaled from its top-left
// corner: every channel within a few levels on average, as two JPEG decoders agree.
#include <windows.h>

#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/windows/dinput/dinput_input.h"
#include "platform/windows/dshow/dshow_media.h"
#include "platform/runtime_error.h"
#include "platform/windows/win32/win32_desktop.h"
#include "platform/windows/win32/win32_forms.h"
#include "platform/windows/win32/win32_profile.h"
#include "startup/main_procedure.h"
#include "vocabulary/mode_flags.h"
#include "window/form1.h"

namespace {

constexpr int kWidth = 152;  // the Display settings' preview area
constexpr int kHeight = 112;

// The Win32 forms layer with the switches a host would give (the text after the program's name).
class HostedForms final : public tessiva::Forms {
public:
    HostedForms(tessiva::Win32Forms& real, std::string commandLine) : m_real(real), m_line(std::move(commandLine)) {}
    std::string commandLine() override { return m_line; }
    void load(const tessiva::FormDefinition& d, tessiva::FormEvents& e) override { m_real.load(d, e); }
    double screenWidth() override { return m_real.screenWidth(); }
    double screenHeight() override { return m_real.screenHeight(); }
    std::string appPath() override { return m_real.appPath(); }
    void messageBox(const std::string& text) override { m_real.messageBox(text); }
    void yield(std::chrono::milliseconds longestWait) override { m_real.yield(longestWait); }
    void runUntilUnloaded() override { m_real.runUntilUnloaded(); }
    [[noreturn]] void endProgram() override { m_real.endProgram(); }
    [[noreturn]] void reportAndExit(const tessiva::RuntimeError& error) override { m_real.reportAndExit(error); }

private:
    tessiva::Win32Forms& m_real;
    std::string m_line;
};

[[noreturn]] void finish(bool passed, const char* what) {
    std::printf("%s %s\n", passed ? "ok  " : "FAIL", what);
    std::fflush(stdout);
    // The mouse watcher's thread runs on; the program ends the same way.
    TerminateProcess(GetCurrentProcess(), passed ? 0 : 1);
    std::abort();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) finish(false, "usage: preview_picture_test.exe REFERENCE.rgb");
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<unsigned char> reference((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (reference.size() != static_cast<std::size_t>(kWidth * kHeight * 3)) finish(false, "the reference is not 152x112 RGB");

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    WNDCLASSW hostClass{};
    hostClass.lpfnWndProc = DefWindowProcW;
    hostClass.hInstance = GetModuleHandleW(nullptr);
    hostClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    hostClass.lpszClassName = L"PreviewHost";
    RegisterClassW(&hostClass);
    RECT frame{0, 0, kWidth, kHeight};
    AdjustWindowRect(&frame, WS_POPUP, FALSE);
    HWND host = CreateWindowW(L"PreviewHost", L"host", WS_POPUP | WS_VISIBLE, 40, 40, frame.right - frame.left,
                              frame.bottom - frame.top, nullptr, nullptr, hostClass.hInstance, nullptr);
    if (host == nullptr) finish(false, "no host window");

    tessiva::Win32Forms win32Forms;
    HostedForms forms(win32Forms, "/p " + std::to_string(reinterpret_cast<INT_PTR>(host)));
    tessiva::Win32Desktop desktop(win32Forms);
    tessiva::Win32Profile profile;
    tessiva::DShowMedia media;
    tessiva::DInputInput input;
    tessiva::Platform platform{forms, desktop, profile, media, input};
    tessiva::ModeFlags flags;
    tessiva::Form1 form(platform, flags);
    try {
        tessiva::Main(platform, flags, form);
    } catch (const tessiva::RuntimeError& error) {
        std::printf("%s\n", error.what());
        finish(false, "Main raised a run-time error");
    }
    const DWORD settle = GetTickCount() + 1000;
    while (GetTickCount() < settle) win32Forms.yield(std::chrono::milliseconds{10});

    // What the host's client area shows on the screen.
    POINT origin{0, 0};
    ClientToScreen(host, &origin);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP shot = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    SelectObject(memory, shot);
    BitBlt(memory, 0, 0, kWidth, kHeight, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();

    // BGRX rows, top-down.
    const auto* shown = static_cast<const unsigned char*>(bits);
    double difference = 0;
    for (int i = 0; i < kWidth * kHeight; ++i) {
        const unsigned char b = shown[4 * i], g = shown[4 * i + 1], r = shown[4 * i + 2];
        difference += std::abs(r - reference[3 * i]) + std::abs(g - reference[3 * i + 1]) + std::abs(b - reference[3 * i + 2]);
    }
    const double mean = difference / (3.0 * kWidth * kHeight);
    std::printf("mean difference %.2f levels per channel\n", mean);
    finish(mean <= 6.0, "the host shows the preview picture from its top-left corner");
}
