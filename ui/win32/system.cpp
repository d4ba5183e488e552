#include "../system.h"
#include "../worker_call.h"
#include "native.h"
#include "system_dlls.h"

#include <mmsystem.h>

namespace ui {

namespace {
std::function<void(int)>& pauseHandler() {
    static std::function<void(int)> handler;
    return handler;
}

LONGLONG counterNow() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// The finer ticks, from winmm.dll, loaded only on a system that lacks the high-resolution timer.
// Without it, pauses wait in the system's ticks.
struct TimerPeriod {
    decltype(&timeBeginPeriod) begin = nullptr;
    decltype(&timeEndPeriod) end = nullptr;
};

TimerPeriod loadTimerPeriod() {
    const HMODULE winmm = loadSystemDll(L"winmm.dll");
    const TimerPeriod found{lookUp<decltype(&timeBeginPeriod)>(winmm, "timeBeginPeriod"),
                            lookUp<decltype(&timeEndPeriod)>(winmm, "timeEndPeriod")};
    return found.begin && found.end ? found : TimerPeriod{};
}

// Sleep wakes on ticks of the system timer, 15.625 ms apart by default, so Sleep(50) would
// take 62.5 ms. A high-resolution waitable timer (Windows 10 1803 and later) wakes within a
// millisecond and changes nothing for the rest of the system, even while the window is
// minimized; older systems get 1 ms ticks, asked for only while a pause lasts, as the rest of
// the time the program waits for input and the finer timer would cost every program power.
// Either way the pause is measured, and waited out again should the system wake it early.
void sleepExactly(int milliseconds) {
    constexpr DWORD kHighResolution = 0x2; // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
    static const HANDLE timer =
        CreateWaitableTimerExW(nullptr, nullptr, kHighResolution, TIMER_ALL_ACCESS);
    static const LONGLONG frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    static const TimerPeriod period = timer ? TimerPeriod{} : loadTimerPeriod();
    const LONGLONG end = counterNow() + (milliseconds * frequency + 999) / 1000;
    if (period.begin)
        period.begin(1);
    for (LONGLONG now = counterNow(); now < end; now = counterNow()) {
        const LONGLONG left = end - now; // rounded up below, never down
        if (timer) {
            LARGE_INTEGER due;
            due.QuadPart = -((left * 10'000'000 + frequency - 1) / frequency); // relative, 100 ns
            SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
            WaitForSingleObject(timer, INFINITE);
        } else {
            Sleep(DWORD((left * 1'000 + frequency - 1) / frequency));
        }
    }
    if (period.end)
        period.end(1);
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

std::function<void()> messageWaker() {
    return [thread = GetCurrentThreadId()] { PostThreadMessageW(thread, WM_NULL, 0, 0); };
}

void waitForMessages(std::chrono::milliseconds most) {
    MsgWaitForMultipleObjectsEx(0, nullptr, DWORD(most.count()), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    deliverPendingMessages();
}

void pause(int milliseconds) {
    if (pauseHandler())
        pauseHandler()(milliseconds);
    else
        sleepExactly(milliseconds);
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
