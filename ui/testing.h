#pragma once

// Drives windows as a user would, for behaviour tests: input goes through the windowing
// system, so a modal window blocks it just as it blocks a person. Each back end has its own.

#include "color.h"
#include "controls.h"
#include "folder_lists.h"
#include "geometry.h"
#include "window.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui::testing {

enum class Key {
    Enter,
    Escape,
    Space,
    Tab,
    Left,
    Right,
    Up,
    Down,
    Home,
    End,
    PageUp,
    PageDown,
    F4
};

// A left click at the control's centre; returns once the click has been handled.
void click(Control& control);
// Keys go to the focused control of the window.
void pressKey(Window& window, Key key);
// Alt with a letter, as for a menu's access key.
void pressAccessKey(Window& window, char letter);
// The close box of the title bar.
void clickCloseBox(Window& window);
// Runs the action the next time pending messages are delivered, as input that arrives during
// a pause would.
void post(std::function<void()> action);

Control* focusedControl(Window& window);
bool isShown(const Window& window);
// The window the desktop gives the keyboard to: the active one, in front of other programs.
bool isActive(const Window& window);

// A window of another program, shown and active, as one the user started before this program;
// it closes when the object goes. Where the back end cannot make one, shown() is false.
class OtherProgramWindow {
public:
    OtherProgramWindow();
    ~OtherProgramWindow();
    OtherProgramWindow(const OtherProgramWindow&) = delete;
    OtherProgramWindow& operator=(const OtherProgramWindow&) = delete;
    bool shown() const { return state_ != nullptr; }

private:
    struct State;
    std::unique_ptr<State> state_;
};
bool isMenuOpen(const Menu& menu);
#ifndef _WIN32
// Clicks the menu's title where its window's menu bar shows it; false where the bar does not.
bool clickMenuTitle(Menu& menu);
#endif
// The item the keyboard or mouse would choose in its open menu.
bool isHighlighted(const MenuItem& item);
// Drags the window's border until its client area has this size.
void resize(Window& window, Size clientSize);

// Moves the window to a screen of this DPI, as dragging it to another monitor would; false
// where the windowing system scales the program's windows itself.
bool moveToScreenOfDpi(Window& window, int dpi);
// Windows made from now on are laid out as on a system without a DPI per screen (Windows
// before 10 version 1607) whose one DPI is this; 0 returns to the system's own. False where
// the back end has no such system.
bool useSystemDpiOnly(int dpi);
// The DPI the window is laid out at.
int dpiOf(const Window& window);

// Where a control sits in its window's client area, in logical pixels.
Rect pixelRect(const Control& control);
Size clientSize(const Window& window);
// The installed face the label's text is drawn in.
std::string fontFamily(const Label& label);
// The height the label's text takes when laid out in the label's width, in logical pixels.
int textHeight(const Label& label);

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
    Rgb at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};
// The client area as it is painted now, one pixel per device pixel: dpiOf(window) / 96 of them
// to a logical pixel.
Image grab(Window& window);
Rgb systemColor(SystemColor color);
// The desktop's scheme gives text this colour from now on, as a switch of theme does; nothing
// returns to the scheme the tests started with. False where the back end cannot change it.
bool setSystemTextColor(std::optional<Rgb> color);
// Tells the window of a change of the desktop's settings as the system broadcasts one, of the
// message font or else of the environment; whether the window then waits to be drawn again.
// Nothing where the back end gets no such message.
std::optional<bool> redrawnOnSettingChange(Window& window, bool font);
// The desktop's high contrast goes on or off, as its accessibility settings switch it. False
// where the back end cannot be made to.
bool setHighContrast(bool on);

// What a screen reader learns of a control.
enum class AccessibleRole { StaticText, StatusLine, DropDownList, List, Other };
struct AccessibleInfo {
    AccessibleRole role = AccessibleRole::Other;
    std::string name;
    // Through the text interface where the system has one; the name where it has none.
    std::string text;
    bool hidden = false;
};
AccessibleInfo accessibleInfo(const Control& control);
// What it is told of a row of the directory list besides the folder's name; nothing for a row
// the list does not have.
std::optional<std::string> accessibleDescription(const DirList& list, int row);
// How many changes of the control's name screen readers have been told of so far; nothing where
// the toolkit tells them only while one listens through the desktop (Qt: the end-to-end tests
// listen).
std::optional<int> accessibleNameChanges(const Control& control);

// What the OK button of a message box reads: the system's word, in the system's language, where
// the system draws the box (Windows); the program's own where it draws the box itself.
std::string messageBoxOkCaption();

// A modal window that has just opened: a message box or one of the program's dialogs.
class ModalWindow {
public:
    explicit ModalWindow(Native& native)
        : native_(native) {}

    std::string caption() const;
    // The texts the window shows, labels and buttons apart.
    std::vector<std::string> texts() const;
    std::vector<std::string> buttons() const;
    bool hasIcon() const;
    void clickButton(const std::string& caption);
    void pressKey(Key key, bool withAlt = false);
    void clickCloseBox();

    // The program's own controls in the window, for the dialogs it builds.
    template <typename T> T* find() const {
        for (Element* element : elements())
            if (auto* found = dynamic_cast<T*>(element))
                return found;
        return nullptr;
    }

private:
    std::vector<Element*> elements() const;
    Native& native_;
};

// The most memory the process has held at once so far, in KiB.
long peakMemoryKiB();

// Calls the handler inside the modal loop of every modal window that opens from now on, until
// an empty handler is set. The handler must close the window.
void onModalWindow(std::function<void(ModalWindow&)> handler);

struct FolderRow {
    std::string name;
    int depth = 0;
    bool open = false;
};
std::vector<FolderRow> rows(const DirList& list);
int selectedRow(const DirList& list);
void clickRow(DirList& list, int row);
void doubleClickRow(DirList& list, int row);
std::vector<std::string> drives(const DriveList& list);
bool isDroppedDown(const DriveList& list);
// Picks a drive from the drop-down list as a user would.
void chooseDrive(DriveList& list, const std::string& drive);
// Drive lists created from now on offer these drives; nullopt returns to the system's.
void setDrives(std::optional<std::vector<std::string>> drives);
#ifdef _WIN32
// The folder lists made from now on take this as the process's current folder, written as
// another program may hand it down ("\\?\C:\..."); nullopt returns to the real one.
void setCurrentFolder(std::optional<std::string> folder);
#endif
// Folder reads from now on first call `hold` on the thread that reads, where a file system that
// has stopped answering would block them, and the lists wait for them only until `deadline`. An
// empty function returns to the real reads and deadline.
void holdFolderReads(std::function<void()> hold, std::chrono::milliseconds deadline = {});

} // namespace ui::testing
