// The memory and registry checks: timing of the steps, the report and nesting.

#include "session.h"

#include "ui/application.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace test;
using ui::testing::Key;
using ui::testing::ModalWindow;

namespace {

struct Command {
    const char* name;
    ui::Button Form1::*button;
    const char* runningText;
    int pauseMs;
};

void PrintTo(const Command& value, std::ostream* out) {
    *out << value.name;
}

const Command kMemory{"memory", &Form1::Command1, kMemoryText, 50};
const Command kRegistry{"registry", &Form1::Command2, kRegistryText, 100};

class CheckRun : public testing::TestWithParam<Command> {
protected:
    void press(const Command& command) { ui::testing::click(session.form.*command.button); }
    Session session;
};

TEST_P(CheckRun, StepsPauseThenDeliverThenMoveTheBar) {
    session.form.HS.setValue(500);
    press(GetParam());

    ASSERT_EQ(session.pauses.size(), 1001u);
    // Before the first step the maximum is 1000 and the bar has not moved yet.
    EXPECT_EQ(session.pauses[0].barMaximum, 1000);
    EXPECT_EQ(session.pauses[0].barValue, 500);
    for (std::size_t i = 1; i < session.pauses.size(); ++i) {
        const Pause& pause = session.pauses[i];
        SCOPED_TRACE(i);
        ASSERT_EQ(pause.milliseconds, GetParam().pauseMs);
        ASSERT_TRUE(pause.previousDelivered);
        ASSERT_EQ(pause.barValue, int(i) - 1);
        ASSERT_EQ(pause.status, GetParam().runningText);
    }
    EXPECT_EQ(session.form.HS.value(), 1000);
    EXPECT_EQ(session.form.HS.maximum(), 1000);
}

TEST_P(CheckRun, ReportsWhileTheRunningTextStaysThenTurnsIdle) {
    press(GetParam());

    ASSERT_EQ(session.reports.size(), 1u);
    const Report& report = session.reports[0];
    EXPECT_EQ(report.caption, "Marlinth");
    EXPECT_THAT(report.texts, testing::ElementsAre(kReport));
    EXPECT_THAT(report.buttons, testing::ElementsAre(ui::testing::messageBoxOkCaption()));
    EXPECT_FALSE(report.icon);
    EXPECT_EQ(report.pausesBefore, 1001u);
    EXPECT_EQ(report.status, GetParam().runningText);
    EXPECT_EQ(report.barValue, 1000);
    EXPECT_EQ(session.form.Label3.text(), kIdle);
    EXPECT_EQ(session.form.HS.value(), 1000);
}

TEST_P(CheckRun, NextRunStartsFromZeroAfterItsFirstPause) {
    press(GetParam());
    press(GetParam());

    ASSERT_EQ(session.pauses.size(), 2002u);
    EXPECT_EQ(session.pauses[1001].barValue, 1000);
    EXPECT_EQ(session.pauses[1002].barValue, 0);
    EXPECT_EQ(session.reports.size(), 2u);
}

TEST_P(CheckRun, SameCommandDuringARunNestsAWholeRun) {
    session.at(200, [&] { ui::testing::post([&] { press(GetParam()); }); });
    press(GetParam());

    // Each run keeps its own count of steps.
    EXPECT_EQ(session.pauses.size(), 2002u);
    ASSERT_EQ(session.reports.size(), 2u);
    EXPECT_EQ(session.reports[0].pausesBefore, 201u + 1001u);
    EXPECT_EQ(session.reports[1].pausesBefore, 2002u);
    // The interrupted run moves the bar back to its own step at once, under the idle text.
    EXPECT_EQ(session.pauses[1202].barValue, 200);
    EXPECT_EQ(session.pauses[1202].status, kIdle);
    EXPECT_EQ(session.form.Label3.text(), kIdle);
}

INSTANTIATE_TEST_SUITE_P(Commands, CheckRun, testing::Values(kMemory, kRegistry),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CheckRunNesting, RegistryDuringMemoryRunsWholeThenMemoryGoesOn) {
    Session session;
    session.at(300, [&] { ui::testing::post([&] { ui::testing::click(session.form.Command2); }); });
    ui::testing::click(session.form.Command1);

    EXPECT_EQ(pauseRuns(session.pauses), "301x50 1001x100 700x50");
    EXPECT_EQ(session.pauses[301].status, kRegistryText);
    ASSERT_EQ(session.reports.size(), 2u);
    EXPECT_EQ(session.reports[0].status, kRegistryText);
    EXPECT_EQ(session.reports[1].status, kIdle);
    EXPECT_EQ(session.pauses[1302].barValue, 300);
    EXPECT_EQ(session.form.Label3.text(), kIdle);
}

// Enter and Esc both dismiss a box with a single button, as does clicking it.
TEST(ReportBox, DismissedByEnterEscOrClick) {
    const std::string ok = ui::testing::messageBoxOkCaption();
    for (const auto& dismiss : std::vector<std::function<void(ModalWindow&)>>{
             [](ModalWindow& box) { box.pressKey(Key::Enter); },
             [](ModalWindow& box) { box.pressKey(Key::Escape); },
             [&ok](ModalWindow& box) { box.clickButton(ok); }}) {
        Session session;
        session.dismissReportsWith(dismiss);
        ui::testing::click(session.form.Command1);
        EXPECT_EQ(session.reports.size(), 1u);
        EXPECT_EQ(session.form.Label3.text(), kIdle);
    }
}

TEST(ReportBox, MainWindowTakesNoInputWhileItIsOpen) {
    const std::string ok = ui::testing::messageBoxOkCaption();
    Session session;
    session.dismissReportsWith([&](ModalWindow& box) {
        ui::testing::click(session.form.Command2);
        ui::testing::pressKey(session.form.window, Key::Enter);
        ui::testing::clickCloseBox(session.form.window);
        box.clickButton(ok);
    });
    ui::testing::click(session.form.Command1);

    EXPECT_EQ(session.pauses.size(), 1001u);
    EXPECT_EQ(session.reports.size(), 1u);
}

TEST(CheckRunEnd, ClosingTheWindowDuringARunEndsTheProgramWithoutAReport) {
    EXPECT_EXIT(
        {
            Session session;
            session.dismissReportsWith([](ModalWindow&) { fprintf(stderr, "report shown\n"); });
            ui::setPauseHandler([&](int) {
                static int step = 0;
                fprintf(stderr, "step %d\n", step);
                if (step++ == 10)
                    ui::testing::post([&] { ui::testing::clickCloseBox(session.form.window); });
            });
            ui::testing::click(session.form.Command1);
            fprintf(stderr, "run returned\n");
            std::_Exit(3);
        },
        testing::ExitedWithCode(0),
        testing::AllOf(testing::HasSubstr("step 10\n"), testing::Not(testing::HasSubstr("step 11")),
                       testing::Not(testing::HasSubstr("report")),
                       testing::Not(testing::HasSubstr("returned"))));
}

// The tests run as the program does, inside runWithLargeStack: asked again, as on a thread that
// is already a fiber (code a host injects can leave it so), it still runs its body.
TEST(CheckRunNesting, TheLargeStackIsHadOnAThreadThatHasOneAlready) {
    EXPECT_EQ(ui::runWithLargeStack([] { return 7; }), 7);
}

// Every nested run holds its frames on the stack until it ends; a user who keeps pressing a
// button during runs must not crash the program. Where each step is slow (under an emulator),
// MARLINTH_NESTING_DEPTH sets a shallower depth, and the stack each level takes tells how deep
// the program could go.
TEST(CheckRunNesting, TenThousandNestedRunsAllReport) {
    const char* setting = std::getenv("MARLINTH_NESTING_DEPTH");
    const int depth = setting ? std::atoi(setting) : 10000;
    ASSERT_GT(depth, 1);
    Session session;
    int started = 1;
    int steps = 0;
    std::uintptr_t top = 0;
    std::uintptr_t deepest = UINTPTR_MAX;
    ui::setPauseHandler([&](int) {
        ++steps;
        const char local = 0;
        const auto here = reinterpret_cast<std::uintptr_t>(&local);
        if (started == 1)
            top = here;
        deepest = std::min(deepest, here);
        // During the first step of each run the user presses the button again.
        if (started < depth) {
            ++started;
            ui::testing::post([&] { ui::testing::click(session.form.Command1); });
        }
    });
    ui::testing::click(session.form.Command1);

    EXPECT_EQ(started, depth);
    EXPECT_EQ(steps, depth * 1001);
    EXPECT_EQ(session.reports.size(), std::size_t(depth));
    std::printf("%d nested runs, %zu bytes of stack each\n", depth,
                std::size_t(top - deepest) / std::size_t(depth - 1));
}

} // namespace
