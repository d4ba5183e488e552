#pragma once

#include "color.h"
#include "control.h"
#include "font.h"

#include <functional>
#include <string>

namespace ui {

class Window;

class Label : public Control {
public:
    Label(Container& parent, Rect rect, const std::string& text = {});

    std::string text() const;
    void setText(const std::string& text);
    void setForeground(Rgb color);
    // A transparent label shows what lies beneath it between its letters.
    void setTransparent(bool transparent);
    void setFont(const Font& font);
    void setWordWrap(bool wrap);
    // The label repeats what another one tells: screen readers skip it.
    void hideFromScreenReaders();
    // The window's status line: screen readers tell it as one, and hear of each change.
    void markAsStatusLine();
};

class Button : public Control {
public:
    Button(Container& parent, Rect rect, const std::string& caption);

    std::string caption() const;
    void onClick(std::function<void()> handler);
};

class GroupBox : public Container {
public:
    GroupBox(Container& parent, Rect rect, const std::string& caption);
};

// A horizontal or vertical line, one pixel wide, from one point up to the pixel before the other
// (as Windows draws lines). Decoration: screen readers skip it.
class Line : public Control {
public:
    Line(Container& parent, Point from, Point to, SystemColor color);
};

// A horizontal scroll bar; the user may move it with mouse and keyboard.
class ScrollBar : public Control {
public:
    ScrollBar(Container& parent, Rect rect);

    int value() const;
    void setValue(int value);
    int maximum() const;
    void setMaximum(int maximum);
};

class Menu : public Element {
public:
    // A menu on the window's menu bar; "&" marks the access key.
    Menu(Window& window, const std::string& caption);
};

class MenuItem : public Element {
public:
    MenuItem(Menu& menu, const std::string& caption);
};

} // namespace ui
