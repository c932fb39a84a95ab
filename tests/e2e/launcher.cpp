// Stands in for the NSIS uninstaller in the end-to-end tests and the demo. Copied into place
// as "Zudeded2026.exe" in the install directory or as "Un.exe" under the temporary directory,
// it starts the staged helper with the arguments it was given plus its own process id and
// path, waits for it and ends with the helper's exit status.
//
// The helper is TU_STAGED_HELPER when that is set, else tarvo-stage\tarvo-untarvo.exe in the
// temporary directory.
#include <windows.h>

#include <string>
#include <vector>

#include "support/command_line.h"
#include "support/start_process.h"

namespace {

constexpr DWORD launcher_failed = 250;

std::wstring module_path() {
    std::vector<wchar_t> buffer(32768);
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    return std::wstring(buffer.data(), length);
}

std::wstring staged_helper() {
    std::vector<wchar_t> buffer(32768);
    DWORD length = GetEnvironmentVariableW(L"TU_STAGED_HELPER", buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length > 0 && length < buffer.size()) return std::wstring(buffer.data(), length);
    length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    return std::wstring(buffer.data(), length) + L"tarvo-stage\\tarvo-untarvo.exe";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring helper = staged_helper();
    std::wstring command_line = tu::test_support::quote_argument(helper);
    for (int i = 1; i < argc; ++i) command_line += L" " + tu::test_support::quote_argument(argv[i]);
    command_line += L" --parent-pid " + std::to_wstring(GetCurrentProcessId());
    command_line += L" --parent-path " + tu::test_support::quote_argument(module_path());

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!tu::test_support::start_process(helper.c_str(), command_line.data(), 0, nullptr, &startup, &process))
        return launcher_failed;
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = launcher_failed;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
}
