// The two precinct profiles run for real on a fake Windows whose installation the fuzzer
// makes hostile: junctions and links as the application folder, as "Data", as precinct
// folders, as "Export" and its files, links inside a precinct folder, shortcuts that are
// links or point through links, a marker or main executable that leads out, a file held
// open; and precinct items built from hostile pieces (separators, dots, drive letters,
// look-alike digits, list separators).
//
// Whatever the run decides, it removes only what its mode allows: in selected mode the data
// folders and export files of the valid items on the command line and their shortcuts to
// the application; in full mode the application folder, the prefixed shortcuts to it and
// the start-menu folder. Nothing else changes, least of all the sentinel trees outside the
// installation, and every handle is closed.
//
// Input: byte 0 chooses the profile, the mode, the options and whether the platform follows
// links as Wine does; bytes 1 and 2 switch the
// hostile layouts on; the rest are item pieces (an index into `pieces`), 0xFF ending an item.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/run_log.h"
#include "cli/run_request.h"
#include "platform/fake/fake_platform.h"
#include "platform/text.h"
#include "platform/winpath.h"
#include "profiles/profiles.h"
#include "support/apps.h"

namespace {

using namespace tu;

// A precinct application, holding a third valid item beside the two it is installed with.
struct Profile : test_support::AppFacts {
    OptionColumn column;
    Result<> (*run)(Platform&, const std::vector<PString>&, const LineSink&);
    Result<> (*check)(std::string_view);
    bool (*belongs)(std::string_view, std::string_view);
};

Profile with_third_item(Profile profile, std::string item) {
    profile.items.push_back(std::move(item));
    return profile;
}

const Profile municipal = with_third_item(
    {test_support::lc_okrsek, OptionColumn::municipal_precinct, run_municipal_precinct, check_okrsek, okrsek_export_file},
    "00001");
const Profile senate = with_third_item(
    {test_support::uh_okrsek, OptionColumn::senate_precinct, run_senate_precinct, check_obvod_item, obvod_export_file},
    "00001.081");

// "\x01".."\x03" stand for the profile's valid items.
const char* const pieces[] = {
    "\x01", "\x02", "\x03", "12345", "..", ".", "\\", "/", ":", "C:", "x", "7", " ", ",", ";",
    "\xEF\xBC\x91",  // FULLWIDTH DIGIT ONE
    "\xD9\xA0",      // ARABIC-INDIC DIGIT ZERO
    "0", "Data", "Export", ".7", "..\\", "C:\\Outside", "\\\\?\\", "00001",
};
constexpr std::size_t piece_count = sizeof(pieces) / sizeof(pieces[0]);

// Hostile layouts, one bit each.
enum Layout : unsigned {
    app_links_out = 1u << 0,        // the application folder is a junction to a decoy outside
    app_links_to_install = 1u << 1, // ... or a junction to the install directory
    data_links_out = 1u << 2,       // "Data" is a junction to a decoy outside
    precinct_links_out = 1u << 3,   // Data\{item 0} is a junction outside
    precinct_links_inside = 1u << 4,// Data\{item 1} is a junction to Data\{item 2}
    export_links_out = 1u << 5,     // "Export" is a junction outside
    export_file_links_out = 1u << 6,// Export\link.{item 0} is a link to a file outside
    links_inside_precinct = 1u << 7,// Data\{item 0} holds a junction and a file link leading out
    shortcut_is_link = 1u << 8,     // the desktop shortcut of item 0 is a link to a shortcut outside
    targets_through_links = 1u << 9,// shortcut targets that are links, in and out
    start_menu_links_out = 1u << 10,// the start-menu folder is a junction to an empty folder outside
    desktop_links_out = 1u << 11,   // the desktop folder is a junction to a folder outside
    marker_links_out = 1u << 12,    // the marker is a link to a decoy marker outside
    export_dir_entry = 1u << 13,    // Export\x.{item 0} is a junction, not a file
    main_exe_links_out = 1u << 14,  // the main executable is a link to a decoy outside
    precinct_held_open = 1u << 15,  // a file in Data\{item 0} is held open by another program
};

const PString install = u"C:\\Tarvo";
const PString outside = u"C:\\Outside";
const PString desktop = u"C:\\Users\\tester\\Desktop";
const PString start_menu = u"C:\\Users\\tester\\Start Menu\\Programs\\Tarvo";
const PString log_path = u"C:\\Tarvo\\logs\\run.log";
const PString uninstaller = u"C:\\Tarvo\\Zudeded2026.exe";

PString w(std::string_view text) { return to_utf16(text); }
PString at(const PString& dir, std::string_view name) { return winpath::join(dir, w(name)); }

// An application folder with its data and exports, at `dir` (the real one or a decoy).
void add_app(fake::FakePlatform& os, const Profile& p, const PString& dir, unsigned layout, bool real) {
    os.add_file(at(dir, p.exe), "MZ app");
    os.add_file(at(dir, "icon.ico"), "icon");
    os.add_file(at(dir, p.marker), test_support::marker_text(p));
    const PString data = at(dir, "Data");
    if (real && (layout & data_links_out)) {
        os.add_junction(data, at(outside, "Data"));
    } else {
        for (int i = 0; i < 3; ++i) {
            const PString folder = at(data, p.items[i]);
            if (real && i == 0 && (layout & precinct_links_out)) { os.add_junction(folder, at(outside, "precinct")); continue; }
            if (real && i == 1 && (layout & precinct_links_inside)) { os.add_junction(folder, at(data, p.items[2])); continue; }
            os.add_file(at(folder, "db.txt"), "precinct " + p.items[i]);
        }
        if (real && (layout & links_inside_precinct) && !(layout & precinct_links_out)) {
            os.add_junction(at(at(data, p.items[0]), "escape"), outside);
            os.add_symlink(at(at(data, p.items[0]), "keep.txt"), at(outside, "keep.txt"), false);
        }
    }
    const PString exports = at(dir, "Export");
    if (real && (layout & export_links_out)) {
        os.add_junction(exports, at(outside, "Export"));
    } else {
        for (int i = 0; i < 3; ++i) {
            os.add_file(at(exports, "vysledky." + p.items[i]), "export");
            os.add_file(at(exports, p.items[i] + ".csv"), "not an export of the item");
        }
        if (real && (layout & export_file_links_out)) os.add_symlink(at(exports, "link." + p.items[0]), at(outside, "keep.txt"), false);
        if (real && (layout & export_dir_entry)) os.add_junction(at(exports, "x." + p.items[0]), outside);
    }
}

// Names what broke the promise before stopping, so that a finding explains itself.
[[noreturn]] void violation(std::string_view what, std::string_view path) {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(what.size()), what.data(), static_cast<int>(path.size()),
                 path.data());
    std::abort();
}

bool starts_with_dir(std::string_view path, std::string_view dir) {
    return path.size() > dir.size() && path.starts_with(dir) && path[dir.size()] == '\\';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const Profile& p = (data[0] & 1) ? senate : municipal;
    const bool full = (data[0] & 2) != 0;
    const bool as_list = (data[0] & 4) != 0;
    const bool with_desktop = (data[0] & 8) == 0;
    const bool with_start_menu = (data[0] & 16) == 0;
    const bool wine = (data[0] & 32) != 0;
    const unsigned layout = data[1] | (data[2] << 8);

    std::vector<std::string> items(1);
    for (std::size_t i = 3; i < size && items.size() <= 6; ++i) {
        if (data[i] == 0xFF) { items.emplace_back(); continue; }
        const std::string piece = pieces[data[i] % piece_count];
        items.back() += piece.size() == 1 && piece[0] >= 1 && piece[0] <= 3 ? p.items[piece[0] - 1] : piece;
    }

    fake::FakePlatform os;
    // Wine: links followed where they must not be; the deletion must refuse what they lead to.
    os.follows_final_links = wine;
    os.extended_disposition_supported = !wine;
    os.processes = {{os.own_pid, 77, u""}, {77, 1, uninstaller}};
    os.add_file(os.module, "MZ helper");
    os.add_file(uninstaller, "MZ uninstaller");
    os.add_file(at(install, "Other\\other.exe"), "MZ neighbour");
    os.add_file(log_path);

    // The sentinel: a decoy of the whole application and the targets of every link.
    os.add_file(at(outside, "keep.txt"), "sentinel");
    add_app(os, p, at(outside, p.folder), 0, false);
    for (int i = 0; i < 3; ++i) {
        os.add_file(at(outside, "Data\\" + p.items[i] + "\\db.txt"), "sentinel precinct");
        os.add_file(at(outside, "Export\\vysledky." + p.items[i]), "sentinel export");
    }
    os.add_file(at(outside, "precinct\\db.txt"), "sentinel precinct");
    os.add_dir(at(outside, "emptydir"));
    os.add_shortcut(at(outside, "Desktop\\foreign.lnk"), at(outside, "keep.txt"));

    const PString app_dir = at(install, p.folder);
    const PString main_exe = at(app_dir, p.exe);
    if (layout & app_links_out) {
        os.add_junction(app_dir, at(outside, p.folder));
    } else if (layout & app_links_to_install) {
        os.add_junction(app_dir, install);
        add_app(os, p, install, 0, false);  // a decoy where the link leads
    } else {
        add_app(os, p, app_dir, layout, true);
        if (layout & marker_links_out) {
            (void)os.delete_file(at(app_dir, p.marker));
            os.add_symlink(at(app_dir, p.marker), at(outside, p.folder + "\\" + p.marker), false);
        }
        if (layout & main_exe_links_out) {
            (void)os.delete_file(main_exe);
            os.add_symlink(main_exe, at(outside, p.folder + "\\" + p.exe), false);
        }
        if (layout & targets_through_links) {
            os.add_symlink(at(app_dir, "exe-link"), main_exe, false);
            os.add_symlink(at(app_dir, "out-link"), at(outside, "keep.txt"), false);
        }
        if (layout & precinct_held_open) os.hold_open(at(app_dir, "Data\\" + p.items[0] + "\\db.txt"));
    }

    // Shortcuts; those that point at the application (and may go) are remembered.
    std::set<std::string> app_shortcuts;
    const auto shortcut = [&](const PString& dir, std::string_view name, const PString& target, bool to_app) {
        os.add_shortcut(at(dir, name), target);
        if (to_app) app_shortcuts.insert(to_utf8(at(dir, name)));
    };
    const bool through_links = (layout & targets_through_links) && !(layout & (app_links_out | app_links_to_install));
    for (const PString& dir : {desktop, start_menu}) {
        if (dir == desktop && (layout & desktop_links_out)) {
            os.add_junction(dir, at(outside, "Desktop"));
            continue;
        }
        if (dir == start_menu && (layout & start_menu_links_out)) {
            os.add_junction(dir, at(outside, "emptydir"));
            continue;
        }
        const std::string lead = p.item_prefix + " ";
        if (dir == desktop && (layout & shortcut_is_link)) {
            os.add_shortcut(at(outside, "decoy.lnk"), main_exe);
            os.add_symlink(at(dir, lead + p.items[0] + ".lnk"), at(outside, "decoy.lnk"), false);
            app_shortcuts.insert(to_utf8(at(dir, lead + p.items[0] + ".lnk")));
        } else {
            shortcut(dir, lead + p.items[0] + ".lnk", main_exe, true);
        }
        shortcut(dir, lead + p.items[1] + ".lnk", through_links ? at(app_dir, "out-link") : at(outside, "keep.txt"), false);
        shortcut(dir, lead + p.items[2] + ".lnk",
                 through_links ? at(app_dir, "exe-link") : w("c:/tarvo/" + ascii_lower(p.folder) + "/" + p.exe), true);
        shortcut(dir, "foreign.lnk", main_exe, true);
        shortcut(dir, p.display + " 99999.lnk", at(outside, "keep.txt"), false);
    }

    std::vector<PString> args = {
        u"--mode", full ? u"full" : u"selected", u"--app-kind", u"okrsek", u"--install-dir", install,
        u"--app-folder", w(p.folder), u"--main-binary", w(p.exe), u"--uninstaller", w(test_support::uninstaller_name),
        u"--product-name", w(p.product), u"--bundle-id", w(p.bundle), u"--parent-pid", u"77",
        u"--parent-path", uninstaller};
    if (with_desktop) args.insert(args.end(), {u"--desktop", desktop});
    if (with_start_menu) args.insert(args.end(), {u"--start-menu", start_menu});
    if (as_list) {
        std::string joined;
        for (const std::string& item : items) joined += (joined.empty() ? "" : ";") + item;
        args.insert(args.end(), {u"--items", w(joined)});
    } else {
        for (const std::string& item : items) args.insert(args.end(), {u"--okrsek", w(item)});
    }

    // The items the run may act on: the valid ones of the list the parser makes.
    const auto request = parse_run_request(args, p.column);
    std::set<std::string> valid;
    if (request)
        for (const std::string& item : request->okrsky)
            if (p.check(item)) valid.insert(item);

    const auto before = os.snapshot({u"C:\\"});
    (void)p.run(os, args, RunLog(os, log_path, LogWriter::create_dirs));
    if (os.open_handles() != 0) violation("handles left open", "");
    const auto after = os.snapshot({u"C:\\"});

    const std::string app_text = to_utf8(app_dir);
    const bool app_is_real = !(layout & (app_links_out | app_links_to_install));
    const auto may_go = [&](const std::string& path) {
        if (path == app_text) return full && app_is_real;
        if (starts_with_dir(path, app_text)) {
            if (full) return app_is_real;
            const std::string rest = path.substr(app_text.size() + 1);
            for (const std::string& item : valid) {
                if (rest == "Data\\" + item || rest.starts_with("Data\\" + item + "\\")) return true;
                if (rest.starts_with("Export\\") && rest.find('\\', 7) == std::string::npos && p.belongs(rest.substr(7), item))
                    return true;
            }
            return false;
        }
        for (const PString& dir : {desktop, start_menu}) {
            const std::string shown = to_utf8(dir);
            if (full && dir == start_menu && path == shown) return true;
            if (!starts_with_dir(path, shown) || !app_shortcuts.contains(path)) continue;
            const std::string name = path.substr(shown.size() + 1);
            if (full) return name.starts_with(p.display + " ");
            for (const std::string& item : valid)
                if (name == p.item_prefix + " " + item + ".lnk") return true;
        }
        return false;
    };
    for (const auto& [path, value] : before) {
        const auto now = after.find(path);
        if (now == after.end()) {
            if (!may_go(path)) violation("removed", path);
        } else if (now->second != value && path != to_utf8(log_path)) {
            violation("changed", path);
        }
    }
    for (const auto& [path, value] : after)
        if (!before.contains(path)) violation("created", path);
    return 0;
}
