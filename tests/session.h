#pragma once

// A test's view of a session with the main window: a pause that records instead of sleeping,
// and a user who reads and dismisses every report box.

#include "app/form1.h"
#include "ui/testing.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace test {

inline constexpr const char* kIdle = "没有任何任务，现在程序休息中";
inline constexpr const char* kMemoryText = "正在检测内存，请稍侯..........";
inline constexpr const char* kRegistryText = "正在检测注册表，请稍侯..........";
inline constexpr const char* kFolderText = "正在检测文件夹，请稍侯..........";
inline constexpr const char* kReport = "检测完毕，未发现任何木马";

// What the window showed when a pause began.
struct Pause {
    int milliseconds;
    int barValue;
    int barMaximum;
    std::string status;
    bool previousDelivered; // messages posted during the previous pause had been delivered
};

struct Report {
    std::string caption;
    std::vector<std::string> texts;
    std::vector<std::string> buttons;
    bool icon;
    std::string status; // the status line while the box was open
    int barValue;
    std::size_t pausesBefore;
};

class Session {
public:
    // `today` gives the date the main window's header names.
    explicit Session(std::function<ui::Date()> today = [] { return ui::Date{2026, 12, 7}; });
    ~Session();

    // Runs the action during pause number `index`, counted over all runs.
    void at(std::size_t index, std::function<void()> action) {
        actions_[index] = std::move(action);
    }
    // Called for every modal window that is not a report box; must close it.
    void onDialog(std::function<void(ui::testing::ModalWindow&)> handler) {
        dialog_ = std::move(handler);
    }
    // How a report box is dismissed.
    void dismissReportsWith(std::function<void(ui::testing::ModalWindow&)> how) {
        dismiss_ = std::move(how);
    }

    Form1 form;
    std::vector<Pause> pauses;
    std::vector<Report> reports;

private:
    void onPause(int milliseconds);
    void onModal(ui::testing::ModalWindow& modal);

    std::map<std::size_t, std::function<void()>> actions_;
    std::function<void(ui::testing::ModalWindow&)> dialog_;
    std::function<void(ui::testing::ModalWindow&)> dismiss_;
    bool delivered_ = true;
};

// Pauses with the given length, in order, as one string per run of equal ones: "301x50 1001x100".
std::string pauseRuns(const std::vector<Pause>& pauses);

} // namespace test
