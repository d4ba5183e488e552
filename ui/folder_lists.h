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

// What came of asking the directory list for a folder. Folders are read on a worker thread,
// while messages are delivered; a file system that does not answer in time counts as not
// available.
enum class Listing {
    Shown,      // the list shows the folder
    Unreadable, // gone, no permission: the list is as it was
    NoAnswer,   // its file system did not answer in time: the list is as it was
    Superseded, // another folder was asked for meanwhile, and the list is that one's
};

// The classic directory list: the path's root and ancestors as open folders, each indented one
// step more, then its subfolders as closed folders. Double-clicking a folder moves there.
class DirList : public Control {
public:
    DirList(Container& parent, Rect rect);

    std::string path() const;
    // Moves to the folder.
    Listing setPath(const std::string& path);
    // The user double-clicked a folder that cannot be read (no permission, vanished) or whose
    // file system did not answer in time.
    void onUnavailable(std::function<void()> handler);
};

} // namespace ui
