#pragma once

#include "control.h"

#include <functional>
#include <string>
#include <vector>

namespace ui {

enum class WindowStyle {
    Main,   // sizable border, minimize and close boxes, a menu bar
    Dialog, // fixed single border, close box only
};

// A top-level window. Its client area (below any menu bar) has the given size.
class Window : public Container {
public:
    Window(WindowStyle style, const std::string& caption, Size clientTwips);

    // The application icon is the one the executable carries.
    void useApplicationIcon();
    // The close box, the system menu or Alt+F4 asked the window to close.
    void onCloseRequest(std::function<void()> handler);
    // Keyboard focus moves through these controls, in this order, with Tab.
    void setTabOrder(const std::vector<Control*>& controls);

    void show();
    // Shows the window modally: every other window takes no input until it closes. The window
    // it was opened from owns it, so that it stays above that window and is not lost beneath
    // it. Returns when it has closed.
    void showModal();
    void close();
    // Shown and not closed since: a handler that delivered messages finds out whether the user
    // closed its window meanwhile.
    bool isOpen() const;
};

} // namespace ui
