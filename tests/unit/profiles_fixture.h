// A workstation for the profile tests: the install directory C:\Tarvo with its uninstaller
// and logs folder, a neighbouring application, a sentinel tree outside the installation,
// desktop and start-menu folders, and the uninstaller as the parent of the helper, which
// runs from its staged copy in the temporary directory.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/run_log.h"
#include "support/apps.h"
#include "platform/fake/fake_platform.h"
#include "platform/text.h"

namespace tu::profiles_test {

inline PString w(std::string_view text) { return to_utf16(text); }

// A command line as option and value pairs that a test edits before turning it into the
// argument list.
class CommandLine {
public:
    CommandLine(std::initializer_list<std::pair<std::string, std::string>> options) : options_(options) {}

    // Replaces the value of the first occurrence, or appends the option.
    CommandLine& set(std::string_view option, std::string value) {
        for (auto& [name, current] : options_)
            if (name == option) {
                current = std::move(value);
                return *this;
            }
        return add(option, std::move(value));
    }
    CommandLine& add(std::string_view option, std::string value) {
        options_.emplace_back(std::string(option), std::move(value));
        return *this;
    }
    CommandLine& drop(std::string_view option) {
        std::erase_if(options_, [&](const auto& pair) { return pair.first == option; });
        return *this;
    }
    std::vector<PString> args() const {
        std::vector<PString> out;
        for (const auto& [name, value] : options_) {
            out.push_back(w(name));
            out.push_back(w(value));
        }
        return out;
    }

private:
    std::vector<std::pair<std::string, std::string>> options_;
};

inline constexpr std::string_view install = "C:\\Tarvo";
inline constexpr std::string_view uninstaller = "C:\\Tarvo\\Zudeded2026.exe";
inline constexpr std::string_view desktop = "C:\\Users\\tester\\Desktop";
inline constexpr std::string_view start_menu = "C:\\Users\\tester\\Start Menu\\Programs\\Tarvo";
inline constexpr std::string_view start_menu_parent = "C:\\Users\\tester\\Start Menu\\Programs";
inline constexpr std::string_view log_file = "C:\\Tarvo\\logs\\run.log";
inline constexpr std::string_view working_dir = "C:\\Users\\tester\\AppData\\Local\\Temp";
inline constexpr std::string_view helper = "C:\\Users\\tester\\AppData\\Local\\Temp\\stage\\tarvo-untarvo.exe";
inline constexpr std::uint32_t uninstaller_pid = 77;

using test_support::marker_text;
using test_support::marker_text_where;

// The command line the application's uninstaller passes, in `mode`.
inline CommandLine command_line_of(const test_support::AppFacts& app, std::string mode) {
    return {{"--mode", std::move(mode)},        {"--app-kind", app.app_kind},
            {"--install-dir", std::string(install)}, {"--app-folder", app.folder},
            {"--main-binary", app.exe},          {"--uninstaller", std::string(test_support::uninstaller_name)},
            {"--desktop", std::string(desktop)}, {"--start-menu", std::string(start_menu)},
            {"--product-name", app.product},     {"--bundle-id", app.bundle},
            {"--parent-pid", "77"},              {"--parent-path", std::string(uninstaller)}};
}

struct Workstation {
    fake::FakePlatform os;
    // Opened first, its file made: a refused run leaves the tree as it was before the run.
    const RunLog run_log{os, w(log_file), LogWriter::create_dirs};

    Workstation() {
        os.processes = {{os.own_pid, uninstaller_pid, u""}, {uninstaller_pid, 1, w(uninstaller)}};
        os.module = w(helper);
        os.add_file(os.module, "MZ helper");
        os.add_file(w(uninstaller), "MZ uninstaller");
        os.add_file(u"C:\\Tarvo\\Other\\other.exe", "MZ neighbour");
        os.add_file(u"C:\\Outside\\keep.txt", "sentinel");
        os.add_dir(w(desktop));
        os.add_dir(w(start_menu));
    }

    void add_app(std::string_view app_dir, std::string_view main_binary, std::string_view marker_name,
                 std::string_view marker) {
        os.add_file(w(app_dir) + u"\\" + w(main_binary), "MZ app");
        os.add_file(w(app_dir) + u"\\icon.ico", "icon");
        os.add_file(w(app_dir) + u"\\" + w(marker_name), marker);
    }
    void add_shortcut(std::string_view dir, std::string_view name, std::string_view target) {
        os.add_shortcut(w(dir) + u"\\" + w(name), w(target));
    }
    bool exists(std::string_view path) const { return os.exists(w(path)); }
    std::vector<std::string> everything() const { return os.tree(u"C:\\"); }
    std::vector<std::string> log() const { return os.lines(w(log_file)); }
};

// The lines of one path-bearing template: "removed file: C:\...".
inline std::string line(std::string_view head, std::string_view value) { return std::string(head) + std::string(value); }

inline std::string joined(std::string_view a, std::string_view b) { return std::string(a) + "\\" + std::string(b); }

// The lines that authorization writes for an uninstaller in C:\Tarvo, by variant.
inline std::vector<std::string> variant_a_lines() {
    return {line("helper_exe=", helper), "parent_pid=77", line("actual_parent=", uninstaller),
            line("expected_parent=", uninstaller)};
}
inline std::vector<std::string> variant_b_lines() {
    return {line("helper_exe=", helper), "actual_parent_pid=77", line("actual_parent_path=", uninstaller),
            line("expected_parent_path=", uninstaller), "authorization check passed"};
}

// A change to a workstation or its command line that the profile must refuse with `message`
// before it removes anything.
template <class Station>
struct Refusal {
    std::string name;
    std::function<void(Station&, CommandLine&)> change;
    std::string message;
};

// Runs each refusal on a fresh workstation (after `prepare`) with `base` changed as it says:
// the run fails with its message, and the whole workstation is as it was.
template <class Station>
void expect_refusals_remove_nothing(const std::vector<Refusal<Station>>& refusals, const CommandLine& base,
                                    const std::function<void(Station&)>& prepare = {}) {
    for (const Refusal<Station>& refusal : refusals) {
        SCOPED_TRACE(refusal.name);
        Station ws;
        if (prepare) prepare(ws);
        CommandLine command_line = base;
        refusal.change(ws, command_line);
        const auto before = ws.everything();
        const auto result = ws.run(command_line);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error(), refusal.message);
        EXPECT_EQ(ws.everything(), before);
    }
}

inline std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

}  // namespace tu::profiles_test
