#pragma once

#include "ui/controls.h"
#include "ui/window.h"

namespace checks {

inline constexpr const char* kAppTitle = "Marlinth";
inline constexpr const char* kIdleText = "没有任何任务，现在程序休息中";
inline constexpr const char* kReportText = "检测完毕，未发现任何木马";

// What a run drives: the main window's status line and progress bar, and the window that owns
// the report box.
struct RunTarget {
    ui::Window& window;
    ui::Label& status;
    ui::ScrollBar& bar;
};

// Steps the bar from 0 to 1000, pausing before each step and delivering pending messages
// after each pause, then reports and returns the status line to its idle text. Runs started
// from those messages nest inside this one and finish first.
void checkRun(const RunTarget& target, int pauseMs);

void memoryCheck(const RunTarget& target);
void registryCheck(const RunTarget& target);

} // namespace checks
