// The step pause as a run makes it: how long ui::pause takes for each of the three step
// lengths, against what was asked for. A pause may run over by a little; it must never be
// short. Built for both back ends, so that the Windows program's timer can be measured on a
// real Windows too: copy bench_pause.exe there and run it.

#include "bench_util.h"
#include "ui/system.h"

#include <cstdio>
#include <vector>

int main() {
    std::printf("  %-8s %6s %10s %10s %10s %10s\n", "pause", "count", "min ms", "median ms",
                "max ms", "short");
    for (const int milliseconds : {50, 100, 300}) {
        const int count = 3000 / milliseconds; // three seconds of pauses each
        std::vector<double> taken;
        int shortOnes = 0;
        for (int i = 0; i < count; ++i) {
            const bench::Clock::time_point start = bench::Clock::now();
            ui::pause(milliseconds);
            taken.push_back(bench::millisecondsSince(start));
            shortOnes += taken.back() < milliseconds;
        }
        std::vector<double> sorted = taken;
        std::sort(sorted.begin(), sorted.end());
        std::printf("  %-8d %6d %10.3f %10.3f %10.3f %10d\n", milliseconds, count, sorted.front(),
                    bench::median(taken), sorted.back(), shortOnes);
    }
    return 0;
}
