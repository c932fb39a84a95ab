// What the end-to-end tests need of Windows: real folders, files and .lnk shortcuts under C:,
// the staged helper, the launcher in the uninstaller's place, and the log and the disk read
// back afterwards. Written straight against Win32, independent of the code under test.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/apps.h"
#include "support/scratch_tree.h"

namespace e2e {

using tu::test_support::AppFacts;
using tu::test_support::helper_name;
using tu::test_support::lc_kapta;
using tu::test_support::lc_okrsek;
using tu::test_support::lc_sumar;
using tu::test_support::marker_text;
using tu::test_support::marker_text_where;
using tu::test_support::uh_kapta;
using tu::test_support::uh_kapta_k2;
using tu::test_support::uh_okrsek;
using tu::test_support::uninstaller_name;
using tu::test_support::wipe_tree;  // the tree, if it is there

std::string utf8(std::wstring_view text);
std::wstring wide(std::string_view text);

// dir\name, for a name the catalogue spells.
inline std::wstring in(const std::wstring& dir, std::string_view name) { return dir + L"\\" + wide(name); }
// "{item_prefix} {item}.lnk".
inline std::wstring item_shortcut(const AppFacts& app, std::wstring_view item) {
    return wide(tu::test_support::item_shortcut(app, utf8(item)));
}

// The temporary directory with its trailing backslash, as the helper reads it.
std::wstring temp_dir();
// What the helper logs as its working directory after switching into the temporary directory.
std::wstring working_dir_in_temp();

void make_dirs(const std::wstring& path);
void write_file(const std::wstring& path, std::string_view content);
void copy_file(const std::wstring& from, const std::wstring& to);
bool exists(const std::wstring& path);
// The \\?\ form of an absolute drive path: its last name taken as it is (CON.12345 is a file).
std::wstring verbatim(const std::wstring& path);
// A real shell link, written through IShellLinkW and IPersistFile::Save.
void make_shortcut(const std::wstring& lnk, const std::wstring& target);
std::vector<std::string> read_lines(const std::wstring& path);
std::vector<std::wstring> names_in(const std::wstring& dir);
// Every path below root, relative to it, folders ending in '\', sorted.
std::vector<std::string> tree(const std::wstring& root);

struct Exit {
    std::uint32_t status = 0;
    std::uint32_t pid = 0;  // of the process started
};
// A process started with the arguments, left to run while the test acts; waited for (two
// minutes at most) by wait() or when it goes out of scope.
class Started {
public:
    Started(const std::wstring& exe, const std::vector<std::wstring>& args, const std::wstring& cwd = L"");
    ~Started();
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;
    Exit wait();
    std::uint32_t pid() const { return pid_; }

private:
    std::wstring exe_;
    HANDLE process_ = nullptr;
    std::uint32_t pid_ = 0;
};
// Starts exe with the arguments, waits for it and returns its status.
Exit run_process(const std::wstring& exe, const std::vector<std::wstring>& args, const std::wstring& cwd = L"");

// The built helper and launcher, named by the test's environment (Linux paths seen as Z:).
std::wstring built_helper();
std::wstring built_launcher();
// The DLL planted under system DLLs' names, and the program that loads DLLs by name.
std::wstring built_planted_dll();
std::wstring built_dll_probe();

// One sample workstation per test: C:\tu-e2e\<test>\ with an install directory "Tarvo", a
// desktop and a start-menu folder, a neighbouring application, an older log that must
// survive, and the helper staged in the temporary directory. The processing profile uses the
// fixed C:\Tarvo instead.
class Workstation : public ::testing::Test {
protected:
    void SetUp() override;
    void use_install_dir(const std::wstring& path);  // before placing anything

    // The command line the application's uninstaller passes on this workstation.
    std::vector<std::wstring> command_line(const AppFacts& app, const std::wstring& mode) const;
    std::wstring dir(const AppFacts& app) const { return in(install, app.folder); }
    std::wstring main_exe(const AppFacts& app) const { return in(dir(app), app.exe); }
    std::wstring uninstaller() const { return in(install, uninstaller_name); }
    // A path below the root, relative to it.
    std::string relative(const std::wstring& path) const { return utf8(path.substr(root.size() + 1)); }

    // The launcher as the installed uninstaller, or as the NSIS temporary copy.
    std::wstring launcher_as_installed_uninstaller();
    std::wstring launcher_as_temporary_copy();

    // Runs the launcher with the arguments; remembers its process id and path.
    Exit run(const std::vector<std::wstring>& args, const std::wstring& cwd = L"");
    // The same, left to run while the test acts; wait() gives the exit and remembers the id.
    std::unique_ptr<Started> start(const std::vector<std::wstring>& args);
    // A command line with more arguments after it.
    static std::vector<std::wstring> with(std::vector<std::wstring> args, std::initializer_list<std::wstring> more) {
        args.insert(args.end(), more);
        return args;
    }
    // The value after the first `option`, for a test to change in place.
    static std::wstring& value_of(std::vector<std::wstring>& args, std::wstring_view option) {
        return *(std::find(args.begin(), args.end(), option) + 1);
    }
    // The arguments without `option` and its value.
    static std::vector<std::wstring> without_option(std::vector<std::wstring> args, std::wstring_view option) {
        const auto at = std::find(args.begin(), args.end(), option);
        if (at != args.end()) args.erase(at, at + 2);
        return args;
    }

    // The run's log: the one file in the logs folder besides the older one.
    std::wstring new_log_name() const;
    std::vector<std::string> new_log() const;

    // Lines the authorization check writes for the last run (variant A, or B and C).
    std::vector<std::string> auth_lines_a() const;
    std::vector<std::string> auth_lines_bc() const;

    void shortcut(const std::wstring& dir, const std::wstring& name, const std::wstring& target) {
        make_shortcut(dir + L"\\" + name, target);
    }

    std::wstring name;        // of the test
    std::wstring root;        // C:\tu-e2e\<test>
    std::wstring install;     // root\Tarvo, or C:\Tarvo
    std::wstring logs;        // install\logs
    std::wstring desktop;     // root\Desktop
    std::wstring programs;    // root\Start Menu\Programs
    std::wstring start_menu;  // programs\Tarvo
    std::wstring stage;       // temp\tu-e2e-<test>
    std::wstring helper;      // stage\tarvo-untarvo.exe
    std::wstring neighbour;   // install\Other\other.exe
    std::wstring parent;      // the launcher of the last run
    std::uint32_t parent_pid = 0;
};

// Lines joined from parts, for comparing whole logs.
std::vector<std::string> lines(std::initializer_list<std::vector<std::string>> parts);

// A stretch of expected log lines; the lines of a folder listing come in the file system's
// order, which the tests do not fix.
struct Segment {
    Segment(std::vector<std::string> l) : lines(std::move(l)) {}  // NOLINT: implicit on purpose
    Segment(std::initializer_list<std::string> l) : lines(l) {}
    std::vector<std::string> lines;
    bool any_order = false;
};
inline Segment any_order(std::vector<std::string> l) {
    Segment s(std::move(l));
    s.any_order = true;
    return s;
}
// The whole log, segment by segment.
void expect_log(const std::vector<std::string>& actual, const std::vector<Segment>& expected);
inline std::string line(std::string_view head, const std::wstring& path) { return std::string(head) + utf8(path); }

}  // namespace e2e
