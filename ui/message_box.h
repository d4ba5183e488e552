#pragma once

#include <string>

namespace ui {

class Window;

// A modal box with the text, one OK button and no icon. Blocks until the user dismisses it;
// the owner takes no input meanwhile.
void showMessage(Window& owner, const std::string& caption, const std::string& text);

} // namespace ui
