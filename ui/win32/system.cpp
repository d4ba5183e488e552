#include "../system.h"
#include "native.h"

namespace ui {

namespace {
std::function<void(int)>& pauseHandler() {
    static std::function<void(int)> handler;
    return handler;
}
} // namespace

void deliverPendingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(int(message.wParam)); // for the loop that waits for it
            return;
        }
        dispatchMessage(message);
    }
}

void pause(int milliseconds) {
    if (pauseHandler())
        pauseHandler()(milliseconds);
    else
        Sleep(DWORD(milliseconds));
}

void setPauseHandler(std::function<void(int)> handler) {
    pauseHandler() = std::move(handler);
}

Date today() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay};
}

std::string shortDateText(Date date) {
    SYSTEMTIME time{};
    time.wYear = WORD(date.year);
    time.wMonth = WORD(date.month);
    time.wDay = WORD(date.day);
    wchar_t text[128] = {};
    GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, text, 128, nullptr);
    return narrow(text);
}

void endProcess() {
    ExitProcess(0);
}

} // namespace ui
