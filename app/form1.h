#pragma once

#include "checks/check_run.h"
#include "ui/controls.h"
#include "ui/system.h"
#include "ui/window.h"

#include <functional>

// The main window. It owns the status line (Label3) and the progress bar (HS) that the
// commands drive; closing it ends the program.
class Form1 {
public:
    // `today` gives the date the header names; tests pass their own.
    explicit Form1(std::function<ui::Date()> today = ui::today);

    void Form_Load();
    void show();

    ui::Window window;
    ui::Menu b1;
    ui::MenuItem b7;
    ui::MenuItem b8;
    ui::MenuItem b9;
    ui::Button Command1;
    ui::Button Command2;
    ui::Button Command3;
    ui::Line Line2;
    ui::Line Line1;
    // Label2 comes after Label1 so that it is drawn over it.
    ui::Label Label1;
    ui::Label Label2;
    ui::GroupBox Frame1;
    ui::ScrollBar HS;
    ui::Label Label3;

private:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Form_Unload();

    checks::RunTarget run_target() { return {window, Label3, HS}; }

    std::function<ui::Date()> today_;
};
