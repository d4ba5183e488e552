#include "../application.h"
#include "native.h"

#include <commctrl.h>

namespace ui {

struct Application::State {};

Application::Application(int&, char**) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
}

Application::~Application() = default;

int Application::run() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        dispatchMessage(message);
    }
    return int(message.wParam);
}

// The executable reserves a large main-thread stack when it is linked.
int runWithLargeStack(const std::function<int()>& body) {
    return body();
}

} // namespace ui
