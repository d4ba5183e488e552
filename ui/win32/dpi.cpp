#include "native.h"
#include "system_dlls.h"

namespace ui {

namespace {

// Per-monitor DPI came with Windows 10 1607. Its functions are looked up when first needed, so
// that the program still starts on Windows 7, where it lays out at the one system DPI.
struct DpiFunctions {
    UINT(WINAPI* dpiForWindow)(HWND) = nullptr;
    BOOL(WINAPI* adjustWindowRectForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;
    BOOL(WINAPI* enableNonClientDpiScaling)(HWND) = nullptr;
};

DpiFunctions lookUpDpiFunctions() {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    DpiFunctions found;
    found.dpiForWindow = lookUp<decltype(found.dpiForWindow)>(user32, "GetDpiForWindow");
    found.adjustWindowRectForDpi =
        lookUp<decltype(found.adjustWindowRectForDpi)>(user32, "AdjustWindowRectExForDpi");
    found.enableNonClientDpiScaling =
        lookUp<decltype(found.enableNonClientDpiScaling)>(user32, "EnableNonClientDpiScaling");
    return found;
}

DpiFunctions& dpiFunctions() {
    static DpiFunctions functions = lookUpDpiFunctions();
    return functions;
}

int simulatedSystemDpi = 0;

} // namespace

int systemDpi() {
    if (simulatedSystemDpi)
        return simulatedSystemDpi;
    static const int dpi = [] {
        HDC screen = GetDC(nullptr);
        const int value = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        return value;
    }();
    return dpi;
}

int windowDpi(HWND hwnd) {
    const auto dpiForWindow = dpiFunctions().dpiForWindow;
    return dpiForWindow ? int(dpiForWindow(hwnd)) : systemDpi();
}

void adjustWindowRect(RECT& rect, HWND hwnd, int dpi) {
    const DWORD style = DWORD(GetWindowLongPtrW(hwnd, GWL_STYLE));
    const DWORD exStyle = DWORD(GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
    const BOOL menu = GetMenu(hwnd) != nullptr;
    if (const auto adjust = dpiFunctions().adjustWindowRectForDpi)
        adjust(&rect, style, menu, exStyle, UINT(dpi));
    else
        AdjustWindowRectEx(&rect, style, menu, exStyle); // the frame at the system DPI
}

// Windows 10 1607 has the first per-monitor DPI (v1), which scales a window's caption and menu
// bar with the screen only when the window asks as it is made; later versions (v2) scale them
// anyway.
void scaleFrameWithScreen(HWND hwnd) {
    if (const auto enable = dpiFunctions().enableNonClientDpiScaling)
        enable(hwnd);
}

void simulateSystemDpiOnly(int dpi) {
    simulatedSystemDpi = dpi;
    dpiFunctions() = dpi ? DpiFunctions{} : lookUpDpiFunctions();
}

} // namespace ui
