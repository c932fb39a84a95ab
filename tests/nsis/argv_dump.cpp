// A stand-in for the helper in the tests of the NSIS include: it records how it was started
// and ends with a chosen status, so that the include can be tested on its own.
//
// Writes to the file named by TU_ARGV_DUMP (UTF-8, one item per line):
//   self=<own path>
//   parent_pid=<parent process id from a process snapshot>
//   cwd=<the working directory it was started in>
//   cmdline=<the raw command line>
//   shell=<argument>   one line per argument as CommandLineToArgvW splits the command line
//   crt=<argument>     one line per argument as the C runtime handed it to wmain
// and exits with the number in TU_ARGV_DUMP_STATUS (0 when unset).
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string out(static_cast<std::size_t>(size - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    return out;
}

unsigned long parent_pid() {
    const DWORD self = GetCurrentProcessId();
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    unsigned long parent = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == self) {
            parent = entry.th32ParentProcessID;
            break;
        }
    }
    CloseHandle(snapshot);
    return parent;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const wchar_t* dump = _wgetenv(L"TU_ARGV_DUMP");
    const wchar_t* status_text = _wgetenv(L"TU_ARGV_DUMP_STATUS");
    const int status = status_text ? _wtoi(status_text) : 0;
    if (!dump) return status;

    std::string out;
    wchar_t self[32768];
    const DWORD self_size = GetModuleFileNameW(nullptr, self, 32768);
    self[self_size < 32768 ? self_size : 32767] = L'\0';
    out += "self=" + utf8(self) + "\n";
    out += "parent_pid=" + std::to_string(parent_pid()) + "\n";
    wchar_t cwd[32768];
    const DWORD cwd_size = GetCurrentDirectoryW(32768, cwd);
    cwd[cwd_size < 32768 ? cwd_size : 0] = L'\0';
    out += "cwd=" + utf8(cwd) + "\n";
    out += "cmdline=" + utf8(GetCommandLineW()) + "\n";
    int shell_argc = 0;
    if (wchar_t** shell_argv = CommandLineToArgvW(GetCommandLineW(), &shell_argc)) {
        for (int i = 1; i < shell_argc; ++i) out += "shell=" + utf8(shell_argv[i]) + "\n";
        LocalFree(shell_argv);
    }
    for (int i = 1; i < argc; ++i) out += "crt=" + utf8(argv[i]) + "\n";

    if (FILE* file = _wfopen(dump, L"wb")) {
        std::fwrite(out.data(), 1, out.size(), file);
        std::fclose(file);
    }
    return status;
}
