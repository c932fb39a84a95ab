// "Another process" for the Win32 layer's tests:
//   test_child hold PATH READY_EVENT STOP_EVENT [delete]
//                                                 holds PATH open, with delete sharing only
//                                                 when asked
//   test_child args OUT ARG...                    writes the arguments it received
// Results are UTF-8 lines in OUT; the exit status says whether the step worked.
#include <windows.h>

#include <string>

#include "platform/text.h"
#include "platform/win32/win32_platform.h"

namespace {

using tu::PString;

int write_lines(const PString& out, const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    HANDLE file = ::CreateFileW(reinterpret_cast<const wchar_t*>(out.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 5;
    DWORD written = 0;
    const bool done = ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                      written == text.size();
    ::CloseHandle(file);
    return done ? 0 : 5;
}

int hold(const PString& path, const PString& ready_name, const PString& stop_name, bool share_delete) {
    // Read and write sharing; without delete sharing, opens for DELETE fail with a sharing
    // violation while this handle is open.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | (share_delete ? FILE_SHARE_DELETE : 0);
    HANDLE file = ::CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_READ, share, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    HANDLE ready = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, reinterpret_cast<const wchar_t*>(ready_name.c_str()));
    HANDLE stop = ::OpenEventW(SYNCHRONIZE, FALSE, reinterpret_cast<const wchar_t*>(stop_name.c_str()));
    if (!ready || !stop) return 4;
    ::SetEvent(ready);
    ::WaitForSingleObject(stop, 60'000);
    ::CloseHandle(file);
    ::CloseHandle(ready);
    ::CloseHandle(stop);
    return 0;
}

}  // namespace

int main() {
    tu::Platform& os = tu::win32::platform();
    const std::vector<PString> args = os.command_line();
    if (args.size() < 3) return 2;
    const PString& mode = args[1];
    if (mode == u"hold" && (args.size() == 5 || args.size() == 6))
        return hold(args[2], args[3], args[4], args.size() == 6 && args[5] == u"delete");
    if (mode == u"args") {
        std::vector<std::string> lines;
        for (std::size_t i = 3; i < args.size(); ++i) lines.push_back(tu::to_utf8(args[i]));
        return write_lines(args[2], lines);
    }
    return 2;
}
