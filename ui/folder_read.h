#pragma once

// How the directory lists of both back ends ask for a folder's subfolders.

#include "folder_lists.h"
#include "worker_call.h"

#include <optional>
#include <vector>

namespace ui {

// Reads a folder on a worker for a list that counts the folders asked of it, `asked`: messages
// are delivered meanwhile, and a folder asked for later wins. The names are set only when the
// result is Shown.
template <typename Name>
Listing readFolder(int& asked, std::function<std::optional<std::vector<Name>>()> read,
                   std::vector<Name>& names) {
    const int request = ++asked;
    auto answer = callOnWorker(std::move(read), [&asked, request] { return asked != request; });
    if (asked != request)
        return Listing::Superseded;
    if (!answer)
        return Listing::NoAnswer;
    if (!*answer)
        return Listing::Unreadable;
    names = std::move(**answer);
    return Listing::Shown;
}

// What the user is told of when a double-click finds no folder to show.
inline bool isUnavailable(Listing listing) {
    return listing == Listing::Unreadable || listing == Listing::NoAnswer;
}

} // namespace ui
