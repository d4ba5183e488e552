#include "check_run.h"

#include "ui/message_box.h"
#include "ui/system.h"

#include <cstdint>

namespace checks {

namespace {
constexpr std::int16_t kLastStep = 1000;

constexpr int kMemoryPauseMs = 50;
constexpr int kRegistryPauseMs = 100;
constexpr const char* kMemoryRunningText = "正在检测内存，请稍侯..........";
constexpr const char* kRegistryRunningText = "正在检测注册表，请稍侯..........";
} // namespace

void checkRun(const RunTarget& target, int pauseMs) {
    target.bar.setMaximum(kLastStep);
    // The counter is this run's own: a run nested in the delivery below cannot change it.
    for (std::int16_t step = 0; step <= kLastStep; ++step) {
        ui::pause(pauseMs);
        ui::deliverPendingMessages();
        target.bar.setValue(step);
    }
    ui::showMessage(target.window, kAppTitle, kReportText);
    target.status.setText(kIdleText);
}

void memoryCheck(const RunTarget& target) {
    target.status.setText(kMemoryRunningText);
    checkRun(target, kMemoryPauseMs);
}

void registryCheck(const RunTarget& target) {
    target.status.setText(kRegistryRunningText);
    checkRun(target, kRegistryPauseMs);
}

} // namespace checks
