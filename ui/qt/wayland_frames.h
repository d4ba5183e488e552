#pragma once

namespace ui {

// Whether the Wayland compositor that the toolkit is connected to draws the frames of this
// program's windows. Asked once, before a window shows, of a stand-in window that is never
// shown: an offer of frames is not a grant, and the toolkit leaves the choice to the
// compositor. False where the toolkit is not on Wayland.
bool compositorDrawsFrames();

} // namespace ui
