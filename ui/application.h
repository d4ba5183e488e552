#pragma once

#include <functional>
#include <memory>

namespace ui {

// The windowing system's connection for the lifetime of the program. Create one before any
// window; run() waits for events until the program ends.
class Application {
public:
    Application(int& argc, char** argv);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    int run();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Runs the program's body on a thread whose stack has room for thousands of nested runs, and
// returns its result.
int runWithLargeStack(const std::function<int()>& body);

} // namespace ui
