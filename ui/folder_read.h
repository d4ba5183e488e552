#pragma once

// How the directory lists of both back ends ask for a folder's subfolders.

#include "folder_lists.h"
#include "worker_call.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace ui {

// Drives whose read outlived its deadline and whose worker is still stuck, with how many such
// workers: asked again, such a drive is not available at once, rather than strand one more
// thread and keep the user waiting once more. A worker that returns takes its drive off.
template <typename Name> struct StuckDrives {
    std::mutex mutex;
    std::map<Name, int> workers;

    static StuckDrives& instance() {
        static auto* drives = new StuckDrives; // workers may outlive static destruction
        return *drives;
    }
};

// Reads a folder of the drive `root` on a worker for a list that counts the folders asked of
// it, `asked`: messages are delivered meanwhile, and a folder asked for later wins. The names
// are set only when the result is Shown.
template <typename Name>
Listing readFolder(int& asked, const Name& root,
                   std::function<std::optional<std::vector<Name>>()> read,
                   std::vector<Name>& names) {
    const int request = ++asked;
    StuckDrives<Name>& stuck = StuckDrives<Name>::instance();
    {
        std::lock_guard lock(stuck.mutex);
        if (stuck.workers.count(root))
            return Listing::NoAnswer;
    }
    struct Attempt {
        bool returned = false;
        bool givenUp = false;
    };
    auto attempt = std::make_shared<Attempt>();
    auto call = callOnWorker(
        std::function([read = std::move(read), attempt, root, &stuck] {
            auto result = read();
            std::lock_guard lock(stuck.mutex);
            attempt->returned = true;
            if (attempt->givenUp && --stuck.workers[root] == 0)
                stuck.workers.erase(root);
            return result;
        }),
        [&asked, request] { return asked != request; });
    if (asked != request)
        return Listing::Superseded;
    if (call.late) {
        // Not stuck if it returned as the wait ended, its answer not yet handed over.
        std::lock_guard lock(stuck.mutex);
        if (!attempt->returned) {
            attempt->givenUp = true;
            ++stuck.workers[root];
        }
    }
    if (!call.answer)
        return Listing::NoAnswer;
    if (!*call.answer)
        return Listing::Unreadable;
    names = std::move(**call.answer);
    return Listing::Shown;
}

// What the user is told of when a double-click finds no folder to show.
inline bool isUnavailable(Listing listing) {
    return listing == Listing::Unreadable || listing == Listing::NoAnswer;
}

} // namespace ui
