#include "system_dlls.h"

#include <string>

namespace ui {

namespace {

// Told in the system's own box before any window exists, as the program cannot go on.
constexpr const char* kMissingDllBefore = "无法载入系统文件 ";
constexpr const char* kMissingDllAfter = "，程序无法运行。";
// ERROR_MOD_NOT_FOUND, as Windows ends a program whose imports it cannot find.
constexpr UINT kMissingDllStatus = 126;

// Windows 7 learnt SetDefaultDllDirectories and the LOAD_LIBRARY_SEARCH_ flags with one update,
// of 2011; a system without it has neither.
using SetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
SetDefaultDllDirectories setDefaultDllDirectories() {
    static const auto function = lookUp<SetDefaultDllDirectories>(GetModuleHandleW(L"kernel32.dll"),
                                                                  "SetDefaultDllDirectories");
    return function;
}

[[noreturn]] void reportMissingDll(const wchar_t* name) {
    const std::wstring text = wide(kMissingDllBefore) + name + wide(kMissingDllAfter);
    MessageBoxW(nullptr, text.c_str(), nullptr, MB_OK | MB_ICONERROR);
    ExitProcess(kMissingDllStatus);
}

} // namespace

void loadDllsFromSystemOnly() {
    const auto setDefault = setDefaultDllDirectories();
    if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SetDllDirectoryW(L""); // takes the current folder out of the search, at least
}

HMODULE loadSystemDll(const wchar_t* name) {
    // A version the manifest names (common controls 6) comes from the system's store before any
    // folder is searched, with these flags or without.
    if (setDefaultDllDirectories())
        return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    ACTCTX_SECTION_KEYED_DATA redirected{};
    redirected.cbSize = sizeof redirected;
    if (FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, name,
                                 &redirected))
        return LoadLibraryW(name);
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    return LoadLibraryW((std::wstring(folder, length) + L'\\' + name).c_str());
}

const CommonControls& commonControls() {
    static const CommonControls functions = [] {
        const wchar_t* const name = L"comctl32.dll";
        const HMODULE module = loadSystemDll(name);
        CommonControls found;
        found.initCommonControlsEx =
            lookUp<decltype(found.initCommonControlsEx)>(module, "InitCommonControlsEx");
        found.setWindowSubclass =
            lookUp<decltype(found.setWindowSubclass)>(module, "SetWindowSubclass");
        found.removeWindowSubclass =
            lookUp<decltype(found.removeWindowSubclass)>(module, "RemoveWindowSubclass");
        found.defSubclassProc = lookUp<decltype(found.defSubclassProc)>(module, "DefSubclassProc");
        if (!found.initCommonControlsEx || !found.setWindowSubclass ||
            !found.removeWindowSubclass || !found.defSubclassProc)
            reportMissingDll(name);
        return found;
    }();
    return functions;
}

} // namespace ui
