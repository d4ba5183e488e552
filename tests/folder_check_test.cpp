// The folder command and its chooser: confirming, cancelling, the drive and directory lists.

#include "session.h"

#include "folder/form2.h"
#include "ui/system.h"
#include "ui/worker_call.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iostream>
#include <utility>

#ifndef _WIN32
#include "ui/qt/folder_lists_private.h"
#endif

using namespace test;
using ui::testing::Key;
using ui::testing::ModalWindow;
namespace fs = std::filesystem;

namespace {

const std::string kUnavailable = "该驱动器或文件夹不可用。";

// Paths as the program shows them: UTF-8, in the system's own form.
std::string text(const fs::path& path) {
    return path.u8string();
}

std::string join(const std::string& folder, const std::string& name) {
    return text(fs::u8path(folder) / fs::u8path(name));
}

// A scratch folder that is also the program's current folder while the test runs.
class ScratchFolder {
public:
    ScratchFolder()
        : previous_(fs::current_path()) {
        path_ =
            fs::temp_directory_path() /
            ("marlinth-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path_);
        fs::create_directories(path_);
        path_ = fs::canonical(path_);
        fs::current_path(path_);
    }
    ~ScratchFolder() {
        fs::current_path(previous_);
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string make(const std::string& relative) const {
        fs::create_directories(path_ / fs::u8path(relative));
        return join(path(), relative);
    }
    std::string path() const { return text(path_); }
    std::string root() const { return text(path_.root_path()); }

private:
    fs::path previous_;
    fs::path path_;
};

// Drive lists made while it lives offer these drives rather than the system's.
class DrivesOffered {
public:
    explicit DrivesOffered(std::vector<std::string> drives) {
        ui::testing::setDrives(std::move(drives));
    }
    ~DrivesOffered() { ui::testing::setDrives(std::nullopt); }
};

std::vector<std::string> names(const ui::DirList& list) {
    std::vector<std::string> result;
    for (const ui::testing::FolderRow& row : ui::testing::rows(list))
        result.push_back(row.name);
    return result;
}

int rowOf(const ui::DirList& list, const std::string& name) {
    const std::vector<std::string> all = names(list);
    const auto found = std::find(all.begin(), all.end(), name);
    return found == all.end() ? -1 : int(found - all.begin());
}

// A message box over the chooser: notes its text and dismisses it with the system's OK, in the
// system's language. False for the chooser itself.
bool noteMessage(ModalWindow& dialog, std::vector<std::string>& messages) {
    if (dialog.caption() == "目录选择")
        return false;
    messages.push_back(dialog.texts().at(0));
    dialog.clickButton(dialog.buttons().at(0));
    return true;
}

struct Ending {
    const char* name;
    void (*close)(ModalWindow&);
};

void PrintTo(const Ending& value, std::ostream* out) {
    *out << value.name;
}

class FolderCommand : public testing::TestWithParam<Ending> {};

TEST_P(FolderCommand, CancellingFromIdleChangesNothing) {
    Session session;
    session.form.HS.setValue(123);
    int dialogs = 0;
    session.onDialog([&](ModalWindow& dialog) {
        ++dialogs;
        EXPECT_EQ(dialog.caption(), "目录选择");
        GetParam().close(dialog);
    });
    ui::testing::click(session.form.Command3);

    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(session.pauses.empty());
    EXPECT_TRUE(session.reports.empty());
    EXPECT_EQ(session.form.Label3.text(), kIdle);
    EXPECT_EQ(session.form.HS.value(), 123);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, FolderCommand,
    testing::Values(Ending{"cancel", [](ModalWindow& d) { d.clickButton("取消"); }},
                    Ending{"close_box", [](ModalWindow& d) { d.clickCloseBox(); }}),
    [](const auto& info) { return std::string(info.param.name); });

// With another program open, however the chooser closes (and after any report box), the main
// window is the active one again, with the focus on the button that opened the chooser.
class ClosingTheChooser : public testing::TestWithParam<Ending> {};

TEST_P(ClosingTheChooser, GivesTheMainWindowBackTheActivationAndFocus) {
    ui::testing::OtherProgramWindow other;
    if (!other.shown())
        GTEST_SKIP() << "this back end cannot show another program's window";
    Session session;
    session.onDialog([&](ModalWindow& dialog) { GetParam().close(dialog); });
    ui::testing::click(session.form.Command3);

    EXPECT_TRUE(ui::testing::isActive(session.form.window));
    EXPECT_EQ(ui::testing::focusedControl(session.form.window), &session.form.Command3);
}

// Alt+F4 comes last: it is the window manager's, where there is one.
const Ending kEveryEnding[] = {
    {"ok", [](ModalWindow& d) { d.clickButton("确定"); }},
    {"cancel", [](ModalWindow& d) { d.clickButton("取消"); }},
    {"close_box", [](ModalWindow& d) { d.clickCloseBox(); }},
    {"alt_f4", [](ModalWindow& d) { d.pressKey(Key::F4, true); }},
};

INSTANTIATE_TEST_SUITE_P(Endings, ClosingTheChooser, testing::ValuesIn(kEveryEnding),
                         [](const auto& info) { return std::string(info.param.name); });

// Closed while a drive is read, whichever way, the chooser wants no answer: the folder command
// goes on at once, after OK with its check, and nothing tells of the drive.
class ClosingDuringARead : public testing::TestWithParam<Ending> {};

TEST_P(ClosingDuringARead, EndsTheWaitAtOnce) {
    using Clock = std::chrono::steady_clock;
    ScratchFolder scratch;
    const std::string other = scratch.make("other-drive");
    DrivesOffered drives({scratch.root(), other});
    std::promise<void> answer;
    Session session;
    Clock::time_point closed;
    session.onDialog([&](ModalWindow& dialog) {
        if (dialog.caption() != "目录选择") {
            ADD_FAILURE() << "a message over a closed chooser";
            dialog.clickButton(dialog.buttons().at(0));
            return;
        }
        ui::testing::holdFolderReads([answered = answer.get_future().share()] { answered.wait(); },
                                     std::chrono::seconds(2));
        ui::testing::post([&] {
            closed = Clock::now();
            GetParam().close(dialog);
        });
        ui::testing::chooseDrive(*dialog.find<ui::DriveList>(), other);
    });
    std::optional<Clock::time_point> wentOn; // after OK, when the check's first step began
    session.at(0, [&] { wentOn = Clock::now(); });
    ui::testing::click(session.form.Command3);
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                            wentOn.value_or(Clock::now()) - closed)
                            .count();
    answer.set_value();
    ui::testing::holdFolderReads({});

    EXPECT_LT(waited, 1000) << "milliseconds from closing to the folder command going on";
    EXPECT_EQ(session.reports.size(), std::string(GetParam().name) == "ok" ? 1u : 0u);
}

#ifdef _WIN32
const Ending* const kEndingsHere = std::end(kEveryEnding);
#else
const Ending* const kEndingsHere = std::end(kEveryEnding) - 1; // no window manager offscreen
#endif
INSTANTIATE_TEST_SUITE_P(Endings, ClosingDuringARead,
                         testing::ValuesIn(std::begin(kEveryEnding), kEndingsHere),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FolderCommand, OkRunsOneSlowCheckThenReportsAndTurnsIdle) {
    Session session;
    std::string statusAfterOk;
    session.onDialog([&](ModalWindow& dialog) { dialog.clickButton("确定"); });
    session.at(0, [&] { statusAfterOk = session.form.Label3.text(); });
    ui::testing::click(session.form.Command3);

    EXPECT_EQ(statusAfterOk, kFolderText);
    EXPECT_EQ(pauseRuns(session.pauses), "1001x300");
    ASSERT_EQ(session.reports.size(), 1u);
    EXPECT_EQ(session.reports[0].status, kFolderText);
    EXPECT_EQ(session.form.Label3.text(), kIdle);
}

TEST(FolderCommand, CancelDuringAMemoryRunStillRunsAFolderCheckInsideIt) {
    Session session;
    session.onDialog([&](ModalWindow& dialog) { dialog.clickButton("取消"); });
    session.at(400, [&] { ui::testing::post([&] { ui::testing::click(session.form.Command3); }); });
    ui::testing::click(session.form.Command1);

    EXPECT_EQ(pauseRuns(session.pauses), "401x50 1001x300 600x50");
    EXPECT_EQ(session.pauses[401].status, kMemoryText);
    ASSERT_EQ(session.reports.size(), 2u);
    EXPECT_EQ(session.pauses[1402].barValue, 400);
}

TEST(Chooser, EscAndEnterInTheListsNeitherCloseNorConfirm) {
    ScratchFolder scratch;
    scratch.make("sub");
    Session session;
    bool checked = false;
    session.onDialog([&](ModalWindow& dialog) {
        auto& window = *dialog.find<ui::Window>();
        auto& dirs = *dialog.find<ui::DirList>();
        EXPECT_EQ(ui::testing::focusedControl(window), dialog.find<ui::DriveList>());
        for (int field = 0; field < 2; ++field) {
            dialog.pressKey(Key::Escape);
            dialog.pressKey(Key::Enter);
            EXPECT_TRUE(ui::testing::isShown(window));
            dialog.pressKey(Key::Tab);
        }
        EXPECT_EQ(dirs.path(), scratch.path()); // Enter did not open a folder either
        EXPECT_EQ(session.form.Label3.text(), kIdle);
        // Tab has reached OK; Enter presses it.
        EXPECT_EQ(ui::testing::focusedControl(window), dialog.find<ui::Button>());
        checked = true;
        dialog.pressKey(Key::Enter);
    });
    session.dismissReportsWith([](ModalWindow& box) { box.pressKey(Key::Enter); });
    session.at(0, [&] { EXPECT_EQ(session.form.Label3.text(), kFolderText); });
    ui::testing::click(session.form.Command3);

    EXPECT_TRUE(checked);
    EXPECT_EQ(session.reports.size(), 1u);
}

// Dropped down, the drive list takes Esc and Enter itself: Esc closes it as it was, Enter takes
// the highlighted drive; the dialog stays open.
TEST(Chooser, EscAndEnterReachTheDroppedDownDriveList) {
    ScratchFolder scratch;
    const std::string other = scratch.make("other-drive");
    DrivesOffered drives({scratch.root(), other});
    Session session;
    folder::Form2 chooser(session.form.Label3);
    session.onDialog([&](ModalWindow& dialog) {
        dialog.pressKey(Key::F4);
        EXPECT_TRUE(ui::testing::isDroppedDown(chooser.Drive1));
        dialog.pressKey(Key::Down);
        dialog.pressKey(Key::Escape);
        EXPECT_FALSE(ui::testing::isDroppedDown(chooser.Drive1));
        EXPECT_EQ(chooser.Drive1.drive(), scratch.root());
        EXPECT_EQ(chooser.Dir1.path(), scratch.path());

        dialog.pressKey(Key::F4);
        dialog.pressKey(Key::Down);
        dialog.pressKey(Key::Enter);
        EXPECT_FALSE(ui::testing::isDroppedDown(chooser.Drive1));
        EXPECT_EQ(chooser.Drive1.drive(), other);
        EXPECT_EQ(chooser.Dir1.path(), other);
        EXPECT_TRUE(ui::testing::isShown(chooser.window));
        dialog.clickButton("取消");
    });
    chooser.showModal();
    EXPECT_EQ(session.form.Label3.text(), kIdle);
}

TEST(Chooser, DoubleClickMovesDownAndUpAndSingleClickOnlySelects) {
    ScratchFolder scratch;
    scratch.make("Beta/inner");
    scratch.make("alpha");
    scratch.make("gamma");
    std::ofstream(fs::u8path(join(scratch.path(), "file.txt"))) << "not a folder";
    Session session;
    folder::Form2 chooser(session.form.Label3);
    session.onDialog([&](ModalWindow& dialog) {
        const fs::path below = fs::u8path(scratch.path()).relative_path(); // below the root
        const int depth = int(std::distance(below.begin(), below.end()));
        std::vector<ui::testing::FolderRow> rows = ui::testing::rows(chooser.Dir1);
        ASSERT_EQ(rows.size(), std::size_t(depth + 1 + 3));
        EXPECT_EQ(rows[0].name, scratch.root());
        EXPECT_EQ(rows[depth].depth, depth);
        EXPECT_TRUE(rows[depth].open);
        EXPECT_EQ(ui::testing::selectedRow(chooser.Dir1), depth);
        const std::vector<std::string> listed = names(chooser.Dir1);
        EXPECT_THAT(std::vector<std::string>(listed.end() - 3, listed.end()),
                    testing::ElementsAre("alpha", "Beta", "gamma"));
        EXPECT_FALSE(rows.back().open);
        EXPECT_EQ(rows.back().depth, depth + 1);

        ui::testing::clickRow(chooser.Dir1, rowOf(chooser.Dir1, "Beta"));
        EXPECT_EQ(chooser.Dir1.path(), scratch.path());
        EXPECT_EQ(ui::testing::selectedRow(chooser.Dir1), rowOf(chooser.Dir1, "Beta"));

        ui::testing::doubleClickRow(chooser.Dir1, rowOf(chooser.Dir1, "Beta"));
        EXPECT_EQ(chooser.Dir1.path(), join(scratch.path(), "Beta"));
        EXPECT_EQ(names(chooser.Dir1).back(), "inner");

        ui::testing::doubleClickRow(chooser.Dir1, depth); // the scratch folder, now an ancestor
        EXPECT_EQ(chooser.Dir1.path(), scratch.path());
        dialog.clickButton("取消");
    });
    chooser.showModal();
    EXPECT_EQ(session.form.Label3.text(), kIdle);
}

TEST(Chooser, EachOpeningStartsAgainAtTheCurrentFolder) {
    ScratchFolder scratch;
    scratch.make("deeper");
    Session session;
    std::vector<std::string> startedAt;
    session.onDialog([&](ModalWindow& dialog) {
        auto& dirs = *dialog.find<ui::DirList>();
        startedAt.push_back(dirs.path());
        ui::testing::doubleClickRow(dirs, rowOf(dirs, "deeper"));
        EXPECT_EQ(dirs.path(), join(scratch.path(), "deeper"));
        dialog.clickButton("取消");
    });
    ui::testing::click(session.form.Command3);
    ui::testing::click(session.form.Command3);

    EXPECT_THAT(startedAt, testing::ElementsAre(scratch.path(), scratch.path()));
}

TEST(Chooser, ChoosingADriveMovesTheDirectoryList) {
    ScratchFolder scratch;
    const std::string other = scratch.make("other-drive");
    scratch.make("other-drive/data");
    DrivesOffered drives({scratch.root(), other});
    Session session;
    folder::Form2 chooser(session.form.Label3);
    session.onDialog([&](ModalWindow& dialog) {
        EXPECT_EQ(chooser.Drive1.drive(), scratch.root());
        ui::testing::chooseDrive(chooser.Drive1, other);
        EXPECT_EQ(chooser.Dir1.path(), other);
        EXPECT_EQ(names(chooser.Dir1).back(), "data");
        EXPECT_EQ(chooser.Drive1.drive(), other);
        dialog.clickButton("取消");
    });
    chooser.showModal();
}

// A drive shows its current folder: the program's own on the program's drive, whose list stays
// where the user took it while that drive is taken again.
TEST(Chooser, ChoosingADriveShowsThatDrivesCurrentFolder) {
    ScratchFolder scratch;
    const std::string other = scratch.make("other-drive");
    const std::string deeper = scratch.make("deeper");
    DrivesOffered drives({scratch.root(), other});
    Session session;
    folder::Form2 chooser(session.form.Label3);
    session.onDialog([&](ModalWindow& dialog) {
        ui::testing::doubleClickRow(chooser.Dir1, rowOf(chooser.Dir1, "deeper"));
        chooser.Drive1.setFocus();
        dialog.pressKey(Key::F4);
        dialog.pressKey(Key::Enter); // the same drive again
        EXPECT_EQ(chooser.Dir1.path(), deeper);

        ui::testing::chooseDrive(chooser.Drive1, other);
        EXPECT_EQ(chooser.Dir1.path(), other);
        ui::testing::chooseDrive(chooser.Drive1, scratch.root());
        EXPECT_EQ(chooser.Dir1.path(), scratch.path());
        dialog.clickButton("取消");
    });
    chooser.showModal();
}

// A screen reader hears the lists' names, and each folder's depth and whether it is open,
// which the list shows only by indent and icon.
TEST(Chooser, ScreenReadersHearTheListsAndEachFoldersDepth) {
    ScratchFolder scratch;
    scratch.make("inner");
    Session session;
    folder::Form2 chooser(session.form.Label3);
    session.onDialog([&](ModalWindow& dialog) {
        const ui::testing::AccessibleInfo drives = ui::testing::accessibleInfo(chooser.Drive1);
        EXPECT_EQ(drives.role, ui::testing::AccessibleRole::DropDownList);
        EXPECT_EQ(drives.name, "驱动器");
        const ui::testing::AccessibleInfo folders = ui::testing::accessibleInfo(chooser.Dir1);
        EXPECT_EQ(folders.role, ui::testing::AccessibleRole::List);
        EXPECT_EQ(folders.name, "文件夹");
        // The root, open; the scratch folder, open, some levels down; its subfolder, closed.
        const int last = int(ui::testing::rows(chooser.Dir1).size()) - 1;
        EXPECT_EQ(ui::testing::accessibleDescription(chooser.Dir1, 0), "第 1 层，已打开");
        EXPECT_EQ(ui::testing::accessibleDescription(chooser.Dir1, last - 1),
                  "第 " + std::to_string(last) + " 层，已打开");
        EXPECT_EQ(ui::testing::accessibleDescription(chooser.Dir1, last),
                  "第 " + std::to_string(last + 1) + " 层");
        EXPECT_EQ(ui::testing::accessibleDescription(chooser.Dir1, last + 1), std::nullopt);
        dialog.clickButton("取消");
    });
    chooser.showModal();
}

// Something that cannot be read keeps the dialog open, where it was, and says so.
TEST(Chooser, UnavailableDriveOrFolderKeepsTheDialogWhereItWas) {
    ScratchFolder scratch;
    const std::string vanishing = scratch.make("vanishing");
    const std::string missing = join(scratch.root(), "no-such-drive");
    DrivesOffered drives({scratch.root(), missing});
    Session session;
    folder::Form2 chooser(session.form.Label3);
    std::vector<std::string> messages;
    session.onDialog([&](ModalWindow& dialog) {
        if (dialog.caption() != "目录选择") {
            EXPECT_EQ(dialog.caption(), "Marlinth");
            messages.push_back(dialog.texts().at(0));
            dialog.clickButton(dialog.buttons().at(0)); // the system's OK, in its language
            return;
        }
        ui::testing::chooseDrive(chooser.Drive1, missing);
        EXPECT_EQ(chooser.Drive1.drive(), scratch.root());
        EXPECT_EQ(chooser.Dir1.path(), scratch.path());

        fs::remove(fs::u8path(vanishing));
        ui::testing::doubleClickRow(chooser.Dir1, rowOf(chooser.Dir1, "vanishing"));
        EXPECT_EQ(chooser.Dir1.path(), scratch.path());
        EXPECT_TRUE(ui::testing::isShown(chooser.window));
        dialog.clickButton("取消");
    });
    chooser.showModal();

    EXPECT_THAT(messages, testing::ElementsAre(kUnavailable, kUnavailable));
    EXPECT_EQ(session.form.Label3.text(), kIdle);
}

// A drive or folder whose file system has stopped answering, as a network mount whose server has
// gone, counts as not available once the lists stop waiting for it; the dialog takes input all
// the while, so it can be closed during the wait, and then tells nothing.
TEST(Chooser, AFileSystemThatStopsAnsweringCountsAsUnavailable) {
    ScratchFolder scratch;
    scratch.make("sub");
#ifdef _WIN32
    const std::string other = "Q:\\"; // a root of its own, as a drive that stops answering has
#else
    const std::string other = scratch.make("other-drive");
#endif
    DrivesOffered drives({scratch.root(), other});
    Session session;
    folder::Form2 chooser(session.form.Label3);
    std::promise<void> answer;
    bool droppedDuringARead = false; // the list still open, holding the mouse, while it waits
    std::vector<std::string> messages;
    session.onDialog([&](ModalWindow& dialog) {
        if (noteMessage(dialog, messages))
            return;
        ui::testing::holdFolderReads(
            [&, answered = answer.get_future().share()] {
                ui::testing::post(
                    [&] { droppedDuringARead |= ui::testing::isDroppedDown(chooser.Drive1); });
                answered.wait();
            },
            std::chrono::milliseconds(100));
        // Chosen in the dropped-down list, the drive is read once the list has closed.
        dialog.pressKey(Key::F4);
        dialog.pressKey(Key::Down);
        dialog.pressKey(Key::Enter);
        EXPECT_EQ(chooser.Drive1.drive(), scratch.root());
        EXPECT_EQ(chooser.Dir1.path(), scratch.path());

        ui::testing::post([&dialog] { dialog.clickButton("取消"); });
        ui::testing::doubleClickRow(chooser.Dir1, rowOf(chooser.Dir1, "sub"));
        EXPECT_FALSE(chooser.window.isOpen());
    });
    chooser.showModal();
    answer.set_value(); // too late: nothing changes
    ui::testing::holdFolderReads({});
    ui::deliverPendingMessages();

    EXPECT_THAT(messages, testing::ElementsAre(kUnavailable));
    EXPECT_EQ(chooser.Dir1.path(), scratch.path());
    EXPECT_FALSE(droppedDuringARead);
}

// Where the current folder has stopped answering, as on a network mount whose server has gone,
// the chooser is on screen and modal while its list waits, so a second click on the main window
// opens nothing. Given up on, the folder leaves both lists naming its drive, the directory list
// with the drive's root alone; that root, still stuck, is told not available at once.
TEST(Chooser, OpensAtOnceWhereTheCurrentFolderDoesNotAnswer) {
    ScratchFolder scratch;
    scratch.make("sub");
#ifdef _WIN32
    const std::string drive = scratch.root();
#else
    const std::string drive = scratch.path(); // a drive of its own, mounted inside another
    DrivesOffered drives({scratch.root(), drive});
#endif
    Session session;
    folder::Form2* opened = nullptr;
    bool shownDuringTheRead = false;
    std::atomic<int> reads{0};
    std::promise<void> answer;
    ui::testing::holdFolderReads(
        [&, answered = answer.get_future().share()] {
            if (++reads == 1)
                ui::testing::post([&] {
                    shownDuringTheRead = opened && ui::testing::isShown(opened->window);
                    ui::testing::click(session.form.Command3);
                });
            answered.wait();
        },
        std::chrono::milliseconds(200));
    int dialogs = 0;
    std::vector<std::string> messages;
    session.onDialog([&](ModalWindow& dialog) {
        if (noteMessage(dialog, messages))
            return;
        ++dialogs;
        if (opened && dialog.find<ui::DirList>() == &opened->Dir1) {
            EXPECT_EQ(opened->Drive1.drive(), drive);
            EXPECT_EQ(opened->Dir1.path(), drive);
            EXPECT_THAT(names(opened->Dir1), testing::ElementsAre(drive));
            ui::testing::doubleClickRow(opened->Dir1, 0);
        }
        dialog.clickButton("取消");
    });
    folder::Form2 chooser(session.form.Label3);
    opened = &chooser;
    chooser.showModal();
    answer.set_value();
    ui::testing::holdFolderReads({});

    EXPECT_TRUE(shownDuringTheRead) << "the chooser was not on screen while its folder was read";
    EXPECT_EQ(dialogs, 1) << "choosers opened";
    EXPECT_THAT(messages, testing::ElementsAre(kUnavailable));
    EXPECT_EQ(reads, 1) << "folder reads started";
}

// A wait for a worker ends at its deadline even when the interface thread is held up, as by a
// pre-emption, just as it checks the time: worked out past the deadline, the wait would last
// until something else woke it, here the worker's answer after two seconds.
TEST(WorkerCall, AWaitEndsAtItsDeadlineThoughTheThreadIsHeldUpAsItChecks) {
    using Clock = std::chrono::steady_clock;
    using std::chrono::milliseconds;
    const milliseconds deadline(10);
    std::promise<void> release;
    ui::testing::holdFolderReads(
        [released = release.get_future().share()] { released.wait_for(std::chrono::seconds(2)); },
        deadline);
    // On its first check the thread loses the processor until the deadline has passed.
    bool heldUp = false;
    const auto heldUpAsItChecks = [&] {
        if (!std::exchange(heldUp, true)) {
            const auto until = Clock::now() + deadline + milliseconds(1);
            while (Clock::now() < until) {
            }
        }
        return false;
    };
    ui::deliverPendingMessages(); // nothing else is there to end the wait
    const Clock::time_point started = Clock::now();
    const ui::WorkerCall<int> call = ui::callOnWorker<int>([] { return 1; }, heldUpAsItChecks);
    const auto waited = std::chrono::duration_cast<milliseconds>(Clock::now() - started).count();
    release.set_value();
    ui::testing::holdFolderReads({});

    EXPECT_EQ(call.answer, std::nullopt);
    EXPECT_TRUE(call.late);
    EXPECT_LT(waited, 1000) << "milliseconds waited";
}

// A real drive that has stopped answering, where the set-up that makes one names it: the chooser
// still opens at once, and the drive is told not available once the lists stop waiting for it.
TEST(DeadDrive, OpensTheChooserAndIsToldNotAvailableInTime) {
    const char* dead = std::getenv("MARLINTH_DEAD_DRIVE");
    if (!dead)
        GTEST_SKIP() << "no drive that stops answering here (tests/wine/dead_drive.sh makes one)";
    using Clock = std::chrono::steady_clock;
    Session session;
    // Started while the drive still answered, as a program is before a server goes away.
    std::printf("waiting for %s to stop answering\n", dead);
    std::fflush(stdout);
    std::string word;
    std::getline(std::cin, word);
    const Clock::time_point opening = Clock::now();
    folder::Form2 chooser(session.form.Label3);
    const auto opened = Clock::now() - opening;
    Clock::time_point chosen;
    std::vector<std::string> messages;
    std::chrono::nanoseconds told{};
    session.onDialog([&](ModalWindow& dialog) {
        if (dialog.caption() != "目录选择") {
            told = Clock::now() - chosen;
            messages.push_back(dialog.texts().at(0));
            dialog.clickButton(dialog.buttons().at(0)); // the system's OK, in its language
            return;
        }
        chosen = Clock::now();
        ui::testing::chooseDrive(chooser.Drive1, dead);
        dialog.clickButton("取消");
    });
    chooser.showModal();

    using std::chrono::milliseconds;
    std::printf("the chooser was made in %lld ms; %s was told not available after %lld ms\n",
                (long long)std::chrono::duration_cast<milliseconds>(opened).count(), dead,
                (long long)std::chrono::duration_cast<milliseconds>(told).count());
    EXPECT_LE(opened, milliseconds(1000));
    EXPECT_THAT(messages, testing::ElementsAre(kUnavailable));
    EXPECT_LE(told, milliseconds(6000));
}

// Each opening builds the chooser anew; none may leave anything behind.
TEST(Chooser, AThousandOpeningsLeaveNothingBehind) {
    Session session;
    int openings = 0;
    session.onDialog([&](ModalWindow& dialog) {
        ++openings;
        dialog.clickButton("取消");
    });
    for (int i = 0; i < 50; ++i) // caches fill on the first openings
        ui::testing::click(session.form.Command3);
    const long before = ui::testing::peakMemoryKiB();
    for (int i = 0; i < 1000; ++i)
        ui::testing::click(session.form.Command3);
    const long growth = ui::testing::peakMemoryKiB() - before;

    EXPECT_EQ(openings, 1050);
    EXPECT_TRUE(session.pauses.empty());
    std::printf("peak memory grew by %ld KiB over 1000 openings\n", growth);
#ifndef __SANITIZE_ADDRESS__ // its quarantine holds freed memory; LeakSanitizer checks instead
    EXPECT_LT(growth, 1024);
#endif
}

#ifdef _WIN32
// Started from a network share, the chooser shows the share as the current drive and the
// folders in it, each with its name. The tests' Wine has the share \\marlinth\share.
TEST(Chooser, ListsTheNetworkShareItWasStartedFrom) {
    const fs::path share = L"\\\\marlinth\\share";
    if (!fs::is_directory(share))
        GTEST_SKIP() << "no share \\\\marlinth\\share here";
    const fs::path previous = fs::current_path();
    const fs::path folder = share / "marlinth-test";
    fs::create_directories(folder / "inner");
    fs::current_path(folder);
    Session session;
    folder::Form2 chooser(session.form.Label3);
    fs::current_path(previous);
    session.onDialog([&](ModalWindow& dialog) {
        EXPECT_EQ(chooser.Drive1.drive(), "\\\\marlinth\\share");
        EXPECT_THAT(names(chooser.Dir1),
                    testing::ElementsAre("\\\\marlinth\\share", "marlinth-test", "inner"));
        ui::testing::doubleClickRow(chooser.Dir1, 0);
        EXPECT_EQ(chooser.Dir1.path(), "\\\\marlinth\\share\\");
        dialog.clickButton("取消");
    });
    chooser.showModal();
    fs::remove_all(folder);
}

// A current folder handed down in a form that lifts the length limit or names a device lists
// as its plain form: its drive once, as the list's first row too, and no row that cannot be
// opened. So does a share, where the tests have one.
TEST(Chooser, ListsACurrentFolderHandedDownWithAPrefixInItsPlainForm) {
    struct Case {
        std::string handedDown, folder, drive;
    };
    ScratchFolder scratch;
    std::vector<Case> cases = {{"\\\\?\\" + scratch.path(), scratch.path(), scratch.root()},
                               {"\\\\.\\" + scratch.path(), scratch.path(), scratch.root()}};
    if (fs::is_directory(L"\\\\marlinth\\share"))
        cases.push_back(
            {"\\\\?\\UNC\\marlinth\\share", "\\\\marlinth\\share\\", "\\\\marlinth\\share"});
    for (const Case& tried : cases) {
        SCOPED_TRACE(tried.handedDown);
        ui::testing::setCurrentFolder(tried.handedDown);
        Session session;
        folder::Form2 chooser(session.form.Label3);
        ui::testing::setCurrentFolder(std::nullopt);
        session.onDialog([&](ModalWindow& dialog) {
            EXPECT_EQ(chooser.Dir1.path(), tried.folder);
            EXPECT_EQ(chooser.Drive1.drive(), tried.drive);
            EXPECT_EQ(names(chooser.Dir1).at(0), tried.drive);
            const std::vector<std::string> drives = ui::testing::drives(chooser.Drive1);
            EXPECT_EQ(std::count(drives.begin(), drives.end(), tried.drive), 1);
            EXPECT_THAT(drives, testing::Each(testing::Not(testing::StartsWith("\\\\?"))));
            EXPECT_THAT(drives, testing::Each(testing::Not(testing::StartsWith("\\\\.\\"))));
            dialog.clickButton("取消");
        });
        chooser.showModal();
    }
}
#endif

#ifndef _WIN32
// A drive mounted inside another shows as the list's first row, as a Windows drive shows its
// root: the folders above it are another drive's, and the list does not leave its own.
TEST(Chooser, TheDirectoryListStaysOnItsDrive) {
    ScratchFolder scratch;
    scratch.make("sub");
    DrivesOffered drives({scratch.root(), scratch.path()});
    Session session;
    folder::Form2 chooser(session.form.Label3);
    session.onDialog([&](ModalWindow& dialog) {
        EXPECT_THAT(names(chooser.Dir1), testing::ElementsAre(scratch.path(), "sub"));
        ui::testing::doubleClickRow(chooser.Dir1, 1);
        EXPECT_THAT(names(chooser.Dir1), testing::ElementsAre(scratch.path(), "sub"));
        EXPECT_EQ(ui::testing::rows(chooser.Dir1)[1].depth, 1);
        ui::testing::doubleClickRow(chooser.Dir1, 0);
        EXPECT_EQ(chooser.Dir1.path(), scratch.path());
        EXPECT_EQ(chooser.Drive1.drive(), scratch.path());
        dialog.clickButton("取消");
    });
    chooser.showModal();
}

// The drives are the mounts a user made, told from the system's own by the mount table alone.
TEST(DriveList, TellsTheUsersMountsFromTheSystemsPlumbing) {
    struct Mount {
        const char* point;
        const char* type;
        bool drive;
    };
    for (const Mount& mount : std::initializer_list<Mount>{
             {"/", "overlay", true}, // a container's root
             {"/media/ann/USB STICK", "vfat", true},
             {"/run/media/ann/disk", "exfat", true},
             {"/mnt/share", "cifs", true},
             {"/srv/projects", "ext4", true}, // a folder bound there
             {"/etc/resolv.conf", "ext4", false},
             {"/srv/old (deleted)", "ext4", false},
             {"/var/lib/docker/overlay2/4f1c/merged", "overlay", false},
             {"/var/lib/lxcfs", "fuse.lxcfs", false},
             {"/proc/cpuinfo", "fuse.lxcfs", false},
             {"/snap/core22/864", "squashfs", false},
             {"/run/user/1000/doc", "fuse.portal", false},
             {"/sys/fs/cgroup", "cgroup2", false},
             {"/home", "ext4", false}, // the home folders, on the root's drive
         })
        EXPECT_EQ(ui::isDrive(mount.point, mount.type), mount.drive) << mount.point;
}

// Bind mounts as containers and their users make them, where the set-up that makes them names
// them (tests/bind_mounts.sh, as root, in a mount namespace of the test's own): a bound folder is
// a drive, a file bound over one under /etc is not.
TEST(DriveList, OffersABoundFolderButNotABoundFile) {
    const char* folder = std::getenv("MARLINTH_BOUND_FOLDER");
    const char* file = std::getenv("MARLINTH_BOUND_FILE");
    if (!folder || !file)
        GTEST_SKIP() << "no bind mounts here (tests/bind_mounts.sh makes them)";
    Session session;
    folder::Form2 chooser(session.form.Label3);
    EXPECT_THAT(ui::testing::drives(chooser.Drive1),
                testing::AllOf(testing::Contains("/"), testing::Contains(folder),
                               testing::Not(testing::Contains(file))));
}
#endif

// Names a file system allows but that trip up careless code.
TEST(Chooser, OddFolderNamesListAndOpen) {
    ScratchFolder scratch;
    // A name UTF-8 cannot spell, shown with a replacement character: stray bytes on POSIX,
    // a lone surrogate on Windows (where Wine's file system refuses it).
#ifdef _WIN32
    const fs::path undecodable = L"bad\xD800name";
    const std::string shown = join(scratch.path(), "bad\uFFFDname");
#else
    const fs::path undecodable = "bad\xff\xfename";
    const std::string shown = scratch.path() + "/" + undecodable.native();
#endif
    const std::vector<std::string> odd = {"with space", "中文文件夹", std::string(200, 'x')};
    for (const std::string& name : odd)
        scratch.make(name);
    std::error_code refused;
    fs::create_directory(fs::u8path(scratch.path()) / undecodable, refused);
    if (refused)
        std::printf("the file system refuses the undecodable name; not checked\n");
#ifndef _WIN32 // symbolic links need an administrator on Windows
    fs::create_directory_symlink("loop", fs::path(scratch.path()) / "loop"); // points at itself
    fs::create_directory_symlink("..", fs::path(scratch.path()) / "up");
#endif
    Session session;
    folder::Form2 chooser(session.form.Label3);
    session.onDialog([&](ModalWindow& dialog) {
        const std::vector<std::string> listed = names(chooser.Dir1);
        for (const std::string& name : odd)
            EXPECT_NE(rowOf(chooser.Dir1, name), -1) << name;
        if (!refused) {
            const auto bad =
                std::find_if(listed.begin(), listed.end(),
                             [](const std::string& name) { return name.rfind("bad", 0) == 0; });
            ASSERT_NE(bad, listed.end());
            ui::testing::doubleClickRow(chooser.Dir1, int(bad - listed.begin()));
            EXPECT_EQ(chooser.Dir1.path(), shown);
            ui::testing::doubleClickRow(
                chooser.Dir1, rowOf(chooser.Dir1, text(fs::u8path(scratch.path()).filename())));
        }
#ifndef _WIN32
        EXPECT_EQ(rowOf(chooser.Dir1, "loop"), -1);
        ASSERT_NE(rowOf(chooser.Dir1, "up"), -1);
        ui::testing::doubleClickRow(chooser.Dir1, rowOf(chooser.Dir1, "up"));
        EXPECT_EQ(chooser.Dir1.path(), scratch.path() + "/up");
#endif
        dialog.clickButton("取消");
    });
    chooser.showModal();
}

} // namespace
