#include "form1.h"

#include "folder/folder_check.h"

#include <string>

namespace {
constexpr const char* kHeaderBefore = "Marlinth,你最理想的选择，你的木马数据库最新版本为：";
constexpr const char* kHeaderAfter = "!恭喜，你已经升级到最新版";

// Two copies of the header, one pixel apart, give the lettering its two colours.
void styleHeader(ui::Label& label, ui::Rgb color, bool transparent) {
    label.setForeground(color);
    label.setTransparent(transparent);
    // SimSun where the user has it; else the program's own serif, made for these texts.
    label.setFont({{"SimSun", "Marlinth Serif", "NSimSun", "Noto Serif CJK SC", "AR PL UMing CN",
                    "Noto Sans CJK SC", "WenQuanYi Zen Hei"},
                   14.25});
    label.setWordWrap(true);
}
} // namespace

Form1::Form1(std::function<ui::Date()> today)
    : window(ui::WindowStyle::Main, checks::kAppTitle, {5010, 4980}),
      b1(window, "操作(&C)"),
      b7(b1, "清理内存"),
      b8(b1, "清理注册表"),
      b9(b1, "清理文件夹"),
      Command1(window, {120, 120, 1335, 495}, "清理内存"),
      Command2(window, {1680, 120, 1455, 495}, "清理注册表"),
      Command3(window, {3360, 120, 1455, 495}, "清理文件夹"),
      Line2(window, {120, 700}, {4680, 700}, ui::SystemColor::CaptionText),
      Line1(window, {120, 720}, {4680, 720}, ui::SystemColor::WindowText),
      Label1(window, {480, 960, 3975, 1215}),
      Label2(window, {495, 960, 3975, 1215}),
      Frame1(window, {120, 2280, 4575, 2055}, "搜索进度"),
      HS(Frame1, {120, 1320, 4335, 375}),
      Label3(Frame1, {240, 600, 3975, 255}, checks::kIdleText),
      today_(std::move(today)) {
    window.useApplicationIcon();
    styleHeader(Label1, {0, 0, 64}, false);
    styleHeader(Label2, {255, 128, 255}, true);
    Label1.hideFromScreenReaders(); // the header is told once, by the label drawn on top
    Label3.markAsStatusLine();
    window.setTabOrder({&HS, &Command1, &Command2, &Command3});
    HS.setFocus();

    Command1.onClick([this] { Command1_Click(); });
    Command2.onClick([this] { Command2_Click(); });
    Command3.onClick([this] { Command3_Click(); });
    window.onCloseRequest([this] { Form_Unload(); });
}

// The header names the start-up date as the database version; it is built once and never
// updated, not even past midnight.
void Form1::Form_Load() {
    const std::string header = kHeaderBefore + ui::shortDateText(today_()) + kHeaderAfter;
    Label2.setText(header);
    Label1.setText(header);
}

void Form1::show() {
    window.show();
}

void Form1::Command1_Click() {
    checks::memoryCheck(run_target());
}

void Form1::Command2_Click() {
    checks::registryCheck(run_target());
}

void Form1::Command3_Click() {
    folder::folderCheck(run_target());
}

// Ends the program at once, from however deep inside running checks the close arrives.
void Form1::Form_Unload() {
    ui::endProcess();
}
