// Faults around a real run under Wine: a log folder that cannot be written, a file another
// program keeps open past every attempt, and an uninstaller that is gone before the helper
// looks it up. A log fault changes nothing but the log; the held file ends the run with the
// final message after its attempts, leaving what was removed before; the vanished parent
// refuses the run before anything is touched.
//
// A read-only log file is not tried here: Wine as root opens it for writing all the same.
// The fake platform covers it.
#include "hostile_station.h"

namespace e2e::hostile {
namespace {

class HostileWineFaults : public Station {};

TEST_F(HostileWineFaults, UnwritableLogFolderChangesNothingButTheLog) {
    // The log goes below the first --install-dir, a drive that does not exist; the profile
    // works on the last one.
    std::vector<std::wstring> args{L"--install-dir", L"Q:\\tu-nowhere"};
    for (const std::wstring& arg : command_line(lc_kapta, L"full")) args.push_back(arg);
    expect_run("no such drive", args, 2, "", full_removal(lc_kapta));
    EXPECT_EQ(run_log(), std::vector<std::string>{});

    // Where the logs folder should be there is a file.
    expect_run("logs is a file", with(command_line(lc_okrsek, L"selected"), {L"--okrsek", L"12345"}), 1, "",
               precinct_removal(lc_okrsek, L"12345"), [](Station& s) {
                   wipe_tree(s.logs);
                   write_file(s.logs, "not a folder");
                   return true;
               });
    EXPECT_EQ(read_whole(logs), "not a folder");
}

// About 14.5 s of pauses: the one case that waits out every attempt for real.
TEST_F(HostileWineFaults, FileHeldOpenPastEveryAttemptFailsTheRunAndEarlierRemovalsStay) {
    prepare();
    const std::wstring app = dir(lc_kapta);
    // The running application: open without delete sharing for the whole run.
    const HANDLE held = CreateFileW(main_exe(lc_kapta).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const auto before = disk(root);
    const Exit exit = run(command_line(lc_kapta, L"full"));
    const auto after = disk(root);
    CloseHandle(held);

    EXPECT_EQ(exit.status, 2u);
    const std::vector<std::string> log = run_log();
    ASSERT_GE(log.size(), 30u);
    const std::string shown = utf8(app);
    for (int attempt = 1; attempt <= 29; ++attempt) {
        const std::string& retry = log[log.size() - 31 + static_cast<std::size_t>(attempt)];
        EXPECT_TRUE(retry.starts_with("retry dir delete " + std::to_string(attempt) + "/30: " + shown + " (os_error=Some(32), "))
            << retry;
        EXPECT_TRUE(retry.ends_with(" (os error 32))")) << retry;
    }
    EXPECT_TRUE(log.back().starts_with("ERROR: failed to remove dir " + shown + " after 30 attempts (os_error=Some(32)): "))
        << log.back();
    EXPECT_TRUE(log.back().ends_with(" (os error 32)")) << log.back();

    // The shortcuts went before the folder and stay gone; of the folder, the held file stays,
    // and whatever the walk reached before it (the listing's order decides) is gone.
    std::vector<std::string> shortcuts = full_removal(lc_kapta);
    std::erase(shortcuts, relative(app));
    const std::string app_prefix = relative(app) + "\\";
    for (const auto& [path, value] : before) {
        const auto now = after.find(path);
        const bool shortcut = std::find(shortcuts.begin(), shortcuts.end(), path) != shortcuts.end();
        if (shortcut) {
            EXPECT_EQ(now, after.end()) << path;
        } else if (now == after.end()) {
            EXPECT_TRUE(path.starts_with(app_prefix)) << path;
        } else {
            EXPECT_EQ(now->second, value) << path;
        }
    }
    EXPECT_TRUE(exists(main_exe(lc_kapta)));
}

// Another program keeps a file of the application open with delete sharing: its deletion is
// accepted, but it stays until the program lets go, and so does the folder. The run reports
// the folder removed only once it is gone.
TEST_F(HostileWineFaults, FolderIsNotReportedRemovedWhileAFileInItStands) {
    prepare();
    const std::wstring app = dir(lc_kapta);
    const HANDLE held = CreateFileW(main_exe(lc_kapta).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const auto running = start(command_line(lc_kapta, L"full"));
    const bool retried = wait_for_line("retry dir delete 1/30: " + utf8(app));
    const std::vector<std::string> before_release = run_log();
    const bool stood = exists(app);
    CloseHandle(held);
    const Exit exit = running->wait();

    EXPECT_TRUE(retried);
    EXPECT_TRUE(stood);
    for (const std::string& l : before_release) EXPECT_NE(l, "removed dir: " + utf8(app));
    EXPECT_EQ(exit.status, 0u);
    EXPECT_EQ(run_log().back(), "tarvo-untarvo completed");
    EXPECT_FALSE(exists(app));
}

// The application folder, or the install directory above it, is moved aside and replaced by
// a link while the run pauses between attempts at a held shortcut: the approved folder is
// no longer where the link leads, and nothing there is deleted.
TEST_F(HostileWineFaults, FolderSwappedForALinkDuringAPauseIsNotFollowed) {
    struct Case {
        const char* what;
        std::wstring moved;       // the folder moved aside
        std::string link_target;  // relative to the moved folder's parent
        std::wstring victim;      // the application folder as the link shows it
    };
    const Case cases[] = {
        {"application folder", dir(lc_okrsek), "../Outside/victim", outside() + L"\\victim"},
        {"install directory", install, "Outside/elsewhere", in(outside() + L"\\elsewhere", lc_okrsek.folder)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prepare();
        write_file(outside() + L"\\victim\\precious.db", "victim");
        write_file(in(outside() + L"\\elsewhere", lc_okrsek.folder) + L"\\precious.db", "victim");
        const std::wstring shortcut = start_menu + L"\\" + item_shortcut(lc_okrsek, L"12345");
        const HANDLE held = CreateFileW(shortcut.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        // The log is written through the handle it was opened with: it stays with the folder
        // that was moved aside, and nothing is written where the link leads.
        const std::wstring log_dir = (c.moved == install ? install + L".moved" : install) + L"\\logs";
        const auto outside_before = disk(outside());
        const auto running = start(command_line(lc_okrsek, L"full"));
        const bool paused = wait_for_line("retry file delete 1/30: " + utf8(shortcut));
        const std::wstring& moved = c.moved;
        const bool swapped = MoveFileW(moved.c_str(), (moved + L".moved").c_str()) && link(moved, c.link_target);
        CloseHandle(held);
        const Exit exit = running->wait();

        ASSERT_TRUE(paused);
        ASSERT_TRUE(swapped);
        EXPECT_EQ(exit.status, 1u);
        const std::string app = utf8(dir(lc_okrsek));
        std::vector<std::wstring> logs_there = names_in(log_dir);
        std::erase(logs_there, L"older.log");
        ASSERT_EQ(logs_there.size(), 1u);
        EXPECT_EQ(read_lines(log_dir + L"\\" + logs_there.front()).back(),
                  "ERROR: failed to remove dir " + app + " after 30 attempts (os_error=None): refused to delete " + app +
                      ": it leads to " + utf8(c.victim));
        EXPECT_EQ(disk(outside()), outside_before);
        EXPECT_TRUE(exists(moved + L".moved"));
    }
}

// The uninstaller starts the helper and is gone before the helper asks who its parent was.
// The stand-in uninstaller never runs: it is made the helper's parent, ended, and only when
// it can no longer be opened does the helper start running.
TEST_F(HostileWineFaults, ParentThatExitedBeforeTheLookupIsRefused) {
    prepare();
    const std::wstring uninstaller = Station::uninstaller();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION stand_in{};
    std::wstring stand_in_line = quote_argument(uninstaller);
    ASSERT_TRUE(start_process(uninstaller.c_str(), stand_in_line.data(), CREATE_SUSPENDED, nullptr, &startup, &stand_in));

    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<unsigned char> storage(size);
    const auto attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
    ASSERT_TRUE(InitializeProcThreadAttributeList(attributes, 1, 0, &size));
    HANDLE parent_handle = stand_in.hProcess;
    ASSERT_TRUE(UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_PARENT_PROCESS, &parent_handle,
                                          sizeof parent_handle, nullptr, nullptr));
    STARTUPINFOEXW helper_startup{};
    helper_startup.StartupInfo.cb = sizeof helper_startup;
    helper_startup.lpAttributeList = attributes;
    std::wstring helper_line = quote_argument(helper);
    for (const std::wstring& arg : with(command_line(lc_okrsek, L"selected"),
                                        {L"--okrsek", L"12345", L"--parent-pid", std::to_wstring(stand_in.dwProcessId),
                                         L"--parent-path", uninstaller}))
        helper_line += L" " + quote_argument(arg);

    const auto before = disk(root);
    PROCESS_INFORMATION started{};
    const BOOL created = start_process(helper.c_str(), helper_line.data(), CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT,
                                      nullptr, &helper_startup.StartupInfo, &started);
    DeleteProcThreadAttributeList(attributes);
    TerminateProcess(stand_in.hProcess, 0);
    WaitForSingleObject(stand_in.hProcess, INFINITE);
    CloseHandle(stand_in.hThread);
    CloseHandle(stand_in.hProcess);
    ASSERT_TRUE(created) << GetLastError();

    // The ended process lingers while the system lets go of it.
    bool gone = false;
    for (int tries = 0; tries < 200 && !gone; ++tries) {
        const HANDLE probe = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, stand_in.dwProcessId);
        gone = probe == nullptr;
        if (probe) CloseHandle(probe);
        else break;
        Sleep(50);
    }
    EXPECT_TRUE(gone);

    ResumeThread(started.hThread);
    EXPECT_EQ(WaitForSingleObject(started.hProcess, 120'000), WAIT_OBJECT_0);
    DWORD status = 9999;
    GetExitCodeProcess(started.hProcess, &status);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);

    EXPECT_EQ(status, 1u);
    const std::vector<std::string> log = run_log();
    ASSERT_FALSE(log.empty());
    // The parent cannot be opened (invalid parameter). Should its id have gone to another
    // process meanwhile, that process's image path refuses the run instead.
    const std::string opened = "ERROR: failed to open process " + std::to_string(stand_in.dwProcessId) + ": ";
    const bool open_failed = log.back().starts_with(opened) && log.back().ends_with("(0x80070057)");
    const bool reused = log.back().starts_with("ERROR: helper parent process mismatch: expected " + utf8(uninstaller));
    EXPECT_TRUE(open_failed || reused) << log.back();
    expect_only_removed(before, disk(root), {}, [](const std::string& path) {
        return path.starts_with("Tarvo\\logs\\") && path.ends_with(".log");
    });
}

}  // namespace
}  // namespace e2e::hostile
