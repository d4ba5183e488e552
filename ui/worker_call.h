#pragma once

// A call that may block for good, such as reading a folder on a network mount whose server has
// gone, runs on a worker thread while the interface thread goes on delivering messages: the
// windows repaint and take input, and closing the main window still ends the process at once.
// Shared by the back ends; each gives the message wait.

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace ui {

// How long a drive or folder has to answer. A disk waking from sleep or a share reconnecting
// answers within a few seconds; past this, the user is better told it is not available. The
// interface stays live all the while, so the wait costs nothing else.
constexpr std::chrono::milliseconds kWorkerDeadline{5000};
inline std::chrono::milliseconds& workerDeadline() {
    static std::chrono::milliseconds deadline = kWorkerDeadline; // tests set shorter ones
    return deadline;
}
// Runs on the worker before each call: tests put a file system that stops answering here.
inline std::function<void()>& beforeWorkerCall() {
    static std::function<void()> hook;
    return hook;
}

// Back end: a function that any thread may call to end a waitForMessages() early.
std::function<void()> messageWaker();
// Back end: delivers pending messages, then waits until more arrive, the waker is called or the
// time is up, and delivers those.
void waitForMessages(std::chrono::milliseconds most);

// What came of a call on a worker: its answer, if one was taken, and whether the wait ended at
// the deadline with the worker still at work.
template <typename Result> struct WorkerCall {
    std::optional<Result> answer;
    bool late = false;
};

// Runs the call on a worker and waits for its answer while delivering messages, until the
// deadline or until the answer is no longer wanted; a handler delivered meanwhile may have asked
// for another. A late answer is dropped with its worker, and nothing waits for a worker stuck in
// the kernel, at exit least of all. No thread to be had, as when many are stuck, answers nothing
// at once.
template <typename Result>
WorkerCall<Result> callOnWorker(std::function<Result()> call,
                                const std::function<bool()>& unwanted) {
    struct Shared {
        std::mutex mutex;
        std::optional<Result> answer;
        std::function<void()> wake; // cleared once nobody waits
    };
    auto shared = std::make_shared<Shared>();
    shared->wake = messageWaker();
    try {
        std::thread([shared, call = std::move(call), before = beforeWorkerCall()] {
            if (before)
                before();
            Result answer = call();
            std::lock_guard lock(shared->mutex);
            shared->answer = std::move(answer);
            if (shared->wake)
                shared->wake();
        }).detach();
    } catch (const std::system_error&) {
        return {};
    }

    // However the wait ends, a late worker finds nobody to wake, even when a handler's exception
    // unwinds through it.
    struct Disarm {
        Shared& shared;
        ~Disarm() {
            std::lock_guard lock(shared.mutex);
            shared.wake = nullptr;
        }
    } disarm{*shared};
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + workerDeadline();
    for (;;) {
        Clock::duration left;
        {
            std::lock_guard lock(shared->mutex);
            const bool dropped = unwanted();
            // The time is taken once, after the check: taken again, a pre-emption could put it past
            // the deadline, and a negative wait lasts until the next message (Qt) or for good.
            left = std::max(deadline - Clock::now(), Clock::duration::zero());
            if (dropped)
                return {};
            if (shared->answer || left == Clock::duration::zero()) {
                const bool late = !shared->answer;
                return {std::move(shared->answer), late};
            }
        }
        waitForMessages(std::chrono::ceil<std::chrono::milliseconds>(left));
    }
}

} // namespace ui
