// Starting a test program. Under Wine, CreateProcessW now and then fails with
// ERROR_INTERNAL_ERROR (1359) when the new process dies while it is being set up, most often
// on a loaded machine; nothing about the program or its command line is wrong and the same
// call succeeds when repeated. Every test program that starts another goes through this, so
// that such a failure is retried a few times instead of failing a test that has not run yet.
#pragma once

#include <windows.h>

namespace tu::test_support {

inline BOOL start_process(const wchar_t* program, wchar_t* command_line, DWORD flags, const wchar_t* cwd,
                          STARTUPINFOW* startup, PROCESS_INFORMATION* info) {
    for (DWORD attempt = 1;; ++attempt) {
        if (::CreateProcessW(program, command_line, nullptr, nullptr, FALSE, flags, nullptr, cwd, startup, info))
            return TRUE;
        const DWORD error = ::GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == 5) {
            ::SetLastError(error);
            return FALSE;
        }
        ::Sleep(200 * attempt);
    }
}

}  // namespace tu::test_support
