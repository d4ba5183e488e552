#pragma once

// The system's DLLs that the program loads itself. Windows looks for any DLL that is not a
// Known DLL in the program's own folder first, and a downloads folder may hold a DLL of any name,
// put there to be run with the user's rights: the program imports from Known DLLs alone, and
// loads the others from System32 and nowhere else.

#include "native.h"

#include <commctrl.h>

namespace ui {

// From now on every DLL, whether the program or the system loads it for the program, comes
// from System32. The first thing the program does.
void loadDllsFromSystemOnly();

// The DLL from System32, or the version of it that the program's manifest names from the
// system's store; null where it cannot be loaded.
HMODULE loadSystemDll(const wchar_t* name);

// A function of a DLL, null where the DLL lacks it or was not loaded.
template <typename Function> Function lookUp(HMODULE module, const char* name) {
    if (!module)
        return nullptr;
    // Through a pointer to a function without arguments, which any function pointer may be.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The common controls (comctl32.dll), which the program's controls are and which it subclasses
// them with; loaded on first use. Without them the program does not run: it says which DLL is
// missing and ends.
struct CommonControls {
    decltype(&InitCommonControlsEx) initCommonControlsEx = nullptr;
    decltype(&SetWindowSubclass) setWindowSubclass = nullptr;
    decltype(&RemoveWindowSubclass) removeWindowSubclass = nullptr;
    decltype(&DefSubclassProc) defSubclassProc = nullptr;
};
const CommonControls& commonControls();

} // namespace ui
