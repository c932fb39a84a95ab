// Tries, as another program of the same user would, to change what the NSIS include has
// staged while the uninstaller waits to start it: to open the staged helper for writing, to
// delete it, to rename it, and to rename its folder. Prints one line per attempt, the Win32
// error code it ended with (0: it succeeded), e.g. "write=32".
//
// Usage: stage_probe FOLDER
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

unsigned long outcome(BOOL done) { return done ? 0 : GetLastError(); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    const std::wstring folder = argv[1];
    const std::wstring helper = folder + L"\\tarvo-untarvo.exe";

    HANDLE writer = CreateFileW(helper.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    const unsigned long write = writer == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    std::printf("write=%lu\n", write);
    std::printf("delete=%lu\n", outcome(DeleteFileW(helper.c_str())));
    std::printf("rename=%lu\n", outcome(MoveFileW(helper.c_str(), (folder + L"\\renamed.exe").c_str())));
    std::printf("rename_folder=%lu\n", outcome(MoveFileW(folder.c_str(), (folder + L"-moved").c_str())));
    return 0;
}
