/* A DLL planted beside a program under the name of a system DLL. Whoever loads it finds
 * "<its own path>.loaded" beside it afterwards, a trace that needs no debug channel; its
 * load then fails, so nothing of it stays in the process. It imports KERNEL32 alone and
 * runs no C runtime, so that it loads under any name, msvcrt.dll included. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
    wchar_t trace[MAX_PATH + 8];
    DWORD length;
    HANDLE file;
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    length = GetModuleFileNameW(self, trace, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return FALSE;
    lstrcatW(trace, L".loaded");
    file = CreateFileW(trace, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return FALSE;
}
