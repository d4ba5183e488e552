#include "../testing.h"
#include "../worker_call.h"
#include "folder_lists_private.h"
#include "native.h"
#include "system_dlls.h"

#include <oleacc.h>
#include <psapi.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace ui::testing {

namespace {

// Messages to the driver's own window.
constexpr UINT kRunAction = WM_APP + 1;   // lParam: a heap std::function to run once
constexpr UINT kInputMarker = WM_APP + 2; // wParam: the input's number
constexpr UINT kModalShown = WM_APP + 3;  // wParam: the window

// Input is posted as the system would queue it, followed by a marker. The marker goes round
// the queue again while other messages wait in it, so that what the input posted in turn (the
// characters TranslateMessage makes of keys, the keys a menu posts itself) is handled first.
//
// A key can open a menu, whose loop waits for the next key inside the call that delivered
// this one. Keys the test sends are therefore delivered on a fiber of their own: when the
// marker comes up in a menu loop, the driver switches back to the test, which goes on; its
// next key switches back into the waiting menu loop.
struct Driver {
    HWND window = nullptr;
    std::function<void(ModalWindow&)> modalHandler;
    unsigned posted = 0;  // numbers of inputs posted so far
    unsigned handled = 0; // ... and of those whose marker has come through
    LPVOID testFiber = nullptr;
    LPVOID inputFiber = nullptr; // delivering the test's keys; may be waiting in a menu loop
    bool onInputFiber = false;
    bool inputFinished = false;
};

Driver& driver();

void switchTo(LPVOID fiber) {
    Driver& d = driver();
    d.onInputFiber = fiber == d.inputFiber;
    SwitchToFiber(fiber);
}

bool isForeignDialog(HWND top) {
    wchar_t kind[16] = {};
    GetClassNameW(top, kind, 16);
    return !nativeOf(top) && lstrcmpW(kind, L"#32770") == 0;
}

// What the program's loops do with a message, and what the system's dialog loop (a message
// box) does with one for its window.
void dispatch(MSG& message) {
    HWND top = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (top && isForeignDialog(top) && IsDialogMessageW(top, &message))
        return;
    dispatchMessage(message);
}

bool inMenuLoop() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetCurrentThreadId(), &info) && (info.flags & GUI_INMENUMODE);
}

// Whether posted messages other than markers wait in the queue; all the driver's input is
// posted. Timers do not count: they come round again and again (a focused scroll bar blinks
// by one).
bool othersQueued() {
    constexpr UINT kSystemTimer = 0x0118;
    MSG message;
    UINT from = 0;
    for (const UINT skipped : {UINT(WM_TIMER), kSystemTimer, kInputMarker}) {
        if (PeekMessageW(&message, nullptr, from, skipped - 1, PM_NOREMOVE | PM_QS_POSTMESSAGE))
            return true;
        from = skipped + 1;
    }
    return PeekMessageW(&message, nullptr, from, UINT(-1), PM_NOREMOVE | PM_QS_POSTMESSAGE);
}

// The marker of input `number` has come up, in an ordinary loop or in a menu's.
void markerArrived(unsigned number) {
    Driver& d = driver();
    if (number <= d.handled)
        return; // a later input's marker has come through: this one is done with too
    if (othersQueued()) {
        PostMessageW(d.window, kInputMarker, number, 0);
        return;
    }
    d.handled = number;
    if (d.handled == d.posted && d.onInputFiber && inMenuLoop())
        switchTo(d.testFiber); // the menu waits for the test's next key
}

void pumpUntilHandled() {
    Driver& d = driver();
    while (d.handled < d.posted) {
        MSG message;
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
            PostQuitMessage(int(message.wParam));
            return;
        }
        dispatch(message);
    }
}

void postInput(const std::vector<MSG>& input) {
    Driver& d = driver();
    for (const MSG& message : input)
        PostMessageW(message.hwnd, message.message, message.wParam, message.lParam);
    PostMessageW(d.window, kInputMarker, ++d.posted, 0);
}

// Posts the input and returns once it has been handled, with all it started.
void send(const std::vector<MSG>& input) {
    postInput(input);
    pumpUntilHandled();
}

void CALLBACK deliverOnFiber(void*) {
    pumpUntilHandled();
    driver().inputFinished = true;
    switchTo(driver().testFiber);
}

void sendKeys(const std::vector<MSG>& input) {
    Driver& d = driver();
    if (d.onInputFiber) { // a key sent from inside a handler
        send(input);
        return;
    }
    postInput(input);
    if (!d.inputFiber) {
        d.inputFinished = false;
        d.inputFiber = CreateFiberEx(0, 64 << 20, 0, deliverOnFiber, nullptr);
    }
    switchTo(d.inputFiber);
    if (d.inputFinished) {
        DeleteFiber(d.inputFiber);
        d.inputFiber = nullptr;
    }
}

std::vector<HWND> children(HWND parent);

// A dialog is handed over with its directory list filled, as the tests expect, yet not inside
// the list's wait: while the list reads its first folder, the dialog comes again after it.
bool handOverLater(HWND shown) {
    for (HWND child : children(shown)) {
        Native* native = nativeOf(child);
        if (!native || !dynamic_cast<DirList*>(native->owner))
            continue;
        auto& state = *static_cast<FolderListState*>(native->state.get());
        if (state.firstReadDue) {
            state.afterFirstRead = [shown] {
                PostMessageW(driver().window, kModalShown, reinterpret_cast<WPARAM>(shown), 0);
            };
            return true;
        }
    }
    return false;
}

LRESULT CALLBACK driverProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kRunAction: {
        std::unique_ptr<std::function<void()>> action(
            reinterpret_cast<std::function<void()>*>(lParam));
        (*action)();
        return 0;
    }
    case kInputMarker:
        markerArrived(unsigned(wParam));
        return 0;
    case kModalShown: {
        HWND shown = reinterpret_cast<HWND>(wParam);
        Driver& d = driver();
        if (!d.modalHandler || !IsWindowVisible(shown) || handOverLater(shown))
            return 0;
        auto run = d.modalHandler; // the handler may replace itself
        if (Native* own = nativeOf(shown)) {
            ModalWindow modal(*own);
            run(modal);
        } else {
            Native borrowed(nullptr); // the system's window: looked at, not owned
            borrowed.hwnd = shown;
            ModalWindow modal(borrowed);
            run(modal);
            borrowed.hwnd = nullptr;
        }
        return 0;
    }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// A menu's loop hands each message it takes to this hook first.
LRESULT CALLBACK messageFilter(int code, WPARAM wParam, LPARAM lParam) {
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code == MSGF_MENU && message->hwnd == driver().window && message->message == kInputMarker) {
        markerArrived(unsigned(message->wParam));
        return TRUE;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Notes each dialog-framed window as it is shown, to hand it to the test inside its loop.
LRESULT CALLBACK windowProcedureHook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_SHOWWINDOW && call->wParam &&
        !(GetWindowLongPtrW(call->hwnd, GWL_STYLE) & WS_CHILD) &&
        (isForeignDialog(call->hwnd) ||
         (nativeOf(call->hwnd) &&
          (GetWindowLongPtrW(call->hwnd, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME))))
        PostMessageW(driver().window, kModalShown, reinterpret_cast<WPARAM>(call->hwnd), 0);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Name changes told to screen readers, counted by window.
std::map<HWND, int>& nameChanges() {
    static std::map<HWND, int> changes;
    return changes;
}

void CALLBACK countNameChange(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD,
                              DWORD) {
    if (object == OBJID_CLIENT && child == CHILDID_SELF)
        ++nameChanges()[hwnd];
}

// GetCurrentFiber reads the thread's information block, which GCC takes for a read out of
// bounds.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
LPVOID currentFiber() {
    return GetCurrentFiber();
}
#pragma GCC diagnostic pop

Driver& driver() {
    static Driver* instance = [] {
        auto* d = new Driver;
        registerWindowClass(L"MarlinthTestDriver", driverProc);
        d->window = CreateWindowExW(0, L"MarlinthTestDriver", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                    nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowsHookExW(WH_MSGFILTER, messageFilter, nullptr, GetCurrentThreadId());
        SetWindowsHookExW(WH_CALLWNDPROC, windowProcedureHook, nullptr, GetCurrentThreadId());
        SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr, countNameChange,
                        GetCurrentProcessId(), GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT);
        d->testFiber = IsThreadAFiber() ? currentFiber() : ConvertThreadToFiber(nullptr);
        return d;
    }();
    return *instance;
}

// Input reaches a window only while it and its top-level window are enabled and shown: a
// modal window disables the others.
bool takesInput(HWND hwnd) {
    HWND top = GetAncestor(hwnd, GA_ROOT);
    return IsWindowVisible(hwnd) && IsWindowEnabled(hwnd) && IsWindowEnabled(top);
}

UINT virtualKey(Key key) {
    switch (key) {
    case Key::Enter:
        return VK_RETURN;
    case Key::Escape:
        return VK_ESCAPE;
    case Key::Space:
        return VK_SPACE;
    case Key::Tab:
        return VK_TAB;
    case Key::Left:
        return VK_LEFT;
    case Key::Right:
        return VK_RIGHT;
    case Key::Up:
        return VK_UP;
    case Key::Down:
        return VK_DOWN;
    case Key::Home:
        return VK_HOME;
    case Key::End:
        return VK_END;
    case Key::PageUp:
        return VK_PRIOR;
    case Key::PageDown:
        return VK_NEXT;
    case Key::F4:
        return VK_F4;
    }
    return 0;
}

// A key going down and up, with the flags the keyboard driver sets.
std::vector<MSG> keyStroke(HWND target, UINT key, bool alt = false) {
    const bool extended = key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN ||
                          key == VK_HOME || key == VK_END || key == VK_PRIOR || key == VK_NEXT;
    const LPARAM common = 1 | LPARAM(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16 |
                          LPARAM(extended) << 24 | LPARAM(alt) << 29;
    const LPARAM released = LPARAM(1) << 30 | LPARAM(1) << 31;
    MSG down{}, up{};
    down.hwnd = up.hwnd = target;
    down.message = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    up.message = alt ? WM_SYSKEYUP : WM_KEYUP;
    down.wParam = up.wParam = key;
    down.lParam = common;
    up.lParam = common | released;
    return {down, up};
}

// Keys go to the focused control of the window, or to the window itself.
HWND keyTarget(HWND window) {
    HWND focus = GetFocus();
    return focus && (focus == window || IsChild(window, focus)) ? focus : window;
}

void pressKeyIn(HWND window, Key key, bool alt = false) {
    if (takesInput(window))
        sendKeys(keyStroke(keyTarget(window), virtualKey(key), alt));
}

std::vector<MSG> mouseClick(HWND target, POINT at, bool twice = false) {
    const LPARAM where = MAKELPARAM(at.x, at.y);
    std::vector<MSG> input = {{target, WM_LBUTTONDOWN, MK_LBUTTON, where, 0, {}},
                              {target, WM_LBUTTONUP, 0, where, 0, {}}};
    if (twice) {
        input.push_back({target, WM_LBUTTONDBLCLK, MK_LBUTTON, where, 0, {}});
        input.push_back({target, WM_LBUTTONUP, 0, where, 0, {}});
    }
    return input;
}

void clickAt(HWND target, POINT at, bool twice = false) {
    if (takesInput(target))
        send(mouseClick(target, at, twice));
}

// Pixels of the element's window at its DPI, as logical pixels (96 to the inch).
int logical(const Element& element, int pixels) {
    return MulDiv(pixels, 96, element.native().window->dpi);
}

POINT centreOf(const RECT& rect) {
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void closeBox(HWND window) {
    if (takesInput(window))
        send({{window, WM_SYSCOMMAND, SC_CLOSE, 0, 0, {}}});
}

std::wstring className(HWND hwnd) {
    wchar_t kind[64] = {};
    GetClassNameW(hwnd, kind, 64);
    return kind;
}

BOOL CALLBACK addChild(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

std::vector<HWND> children(HWND parent) {
    std::vector<HWND> result;
    EnumChildWindows(parent, addChild, reinterpret_cast<LPARAM>(&result));
    return result;
}

bool isIconStatic(HWND hwnd) {
    return lstrcmpiW(className(hwnd).c_str(), L"Static") == 0 &&
           (GetWindowLongPtrW(hwnd, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

std::vector<HWND> visibleButtons(HWND window) {
    std::vector<HWND> result;
    for (HWND child : children(window))
        if (IsWindowVisible(child) && lstrcmpiW(className(child).c_str(), L"Button") == 0 &&
            (GetWindowLongPtrW(child, GWL_STYLE) & BS_TYPEMASK) != BS_GROUPBOX)
            result.push_back(child);
    return result;
}

BOOL CALLBACK findPopup(HWND hwnd, LPARAM parameter) {
    auto& [wanted, found] = *reinterpret_cast<std::pair<HMENU, HWND>*>(parameter);
    if (IsWindowVisible(hwnd) && className(hwnd) == L"#32768" &&
        reinterpret_cast<HMENU>(SendMessageW(hwnd, MN_GETHMENU, 0, 0)) == wanted) {
        found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The popup window that shows the menu now, if any.
HWND openPopup(HMENU menu) {
    std::pair<HMENU, HWND> search{menu, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), findPopup, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

const FolderListState& folderState(const DirList& list) {
    return *static_cast<const FolderListState*>(list.native().state.get());
}

// Scrolls the row into view and returns its centre.
POINT rowCentre(HWND list, int row) {
    RECT item, client;
    GetClientRect(list, &client);
    SendMessageW(list, LB_GETITEMRECT, WPARAM(row), reinterpret_cast<LPARAM>(&item));
    if (item.top < 0 || item.bottom > client.bottom) {
        SendMessageW(list, LB_SETTOPINDEX, WPARAM(row), 0);
        SendMessageW(list, LB_GETITEMRECT, WPARAM(row), reinterpret_cast<LPARAM>(&item));
    }
    return centreOf(item);
}

} // namespace

void click(Control& control) {
    HWND hwnd = control.native().hwnd;
    RECT client;
    GetClientRect(hwnd, &client);
    clickAt(hwnd, centreOf(client));
}

void pressKey(Window& window, Key key) {
    pressKeyIn(window.native().hwnd, key);
}

void pressAccessKey(Window& window, char letter) {
    HWND hwnd = window.native().hwnd;
    if (takesInput(hwnd))
        sendKeys(keyStroke(keyTarget(hwnd), UINT(std::toupper(static_cast<unsigned char>(letter))),
                           true));
}

void clickCloseBox(Window& window) {
    closeBox(window.native().hwnd);
}

void post(std::function<void()> action) {
    PostMessageW(driver().window, kRunAction, 0,
                 reinterpret_cast<LPARAM>(new std::function<void()>(std::move(action))));
}

Control* focusedControl(Window& window) {
    HWND focus = GetFocus();
    if (!focus || !IsChild(window.native().hwnd, focus))
        return nullptr;
    Native* native = nativeOf(focus);
    return native ? dynamic_cast<Control*>(native->owner) : nullptr;
}

bool isShown(const Window& window) {
    return IsWindowVisible(window.native().hwnd) != FALSE;
}

bool isActive(const Window& window) {
    return GetForegroundWindow() == window.native().hwnd;
}

// Another program's window lives on a thread of its own: the program's modal windows disable
// only the windows of their own thread, as they leave another program's alone.
struct OtherProgramWindow::State {
    HANDLE thread = nullptr;
    DWORD threadId = 0;
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
};

namespace {
DWORD WINAPI runOtherProgram(void* ready) {
    registerWindowClass(L"MarlinthOtherProgram", DefWindowProcW,
                        reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    HWND hwnd =
        CreateWindowExW(0, L"MarlinthOtherProgram", L"Other program", WS_OVERLAPPEDWINDOW, 0, 0,
                        640, 480, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd);
    SetEvent(static_cast<HANDLE>(ready));
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    DestroyWindow(hwnd);
    return 0;
}
} // namespace

OtherProgramWindow::OtherProgramWindow()
    : state_(std::make_unique<State>()) {
    state_->thread = CreateThread(nullptr, 0, runOtherProgram, state_->ready, 0, &state_->threadId);
    WaitForSingleObject(state_->ready, INFINITE);
}

OtherProgramWindow::~OtherProgramWindow() {
    PostThreadMessageW(state_->threadId, WM_QUIT, 0, 0);
    WaitForSingleObject(state_->thread, INFINITE);
    CloseHandle(state_->thread);
    CloseHandle(state_->ready);
}

bool isMenuOpen(const Menu& menu) {
    return openPopup(menu.native().menu) != nullptr;
}

bool isHighlighted(const MenuItem& item) {
    const Native& native = item.native();
    return openPopup(native.menu) &&
           (GetMenuState(native.menu, native.menuId, MF_BYCOMMAND) & MF_HILITE);
}

void resize(Window& window, Size clientSize) {
    HWND hwnd = window.native().hwnd;
    RECT rect{0, 0, clientSize.width, clientSize.height};
    AdjustWindowRectEx(&rect, DWORD(GetWindowLongPtrW(hwnd, GWL_STYLE)), GetMenu(hwnd) != nullptr,
                       DWORD(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
    SetWindowPos(hwnd, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    send({});
}

bool moveToScreenOfDpi(Window& window, int dpi) {
    HWND hwnd = window.native().hwnd;
    RECT suggested;
    GetWindowRect(hwnd, &suggested);
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    send({});
    return true;
}

bool useSystemDpiOnly(int dpi) {
    simulateSystemDpiOnly(dpi);
    return true;
}

int dpiOf(const Window& window) {
    return window.native().dpi;
}

Rect pixelRect(const Control& control) {
    HWND hwnd = control.native().hwnd;
    RECT rect;
    GetWindowRect(hwnd, &rect);
    MapWindowPoints(HWND_DESKTOP, GetAncestor(hwnd, GA_ROOT), reinterpret_cast<POINT*>(&rect), 2);
    return {logical(control, rect.left), logical(control, rect.top),
            logical(control, rect.right - rect.left), logical(control, rect.bottom - rect.top)};
}

Size clientSize(const Window& window) {
    RECT client;
    GetClientRect(window.native().hwnd, &client);
    return {logical(window, client.right), logical(window, client.bottom)};
}

std::string fontFamily(const Label& label) {
    HWND hwnd = label.native().hwnd;
    HDC dc = GetDC(hwnd);
    const HGDIOBJ previous = SelectObject(dc, labelFont(hwnd));
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    SelectObject(dc, previous);
    ReleaseDC(hwnd, dc);
    return narrow(face);
}

int textHeight(const Label& label) {
    return logical(label, labelTextHeight(label.native().hwnd));
}

Image grab(Window& window) {
    HWND hwnd = window.native().hwnd;
    RedrawWindow(hwnd, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT client;
    GetClientRect(hwnd, &client);
    const Size size{client.right, client.bottom};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.width;
    info.bmiHeader.biHeight = -size.height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC source = GetDC(hwnd);
    HDC memory = CreateCompatibleDC(source);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, size.width, size.height, source, 0, 0, SRCCOPY);
    GdiFlush();
    Image image{size.width, size.height, {}};
    image.pixels.reserve(std::size_t(size.width) * size.height);
    const auto* pixel = static_cast<const std::uint8_t*>(bits);
    for (int i = 0; i < size.width * size.height; ++i, pixel += 4)
        image.pixels.push_back({pixel[2], pixel[1], pixel[0]});
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(hwnd, source);
    return image;
}

bool setSystemTextColor(std::optional<Rgb> color) {
    // Labels draw in the button-text colour, the lines and the system's own labels in the
    // window-text colour.
    const int elements[] = {COLOR_BTNTEXT, COLOR_WINDOWTEXT};
    static const COLORREF original[] = {GetSysColor(elements[0]), GetSysColor(elements[1])};
    const COLORREF wanted = color ? RGB(color->red, color->green, color->blue) : 0;
    const COLORREF values[] = {color ? wanted : original[0], color ? wanted : original[1]};
    const bool set = SetSysColors(2, elements, values) != FALSE;
    send({}); // what the change posted
    return set;
}

namespace {
BOOL CALLBACK tellOfColorChange(HWND hwnd, LPARAM) {
    SendMessageW(hwnd, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}
} // namespace

std::optional<bool> redrawnOnSettingChange(Window& window, bool font) {
    const HWND hwnd = window.native().hwnd;
    RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); // nothing left to draw
    SendMessageW(hwnd, WM_SETTINGCHANGE, font ? SPI_SETNONCLIENTMETRICS : 0,
                 font ? 0 : reinterpret_cast<LPARAM>(L"Environment"));
    return GetUpdateRect(hwnd, nullptr, FALSE) != FALSE;
}

bool setHighContrast(bool on) {
    simulateHighContrast(on);
    // As the system tells every top-level window of a change of scheme.
    EnumThreadWindows(GetCurrentThreadId(), tellOfColorChange, 0);
    send({});
    return true;
}

Rgb systemColor(SystemColor color) {
    const COLORREF value =
        GetSysColor(color == SystemColor::CaptionText ? COLOR_CAPTIONTEXT : COLOR_WINDOWTEXT);
    return {GetRValue(value), GetGValue(value), GetBValue(value)};
}

std::string ModalWindow::caption() const {
    return narrow(windowText(native_.hwnd));
}

std::vector<std::string> ModalWindow::texts() const {
    std::vector<std::string> result;
    for (HWND child : children(native_.hwnd)) {
        if (!IsWindowVisible(child) || isIconStatic(child))
            continue;
        const Native* own = nativeOf(child);
        if (auto* label = own ? dynamic_cast<const Label*>(own->owner) : nullptr) {
            if (!label->text().empty())
                result.push_back(label->text());
        } else if (lstrcmpiW(className(child).c_str(), L"Static") == 0 &&
                   GetWindowTextLengthW(child) > 0) {
            result.push_back(narrow(windowText(child)));
        }
    }
    return result;
}

namespace {
INT_PTR CALLBACK ignoreDialogMessages(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}
} // namespace

std::string messageBoxOkCaption() {
    // Windows keeps the word with its message box strings; Wine has no such function and draws
    // its boxes from a dialog of its own, whose OK button then says it.
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    using GetString = LPCWSTR(WINAPI*)(UINT);
    if (const auto get = reinterpret_cast<GetString>(
            reinterpret_cast<void (*)()>(GetProcAddress(user32, "MB_GetString"))))
        return narrow(get(IDOK - 1));
    const HWND box = CreateDialogParamW(user32, L"MSGBOX", nullptr, ignoreDialogMessages, 0);
    const std::string caption = narrow(windowText(GetDlgItem(box, IDOK)));
    DestroyWindow(box);
    return caption;
}

std::vector<std::string> ModalWindow::buttons() const {
    std::vector<std::string> result;
    for (HWND button : visibleButtons(native_.hwnd))
        result.push_back(narrow(windowText(button)));
    return result;
}

bool ModalWindow::hasIcon() const {
    for (HWND child : children(native_.hwnd))
        if (IsWindowVisible(child) && isIconStatic(child) && SendMessageW(child, STM_GETICON, 0, 0))
            return true;
    return false;
}

void ModalWindow::clickButton(const std::string& caption) {
    for (HWND button : visibleButtons(native_.hwnd))
        if (narrow(windowText(button)) == caption) {
            RECT client;
            GetClientRect(button, &client);
            clickAt(button, centreOf(client));
            return;
        }
    std::fprintf(stderr, "no button \"%s\" in the modal window\n", caption.c_str());
    std::abort();
}

void ModalWindow::pressKey(Key key, bool withAlt) {
    pressKeyIn(native_.hwnd, key, withAlt);
}

void ModalWindow::clickCloseBox() {
    closeBox(native_.hwnd);
}

std::vector<Element*> ModalWindow::elements() const {
    std::vector<Element*> result;
    if (Native* window = nativeOf(native_.hwnd))
        result.push_back(window->owner);
    for (HWND child : children(native_.hwnd))
        if (Native* native = nativeOf(child))
            result.push_back(native->owner);
    return result;
}

namespace {

// Asks as a screen reader would, through the window's WM_GETOBJECT.
IAccessible* accessibleOf(HWND hwnd) {
    static const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    (void)com;
    // From System32 alone, as the program takes it; without it, no object.
    static const auto fromWindow = lookUp<decltype(&AccessibleObjectFromWindow)>(
        loadSystemDll(L"oleacc.dll"), "AccessibleObjectFromWindow");
    IAccessible* accessible = nullptr;
    if (fromWindow)
        fromWindow(hwnd, DWORD(OBJID_CLIENT), __uuidof(IAccessible),
                   reinterpret_cast<void**>(&accessible));
    // A reader that walks the children comes back to the object through its enumerator: what
    // it finds there must be the same object.
    IEnumVARIANT* children = nullptr;
    if (accessible && SUCCEEDED(accessible->QueryInterface(__uuidof(IEnumVARIANT),
                                                           reinterpret_cast<void**>(&children)))) {
        IAccessible* again = nullptr;
        children->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&again));
        children->Release();
        accessible->Release();
        accessible = again;
    }
    return accessible;
}

// Nothing if the object refuses to answer.
std::optional<std::string> text(IAccessible* accessible, long child,
                                HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
    VARIANT which{};
    which.vt = VT_I4;
    which.lVal = child;
    BSTR value = nullptr;
    if (FAILED((accessible->*get)(which, &value)))
        return std::nullopt;
    std::string result = value ? narrow(std::wstring(value, SysStringLen(value))) : std::string();
    SysFreeString(value);
    return result;
}

} // namespace

AccessibleInfo accessibleInfo(const Control& control) {
    AccessibleInfo info;
    IAccessible* accessible = accessibleOf(control.native().hwnd);
    if (!accessible)
        return info;
    VARIANT self{}, role{}, state{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    accessible->get_accRole(self, &role);
    accessible->get_accState(self, &state);
    switch (role.lVal) {
    case ROLE_SYSTEM_STATICTEXT:
        info.role = AccessibleRole::StaticText;
        break;
    case ROLE_SYSTEM_STATUSBAR:
        info.role = AccessibleRole::StatusLine;
        break;
    case ROLE_SYSTEM_COMBOBOX:
        info.role = AccessibleRole::DropDownList;
        break;
    case ROLE_SYSTEM_LIST:
        info.role = AccessibleRole::List;
        break;
    default:
        break;
    }
    info.name = text(accessible, CHILDID_SELF, &IAccessible::get_accName).value_or("");
    info.text = info.name; // no text interface in this accessibility API
    info.hidden = (state.lVal & STATE_SYSTEM_INVISIBLE) != 0;
    accessible->Release();
    return info;
}

std::optional<std::string> accessibleDescription(const DirList& list, int row) {
    IAccessible* accessible = accessibleOf(list.native().hwnd);
    if (!accessible)
        return {};
    const std::optional<std::string> description =
        text(accessible, row + 1, &IAccessible::get_accDescription);
    accessible->Release();
    return description;
}

std::optional<int> accessibleNameChanges(const Control& control) {
    MSG message; // events wait in the queue until it is looked at
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    return nameChanges()[control.native().hwnd];
}

long peakMemoryKiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return long(counters.PeakWorkingSetSize / 1024);
}

void onModalWindow(std::function<void(ModalWindow&)> handler) {
    driver().modalHandler = std::move(handler);
}

std::vector<FolderRow> rows(const DirList& list) {
    std::vector<FolderRow> result;
    for (const ui::FolderRow& row : folderState(list).rows)
        result.push_back({narrow(row.name), row.depth, row.open});
    return result;
}

int selectedRow(const DirList& list) {
    return int(SendMessageW(list.native().hwnd, LB_GETCURSEL, 0, 0));
}

void clickRow(DirList& list, int row) {
    HWND hwnd = list.native().hwnd;
    clickAt(hwnd, rowCentre(hwnd, row));
}

void doubleClickRow(DirList& list, int row) {
    HWND hwnd = list.native().hwnd;
    clickAt(hwnd, rowCentre(hwnd, row), true);
}

std::vector<std::string> drives(const DriveList& list) {
    HWND combo = list.native().hwnd;
    std::vector<std::string> result;
    const int count = int(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::wstring text(std::size_t(SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(i), 0)) + 1,
                          L'\0');
        text.resize(std::size_t(
            SendMessageW(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text.data()))));
        result.push_back(narrow(text));
    }
    return result;
}

void chooseDrive(DriveList& list, const std::string& drive) {
    const std::vector<std::string> all = drives(list);
    const auto found = std::find(all.begin(), all.end(), drive);
    if (found == all.end()) {
        std::fprintf(stderr, "no drive \"%s\" in the list\n", drive.c_str());
        std::abort();
    }
    // With the arrow keys, each step a choice of its own; one the program refuses puts the
    // list back, which ends the walk.
    HWND combo = list.native().hwnd;
    list.setFocus();
    const int index = int(found - all.begin());
    const int start = int(SendMessageW(combo, CB_GETCURSEL, 0, 0));
    for (int step = 0; step < std::abs(index - start); ++step)
        pressKeyIn(GetAncestor(combo, GA_ROOT), index > start ? Key::Down : Key::Up);
}

bool isDroppedDown(const DriveList& list) {
    return SendMessageW(list.native().hwnd, CB_GETDROPPEDSTATE, 0, 0) != FALSE;
}

void setDrives(std::optional<std::vector<std::string>> drives) {
    overrideDrives(std::move(drives));
}

void setCurrentFolder(std::optional<std::string> folder) {
    overrideCurrentFolder(folder ? std::optional(wide(*folder)) : std::nullopt);
}

void holdFolderReads(std::function<void()> hold, std::chrono::milliseconds deadline) {
    workerDeadline() = hold ? deadline : kWorkerDeadline;
    beforeWorkerCall() = std::move(hold);
}

} // namespace ui::testing
