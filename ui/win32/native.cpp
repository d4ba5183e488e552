#include "native.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace ui {

namespace {
const wchar_t* const kNativeProperty = L"MarlinthNative";
} // namespace

Native::Native(HWND window)
    : hwnd(window),
      childParent(window) {
    if (hwnd)
        SetPropW(hwnd, kNativeProperty, this);
}

Native::~Native() {
    if (window != this) {
        auto& siblings = window->placed;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    if (hwnd && IsWindow(hwnd)) {
        RemovePropW(hwnd, kNativeProperty);
        DestroyWindow(hwnd);
    }
    // Menus go with the window that holds them.
}

Native* nativeOf(HWND hwnd) {
    return static_cast<Native*>(GetPropW(hwnd, kNativeProperty));
}

// Twips become pixels here and nowhere else, at the DPI of the window's screen: 15 twips a
// pixel at 96.
int toPixels(const Native& any, int twips) {
    return MulDiv(twips, any.window->dpi, 1440);
}

RECT toPixels(const Native& parent, Rect twips) {
    const int left = parent.childOrigin.x + toPixels(parent, twips.left);
    const int top = parent.childOrigin.y + toPixels(parent, twips.top);
    return {left, top, left + toPixels(parent, twips.width), top + toPixels(parent, twips.height)};
}

// A line is one pixel wide at 96 DPI, and as wide as that pixel at any other: its pixels are
// found at 96 DPI and then scaled, so that lines that touch at 96 still touch at 120 or 192.
RECT linePixels(const Native& parent, Point from, Point to) {
    const auto logical = [](int twips) { return MulDiv(twips, 96, 1440); };
    const auto sign = [](int value) { return (value > 0) - (value < 0); };
    const POINT first{logical(from.x), logical(from.y)};
    const POINT end{logical(to.x), logical(to.y)};
    const POINT last{end.x - sign(end.x - first.x), end.y - sign(end.y - first.y)};
    const auto device = [&parent](int pixels) { return MulDiv(pixels, parent.window->dpi, 96); };
    return {parent.childOrigin.x + device(std::min(first.x, last.x)),
            parent.childOrigin.y + device(std::min(first.y, last.y)),
            parent.childOrigin.x + device(std::max(first.x, last.x) + 1),
            parent.childOrigin.y + device(std::max(first.y, last.y) + 1)};
}

void placeChild(Native& child, const Native& parent, std::function<void()> place) {
    child.window = parent.window;
    child.place = std::move(place);
    child.place();
    child.window->placed.push_back(&child);
}

void placeAgain(Native& window) {
    for (Native* child : window.placed)
        child->place();
}

void placeOnTop(HWND hwnd) {
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

std::unique_ptr<Native> createChild(Container& parent, const wchar_t* kind,
                                    const std::wstring& text, DWORD style, Rect rect,
                                    std::function<void(Native&)> then, DWORD exStyle) {
    const Native& container = parent.native();
    HWND hwnd = CreateWindowExW(exStyle, kind, text.c_str(), kChildStyle | style, 0, 0, 0, 0,
                                container.childParent, nullptr, GetModuleHandleW(nullptr), nullptr);
    placeOnTop(hwnd);
    auto native = std::make_unique<Native>(hwnd);
    Native* self = native.get();
    placeChild(*self, container, [self, &container, rect, then] {
        const RECT pixels = toPixels(container, rect);
        SetWindowPos(self->hwnd, nullptr, pixels.left, pixels.top, pixels.right - pixels.left,
                     pixels.bottom - pixels.top, SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(self->hwnd, WM_SETFONT,
                     reinterpret_cast<WPARAM>(defaultFont(self->window->dpi)), TRUE);
        if (then)
            then(*self);
    });
    return native;
}

std::wstring wide(const std::string& utf8) {
    if (utf8.empty())
        return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring result(std::size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), result.data(), length);
    return result;
}

std::wstring windowText(HWND hwnd) {
    std::wstring text(std::size_t(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(std::size_t(GetWindowTextW(hwnd, text.data(), int(text.size()))));
    return text;
}

std::string narrow(const std::wstring& text) {
    if (text.empty())
        return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string result(std::size_t(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), result.data(), length, nullptr,
                        nullptr);
    return result;
}

namespace {
struct FontCache {
    LOGFONTW message{}; // the system's message font, at the system DPI
    std::map<int, HFONT> byDpi;
};

LOGFONTW systemMessageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    return metrics.lfMessageFont;
}

FontCache& fontCache() {
    static FontCache cache{systemMessageFont(), {}};
    return cache;
}
} // namespace

HFONT defaultFont(int dpi) {
    FontCache& cache = fontCache();
    HFONT& font = cache.byDpi[dpi];
    if (!font) {
        LOGFONTW wanted = cache.message;
        wanted.lfHeight = MulDiv(wanted.lfHeight, dpi, systemDpi());
        font = CreateFontIndirectW(&wanted);
    }
    return font;
}

std::vector<HFONT> renewDefaultFonts() {
    FontCache& cache = fontCache();
    const LOGFONTW now = systemMessageFont();
    if (std::memcmp(&now, &cache.message, sizeof now) == 0)
        return {};
    std::vector<HFONT> retired;
    for (const auto& [dpi, font] : cache.byDpi)
        retired.push_back(font);
    cache = {now, {}};
    return retired;
}

void registerWindowClass(const wchar_t* name, WNDPROC procedure, HBRUSH background) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    RegisterClassExW(&windowClass);
}

// No button is a default button: Enter presses the focused button and nothing else, and Esc
// does nothing, unless the focused control asks for the key itself (a dropped-down list closes
// on it). Tab and the arrow keys move as in a dialog.
bool translateDialogKeys(MSG& message) {
    HWND top = GetAncestor(message.hwnd, GA_ROOT);
    if (!top || !nativeOf(top))
        return false;
    const WPARAM key = message.wParam;
    // Alt+F4 closes the window whichever control has the focus; some controls would swallow it.
    if (message.message == WM_SYSKEYDOWN && key == VK_F4) {
        SendMessageW(top, WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    }
    if (message.message == WM_KEYDOWN || message.message == WM_CHAR) {
        const bool enter = message.message == WM_KEYDOWN ? key == VK_RETURN : key == L'\r';
        const bool escape = message.message == WM_KEYDOWN ? key == VK_ESCAPE : key == 27;
        HWND focus = GetFocus();
        if (enter || escape) {
            if (focus &&
                (SendMessageW(focus, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&message)) &
                 (DLGC_WANTMESSAGE | DLGC_WANTALLKEYS)))
                return false;
            wchar_t kind[16] = {};
            GetClassNameW(focus, kind, 16);
            if (enter && message.message == WM_KEYDOWN && lstrcmpiW(kind, L"Button") == 0)
                SendMessageW(focus, BM_CLICK, 0, 0);
            return true;
        }
    }
    return IsDialogMessageW(top, &message) != FALSE;
}

void dispatchMessage(MSG& message) {
    if (!translateDialogKeys(message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

Element::Element(std::unique_ptr<Native> native)
    : native_(std::move(native)) {
    native_->setOwner(this);
}

Element::~Element() = default;

void Control::setFocus() {
    SetFocus(native().hwnd);
}

bool Control::isEnabled() const {
    return IsWindowEnabled(native().hwnd) != FALSE;
}

} // namespace ui
