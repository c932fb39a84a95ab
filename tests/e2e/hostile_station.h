// The hostile cases under Wine: a sample workstation with three applications installed side
// by side (the municipal data-entry application and both precinct applications), their
// shortcuts, and a sentinel tree beside the installation (Outside, with a decoy of each
// application) whose every file is compared before and after each run. The real helper is
// started by the launcher in the uninstaller's place.
//
// Header-only: the suite's sources are its *_test.cpp files.
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/command_line.h"
#include "support/disk_diff.h"
#include "support/linux_side.h"
#include "support/start_process.h"
#include "e2e_support.h"

namespace e2e::hostile {

using tu::test_support::entry_exists;
using tu::test_support::expect_only_removed;
using tu::test_support::make_linux_dir;
using tu::test_support::quote_argument;
using tu::test_support::start_linux;
using tu::test_support::start_process;
using tu::test_support::unix_path;
using tu::test_support::wait_until;

// The applications this workstation has installed.
inline const AppFacts* const installed[] = {&lc_kapta, &lc_okrsek, &uh_okrsek};

inline std::string read_whole(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<unreadable>";
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
    CloseHandle(file);
    return content;
}

// Every file below a folder with its content and every folder as "<dir>", by path relative
// to it (folders end in '\').
inline std::map<std::string, std::string> disk(const std::wstring& dir) {
    std::map<std::string, std::string> out;
    for (const std::string& path : tree(dir))
        out[path] = path.ends_with('\\') ? "<dir>" : read_whole(verbatim(dir + L"\\" + wide(path)));
    return out;
}

// Removes a tree on the Linux side, where removal never follows a link.
inline void remove_linux_tree(const std::wstring& path) {
    if (!tu::test_support::remove_linux_tree(path)) ADD_FAILURE() << "cannot remove " << utf8(path);
}

class Station : public Workstation {
public:
    using Workstation::desktop;
    using Workstation::dir;
    using Workstation::install;
    using Workstation::logs;
    using Workstation::main_exe;
    using Workstation::parent;
    using Workstation::programs;
    using Workstation::root;
    using Workstation::start_menu;
    using Workstation::uninstaller;

    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        // What an earlier, interrupted run may have left: links first, without following them.
        remove_linux_tree(L"C:\\tu-e2e\\" + wide(std::string(info->test_suite_name()) + "_" + info->name()));
        Workstation::SetUp();
    }
    void TearDown() override { remove_linux_tree(root); }

    std::wstring outside() const { return root + L"\\Outside"; }
    std::wstring decoy(const AppFacts& app) const { return in(outside(), app.folder); }

    void install_app(const AppFacts& app, const std::wstring& at) {
        write_file(in(at, app.exe), "MZ " + app.folder);
        write_file(at + L"\\icon.ico", "icon");
        write_file(in(at, app.marker), marker_text(app));
        write_file(at + L"\\config\\settings.ini", "settings");
        for (const std::string& item : app.items) {
            write_file(at + L"\\Data\\" + wide(item) + L"\\okrsek.db", "precinct " + item);
            write_file(at + L"\\Export\\vysledky." + wide(item), "export " + item);
        }
        if (app.precinct()) write_file(at + L"\\Export\\" + wide(app.items[0]) + L".csv", "no precinct's export");
    }

    // The shortcuts the installer made for `app`, each with its target.
    std::vector<std::pair<std::wstring, std::wstring>> shortcuts(const AppFacts& app) const {
        std::vector<std::pair<std::wstring, std::wstring>> out;
        for (const std::string& item : app.items)
            for (const std::wstring& folder : {desktop, start_menu})
                out.emplace_back(in(folder, item_shortcut(app, item)), main_exe(app));
        for (const std::string& name : app.desktop_links) out.emplace_back(in(desktop, name), main_exe(app));
        for (const std::string& name : app.start_menu_links) out.emplace_back(in(start_menu, name), main_exe(app));
        for (const std::string& name : app.uninstall_links) out.emplace_back(in(start_menu, name), uninstaller());
        for (const std::string& name : app.programs_links) out.emplace_back(in(programs, name), main_exe(app));
        return out;
    }

    // A fresh installation, shortcuts and sentinel, and the launcher in the uninstaller's place.
    void prepare() {
        remove_linux_tree(root + L"\\Links");
        remove_linux_tree(install);
        for (const std::wstring& folder : {desktop, programs, outside()}) {
            remove_linux_tree(folder);
            make_dirs(folder);
        }
        make_dirs(start_menu);
        use_install_dir(install);
        for (const AppFacts* app : installed) {
            install_app(*app, dir(*app));
            for (const auto& [lnk, target] : shortcuts(*app)) make_shortcut(lnk, target);
        }

        // The sentinel.
        for (const AppFacts* app : installed) install_app(*app, decoy(*app));
        write_file(outside() + L"\\keep.txt", "sentinel");
        write_file(outside() + L"\\precinct\\okrsek.db", "sentinel precinct");
        write_file(outside() + L"\\Export\\vysledky.12345", "sentinel export");
        launcher_as_installed_uninstaller();
    }

    // A Linux symbolic link; skips the test where links cannot be made.
    bool link(const std::wstring& path, const std::string& target) {
        remove_linux_tree(path);
        return tu::test_support::make_linux_symlink(path, wide(target));
    }

    // The municipal data-entry application's own shortcuts: on the desktop, in the start menu
    // and in the folder above it.
    std::wstring kapta_desktop_link() const { return in(desktop, lc_kapta.desktop_links[0]); }
    std::wstring kapta_menu_link() const { return in(start_menu, lc_kapta.start_menu_links[0]); }
    std::wstring kapta_programs_link() const { return in(programs, lc_kapta.programs_links[0]); }

    // What a full removal of `app` takes, or one precinct of it, relative to the root.
    std::vector<std::string> full_removal(const AppFacts& app) const {
        std::vector<std::string> out{relative(dir(app))};
        for (const auto& [lnk, target] : shortcuts(app)) out.push_back(relative(lnk));
        return out;
    }
    std::vector<std::string> precinct_removal(const AppFacts& app, const std::wstring& item) const {
        return {relative(dir(app) + L"\\Data\\" + item), relative(dir(app) + L"\\Export\\vysledky." + item),
                relative(desktop + L"\\" + item_shortcut(app, item)), relative(start_menu + L"\\" + item_shortcut(app, item))};
    }

    // The run's log: the one new file in the logs folder, or nothing when none was written.
    std::vector<std::string> run_log() const {
        std::vector<std::wstring> names = names_in(logs);
        std::erase(names, L"older.log");
        if (names.size() > 1) ADD_FAILURE() << "more than one new log in " << utf8(logs);
        return names.empty() ? std::vector<std::string>{} : read_lines(logs + L"\\" + names.front());
    }

    // Prepares the workstation, runs the command line and checks the outcome: the status,
    // the last log line (the error; a success writes none), and that exactly `removed`
    // (relative paths, with everything below them) is gone while nothing else changed.
    void expect_run(const std::string& label, const std::vector<std::wstring>& args, std::uint32_t failure_status,
                    const std::string& error, const std::vector<std::string>& removed,
                    const std::function<bool(Station&)>& arrange = {}) {
        SCOPED_TRACE(label);
        prepare();
        if (arrange && !arrange(*this)) {
            ADD_FAILURE() << "cannot arrange the layout";
            return;
        }
        // Links made for shortcut targets lead into the installation and read differently
        // once it is gone; they are not part of the workstation being compared.
        const auto without_links = [](std::map<std::string, std::string> files) {
            std::erase_if(files, [](const auto& entry) { return entry.first.starts_with("Links\\"); });
            return files;
        };
        const auto before = without_links(disk(root));
        const Exit exit = run(args);
        const auto after = without_links(disk(root));
        const std::vector<std::string> log = run_log();
        EXPECT_EQ(exit.status, error.empty() ? 0u : failure_status);
        if (!error.empty()) {
            ASSERT_FALSE(log.empty());
            EXPECT_EQ(log.back(), "ERROR: " + error);
        }
        if (error.empty()) {
            for (const std::string& line : log) EXPECT_FALSE(line.starts_with("ERROR: ")) << line;
        }
        expect_only_removed(before, after, removed, [](const std::string& path) {
            return path.starts_with("Tarvo\\logs\\") && path.ends_with(".log");
        });
    }

    // A run that must fail with `error` as its last line: nothing changes or appears, and
    // nothing goes but below `may_go` (relative paths), where a failed removal may have
    // deleted some entries before it stopped. An error that ends in a platform's message,
    // whose text is the platform's own, is given as its beginning and its `end`.
    void expect_failed_run(const std::string& label, const std::vector<std::wstring>& args, std::uint32_t status,
                           const std::string& error, const std::vector<std::string>& may_go,
                           const std::function<bool(Station&)>& arrange, const std::string& end = {}) {
        SCOPED_TRACE(label);
        prepare();
        ASSERT_TRUE(arrange(*this)) << "cannot arrange the layout";
        const auto before = disk(root);
        const Exit exit = run(args);
        expect_failed(exit, before, status, error, may_go, end);
    }

    void expect_failed(const Exit& exit, const std::map<std::string, std::string>& before, std::uint32_t status,
                       const std::string& error, const std::vector<std::string>& may_go, const std::string& end = {}) {
        const auto after = disk(root);
        EXPECT_EQ(exit.status, status);
        const std::vector<std::string> log = run_log();
        ASSERT_FALSE(log.empty());
        if (end.empty()) {
            EXPECT_EQ(log.back(), "ERROR: " + error);
        } else {
            EXPECT_TRUE(log.back().starts_with("ERROR: " + error) && log.back().ends_with(end)) << log.back();
        }
        const auto allowed = [&](const std::string& path) {
            return std::any_of(may_go.begin(), may_go.end(),
                               [&](const std::string& m) { return path == m || path.starts_with(m + "\\"); });
        };
        for (const auto& [path, value] : before) {
            const auto now = after.find(path);
            if (now == after.end()) {
                EXPECT_TRUE(allowed(path)) << "gone: " << path;
            } else {
                EXPECT_EQ(now->second, value) << "changed: " << path;
            }
        }
        for (const auto& [path, value] : after)
            if (!before.contains(path) && !path.ends_with(".log")) ADD_FAILURE() << "appeared: " << path;
    }

    // Waits (up to ten seconds) until the run's log has a line that starts with `head`.
    bool wait_for_line(const std::string& head) const {
        return wait_until([&] {
            std::vector<std::wstring> names = names_in(logs);
            std::erase(names, L"older.log");
            if (names.size() != 1) return false;
            for (const std::string& l : read_lines(logs + L"\\" + names.front()))
                if (l.starts_with(head)) return true;
            return false;
        });
    }
};

}  // namespace e2e::hostile
