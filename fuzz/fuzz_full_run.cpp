// Whole runs through the real entry, every profile in full mode, on a fake Windows with all
// the applications installed and sentinel trees beside them, while the fuzzer spells the
// install directory, the desktop and the start menu (drive roots, "..", '/', verbatim and
// UNC forms, other drives, letter case, relative paths) and turns hostile layouts on (the
// application folder, the desktop or the start menu as junctions, shortcut targets through
// links, links inside the application folder).
//
// Whatever the run decides, what goes is only: the application folder of the application
// named, shortcut files whose target is that application's main executable (or, for the
// data-entry applications, the uninstaller), and folders that were empty or emptied by those
// removals. Nothing else is changed or created but the log, and every handle is closed.
//
// Input: byte 0 chooses the application, which options are given and whether the platform
// follows links as Wine does; byte 1 the hostile layouts; then three paths made of `pieces`
// (0xFF ends a path): install directory, desktop, start menu.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/entry.h"
#include "platform/fake/fake_platform.h"
#include "platform/text.h"
#include "platform/winpath.h"
#include "profiles/profiles.h"
#include "support/apps.h"

namespace {

using namespace tu;

using test_support::AppFacts;

// The names of the shortcuts to an application in every shortcut folder: its own and its
// uninstall shortcut, or the shortcut of its first precinct.
std::vector<std::string> shortcuts_of(const AppFacts& app) {
    if (app.precinct()) return {test_support::item_shortcut(app, app.items[0])};
    std::vector<std::string> out = app.desktop_links;
    out.insert(out.end(), app.uninstall_links.begin(), app.uninstall_links.end());
    return out;
}

const char* const pieces[] = {
    "C:", "\\", "/", "..", ".", "Tarvo", "TARVO", "Users", "tester", "Desktop", "Start Menu", "Programs",
    "Outside", "\\\\?\\", "\\\\srv\\share", "\\\\?\\UNC\\srv\\share", "D:", "Sentinel", "x", "empty", "LCkapta",
    "AppData\\Local\\Temp", "\\\\.\\C:", "c:", " ", "Programs\\Tarvo",
};
constexpr std::size_t piece_count = sizeof(pieces) / sizeof(pieces[0]);

enum Layout : unsigned {
    app_links_out = 1u << 0,
    app_links_to_install = 1u << 1,
    desktop_links_out = 1u << 2,
    start_menu_links_out = 1u << 3,
    targets_through_links = 1u << 4,
    marker_missing = 1u << 5,
    app_holds_links = 1u << 6,
};

PString w(std::string_view text) { return to_utf16(text); }
std::string in(std::string_view dir, std::string_view name) {
    return std::string(dir) + (dir.ends_with('\\') ? "" : "\\") + std::string(name);
}

const std::string install = "C:\\Tarvo";
const std::string outside = "C:\\Outside";
const std::string users = "C:\\Users\\tester";
const std::string shortcut_dirs[] = {"C:\\Users\\tester\\Desktop", "C:\\Users\\tester\\Start Menu\\Programs",
                                     "C:\\Users\\tester\\Start Menu\\Programs\\Tarvo", "C:\\Outside\\Desktop", "C:\\"};

void install_app(fake::FakePlatform& os, const AppFacts& app, const std::string& dir) {
    os.add_file(w(in(dir, app.exe)), "MZ");
    os.add_file(w(in(dir, "icon.ico")), "icon");
    if (!app.marker.empty()) os.add_file(w(in(dir, app.marker)), test_support::marker_text(app));
    os.add_file(w(in(dir, "Data\\12345\\okrsek.db")), "data");
}

[[noreturn]] void violation(std::string_view what, std::string_view path) {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(what.size()), what.data(), static_cast<int>(path.size()),
                 path.data());
    std::abort();
}

bool below(std::string_view path, std::string_view dir) {
    return path.size() > dir.size() && path.starts_with(dir) && path[dir.size()] == '\\';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const AppFacts& app = *test_support::all_apps[(data[0] & 7) % 5];
    const bool with_install = (data[0] & 8) != 0;
    const bool with_desktop = (data[0] & 16) != 0;
    const bool with_start_menu = (data[0] & 32) != 0;
    const bool wine = (data[0] & 64) != 0;
    const unsigned layout = data[1];
    std::string paths[3];
    int which = 0;
    for (std::size_t i = 2; i < size && which < 3; ++i) {
        if (data[i] == 0xFF) { ++which; continue; }
        paths[which] += pieces[data[i] % piece_count];
    }

    fake::FakePlatform os;
    // Wine: links followed where they must not be; the deletion must refuse what they lead to.
    os.follows_final_links = wine;
    os.extended_disposition_supported = !wine;
    const std::string uninstaller = in(install, test_support::uninstaller_name);
    os.processes = {{os.own_pid, 77, u""}, {77, 1, w(uninstaller)}};
    os.add_file(os.module, "MZ helper");
    os.add_file(w(uninstaller), "MZ uninstaller");
    os.add_file(w(in(install, "logs\\older.log")), "older");
    const std::string app_dir = in(install, app.folder);
    const std::string main_exe = in(app_dir, app.exe);
    for (const AppFacts* each : test_support::all_apps) {
        if (each == &app && (layout & (app_links_out | app_links_to_install))) continue;
        install_app(os, *each, in(install, each->folder));
    }
    for (const AppFacts* each : test_support::all_apps) install_app(os, *each, in(outside, each->folder));
    os.add_file(w(in(outside, "keep.txt")), "sentinel");
    os.add_dir(w(in(outside, "empty")));
    os.add_file(u"D:\\Sentinel\\file.txt", "sentinel");
    if (layout & app_links_out) os.add_junction(w(app_dir), w(in(outside, app.folder)));
    else if (layout & app_links_to_install) os.add_junction(w(app_dir), w(install));
    if ((layout & marker_missing) && !app.marker.empty()) (void)os.delete_file(w(in(app_dir, app.marker)));
    if ((layout & app_holds_links) && !(layout & (app_links_out | app_links_to_install))) {
        os.add_symlink(w(in(app_dir, "Data\\escape.txt")), w(in(outside, "keep.txt")), false);
        os.add_symlink(w(in(app_dir, "out")), w(in(outside, "empty")), true);
    }

    // Shortcuts to every application in every shortcut folder; those to this application's
    // main executable or to the uninstaller may go.
    std::set<std::string> may_go_shortcuts;
    const bool through_links = (layout & targets_through_links) && !(layout & (app_links_out | app_links_to_install));
    if (through_links) os.add_symlink(w(in(users, "exe-link")), w(main_exe), false);
    for (const std::string& dir : shortcut_dirs) {
        if (dir.ends_with("\\Desktop") && dir.starts_with(users) && (layout & desktop_links_out)) {
            os.add_junction(w(dir), w(in(outside, "Desktop")));
            continue;
        }
        if (dir.ends_with("\\Tarvo") && (layout & start_menu_links_out)) {
            os.add_junction(w(dir), w(in(outside, "empty")));
            continue;
        }
        for (const AppFacts* each : test_support::all_apps)
            for (const std::string& name : shortcuts_of(*each)) {
                const bool uninstall = name.starts_with("Odinstalovat");
                const std::string target = uninstall ? uninstaller : in(in(install, each->folder), each->exe);
                const std::string at = in(dir, name);
                if (os.exists(w(at))) continue;
                os.add_shortcut(w(at), w(through_links && each == &app && !uninstall ? in(users, "exe-link") : target));
                // The data-entry runs also take the uninstall shortcuts of the shared uninstaller.
                if ((each == &app && !uninstall) || (uninstall && app.app_kind == "pm"))
                    may_go_shortcuts.insert(at);
            }
        os.add_shortcut(w(in(dir, "foreign.lnk")), w(in(outside, "keep.txt")));
    }

    os.args = {u"tarvo-untarvo.exe", u"--mode", u"full", u"--app-kind", w(app.app_kind), u"--install-dir", w(install),
               u"--app-folder", w(app.folder), u"--main-binary", w(app.exe), u"--uninstaller", w(test_support::uninstaller_name),
               u"--product-name", w(app.product), u"--bundle-id", w(app.bundle), u"--parent-pid", u"77",
               u"--parent-path", w(uninstaller)};
    // The first --install-dir names the log folder; the profile works on the last.
    if (with_install) os.args.insert(os.args.end(), {u"--install-dir", w(paths[0])});
    if (with_desktop) os.args.insert(os.args.end(), {u"--desktop", w(paths[1])});
    if (with_start_menu) os.args.insert(os.args.end(), {u"--start-menu", w(paths[2])});

    const auto before = os.snapshot({u"C:\\", u"D:\\"});
    (void)run_entry(os, real_profiles());
    if (os.open_handles() != 0) violation("handles left open", "");
    const auto after = os.snapshot({u"C:\\", u"D:\\"});

    const auto allowed = [&](const std::string& path) {
        if (path == app_dir || below(path, app_dir)) return !(layout & (app_links_out | app_links_to_install));
        if (may_go_shortcuts.contains(path)) return true;
        if (before.at(path) != "<dir>" && before.at(path) != "<link>") return false;
        // A folder (or a junction standing for one) may go only when everything it held went too.
        for (auto it = before.upper_bound(path); it != before.end() && below(it->first, path); ++it)
            if (after.contains(it->first)) return false;
        return true;
    };
    for (const auto& [path, value] : before) {
        const auto now = after.find(path);
        if (now == after.end()) {
            if (!allowed(path)) violation("removed", path);
        } else if (now->second != value && !below(path, in(install, "logs"))) {
            violation("changed", path);
        }
    }
    for (const auto& [path, value] : after)
        if (!before.contains(path) && !below(path, in(install, "logs"))) violation("created", path);
    return 0;
}
