#include "../controls.h"
#include "../window.h"
#include "native.h"

#include <oleacc.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace ui {

namespace {

const wchar_t* const kLabelClass = L"MarlinthLabel";
const wchar_t* const kLineClass = L"MarlinthLine";
// A label's text is its window's text, which the system's accessibility reads too.
struct LabelState {
    std::optional<COLORREF> color; // its own, else the system's label text
    bool transparent = false;
    bool wrap = false;
    std::optional<Font> fontWanted;
    HFONT font = nullptr; // owned, made from `fontWanted` at the window's DPI
    int emPixels = 0;     // line pitch of `font`
};

bool isWordCharacter(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// Breaks the text into lines that fit the width: anywhere between Chinese characters, between
// words elsewhere.
std::vector<std::wstring> wrapLines(HDC dc, const std::wstring& text, int width) {
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        int fit = 0;
        SIZE size;
        GetTextExtentExPointW(dc, text.c_str() + start, int(text.size() - start), width, &fit,
                              nullptr, &size);
        std::size_t end = start + std::size_t(std::max(fit, 1));
        if (end < text.size() && isWordCharacter(text[end]) && isWordCharacter(text[end - 1])) {
            std::size_t space = end;
            while (space > start && isWordCharacter(text[space - 1]))
                --space;
            if (space > start)
                end = space;
        }
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

LabelState& labelState(HWND hwnd) {
    return *reinterpret_cast<LabelState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

bool& highContrastSimulated() {
    static bool on = false;
    return on;
}

bool highContrast() {
    if (highContrastSimulated())
        return true;
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

// Read as the label paints, so that a change of the desktop's colours shows at once. A label's
// own colour gives way to the scheme's text on its button face, where labels stand, while high
// contrast is on: the scheme the user chose to read by.
COLORREF textColor(const LabelState& state) {
    return !state.color || highContrast() ? GetSysColor(COLOR_BTNTEXT) : *state.color;
}

bool isLabel(HWND hwnd) {
    wchar_t kind[32] = {};
    GetClassNameW(hwnd, kind, 32);
    return lstrcmpW(kind, kLabelClass) == 0;
}

// Draws the label into `dc`, whose origin is `origin` in the label's coordinates. Sibling
// windows overlap in no guaranteed paint order, so a transparent label draws the labels it lies
// over itself, then its own letters on top.
void paintLabel(HWND hwnd, HDC dc, POINT origin) {
    const LabelState& state = labelState(hwnd);
    RECT client;
    GetClientRect(hwnd, &client);
    OffsetRect(&client, -origin.x, -origin.y);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    bool overLabel = false;
    if (state.transparent) {
        RECT mine;
        GetWindowRect(hwnd, &mine);
        for (HWND below = GetWindow(hwnd, GW_HWNDLAST); below && below != hwnd;
             below = GetWindow(below, GW_HWNDPREV)) {
            RECT theirs, overlap;
            GetWindowRect(below, &theirs);
            if (isLabel(below) && IntersectRect(&overlap, &mine, &theirs)) {
                paintLabel(below, dc,
                           {origin.x + mine.left - theirs.left, origin.y + mine.top - theirs.top});
                overLabel = true;
            }
        }
    }
    // In one colour, a copy of a label one pixel off would only smear its letters.
    if (overLabel && highContrast())
        return;
    const HGDIOBJ previous = SelectObject(dc, labelFont(hwnd));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, textColor(state));
    const std::wstring text = windowText(hwnd);
    if (state.wrap && state.emPixels > 0) {
        // Lines at the em height of the label's font, whichever face stands in for it.
        int top = client.top;
        for (const std::wstring& line : wrapLines(dc, text, client.right - client.left)) {
            TextOutW(dc, client.left, top, line.c_str(), int(line.size()));
            top += state.emPixels;
        }
    } else {
        RECT area = client;
        DrawTextW(dc, text.c_str(), int(text.size()), &area,
                  DT_NOPREFIX | (state.wrap ? DT_WORDBREAK : DT_SINGLELINE));
    }
    SelectObject(dc, previous);
}

LRESULT CALLBACK labelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new LabelState));
        break;
    case WM_NCDESTROY: {
        LabelState* state = &labelState(hwnd);
        if (state->font)
            DeleteObject(state->font);
        delete state;
        break;
    }
    case WM_ERASEBKGND:
        return 1; // the paint fills it
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        paintLabel(hwnd, dc, {0, 0});
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The window is the line's pixels, filled with its system colour (a COLOR_ index, given at
// creation and kept as the window's user data).
LRESULT CALLBACK lineProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(
            hwnd, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    if (message == WM_ERASEBKGND)
        return 1; // the paint fills it
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        RECT client;
        GetClientRect(hwnd, &client);
        FillRect(dc, &client, GetSysColorBrush(int(GetWindowLongPtrW(hwnd, GWLP_USERDATA))));
        EndPaint(hwnd, &paint);
        return 0;
    }
    if (message == WM_NCHITTEST)
        return HTTRANSPARENT;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void registerClasses() {
    static const bool registered = [] {
        registerWindowClass(kLabelClass, labelProc);
        registerWindowClass(kLineClass, lineProc);
        return true;
    }();
    (void)registered;
}

int CALLBACK noteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool fontInstalled(const std::wstring& family) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(wanted.lfFaceName, family.c_str(), LF_FACESIZE);
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &wanted, noteFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

void repaint(HWND hwnd) {
    InvalidateRect(hwnd, nullptr, FALSE);
    // Labels drawn over this one show it too.
    for (HWND above = GetWindow(hwnd, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV))
        if (isLabel(above) && labelState(above).transparent)
            InvalidateRect(above, nullptr, FALSE);
}

int scrollValue(HWND bar, int mask) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = mask;
    GetScrollInfo(bar, SB_CTL, &info);
    return mask == SIF_POS ? info.nPos : mask == SIF_TRACKPOS ? info.nTrackPos : info.nMax;
}

} // namespace

HFONT labelFont(HWND label) {
    const LabelState& state = labelState(label);
    return state.font ? state.font : defaultFont(nativeOf(label)->window->dpi);
}

int labelTextHeight(HWND label) {
    const LabelState& state = labelState(label);
    RECT client;
    GetClientRect(label, &client);
    HDC dc = GetDC(label);
    const HGDIOBJ previous = SelectObject(dc, labelFont(label));
    const std::wstring text = windowText(label);
    int height = 0;
    if (state.wrap && state.emPixels > 0) {
        height = int(wrapLines(dc, text, client.right).size()) * state.emPixels;
    } else {
        DrawTextW(dc, text.c_str(), int(text.size()), &client,
                  DT_CALCRECT | DT_NOPREFIX | (state.wrap ? DT_WORDBREAK : DT_SINGLELINE));
        height = client.bottom - client.top;
    }
    SelectObject(dc, previous);
    ReleaseDC(label, dc);
    return height;
}

namespace {

// The label's font, at its window's DPI; null until one is set.
void makeLabelFont(Native& label) {
    LabelState& state = labelState(label.hwnd);
    if (!state.fontWanted)
        return;
    std::wstring face;
    for (const std::string& family : state.fontWanted->families)
        if (fontInstalled(wide(family))) {
            face = wide(family);
            break;
        }
    const int height = -MulDiv(int(state.fontWanted->pointSize * 100), label.window->dpi, 7200);
    if (state.font)
        DeleteObject(state.font);
    state.emPixels = -height;
    state.font = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH, face.c_str());
    repaint(label.hwnd);
}

} // namespace

Label::Label(Container& parent, Rect rect, const std::string& text)
    : Control([&] {
          registerClasses();
          auto native = createChild(parent, kLabelClass, wide(text), 0, rect, makeLabelFont);
          AccessibleOverride& accessible = accessibleOverride(*native);
          accessible.role = ROLE_SYSTEM_STATICTEXT;
          accessible.name = [hwnd = native->hwnd] { return windowText(hwnd); };
          return native;
      }()) {}

std::string Label::text() const {
    return narrow(windowText(native().hwnd));
}

void Label::setText(const std::string& text) {
    HWND hwnd = native().hwnd;
    const std::wstring value = wide(text);
    if (value == windowText(hwnd))
        return;
    SetWindowTextW(hwnd, value.c_str());
    repaint(hwnd);
    if (!native().accessible->hidden)
        NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, hwnd, OBJID_CLIENT, CHILDID_SELF);
}

void Label::setForeground(Rgb color) {
    labelState(native().hwnd).color = RGB(color.red, color.green, color.blue);
    repaint(native().hwnd);
}

void Label::setTransparent(bool transparent) {
    labelState(native().hwnd).transparent = transparent;
    repaint(native().hwnd);
}

void Label::setFont(const Font& font) {
    labelState(native().hwnd).fontWanted = font;
    makeLabelFont(native());
}

void Label::setWordWrap(bool wrap) {
    labelState(native().hwnd).wrap = wrap;
    repaint(native().hwnd);
}

void Label::hideFromScreenReaders() {
    native().accessible->hidden = true;
}

void Label::markAsStatusLine() {
    native().accessible->role = ROLE_SYSTEM_STATUSBAR;
}

Button::Button(Container& parent, Rect rect, const std::string& caption)
    : Control(createChild(parent, L"BUTTON", wide(caption), WS_TABSTOP | BS_PUSHBUTTON, rect)) {}

std::string Button::caption() const {
    return narrow(windowText(native().hwnd));
}

void Button::onClick(std::function<void()> handler) {
    native().reflected = [handler](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED)
            handler();
        return 0;
    };
}

// Its controls are placed in the window it stands on, measured from its own corner.
GroupBox::GroupBox(Container& parent, Rect rect, const std::string& caption)
    : Container([&] {
          const Native& container = parent.native();
          auto native = createChild(parent, L"BUTTON", wide(caption), BS_GROUPBOX, rect,
                                    [&container, rect](Native& self) {
                                        const RECT pixels = toPixels(container, rect);
                                        self.childOrigin = {pixels.left, pixels.top};
                                    });
          native->childParent = container.childParent;
          return native;
      }()) {}

Line::Line(Container& parent, Point from, Point to, SystemColor color)
    : Control([&] {
          registerClasses();
          const Native& container = parent.native();
          const auto colorIndex =
              INT_PTR(color == SystemColor::CaptionText ? COLOR_CAPTIONTEXT : COLOR_WINDOWTEXT);
          HWND hwnd = CreateWindowExW(0, kLineClass, L"", kChildStyle, 0, 0, 0, 0,
                                      container.childParent, nullptr, GetModuleHandleW(nullptr),
                                      reinterpret_cast<void*>(colorIndex));
          placeOnTop(hwnd);
          auto native = std::make_unique<Native>(hwnd);
          AccessibleOverride& accessible = accessibleOverride(*native);
          accessible.role = ROLE_SYSTEM_SEPARATOR;
          accessible.hidden = true; // decoration
          Native* self = native.get();
          placeChild(*self, container, [self, &container, from, to] {
              const RECT pixels = linePixels(container, from, to);
              SetWindowPos(self->hwnd, nullptr, pixels.left, pixels.top, pixels.right - pixels.left,
                           pixels.bottom - pixels.top, SWP_NOZORDER | SWP_NOACTIVATE);
              InvalidateRect(self->hwnd, nullptr, TRUE);
          });
          return native;
      }()) {}

ScrollBar::ScrollBar(Container& parent, Rect rect)
    : Control(createChild(parent, L"SCROLLBAR", L"", WS_TABSTOP | SBS_HORZ, rect)) {
    HWND bar = native().hwnd;
    SetScrollRange(bar, SB_CTL, 0, 32767, FALSE);
    SetScrollPos(bar, SB_CTL, 0, TRUE);
    // Small and large changes are both one; nothing else reacts to the bar.
    native().reflected = [bar](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message != WM_HSCROLL)
            return 0;
        int value = scrollValue(bar, SIF_POS);
        switch (LOWORD(wParam)) {
        case SB_LINELEFT:
        case SB_PAGELEFT:
            --value;
            break;
        case SB_LINERIGHT:
        case SB_PAGERIGHT:
            ++value;
            break;
        case SB_LEFT:
            value = 0;
            break;
        case SB_RIGHT:
            value = scrollValue(bar, SIF_RANGE);
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            value = scrollValue(bar, SIF_TRACKPOS);
            break;
        default:
            return 0;
        }
        SetScrollPos(bar, SB_CTL, std::clamp(value, 0, scrollValue(bar, SIF_RANGE)), TRUE);
        return 0;
    };
}

int ScrollBar::value() const {
    return scrollValue(native().hwnd, SIF_POS);
}

// Redraws at once, as SetScrollPos would, but only when the thumb moves: most steps of a run
// move it by less than a pixel, and drawing is most of what a step costs.
void ScrollBar::setValue(int value) {
    HWND bar = native().hwnd;
    const auto thumb = [bar] {
        SCROLLBARINFO info{};
        info.cbSize = sizeof info;
        GetScrollBarInfo(bar, OBJID_CLIENT, &info);
        return info.xyThumbTop;
    };
    const int before = thumb();
    SetScrollPos(bar, SB_CTL, value, FALSE);
    if (thumb() != before)
        RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

int ScrollBar::maximum() const {
    return scrollValue(native().hwnd, SIF_RANGE);
}

void ScrollBar::setMaximum(int maximum) {
    SetScrollRange(native().hwnd, SB_CTL, 0, maximum, TRUE);
}

Menu::Menu(Window& window, const std::string& caption)
    : Element([&] {
          HWND hwnd = window.native().hwnd;
          HMENU bar = GetMenu(hwnd);
          if (!bar) {
              bar = CreateMenu();
              SetMenu(hwnd, bar);
          }
          HMENU popup = CreatePopupMenu();
          AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup),
                      wide(caption).c_str());
          auto native = std::make_unique<Native>(nullptr);
          native->menu = popup;
          return native;
      }()) {}

MenuItem::MenuItem(Menu& menu, const std::string& caption)
    : Element([&] {
          static UINT nextId = 1000;
          auto native = std::make_unique<Native>(nullptr);
          native->menu = menu.native().menu;
          native->menuId = nextId++;
          AppendMenuW(native->menu, MF_STRING, native->menuId, wide(caption).c_str());
          return native;
      }()) {}

void simulateHighContrast(bool on) {
    highContrastSimulated() = on;
}

} // namespace ui
