/* A DLL that someone planted beside a program, or in the folder it is started from, under the
 * name of a system DLL: it leaves a mark beside itself as soon as it is loaded, and exports what
 * the program would call, so that a program that loads it still starts. Built once per name:
 *   gcc -shared -Wl,--kill-at -DWINMM (or -DOLEACC, -DUXTHEME) planted_dll.c -o winmm.dll */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t mark[MAX_PATH + 8];
        const DWORD length = GetModuleFileNameW(self, mark, MAX_PATH);
        lstrcpyW(mark + length, L".loaded");
        CloseHandle(CreateFileW(mark, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    }
    return TRUE;
}

#if defined(WINMM)
__declspec(dllexport) UINT WINAPI timeBeginPeriod(UINT period) {
    (void)period;
    return 0; /* TIMERR_NOERROR */
}
__declspec(dllexport) UINT WINAPI timeEndPeriod(UINT period) {
    (void)period;
    return 0;
}
#elif defined(OLEACC)
__declspec(dllexport) HRESULT WINAPI
    CreateStdAccessibleObject(HWND hwnd, LONG id, const void* iid, void** object) {
    (void)hwnd, (void)id, (void)iid;
    *object = NULL;
    return E_FAIL;
}
__declspec(dllexport) LRESULT WINAPI
    LresultFromObject(const void* iid, WPARAM wParam, void* object) {
    (void)iid, (void)wParam, (void)object;
    return E_FAIL;
}
__declspec(dllexport) HRESULT WINAPI
    AccessibleObjectFromWindow(HWND hwnd, DWORD id, const void* iid, void** object) {
    (void)hwnd, (void)id, (void)iid;
    *object = NULL;
    return E_FAIL;
}
#elif defined(UXTHEME)
/* No visual styles: the controls then ask for nothing else of it. */
__declspec(dllexport) HANDLE WINAPI OpenThemeData(HWND hwnd, const wchar_t* classes) {
    (void)hwnd, (void)classes;
    return NULL;
}
__declspec(dllexport) HANDLE WINAPI
    OpenThemeDataForDpi(HWND hwnd, const wchar_t* classes, UINT dpi) {
    (void)hwnd, (void)classes, (void)dpi;
    return NULL;
}
__declspec(dllexport) HANDLE WINAPI GetWindowTheme(HWND hwnd) {
    (void)hwnd;
    return NULL;
}
__declspec(dllexport) HRESULT WINAPI CloseThemeData(HANDLE theme) {
    (void)theme;
    return S_OK;
}
__declspec(dllexport) HRESULT WINAPI EnableThemeDialogTexture(HWND hwnd, DWORD flags) {
    (void)hwnd, (void)flags;
    return E_FAIL;
}
__declspec(dllexport) BOOL WINAPI IsThemeActive(void) {
    return FALSE;
}
#endif
