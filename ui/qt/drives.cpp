// The drives a user would pick from: the mounted file systems, less the system's own plumbing.
// Kept apart from the toolkit, whose `signals` keyword GLib's headers use as a name.

#include "folder_lists_private.h"

#include <gio/gunixmounts.h>

#include <algorithm>
#include <set>

namespace ui {

namespace {

std::optional<std::vector<std::string>>& drivesOverride() {
    static std::optional<std::vector<std::string>> drives;
    return drives;
}

bool under(const std::string& path, const std::string& folder) {
    return path == folder || path.rfind(folder + '/', 0) == 0;
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

bool isDrive(const std::string& mountPoint, const std::string& type) {
    // Read-only images (snaps, a live system's) and the host's view of containers' /proc, which
    // GLib's rules leave to the desktop's volume monitors.
    static const std::set<std::string> plumbingTypes = {"squashfs", "fuse.lxcfs"};
    if (mountPoint == "/")
        return true; // even where it is a container's overlay
    // The rules the desktop's file managers share, on the table's type and path alone; a mount
    // that binds part of a file system elsewhere stays a drive, unlike in GLib's own verdict.
    if (g_unix_is_system_fs_type(type.c_str()) ||
        g_unix_is_mount_path_system_internal(mountPoint.c_str()))
        return false;
    // Files bound into place by containers, a mount whose folder was removed, and the runtime
    // state under /run (portals, the container's own files), where only removable media is the
    // user's.
    return !under(mountPoint, "/etc") && !endsWith(mountPoint, " (deleted)") &&
           (!under(mountPoint, "/run") || under(mountPoint, "/run/media")) &&
           plumbingTypes.count(type) == 0;
}

// From the kernel's mount table, which GLib reads without asking any file system a thing: one
// that has stopped answering must not hold up the drive list.
std::vector<std::string> systemDrives() {
    if (drivesOverride())
        return *drivesOverride();
    std::vector<std::string> drives = {"/"}; // even where the table lacks it: no /proc, a chroot
    GList* mounts = g_unix_mounts_get(nullptr);
    for (GList* mount = mounts; mount; mount = mount->next) {
        auto* entry = static_cast<GUnixMountEntry*>(mount->data);
        const std::string point = g_unix_mount_get_mount_path(entry);
        if (isDrive(point, g_unix_mount_get_fs_type(entry)))
            drives.push_back(point);
    }
    g_list_free_full(mounts, reinterpret_cast<GDestroyNotify>(g_unix_mount_free));
    std::sort(drives.begin(), drives.end());
    drives.erase(std::unique(drives.begin(), drives.end()), drives.end());
    return drives;
}

void overrideDrives(std::optional<std::vector<std::string>> drives) {
    drivesOverride() = std::move(drives);
}

} // namespace ui
