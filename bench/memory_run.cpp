// A real memory run: clicked on the main window as a user would, its report box dismissed with
// Enter. The run pauses 1001 times for 50 ms, so its wall time is compared with 50.05 s; its CPU
// time is the whole process's user and system time over the run, as a share of the wall time.

#include "app/form1.h"
#include "bench_util.h"
#include "ui/application.h"
#include "ui/system.h"
#include "ui/testing.h"

#include <cstdio>
#include <cstdlib>

#include <sys/resource.h>

namespace {

// What a memory run waits for: one pause before each of the bar's 1001 steps.
constexpr double kPausedMs = 1001 * 50.0;

double cpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Lets the window be mapped and painted before the run starts.
void settle() {
    const bench::Clock::time_point start = bench::Clock::now();
    while (bench::millisecondsSince(start) < 500) {
        ui::deliverPendingMessages();
        ui::pause(10);
    }
}

} // namespace

int main(int argc, char** argv) {
    return ui::runWithLargeStack([&] {
        ui::Application app(argc, argv);
        Form1 form;
        form.Form_Load();
        form.show();
        settle();

        int reports = 0;
        ui::testing::onModalWindow([&](ui::testing::ModalWindow& box) {
            ++reports;
            box.pressKey(ui::testing::Key::Enter);
        });
        const double cpuBefore = cpuMs();
        const bench::Clock::time_point start = bench::Clock::now();
        ui::testing::click(form.Command1);
        const double wallMs = bench::millisecondsSince(start);
        const double cpuUsedMs = cpuMs() - cpuBefore;
        ui::testing::onModalWindow({});

        if (reports != 1) {
            std::fprintf(stderr, "bench_memory_run: the run ended without its report box\n");
            return 1;
        }
        const char* platform = std::getenv("QT_QPA_PLATFORM");
        std::printf("  %-10s %10.2f %12.4f %10.1f %8.2f\n", platform ? platform : "default",
                    wallMs / 1e3, wallMs / kPausedMs, cpuUsedMs, 100 * cpuUsedMs / wallMs);
        return 0;
    });
}
