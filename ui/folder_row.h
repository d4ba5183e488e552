#pragma once

#include <string>

namespace ui {

// What a screen reader tells of a row of the directory list besides the folder's name: how
// deep it lies and whether it is open, which the list shows only by indent and icon.
inline std::string folderRowDescription(int depth, bool open) {
    return "第 " + std::to_string(depth + 1) + " 层" + (open ? "，已打开" : "");
}

} // namespace ui
