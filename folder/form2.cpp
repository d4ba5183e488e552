#include "form2.h"

#include "checks/check_run.h"
#include "ui/message_box.h"

namespace folder {

namespace {
constexpr const char* kCaption = "目录选择";
constexpr const char* kFolderRunningText = "正在检测文件夹，请稍侯..........";
constexpr const char* kUnavailableText = "该驱动器或文件夹不可用。";
// What screen readers call the two lists, which have no caption on screen.
constexpr const char* kDrivesName = "驱动器";
constexpr const char* kFoldersName = "文件夹";
} // namespace

Form2::Form2(ui::Label& status)
    : window(ui::WindowStyle::Dialog, kCaption, {3045, 2865}),
      Drive1(window, {0, 0, 3015, 300}),
      Dir1(window, {0, 360, 3015, 1560}),
      Command1(window, {240, 2040, 1095, 615}, "确定"),
      Command2(window, {1560, 2040, 1215, 615}, "取消"),
      status_(status) {
    Drive1.setAccessibleName(kDrivesName);
    Dir1.setAccessibleName(kFoldersName);
    window.setTabOrder({&Drive1, &Dir1, &Command1, &Command2});
    Drive1.setFocus();
    Drive1.onChange([this] { Drive1_Change(); });
    Dir1.onUnavailable([this] { Dir1_Unavailable(); });
    Command1.onClick([this] { Command1_Click(); });
    Command2.onClick([this] { Command2_Click(); });
}

void Form2::showModal() {
    window.showModal();
}

// The drive's current folder, or its root where that folder has gone. The lists deliver
// messages while they wait for the drive, so the user may have chosen another folder or closed
// the dialog by the time it answers.
void Form2::Drive1_Change() {
    ui::Listing listing = Dir1.setPath(Drive1.currentFolder());
    if (listing == ui::Listing::Unreadable)
        listing = Dir1.setPath(Drive1.drive());
    if (listing == ui::Listing::Shown)
        return;
    // The drive list goes back to the folder the directory list shows.
    Drive1.selectDriveOf(Dir1.path());
    if (listing != ui::Listing::Superseded)
        Dir1_Unavailable();
}

void Form2::Dir1_Unavailable() {
    if (window.isOpen())
        ui::showMessage(window, checks::kAppTitle, kUnavailableText);
}

void Form2::Command1_Click() {
    status_.setText(kFolderRunningText);
    window.close();
}

void Form2::Command2_Click() {
    window.close();
}

} // namespace folder
