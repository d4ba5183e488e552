#pragma once

#include <functional>
#include <string>

namespace ui {

// Delivers every window message that is pending: input, repaints and anything posted. A
// handler that runs long calls it so its window stays alive; a handler it delivers may start
// a whole nested run before it returns.
void deliverPendingMessages();

// Blocks the calling thread for the given time.
void pause(int milliseconds);
// Tests put their own pause in place of the real one; an empty function restores it.
void setPauseHandler(std::function<void(int milliseconds)> handler);

struct Date {
    int year = 0;
    int month = 0;
    int day = 0;
};

// The current local date.
Date today();
// The date in the user's short date format, e.g. "2026/12/7" on a Chinese desktop.
std::string shortDateText(Date date);

// Ends the process at once with status 0: no window gets to run closing logic.
[[noreturn]] void endProcess();

} // namespace ui
