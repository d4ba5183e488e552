#pragma once

// The Win32 back end's private view of windows and controls; nothing outside ui/ sees it.

#include "../control.h"
#include "../geometry.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace ui {

// What screen readers are told of a control beyond what the system's own accessible object
// for its window says; what is left empty, the system tells.
struct AccessibleOverride {
    long role = 0; // ROLE_SYSTEM_...
    bool hidden = false;
    std::function<std::wstring()> name;
    // Rows from 0; nothing for a row the control does not have.
    std::function<std::optional<std::wstring>(long row)> rowName;
    std::function<std::optional<std::wstring>(long row)> rowDescription;
};

class Native {
public:
    explicit Native(HWND hwnd);
    ~Native();

    HWND hwnd = nullptr;
    // Where child controls go and where their top-left corner is measured from: a group box
    // holds its controls in the window it stands on, so that their messages reach it.
    HWND childParent = nullptr;
    POINT childOrigin{0, 0};
    // A menu or menu item has no window of its own.
    HMENU menu = nullptr;
    UINT menuId = 0;
    // Messages about the control that Windows sends to its window (WM_COMMAND, WM_HSCROLL,
    // WM_DRAWITEM), passed back to the control's own code.
    std::function<LRESULT(UINT message, WPARAM, LPARAM)> reflected;
    // For top-level windows.
    std::function<void()> onClose;
    bool closed = false;
    bool modal = false; // in its modal loop
    // The control that held the focus when the window last lost the activation.
    HWND focus = nullptr;
    Size clientTwips; // of a window
    // What a control keeps beside its window (a list's rows).
    std::shared_ptr<void> state;
    // The top-level window's Native (a window's own), whose DPI its twips are converted at.
    Native* window = this;
    int dpi = 96; // windows only
    // Puts the control in place, and sets its fonts and sizes, at its window's DPI: when it is
    // made, and again when the window moves to a screen of another DPI.
    std::function<void()> place;
    std::vector<Native*> placed; // windows only: their controls, in the order they were made
    Element* owner = nullptr;
    std::shared_ptr<AccessibleOverride> accessible;

    void setOwner(Element* element) { owner = element; }
};

// The control's override, made on first use; from then on the control answers screen readers
// with it.
AccessibleOverride& accessibleOverride(Native& native);

// The Native of a window created by this back end, or null.
Native* nativeOf(HWND hwnd);

// Twips to pixels at the DPI of the window that `any` is or stands in.
int toPixels(const Native& any, int twips);
RECT toPixels(const Native& parent, Rect twips);
// The pixels of a line that runs from one point up to the pixel before the other.
RECT linePixels(const Native& parent, Point from, Point to);
// Makes `child` one of the controls of `parent`'s window and places it.
void placeChild(Native& child, const Native& parent, std::function<void()> place);
// Places every control of the window again, at the window's DPI, in the order they were made.
void placeAgain(Native& window);

constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
// A control made later lies over the ones before it, whatever Windows' own order.
void placeOnTop(HWND hwnd);
// A child window in the container, placed at its twips and given the message font of its
// window's DPI; `then` does what else the control needs at that DPI.
std::unique_ptr<Native> createChild(Container& parent, const wchar_t* kind,
                                    const std::wstring& text, DWORD style, Rect rect,
                                    std::function<void(Native&)> then = {}, DWORD exStyle = 0);

std::wstring wide(const std::string& utf8);
std::string narrow(const std::wstring& text);
// Empty for a window that is gone.
std::wstring windowText(HWND hwnd);

// The one DPI of all screens where screens have none of their own (before Windows 10 1607).
int systemDpi();
// The DPI of the window's screen, or the system DPI.
int windowDpi(HWND hwnd);
// Grows the client rectangle to the window's size, with its frame's metrics at this DPI.
void adjustWindowRect(RECT& rect, HWND hwnd, int dpi);
// Asks, while the window is being made, for its caption and menu bar to follow its screen's DPI.
void scaleFrameWithScreen(HWND hwnd);
// For tests: as on a system without per-monitor DPI whose one DPI is this; 0 ends it.
void simulateSystemDpiOnly(int dpi);
// For tests: as with the desktop's high contrast on, which Wine cannot switch on.
void simulateHighContrast(bool on);

// The system's message font at the given DPI.
HFONT defaultFont(int dpi);
// Reads the message font again, after the desktop's settings changed. If it is another font,
// the fonts made so far are returned, for the caller to delete once no control uses them.
std::vector<HFONT> renewDefaultFonts();

// Registers one of the program's own window classes.
void registerWindowClass(const wchar_t* name, WNDPROC procedure, HBRUSH background = nullptr);

// Told to every control of a window: that the window is on screen and its loop runs (posted as
// it shows), and that it has closed (as it closes).
constexpr UINT kWindowShown = WM_APP + 0x100;
constexpr UINT kWindowClosed = WM_APP + 0x101;

// Handles what a dialog does with the keyboard (Tab, arrows) and the program's own Enter and
// Esc rules; false when the message is left for the window.
bool translateDialogKeys(MSG& message);
// What every message loop of the program does with a message it takes.
void dispatchMessage(MSG& message);

// What the test driver reads of a label: the font it draws in and the height its text takes.
HFONT labelFont(HWND label);
int labelTextHeight(HWND label);

} // namespace ui
