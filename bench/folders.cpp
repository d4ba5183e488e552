// Moving the folder list to a folder with 100,000 subfolders: the time DirList::setPath takes
// plus the delivery of pending messages that follows it, which lays out and paints the list.
// The list sits in a shown window the size of the folder chooser; between timed moves it goes
// back to an empty folder. The subfolders are made in a fresh temporary folder and removed
// afterwards.
//
//   bench_folders [COUNT]

#include "bench_util.h"
#include "ui/application.h"
#include "ui/folder_lists.h"
#include "ui/system.h"
#include "ui/window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

constexpr int kDefaultFolders = 100000;
constexpr int kTimedMoves = 5;

void settle() {
    const bench::Clock::time_point start = bench::Clock::now();
    while (bench::millisecondsSince(start) < 500) {
        ui::deliverPendingMessages();
        ui::pause(10);
    }
}

// A fresh folder under the system's temporary folder, or empty if none could be made.
fs::path makeScratch() {
    std::string pattern = (fs::temp_directory_path() / "marlinth-bench-XXXXXX").string();
    return mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
}

bool makeFolders(const fs::path& parent, int count) {
    if (mkdir(parent.c_str(), 0755) != 0)
        return false;
    char name[32];
    for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "folder%06d", i);
        if (mkdir((parent / name).c_str(), 0755) != 0)
            return false;
    }
    return true;
}

int measure(const fs::path& scratch, int count) {
    const fs::path many = scratch / "many";
    const fs::path empty = scratch / "empty";
    const bench::Clock::time_point making = bench::Clock::now();
    if (!makeFolders(many, count) || !makeFolders(empty, 0)) {
        std::fprintf(stderr, "bench_folders: cannot make the folders in %s\n", scratch.c_str());
        return 1;
    }
    const double makingMs = bench::millisecondsSince(making);

    ui::Window window(ui::WindowStyle::Dialog, "Folders", {3045, 2865});
    ui::DirList list(window, {0, 360, 3015, 1560});
    window.show();
    settle();

    std::vector<double> times;
    for (int i = 0; i < kTimedMoves; ++i) {
        list.setPath(empty.string());
        settle();
        const bench::Clock::time_point start = bench::Clock::now();
        const bool moved = list.setPath(many.string()) == ui::Listing::Shown;
        ui::deliverPendingMessages();
        const double ms = bench::millisecondsSince(start);
        if (!moved || list.path() != many.string()) {
            std::fprintf(stderr, "bench_folders: the list did not move to the folder\n");
            return 1;
        }
        times.push_back(ms);
    }
    const auto [fastest, slowest] = std::minmax_element(times.begin(), times.end());
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    std::printf("  %-10s %8d %10.1f %10.1f %10.1f %10.0f\n", platform ? platform : "default", count,
                bench::median(times), *fastest, *slowest, makingMs);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultFolders;
    ui::Application app(argc, argv);
    const fs::path scratch = makeScratch();
    if (scratch.empty()) {
        std::fprintf(stderr, "bench_folders: cannot make a temporary folder\n");
        return 1;
    }
    const int status = measure(scratch, count);
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
    return status;
}
