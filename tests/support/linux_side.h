// The Linux side of a Wine prefix, for what a Windows program cannot make there: symbolic
// links (Wine cannot make Windows links, but it follows these, and the final-name query
// reports where they lead), and folders whose names differ only in letter case (Wine finds
// an existing name whatever its case, so it never makes a second one). Outside Wine each of
// these says it could not.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/command_line.h"
#include "support/start_process.h"

namespace tu::test_support {

// The Linux path of a Windows path, through Wine's own export; empty when not under Wine.
inline std::wstring unix_path(const std::wstring& path) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto to_unix =
        reinterpret_cast<UnixName>(reinterpret_cast<void*>(::GetProcAddress(kernel, "wine_get_unix_file_name")));
    if (!to_unix) return {};
    char* name = to_unix(path.c_str());
    if (!name) return {};
    // Wine hands the name over in the locale's encoding, UTF-8 here.
    const int units = ::MultiByteToWideChar(CP_UTF8, 0, name, -1, nullptr, 0);
    std::wstring out(units > 0 ? static_cast<std::size_t>(units) : 1u, L'\0');
    if (units > 0) ::MultiByteToWideChar(CP_UTF8, 0, name, -1, out.data(), units);
    out.resize(out.size() - 1);
    ::HeapFree(::GetProcessHeap(), 0, name);
    return out;
}

// The Linux path for a new entry: its folder's, and its own name as written. (Wine maps a
// name that is not there to one that differs from it only in case.)
inline std::wstring unix_path_for(const std::wstring& path) {
    const std::size_t cut = path.find_last_of(L'\\');
    if (cut == std::wstring::npos) return {};
    const std::wstring folder = unix_path(path.substr(0, cut));
    return folder.empty() ? folder : folder + L"/" + path.substr(cut + 1);
}

// Starts a Linux program: Wine starts an ELF file like any other program, but reports no
// process for it, so callers wait for the program's effect instead. Wine 8 returns TRUE and
// fills PROCESS_INFORMATION with whatever was on its stack: the "handles" there are not
// ours, and closing one closed this program's own stdout (every later line of the test run
// was lost, the run still ended with status 0). Nothing from it is touched.
inline bool start_linux(const std::wstring& program, const std::vector<std::wstring>& args) {
    std::wstring command_line = quote_argument(program.substr(program.find_last_of(L'\\') + 1));
    for (const std::wstring& arg : args) command_line += L" " + quote_argument(arg);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION unusable{};
    return start_process(program.c_str(), command_line.data(), 0, nullptr, &startup, &unusable) != FALSE;
}

// Waits (up to ten seconds) until `done` holds.
template <class Done>
bool wait_until(Done done) {
    for (int tries = 0; tries < 500; ++tries) {
        if (done()) return true;
        ::Sleep(20);
    }
    return done();
}

// Whether its folder holds an entry of exactly this name, even a link that leads nowhere.
// Exactly: Wine answers for a name that is not there with one that differs only in case.
inline bool entry_exists(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    const HANDLE find = ::FindFirstFileW(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    ::FindClose(find);
    return path.ends_with(L"\\" + std::wstring(data.cFileName));
}

// A symbolic link at `link` to `target` (a Linux path, relative to the link's folder or
// absolute). False when not under Wine.
inline bool make_linux_symlink(const std::wstring& link, const std::wstring& target) {
    const std::wstring at = unix_path_for(link);
    if (at.empty() || !start_linux(L"Z:\\bin\\ln", {L"-s", L"--", target, at})) return false;
    return wait_until([&] { return entry_exists(link); });
}

// A folder named exactly so, beside any whose name differs from it only in case.
inline bool make_linux_dir(const std::wstring& path) {
    const std::wstring at = unix_path_for(path);
    if (at.empty() || !start_linux(L"Z:\\bin\\mkdir", {L"-p", L"--", at})) return false;
    return wait_until([&] { return entry_exists(path); });
}

// Removes a tree on the Linux side, where removal never follows a link (Wine's own deletion
// of a link deletes what it leads to). Whether it is gone.
inline bool remove_linux_tree(const std::wstring& path) {
    if (!entry_exists(path)) return true;
    const std::wstring at = unix_path(path);
    if (at.empty() || !start_linux(L"Z:\\bin\\rm", {L"-rf", L"--", at})) return false;
    return wait_until([&] { return !entry_exists(path); });
}

}  // namespace tu::test_support
