// What the helper loads, and from where. The uninstaller stages the helper in a folder that
// any program of the signed-in user can write, and often runs it elevated: a DLL put beside
// it under the name of a system DLL that Windows does not protect as a known DLL (version,
// uxtheme, propsys and many more, several of them loaded by ole32 and shell32) would be
// loaded from there, with the helper's rights. So the exe imports only KERNEL32 and msvcrt,
// which every supported Windows takes from the system folder whatever the search order; the
// first thing the process does is restrict every later search to the system folder; and
// what the shortcut reader needs of COM it loads itself, from the system folder, only when a
// shortcut is read (COM then loads the shell link class from the path registered for it).
#include "platform/win32/win32_platform_impl.h"

namespace tu::win32 {

namespace {

// A DLL from the system folder, with the DLLs it imports; null, with the thread's last
// error, when it cannot be had. Where LOAD_LIBRARY_SEARCH_SYSTEM32 is unknown (Windows 7
// without its 2011 loader update: 87), the full path in the system folder, whose imports are
// then looked for first in that folder too.
HMODULE load_system_library(const wchar_t* name) {
    if (HMODULE module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
    if (::GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
    // Windows cannot be installed deeper than MAX_PATH: the system folder's path is short.
    wchar_t path[MAX_PATH + 16];
    const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    path[length] = L'\\';
    ::lstrcpynW(path + length + 1, name, 15);
    return ::LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <typename Fn>
bool find_export(const Module& module, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module.get(), name)));
    return fn != nullptr;
}

}  // namespace

std::expected<void, OsError> restrict_library_search(const Exports& exports) {
    // The current directory leaves the search order, and SearchPathW looks in it last: both
    // are the best an older Windows has, and harmless where the restriction below holds.
    ::SetDllDirectoryW(L"");
    ::SetSearchPathMode(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
    // The restriction itself: Windows 8 and later, and Windows 7 with the loader update of
    // 2011 (KB2533623, part of every later rollup). Looked up, not imported, so that the
    // helper still starts, and says so in its log, where it is missing.
    if (!exports.set_default_dll_directories)
        return std::unexpected(OsError{ERROR_PROC_NOT_FOUND, "SetDefaultDllDirectories"});
    if (!exports.set_default_dll_directories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return std::unexpected(last_error("SetDefaultDllDirectories"));
    return {};
}

std::expected<void, OsError> ComLibraries::load() {
    // Unloaded again when anything is missing, for the next shortcut to try anew.
    Module ole32(load_system_library(L"ole32.dll"));
    if (!ole32) return std::unexpected(last_error("LoadLibraryExW"));
    Module oleaut32(load_system_library(L"oleaut32.dll"));
    if (!oleaut32) return std::unexpected(last_error("LoadLibraryExW"));
    const bool found = find_export(ole32, "CoInitializeEx", initialize) &&
                       find_export(ole32, "CoUninitialize", uninitialize) &&
                       find_export(ole32, "CoCreateInstance", create_instance) &&
                       find_export(ole32, "GetErrorInfo", get_error_info) &&
                       find_export(oleaut32, "SysFreeString", free_string);
    if (!found) {
        free_string = nullptr;
        return std::unexpected(last_error("GetProcAddress"));
    }
    // Then kept for the rest of the process, as an imported DLL is: COM may keep using them
    // after a shortcut was read, and nothing of them is unloaded while the process ends.
    (void)ole32.release();
    (void)oleaut32.release();
    return {};
}

}  // namespace tu::win32
