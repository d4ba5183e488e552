#include "../window.h"
#include "native.h"

#include <algorithm>
#include <vector>

namespace ui {

namespace {

const wchar_t* const kWindowClass = L"MarlinthWindow";

LRESULT reflect(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    Native* native = control ? nativeOf(control) : nullptr;
    return native && native->reflected ? native->reflected(message, wParam, lParam) : 0;
}

void fitClientArea(const Native& window, const POINT* at = nullptr);

BOOL CALLBACK tellControl(HWND control, LPARAM message) {
    reflect(control, UINT(message), 0, 0);
    return TRUE;
}

// A modal window hides when its loop has ended and has given its owner the input back: hidden
// while the owner is still disabled, it would hand the activation to another program. Its
// controls learn at once that it has closed, so that none keeps waiting for an answer.
void hideOnClose(Native& window) {
    window.closed = true;
    EnumChildWindows(window.hwnd, tellControl, kWindowClosed);
    if (!window.modal)
        ShowWindow(window.hwnd, SW_HIDE);
}

// Moved to a screen of another DPI: every control is placed again, with fonts of that DPI,
// where the system suggests.
void changeDpi(Native& window, int dpi, const RECT& suggested) {
    window.dpi = dpi;
    placeAgain(window);
    const POINT at{suggested.left, suggested.top};
    fitClientArea(window, &at);
    InvalidateRect(window.hwnd, nullptr, TRUE);
}

BOOL CALLBACK placeAgainWithNewFonts(HWND hwnd, LPARAM) {
    if (Native* native = nativeOf(hwnd))
        placeAgain(*native);
    return TRUE;
}

BOOL CALLBACK passOnColorChange(HWND child, LPARAM) {
    SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}

// The desktop's colours, theme or settings changed (a switch to high contrast, another message
// font): everything is drawn again with what the system says now.
void followDesktopChange(HWND hwnd, UINT message) {
    if (message == WM_SYSCOLORCHANGE)
        EnumChildWindows(hwnd, passOnColorChange, 0); // the system tells top-level windows only
    const std::vector<HFONT> retired = renewDefaultFonts();
    if (!retired.empty()) {
        // Every window of the program at once, so that no control keeps a deleted font.
        EnumThreadWindows(GetCurrentThreadId(), placeAgainWithNewFonts, 0);
        for (HFONT font : retired)
            DeleteObject(font);
    }
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE:
        scaleFrameWithScreen(hwnd);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_SETTINGCHANGE:
        // Of the settings broadcast, only the fonts and high contrast change how the windows
        // look; the rest (the environment, a policy refresh) would only make them flicker.
        if (wParam != SPI_SETNONCLIENTMETRICS && wParam != SPI_SETICONTITLELOGFONT &&
            wParam != SPI_SETHIGHCONTRAST)
            return DefWindowProcW(hwnd, message, wParam, lParam);
        [[fallthrough]];
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
        followDesktopChange(hwnd, message);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_DPICHANGED:
        if (Native* native = nativeOf(hwnd))
            changeDpi(*native, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_COMMAND:
        return reflect(reinterpret_cast<HWND>(lParam), message, wParam, lParam);
    case WM_HSCROLL:
        return reflect(reinterpret_cast<HWND>(lParam), message, wParam, lParam);
    case WM_DRAWITEM:
        return reflect(reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem, message, wParam,
                       lParam);
    case WM_SHOWWINDOW:
        if (wParam)
            PostMessageW(hwnd, kWindowShown, 0, 0);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    case kWindowShown:
        EnumChildWindows(hwnd, tellControl, kWindowShown);
        return 0;
    case WM_ACTIVATE:
        // As a dialog does: the focus comes back to where it was when a message box or
        // another window closes.
        if (Native* native = nativeOf(hwnd)) {
            HWND focus = GetFocus();
            if (LOWORD(wParam) == WA_INACTIVE) {
                if (focus && IsChild(hwnd, focus))
                    native->focus = focus;
            } else if (native->focus && IsWindow(native->focus)) {
                SetFocus(native->focus);
                return 0;
            }
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_CLOSE:
        if (Native* native = nativeOf(hwnd)) {
            if (native->onClose)
                native->onClose();
            hideOnClose(*native);
        }
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

void registerClass() {
    static const bool registered = [] {
        registerWindowClass(kWindowClass, windowProc, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
        return true;
    }();
    (void)registered;
}

// No WS_CLIPCHILDREN: a group box paints no inside of its own and relies on the window's.
constexpr DWORD kMainStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
constexpr DWORD kDialogStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
// A dialog frame carries no icon of its own.
constexpr DWORD kDialogExStyle = WS_EX_DLGMODALFRAME;

std::unique_ptr<Native> makeWindow(WindowStyle style, const std::string& caption, Size client) {
    registerClass();
    const bool main = style == WindowStyle::Main;
    HWND hwnd = CreateWindowExW(main ? 0 : kDialogExStyle, kWindowClass, wide(caption).c_str(),
                                main ? kMainStyle : kDialogStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    auto native = std::make_unique<Native>(hwnd);
    native->dpi = windowDpi(hwnd);
    native->clientTwips = client;
    return native;
}

// Sizes the window so that its client area, below any menu bar, has its size at the window's
// DPI; moves it too when given where. The frame is measured after the first try, in case the
// menu bar wraps or the frame's metrics differ from the DPI's.
void fitClientArea(const Native& window, const POINT* at) {
    HWND hwnd = window.hwnd;
    const SIZE client{toPixels(window, window.clientTwips.width),
                      toPixels(window, window.clientTwips.height)};
    RECT rect{0, 0, client.cx, client.cy};
    adjustWindowRect(rect, hwnd, window.dpi);
    SIZE size{rect.right - rect.left, rect.bottom - rect.top};
    for (int attempt = 0; attempt < 2; ++attempt) {
        SetWindowPos(hwnd, nullptr, at ? at->x : 0, at ? at->y : 0, size.cx, size.cy,
                     (at ? 0 : SWP_NOMOVE) | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT actual;
        GetClientRect(hwnd, &actual);
        if (actual.right == client.cx && actual.bottom == client.cy)
            break;
        size.cx += client.cx - actual.right;
        size.cy += client.cy - actual.bottom;
    }
}

BOOL CALLBACK addIfTakingInput(HWND window, LPARAM list) {
    if (IsWindowVisible(window) && IsWindowEnabled(window))
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

} // namespace

Window::Window(WindowStyle style, const std::string& caption, Size clientTwips)
    : Container(makeWindow(style, caption, clientTwips)) {}

void Window::useApplicationIcon() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    for (const auto& [which, metric] :
         {std::pair{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}}) {
        const int size = GetSystemMetrics(metric);
        auto* icon = static_cast<HICON>(
            LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_SHARED));
        SendMessageW(native().hwnd, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    }
}

void Window::onCloseRequest(std::function<void()> handler) {
    native().onClose = std::move(handler);
}

// Tab follows the order of the controls among their siblings.
void Window::setTabOrder(const std::vector<Control*>& controls) {
    for (std::size_t i = 1; i < controls.size(); ++i)
        SetWindowPos(controls[i]->native().hwnd, controls[i - 1]->native().hwnd, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Window::show() {
    fitClientArea(native());
    HWND focus = GetFocus();
    ShowWindow(native().hwnd, SW_SHOWNORMAL);
    UpdateWindow(native().hwnd);
    if (focus && IsChild(native().hwnd, focus))
        SetFocus(focus); // showing activates the window, which would move the focus
}

void Window::showModal() {
    Native& self = native();
    // Every other window of the program takes no input until this one closes.
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), addIfTakingInput, reinterpret_cast<LPARAM>(&disabled));
    // The window it was opened from owns it: it then stays above that window, comes forward
    // with it, and gives the activation back to it when it hides.
    HWND owner = GetActiveWindow();
    if (std::find(disabled.begin(), disabled.end(), owner) == disabled.end())
        owner = disabled.empty() ? nullptr : disabled.front();
    SetWindowLongPtrW(self.hwnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    for (HWND other : disabled)
        EnableWindow(other, FALSE);

    self.closed = false;
    self.modal = true;
    show();
    MSG message;
    while (!self.closed && GetMessageW(&message, nullptr, 0, 0) > 0) {
        dispatchMessage(message);
    }
    if (!self.closed)
        PostQuitMessage(int(message.wParam)); // the loop ended on WM_QUIT: pass it on
    for (HWND other : disabled)
        EnableWindow(other, TRUE);
    self.modal = false;
    ShowWindow(self.hwnd, SW_HIDE);
}

void Window::close() {
    hideOnClose(native());
}

bool Window::isOpen() const {
    return IsWindowVisible(native().hwnd) && !native().closed;
}

} // namespace ui
