#pragma once

// The folder lists' state, shared with the test driver.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ui {

struct FolderRow {
    std::wstring path;
    std::wstring name;
    int depth;
    bool open;
};

struct FolderListState {
    std::vector<FolderRow> rows;
    std::wstring path;
    std::function<void()> unavailable;
    int asked = 0; // folders asked for so far
    // The first folder, read once the window is on screen; nothing once asked for or closed.
    std::optional<std::wstring> start;
    bool firstReadDue = true; // until the first folder has been read or given up on
    std::function<void()> afterFirstRead; // once, then: the test driver hands the dialog over
};

// Tests stand in their own drives (which may not exist); nullopt returns to the real ones.
void overrideDrives(std::optional<std::vector<std::string>> drives);
// Tests stand in the current folder as another program may hand it down, in UTF-16.
void overrideCurrentFolder(std::optional<std::wstring> folder);

} // namespace ui
