#pragma once

#include "ui/controls.h"
#include "ui/folder_lists.h"
#include "ui/window.h"

namespace folder {

// The folder chooser: a drive list above a directory list, with OK and Cancel. Its only
// effect on the rest of the program is the text OK writes to the status line.
class Form2 {
public:
    explicit Form2(ui::Label& status);

    // Returns when the dialog has closed, by OK, Cancel or its close box.
    void showModal();

    ui::Window window;
    ui::DriveList Drive1;
    ui::DirList Dir1;
    ui::Button Command1;
    ui::Button Command2;

private:
    void Drive1_Change();
    void Dir1_Unavailable();
    void Command1_Click();
    void Command2_Click();

    ui::Label& status_;
};

} // namespace folder
