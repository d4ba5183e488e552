// Opening the folder chooser: making it (which lists the drives and reads the current folder),
// showing it, and the delivery of pending messages that lays it out and paints it. bench/run.sh
// runs it beside 50 mounts, with all of them answering and then with one that has stopped.
//
//   bench_chooser LABEL [OPENINGS]

#include "bench_util.h"
#include "folder/form2.h"
#include "ui/application.h"
#include "ui/controls.h"
#include "ui/system.h"
#include "ui/testing.h"
#include "ui/window.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_chooser LABEL [OPENINGS]\n");
        return 2;
    }
    const int openings = argc > 2 ? std::atoi(argv[2]) : 20;
    ui::Application app(argc, argv);
    ui::Window main(ui::WindowStyle::Main, "Marlinth", {5010, 4980});
    ui::Label status(main, {0, 0, 4000, 300}, "");
    main.show();

    std::vector<double> times;
    std::size_t drives = 0;
    for (int i = 0; i < openings; ++i) {
        const bench::Clock::time_point start = bench::Clock::now();
        folder::Form2 chooser(status);
        chooser.window.show();
        ui::deliverPendingMessages();
        times.push_back(bench::millisecondsSince(start));
        drives = ui::testing::drives(chooser.Drive1).size();
        chooser.window.close();
        ui::deliverPendingMessages();
    }
    const auto [fastest, slowest] = std::minmax_element(times.begin(), times.end());
    std::printf("  %-22s %6zu %10.1f %10.1f %10.1f\n", argv[1], drives, bench::median(times),
                *fastest, *slowest);
    return 0;
}
