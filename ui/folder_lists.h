#pragma once

#include "control.h"

#include <functional>
#include <string>
#include <vector>

namespace ui {

// A drop-down list of the system's drives (on Linux, the mounted file systems a user would
// call drives). Paths are byte strings, UTF-8 where the file system's names are.
class DriveList : public Control {
public:
    DriveList(Container& parent, Rect rect);

    std::string drive() const;
    // The chosen drive's current folder: the program's current folder if it lies on that drive,
    // else the drive's own where the system keeps one for each drive (Windows), else its root.
    std::string currentFolder() const;
    // Selects the drive that holds the path, without raising the change event.
    void selectDriveOf(const std::string& path);
    // The user chose another drive; choosing the chosen one again is no change.
    void onChange(std::function<void()> handler);
};

// The classic directory list: the path's root and ancestors as open folders, each indented one
// step more, then its subfolders as closed folders. Double-clicking a folder moves there.
class DirList : public Control {
public:
    DirList(Container& parent, Rect rect);

    std::string path() const;
    // Moves to the folder; false, leaving the list as it was, if it cannot be read.
    bool setPath(const std::string& path);
    // The user double-clicked a folder that cannot be read (no permission, vanished).
    void onUnavailable(std::function<void()> handler);
};

} // namespace ui
