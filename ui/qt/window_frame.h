#pragma once

// Where a Wayland compositor leaves window frames to its clients, the toolkit draws one whose
// title bar has minimise, maximise and close buttons whatever the window's flags: a fixed-size
// dialog would offer to be maximised. There the program draws the frames itself.

#include <QMargins>

class QWidget;

namespace ui {

// Whether the program draws its windows' frames: on Wayland, unless the compositor draws them
// or the user chose the toolkit's frames (a decoration of their own, or none).
bool drawsOwnFrames();

// The room the program's frame takes round a window's content; none where it draws none.
QMargins ownFrameMargins();

// Makes `window` frameless and gives it the program's frame: its caption, a close button, a
// minimise button if its flags ask for one, and edges to resize it by unless its size is
// fixed. Called once its flags and size limits are set; its content keeps clear of
// ownFrameMargins().
void addOwnFrame(QWidget* window);

// The narrowest window whose own frame shows its whole caption.
int widthForCaption(const QWidget* window);

} // namespace ui
