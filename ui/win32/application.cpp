#include "../application.h"
#include "native.h"
#include "system_dlls.h"

namespace ui {

struct Application::State {};

Application::Application(int&, char**) {
    loadDllsFromSystemOnly(); // before anything loads a DLL for the program
    // A drive without a medium (a card reader, a DVD drive) is the program's to report, with
    // its own message; the system would stop the program with a box of its own.
    // The flags the program was started with (a debugger's, a service host's) stay.
    SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    commonControls().initCommonControlsEx(&controls);
}

Application::~Application() = default;

int Application::run() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        dispatchMessage(message);
    }
    return int(message.wParam);
}

namespace {

// Room for thousands of checks nested inside each other (a button pressed during a check),
// about 5 KB each; only the pages a run touches are committed. A 32-bit process has 2 GiB of
// address space in all, so it reserves a quarter of what a 64-bit one does: still room for
// 50,000.
constexpr SIZE_T kStackReserve = sizeof(void*) == 8 ? SIZE_T(1) << 30 : SIZE_T(256) << 20;

struct FiberCall {
    const std::function<int()>* body;
    LPVOID caller;
    int result = 0;
};

void CALLBACK callOnFiber(void* parameter) {
    auto* call = static_cast<FiberCall*>(parameter);
    call->result = (*call->body)();
    SwitchToFiber(call->caller);
}

// GCC takes the thread block read behind GetCurrentFiber for an access past an empty array.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
LPVOID currentFiber() {
    return GetCurrentFiber();
}
#pragma GCC diagnostic pop

} // namespace

// The large stack is a fiber's, on the thread the program started on, and not the executable's
// own reserve: Windows gives that reserve to every thread made with the default size, its own
// and other software's among them, and a handful of them would fill a 32-bit address space.
// A thread that is a fiber already (made one by code a host injected) goes on as that fiber; a
// large stack that cannot be had (a fragmented 32-bit address space) leaves the thread's own,
// on which fewer runs can nest and nothing else changes.
int runWithLargeStack(const std::function<int()>& body) {
    const bool wasFiber = IsThreadAFiber();
    const LPVOID caller = wasFiber ? currentFiber() : ConvertThreadToFiber(nullptr);
    if (!caller)
        return body();
    FiberCall call{&body, caller};
    const LPVOID fiber =
        CreateFiberEx(0, kStackReserve, FIBER_FLAG_FLOAT_SWITCH, callOnFiber, &call);
    if (fiber) {
        SwitchToFiber(fiber);
        DeleteFiber(fiber);
    }
    if (!wasFiber)
        ConvertFiberToThread();
    return fiber ? call.result : body();
}

} // namespace ui
