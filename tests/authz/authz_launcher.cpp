// Plays the uninstaller: starts a program with the arguments it was given, followed by
// "--parent-pid {own pid} --parent-path {own path}" as GetModuleFileNameW reports it, waits
// for it and returns its exit status. Copied under the uninstaller's names and into the
// places the caller check accepts or refuses.
//
//   authz_launcher [--claim-path PATH] PROGRAM [ARG...]
//
// --claim-path passes PATH instead of the own path.
// Exit status: the program's, or 90 and above when the launcher itself failed.
#include <windows.h>

#include <string>
#include <vector>

#include "support/command_line.h"
#include "support/start_process.h"
#include "platform/win32/win32_platform.h"

namespace {

std::wstring w(const tu::PString& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

int main() {
    tu::Platform& os = tu::win32::platform();
    const std::vector<tu::PString> args = os.command_line();

    std::wstring claimed_path;
    std::size_t next = 1;
    if (next + 1 < args.size() && args[next] == u"--claim-path") {
        claimed_path = w(args[next + 1]);
        next += 2;
    }
    if (next >= args.size()) return 90;

    auto own_path = os.module_path();
    if (!own_path) return 91;
    const DWORD own_pid = ::GetCurrentProcessId();

    using tu::test_support::quote_argument;
    const std::wstring program = w(args[next]);
    std::wstring command = quote_argument(program);
    for (std::size_t i = next + 1; i < args.size(); ++i) command += L" " + quote_argument(w(args[i]));
    command += L" --parent-pid " + std::to_wstring(own_pid);
    command += L" --parent-path " + quote_argument(claimed_path.empty() ? w(*own_path) : claimed_path);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child{};
    if (!tu::test_support::start_process(program.c_str(), command.data(), 0, nullptr, &startup, &child))
        return 92;
    DWORD status = 93;
    if (::WaitForSingleObject(child.hProcess, 120'000) == WAIT_OBJECT_0) {
        ::GetExitCodeProcess(child.hProcess, &status);
    } else {
        ::TerminateProcess(child.hProcess, 94);
        status = 94;
    }
    ::CloseHandle(child.hThread);
    ::CloseHandle(child.hProcess);
    return static_cast<int>(status);
}
