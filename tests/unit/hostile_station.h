// A workstation for the hostile cases: all five applications installed side by side below
// C:\Tarvo, each with its shortcuts on the desktop and in the start menu, and sentinel trees
// outside the installation (C:\Outside, with a decoy of every application, and D:\Sentinel)
// that no run may change. A case makes the layout or the command line hostile, runs the real
// entry with the real profiles, and compares the whole disk before and after: exactly the
// paths its rules allow are gone, nothing else is changed or created but the run's own log.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/entry.h"
#include "support/apps.h"
#include "support/disk_diff.h"
#include "platform/fake/fake_platform.h"
#include "platform/text.h"
#include "platform/winpath.h"
#include "profiles/profiles.h"

namespace tu::hostile_test {

using test_support::item_shortcut;
using test_support::marker_text;
using test_support::marker_text_where;

inline PString w(std::string_view text) { return to_utf16(text); }
inline std::string in(std::string_view dir, std::string_view rest) { return std::string(dir) + "\\" + std::string(rest); }

inline constexpr std::string_view install = "C:\\Tarvo";
inline constexpr std::string_view uninstaller = "C:\\Tarvo\\Zudeded2026.exe";
inline constexpr std::string_view logs = "C:\\Tarvo\\logs";
inline constexpr std::string_view outside = "C:\\Outside";
inline constexpr std::string_view desktop = "C:\\Users\\tester\\Desktop";
inline constexpr std::string_view programs = "C:\\Users\\tester\\Start Menu\\Programs";
inline constexpr std::string_view start_menu = "C:\\Users\\tester\\Start Menu\\Programs\\Tarvo";
inline constexpr std::uint32_t uninstaller_pid = 77;

// One installed application, where this workstation has it.
struct App : test_support::AppFacts {
    std::string dir() const { return in(install, folder); }
    std::string main_exe() const { return in(dir(), exe); }
};

inline const App lc_kapta{test_support::lc_kapta};
inline const App uh_kapta{test_support::uh_kapta};
inline const App lc_okrsek{test_support::lc_okrsek};
inline const App uh_okrsek{test_support::uh_okrsek};
inline const App lc_sumar{test_support::lc_sumar};
inline const App* const all_apps[] = {&lc_kapta, &uh_kapta, &lc_okrsek, &uh_okrsek, &lc_sumar};

// The paths (and everything below them) that a run removes when all goes well.
inline std::vector<std::string> full_removal(const App& app) {
    std::vector<std::string> out{app.dir()};
    if (app.precinct()) {
        for (const std::string& item : app.items) {
            out.push_back(in(desktop, item_shortcut(app, item)));
            out.push_back(in(start_menu, item_shortcut(app, item)));
        }
        return out;
    }
    for (const std::string& name : app.desktop_links) out.push_back(in(desktop, name));
    for (const std::string& name : app.start_menu_links) out.push_back(in(start_menu, name));
    for (const std::string& name : app.uninstall_links) out.push_back(in(start_menu, name));
    for (const std::string& name : app.programs_links) out.push_back(in(programs, name));
    return out;
}

// One precinct of a precinct application: its data folder, its export file and its shortcuts.
inline std::vector<std::string> precinct_removal(const App& app, std::string_view item) {
    const std::string name = item_shortcut(app, item);
    return {in(app.dir(), "Data\\" + std::string(item)), in(app.dir(), "Export\\vysledky." + std::string(item)),
            in(desktop, name), in(start_menu, name)};
}

inline std::vector<std::string> plus(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class Station {
public:
    fake::FakePlatform os;

    Station() {
        os.processes = {{os.own_pid, uninstaller_pid, u""}, {uninstaller_pid, 1, w(uninstaller)}};
        os.add_file(os.module, "MZ helper");
        os.add_file(w(uninstaller), "MZ uninstaller");
        os.add_file(w(in(install, "Other\\other.exe")), "MZ neighbour");
        os.add_file(w(in(logs, "older.log")), "an earlier run\n");
        os.add_dir(w(desktop));
        os.add_dir(w(start_menu));
        for (const App* app : all_apps) install_app(*app, app->dir());
        for (const App* app : all_apps) add_shortcuts(*app);

        // The sentinel: decoys of every application, the targets that hostile links lead to,
        // and a second drive.
        os.add_file(w(in(outside, "keep.txt")), "sentinel");
        for (const App* app : all_apps) install_app(*app, in(outside, app->folder));
        os.add_file(w(in(outside, "precinct\\db.txt")), "sentinel precinct");
        os.add_file(w(in(outside, "Export\\vysledky.12345")), "sentinel export");
        os.add_file(w(in(outside, "Export\\vysledky.12345.7")), "sentinel export");
        os.add_dir(w(in(outside, "emptydir")));
        os.add_shortcut(w(in(outside, "decoy.lnk")), w(lc_kapta.main_exe()));
        os.add_shortcut(w(in(outside, "Desktop\\foreign.lnk")), w(in(outside, "keep.txt")));
        os.add_shortcut(w(in(outside, "Desktop\\Lokal-Kaptáže 12345.lnk")), w(in(outside, "keep.txt")));
        os.add_file(u"D:\\Sentinel\\file.txt", "sentinel on another drive");
    }

    // An application folder as its installer leaves it.
    void install_app(const App& app, const std::string& dir) {
        os.add_file(w(in(dir, app.exe)), "MZ " + app.folder);
        os.add_file(w(in(dir, "icon.ico")), "icon");
        if (!app.marker.empty()) os.add_file(w(in(dir, app.marker)), marker_text(app));
        os.add_file(w(in(dir, "config\\settings.ini")), "settings");
        for (const std::string& item : app.items) {
            os.add_file(w(in(dir, "Data\\" + item + "\\okrsek.db")), "precinct " + item);
            os.add_file(w(in(dir, "Export\\vysledky." + item)), "export " + item);
        }
        if (app.precinct()) os.add_file(w(in(dir, "Export\\" + app.items[0] + ".csv")), "no precinct's export");
    }

    void add_shortcuts(const App& app) {
        const PString exe = w(app.main_exe());
        for (const std::string& item : app.items) {
            os.add_shortcut(w(in(desktop, item_shortcut(app, item))), exe);
            os.add_shortcut(w(in(start_menu, item_shortcut(app, item))), exe);
        }
        for (const std::string& name : app.desktop_links) os.add_shortcut(w(in(desktop, name)), exe);
        for (const std::string& name : app.start_menu_links) os.add_shortcut(w(in(start_menu, name)), exe);
        for (const std::string& name : app.uninstall_links) os.add_shortcut(w(in(start_menu, name)), w(uninstaller));
        for (const std::string& name : app.programs_links) os.add_shortcut(w(in(programs, name)), exe);
    }

    // Replaces whatever is at `path` by a junction or a link.
    void junction(std::string_view path, std::string_view target) {
        forget(path);
        os.add_junction(w(path), w(target));
    }
    void symlink(std::string_view path, std::string_view target, bool directory) {
        forget(path);
        os.add_symlink(w(path), w(target), directory);
    }
    // Removes a path of the sample behind the test's back (not through the code under test).
    void forget(std::string_view path) {
        if (!os.exists(w(path))) return;
        const auto info = os.file_info(w(path), false);
        if (info && info->directory && !info->reparse_point) {
            auto entries = os.list_dir(w(path));
            if (entries)
                for (const auto& entry : *entries)
                    if (entry) forget(in(path, to_utf8(entry->name)));
            (void)os.remove_directory(w(path));
        } else {
            (void)os.delete_file(w(path));
            (void)os.remove_directory(w(path));
        }
    }

    // The command line the application's uninstaller passes.
    static std::vector<std::pair<std::string, std::string>> command_line(const App& app, std::string_view mode) {
        return {{"--mode", std::string(mode)},
                {"--app-kind", app.app_kind},
                {"--install-dir", std::string(install)},
                {"--app-folder", app.folder},
                {"--main-binary", app.exe},
                {"--uninstaller", std::string(test_support::uninstaller_name)},
                {"--desktop", std::string(desktop)},
                {"--start-menu", std::string(start_menu)},
                {"--product-name", app.product},
                {"--bundle-id", app.bundle},
                {"--parent-pid", std::to_string(uninstaller_pid)},
                {"--parent-path", std::string(uninstaller)}};
    }

    // Runs the whole process, as the shipped exe would, and returns its status.
    int run(const std::vector<std::pair<std::string, std::string>>& options) {
        os.args = {u"tarvo-untarvo.exe"};
        for (const auto& [name, value] : options) {
            os.args.push_back(w(name));
            os.args.push_back(w(value));
        }
        return run_entry(os, real_profiles());
    }

    // The run's own log: the one file in the logs folder that was not there before.
    std::vector<std::string> log() const {
        for (const std::string& path : os.tree(w(logs)))
            if (!path.ends_with("older.log")) return os.lines(w(path));
        return {};
    }

    // Everything on both drives, path by path: a file's content, or what else it is.
    std::map<std::string, std::string> disk() const { return os.snapshot({u"C:\\", u"D:\\"}); }
};

// Compares the disk after a run with the disk before it: the paths gone are exactly those
// at or below `removed`, nothing else changed, nothing was created but the run's log.
inline void expect_only_removed(const std::map<std::string, std::string>& before,
                                const std::map<std::string, std::string>& after,
                                const std::vector<std::string>& removed) {
    test_support::expect_only_removed(before, after, removed,
                                      [](const std::string& path) { return path.starts_with(std::string(logs) + "\\"); });
}

}  // namespace tu::hostile_test
