#include "../message_box.h"
#include "../window.h"
#include "native.h"

namespace ui {

void showMessage(Window& owner, const std::string& caption, const std::string& text) {
    MessageBoxW(owner.native().hwnd, wide(text).c_str(), wide(caption).c_str(), MB_OK);
}

} // namespace ui
