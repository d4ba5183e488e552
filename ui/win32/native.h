#pragma once

// The Win32 back end's private view of windows and controls; nothing outside ui/ sees it.

#include "../control.h"
#include "../geometry.h"

#include <functional>
#include <memory>
#include <string>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace ui {

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
    // The control that held the focus when the window last lost the activation.
    HWND focus = nullptr;
    SIZE client{0, 0};
    // What a control keeps beside its window (a list's rows).
    std::shared_ptr<void> state;
    Element* owner = nullptr;

    void setOwner(Element* element) { owner = element; }
};

// The Native of a window created by this back end, or null.
Native* nativeOf(HWND hwnd);

int toPixels(int twips); // at the screen's DPI
RECT toPixels(const Native& parent, Rect twips);

std::wstring wide(const std::string& utf8);
std::string narrow(const std::wstring& text);

HFONT defaultFont();

// Registers one of the program's own window classes.
void registerWindowClass(const wchar_t* name, WNDPROC procedure, HBRUSH background = nullptr);

// Handles what a dialog does with the keyboard (Tab, arrows) and the program's own Enter and
// Esc rules; false when the message is left for the window.
bool translateDialogKeys(MSG& message);

// What the test driver reads of a label: the font it draws in and the height its text takes.
HFONT labelFont(HWND label);
int labelTextHeight(HWND label);

} // namespace ui
