// What another program of the signed-in user can plant where the helper loads and writes,
// tried for real under Wine: DLLs beside the staged helper under the names of system DLLs,
// the log folder made a link to another folder, and links and hard links standing under the
// log's own names, which anyone can work out in advance. Nothing planted is loaded or
// written, and every run does what it would have done.
//
// Wine takes its own built-in DLLs before a file beside a program; told to look for native
// DLLs first (WINEDLLOVERRIDES=...=n,b), it searches as Windows searches for every DLL it does
// not protect as a known DLL: the program's own folder first. The planted DLLs' test runs
// apart, with such overrides (tests/e2e/CMakeLists.txt), and plants a DLL under every name
// they list.
#include "hostile_station.h"

#include <tlhelp32.h>

#include <cwctype>

namespace e2e::hostile {
namespace {

// The names Wine is told to look for native first, from this process's own overrides
// ("a,b=n,b;c=d"), which every program it starts inherits.
std::vector<std::string> native_first_names() {
    std::vector<wchar_t> buffer(32768);
    const DWORD length = GetEnvironmentVariableW(L"WINEDLLOVERRIDES", buffer.data(), static_cast<DWORD>(buffer.size()));
    const std::string overrides = length < buffer.size() ? utf8(std::wstring_view(buffer.data(), length)) : "";
    std::vector<std::string> names;
    for (std::size_t start = 0; start < overrides.size();) {
        std::size_t end = overrides.find(';', start);
        if (end == std::string::npos) end = overrides.size();
        const std::string group = overrides.substr(start, end - start);
        const std::size_t equals = group.find('=');
        if (equals != std::string::npos && group.substr(equals + 1) == "n,b") {
            for (std::size_t at = 0; at < equals;) {
                std::size_t comma = group.find(',', at);
                if (comma == std::string::npos || comma > equals) comma = equals;
                names.push_back(group.substr(at, comma - at));
                at = comma + 1;
            }
        }
        start = end + 1;
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The names of the planted DLLs that something loaded (each left "<name>.dll.loaded").
std::vector<std::string> loaded_from(const std::wstring& dir) {
    std::vector<std::string> out;
    for (const std::wstring& name : names_in(dir))
        if (name.ends_with(L".dll.loaded")) out.push_back(utf8(name.substr(0, name.size() - 11)));
    return out;
}

std::wstring lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

// The helper started by the launcher whose process id is given, once it runs.
DWORD child_of(DWORD parent) {
    DWORD found = 0;
    wait_until([&] {
        const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
            if (entry.th32ParentProcessID == parent) found = entry.th32ProcessID;
        CloseHandle(snapshot);
        return found != 0;
    });
    return found;
}

// The files of every module loaded into a process, in lower case.
std::vector<std::wstring> modules_of(DWORD pid) {
    std::vector<std::wstring> out;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snapshot == INVALID_HANDLE_VALUE) return out;
    MODULEENTRY32W module{};
    module.dwSize = sizeof module;
    for (BOOL more = Module32FirstW(snapshot, &module); more; more = Module32NextW(snapshot, &module))
        out.push_back(lower(module.szExePath));
    CloseHandle(snapshot);
    return out;
}

// The system clock in milliseconds since 1970, as the log names take it.
std::uint64_t now_ms() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return ((static_cast<std::uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime) - 116444736000000000ull) / 10'000;
}

std::wstring system_folder() {
    wchar_t buffer[MAX_PATH + 1];
    const UINT length = GetSystemDirectoryW(buffer, MAX_PATH + 1);
    return lower(std::wstring(buffer, length)) + L"\\";
}

class HostileWinePlanted : public Station {
protected:
    void TearDown() override {
        remove_linux_tree(L"C:\\Tarvo");
        Station::TearDown();
    }

    // The processing application, which lives in C:\Tarvo whatever the workstation has, with
    // no shortcut to read.
    std::vector<std::wstring> install_processing() {
        without_shortcuts();
        remove_linux_tree(L"C:\\Tarvo");
        use_install_dir(L"C:\\Tarvo");
        write_file(main_exe(lc_sumar), "MZ " + lc_sumar.folder);
        write_file(dir(lc_sumar) + L"\\vysledky\\souhrn.csv", "results");
        launcher_as_installed_uninstaller();
        return command_line(lc_sumar, L"full");
    }

    // Plants a link (or a hard link) to `target` in `dir` under the name `head`N`tail` for
    // every N from `first` to `last`, all at once from the Linux side (perl is part of every
    // Debian system); their names, sorted, once the last stands.
    std::vector<std::wstring> plant_links(const std::wstring& dir, const std::wstring& head, std::uint64_t first,
                                          std::uint64_t last, const std::wstring& tail, const std::wstring& target,
                                          bool hard) {
        std::vector<std::wstring> names;
        for (std::uint64_t n = first; n <= last; ++n) names.push_back(head + std::to_wstring(n) + tail);
        const std::wstring script = std::wstring(L"chdir $ARGV[0] or die; for my $n ($ARGV[1] .. $ARGV[2]) { ") +
                                    (hard ? L"link" : L"symlink") + L"($ARGV[3], \"$ARGV[4]$n$ARGV[5]\") or die }";
        const bool started = start_linux(L"Z:\\usr\\bin\\perl",
                                         {L"-e", script, unix_path(dir), std::to_wstring(first), std::to_wstring(last),
                                          unix_path(target), head, tail});
        if (!started || !wait_until([&] { return entry_exists(dir + L"\\" + names.back()); })) names.clear();
        std::sort(names.begin(), names.end());
        return names;
    }

    // Clears the shortcut folders: a processing run there reads no shortcut.
    void without_shortcuts() {
        for (const std::wstring& folder : {desktop, programs}) remove_linux_tree(folder);
        make_dirs(desktop);
        make_dirs(start_menu);
    }
};

// DLLs planted in the staging folder under the name of every DLL the helper and the system
// DLLs it uses load are loaded by a program that searches the ordinary way (the trap works),
// and by no kind of run of the helper, which goes on as it would without them.
TEST_F(HostileWinePlanted, DllsBesideTheStagedHelperAreNotLoaded) {
    const std::vector<std::string> planted = native_first_names();
    ASSERT_FALSE(planted.empty()) << "Wine is not told to look for any DLL beside a program first";
    prepare();
    for (const std::string& name : planted) copy_file(built_planted_dll(), stage + L"\\" + wide(name) + L".dll");

    const std::wstring probe = stage + L"\\dll-probe.exe";
    copy_file(built_dll_probe(), probe);
    std::vector<std::wstring> dlls;
    for (const std::string& name : planted) dlls.push_back(wide(name) + L".dll");
    EXPECT_EQ(run_process(probe, dlls).status, 0u);
    ASSERT_EQ(loaded_from(stage), planted) << "a planted DLL that nothing loads proves nothing";
    for (const std::string& name : planted) DeleteFileW((stage + L"\\" + wide(name) + L".dll.loaded").c_str());

    // Shortcuts read (data entry, precinct), and none (processing).
    expect_run("data entry", command_line(lc_kapta, L"full"), 2, "", full_removal(lc_kapta));
    EXPECT_EQ(loaded_from(stage), std::vector<std::string>{});
    expect_run("precinct", with(command_line(uh_okrsek, L"selected"), {L"--okrsek", wide(uh_okrsek.items[0])}), 1, "",
               precinct_removal(uh_okrsek, wide(uh_okrsek.items[0])));
    EXPECT_EQ(loaded_from(stage), std::vector<std::string>{});
    prepare();
    const std::vector<std::wstring> processing = install_processing();
    EXPECT_EQ(run(processing).status, 0u);
    EXPECT_FALSE(exists(dir(lc_sumar)));
    EXPECT_EQ(loaded_from(stage), std::vector<std::string>{});
}

// Paused in the middle of a run: every module in the helper is the helper itself or comes
// from the system folder, and COM's libraries are there only once a shortcut was read. A
// precinct run removes the precinct's data first and reads its shortcuts last; a data-entry
// run reads its shortcuts before the application folder.
TEST_F(HostileWinePlanted, ModulesComeFromTheSystemFolderAndComOnlyWithAShortcut) {
    struct Case {
        const char* what;
        std::vector<std::wstring> args;
        std::wstring held;  // a file the run pauses at
        bool com;
    };
    prepare();
    const Case cases[] = {
        {"precinct before its shortcuts", with(command_line(lc_okrsek, L"selected"), {L"--okrsek", L"12345"}),
         dir(lc_okrsek) + L"\\Data\\12345\\okrsek.db", false},
        {"data entry after its shortcuts", command_line(lc_kapta, L"full"), main_exe(lc_kapta), true},
    };
    const std::wstring system = system_folder();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prepare();
        const HANDLE held = CreateFileW(c.held.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        const auto running = start(c.args);
        const bool paused = wait_for_line("retry dir delete 1/30: ");
        const std::vector<std::wstring> modules = modules_of(child_of(running->pid()));
        CloseHandle(held);
        EXPECT_EQ(running->wait().status, 0u);

        ASSERT_TRUE(paused);
        ASSERT_FALSE(modules.empty());
        EXPECT_EQ(modules.front(), lower(helper));
        for (std::size_t i = 1; i < modules.size(); ++i) EXPECT_TRUE(modules[i].starts_with(system)) << utf8(modules[i]);
        for (const std::wstring com : {L"ole32.dll", L"oleaut32.dll", L"shell32.dll"})
            EXPECT_EQ(std::find(modules.begin(), modules.end(), system + com) != modules.end(), c.com) << utf8(com);
    }
}

// The log folder made a link to another folder: every kind of run goes on as it would, and
// nothing appears where the link leads.
TEST_F(HostileWinePlanted, LogFolderThatIsALinkLeavesWhereItLeadsEmpty) {
    const auto link_logs = [](Station& s) {
        make_dirs(s.outside() + L"\\elsewhere");
        remove_linux_tree(s.logs);
        return s.link(s.logs, utf8(unix_path(s.outside() + L"\\elsewhere")));
    };
    expect_run("data entry", command_line(lc_kapta, L"full"), 2, "", full_removal(lc_kapta), link_logs);
    EXPECT_EQ(names_in(outside() + L"\\elsewhere"), std::vector<std::wstring>{});
    expect_run("municipal precinct", with(command_line(lc_okrsek, L"selected"), {L"--okrsek", L"12345"}), 1, "",
               precinct_removal(lc_okrsek, L"12345"), link_logs);
    EXPECT_EQ(names_in(outside() + L"\\elsewhere"), std::vector<std::wstring>{});
    expect_run("senate precinct", command_line(uh_okrsek, L"full"), 1, "", full_removal(uh_okrsek), link_logs);
    EXPECT_EQ(names_in(outside() + L"\\elsewhere"), std::vector<std::wstring>{});

    prepare();
    const std::vector<std::wstring> processing = install_processing();
    ASSERT_TRUE(link_logs(*this));
    EXPECT_EQ(run(processing).status, 0u);
    EXPECT_FALSE(exists(dir(lc_sumar)));
    EXPECT_EQ(names_in(outside() + L"\\elsewhere"), std::vector<std::wstring>{});
}

// Links and hard links to a file outside, planted under every name the log of a run can
// take: the file stays as it was, byte for byte, and the log is missing. The helper is
// started suspended, so that its process id is known, straight from the test (its caller
// check refuses it, after the log was opened); the data-entry log is named by the
// millisecond, so names are planted for five seconds ahead and the run starts in them.
TEST_F(HostileWinePlanted, LinksUnderTheLogsNamesLeaveTheirFileAsItWas) {
    prepare();
    const std::wstring victim = outside() + L"\\victim.txt";
    write_file(victim, "abc");
    for (const bool data_entry : {false, true}) {
        for (const bool hard : {false, true}) {
            SCOPED_TRACE(std::string(data_entry ? "data entry" : "precinct") + (hard ? ", hard links" : ", links"));
            remove_linux_tree(logs);
            make_dirs(logs);
            std::wstring line = quote_argument(helper);
            for (const std::wstring& arg : data_entry ? command_line(lc_kapta, L"full")
                                                      : with(command_line(lc_okrsek, L"selected"), {L"--okrsek", L"12345"}))
                line += L" " + quote_argument(arg);
            STARTUPINFOW startup{};
            startup.cb = sizeof startup;
            PROCESS_INFORMATION started{};
            ASSERT_TRUE(start_process(helper.c_str(), line.data(), CREATE_SUSPENDED, nullptr, &startup, &started));

            const std::uint64_t now = now_ms();
            const std::vector<std::wstring> names =
                data_entry ? plant_links(logs, L"tarvo-untarvo-", now + 3'000, now + 8'000, L".log", victim, hard)
                           : plant_links(logs, L"lc-okrsek-uninstall-untarvo-", now / 1000, now / 1000 + 10,
                                         L"-" + std::to_wstring(started.dwProcessId) + L".log", victim, hard);
            // The data-entry run starts within the names planted for it.
            if (data_entry) wait_until([&] { return now_ms() >= now + 3'000; });
            ResumeThread(started.hThread);
            WaitForSingleObject(started.hProcess, 120'000);
            CloseHandle(started.hThread);
            CloseHandle(started.hProcess);

            ASSERT_FALSE(names.empty()) << "the links could not be planted";
            EXPECT_EQ(read_whole(victim), "abc");
            // The run's name was among the planted ones: no log of another name appeared.
            std::vector<std::wstring> unexpected = names_in(logs);
            std::erase_if(unexpected, [&](const std::wstring& n) { return std::binary_search(names.begin(), names.end(), n); });
            EXPECT_EQ(unexpected, std::vector<std::wstring>{});
        }
    }
}

}  // namespace
}  // namespace e2e::hostile
