#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace ui {

// Roles of the directory list's rows beside their name and folder icon.
constexpr int kDepthRole = 0x0100; // Qt::UserRole
constexpr int kOpenRole = kDepthRole + 1;

// Root paths of the drives a user would pick from, sorted.
std::vector<std::string> systemDrives();
// Whether a mount of the mount table is one of them, by its mount point and file system type.
bool isDrive(const std::string& mountPoint, const std::string& type);
// Tests stand in their own drives (which may not exist); nullopt returns to the real ones.
void overrideDrives(std::optional<std::vector<std::string>> drives);
// Runs the action once the directory list in the window has read its first folder, or at once:
// the test driver hands a dialog over with its list filled.
void afterFirstRead(QWidget* window, std::function<void()> action);

} // namespace ui
