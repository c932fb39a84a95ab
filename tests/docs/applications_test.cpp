// docs/applications.md against the helper itself: every application is installed on the
// in-memory Windows as the document's tables describe it and removed by the real entry and
// profiles with the values written there. A fixed value, a marker name or key, a shortcut
// name, a precinct layout or a log name that the helper does not use makes a case fail, so
// the document cannot drift from the code unnoticed.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/entry.h"
#include "docs/markdown.h"
#include "platform/fake/fake_platform.h"
#include "platform/text.h"
#include "profiles/profiles.h"

namespace tu::docs_test {
namespace {

PString w(std::string_view text) { return to_utf16(text); }
std::string in(std::string_view dir, std::string_view name) { return std::string(dir) + "\\" + std::string(name); }

constexpr std::string_view install = "C:\\Tarvo";
constexpr std::string_view logs = "C:\\Tarvo\\logs";
constexpr std::string_view desktop = "C:\\Users\\tester\\Desktop";
constexpr std::string_view programs = "C:\\Users\\tester\\Start Menu\\Programs";
constexpr std::string_view start_menu = "C:\\Users\\tester\\Start Menu\\Programs\\Tarvo";
constexpr std::uint32_t uninstaller_pid = 77;
// What the test passes where the document says "any", and the `*` of a shortcut name.
constexpr std::string_view any_value = "any-value";
constexpr std::string_view any_text = "any text";

const std::string& applications_document() {
    static const std::string text = read_source_file("docs/applications.md");
    return text;
}

std::string replaced(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The first code span of a cell, or nothing for "any" and "none".
std::optional<std::string> value_of(const std::string& cell) {
    const auto spans = code_spans(cell);
    if (spans.empty()) return std::nullopt;
    return spans.front();
}

// One row of "The nine application folders".
struct App {
    std::string folder, kind, main_binary;
    std::optional<std::string> product, bundle;  // nothing: any value is taken
    std::optional<std::string> marker;           // the marker's file name; nothing: none
    bool strict = false;                         // the marker's generation
    int failure_status = 0;
    std::string log_name;  // with {ms}, {s} and {pid}

    std::string dir() const { return in(install, folder); }
    std::string main_exe() const { return in(dir(), main_binary); }
};

std::vector<App> documented_apps() {
    std::vector<App> apps;
    for (const auto& cells : table_rows(applications_document(), {"`--app-folder`", "application"})) {
        if (cells.size() < 9) {
            ADD_FAILURE() << "a row of the folder table has " << cells.size() << " cells";
            continue;
        }
        App app;
        app.folder = value_of(cells[0]).value_or("");
        app.kind = value_of(cells[2]).value_or("");
        app.main_binary = value_of(cells[3]).value_or("");
        app.product = value_of(cells[4]);
        app.bundle = value_of(cells[5]);
        app.marker = value_of(cells[6]);
        app.strict = cells[6].find("strict") != std::string::npos;
        app.failure_status = std::stoi(value_of(cells[7]).value_or("-1"));
        app.log_name = value_of(cells[8]).value_or("");
        apps.push_back(std::move(app));
    }
    return apps;
}

// "The install marker": each key with the option whose value it carries, or its own value.
std::vector<std::pair<std::string, std::string>> documented_marker_keys() {
    std::vector<std::pair<std::string, std::string>> keys;
    for (const auto& cells : table_rows(applications_document(), {"key", "value"}))
        if (cells.size() >= 2 && value_of(cells[0]) && value_of(cells[1])) keys.emplace_back(*value_of(cells[0]), *value_of(cells[1]));
    return keys;
}

using Options = std::vector<std::pair<std::string, std::string>>;

std::string option(const Options& options, std::string_view name) {
    for (const auto& [key, value] : options)
        if (key == name) return value;
    return {};
}

// The uninstaller's name, as the marker table gives it.
std::string uninstaller_name() {
    for (const auto& [key, value] : documented_marker_keys())
        if (key == "uninstaller") return value;
    return {};
}
std::string uninstaller_path() { return in(install, uninstaller_name()); }

// What the application's uninstaller passes, with the document's values.
Options command_line(const App& app, std::string mode) {
    return {{"--mode", std::move(mode)},
            {"--app-kind", app.kind},
            {"--install-dir", std::string(install)},
            {"--app-folder", app.folder},
            {"--main-binary", app.main_binary},
            {"--uninstaller", uninstaller_name()},
            {"--desktop", std::string(desktop)},
            {"--start-menu", std::string(start_menu)},
            {"--product-name", app.product.value_or(std::string(any_value))},
            {"--bundle-id", app.bundle.value_or(std::string(any_value))},
            {"--parent-pid", std::to_string(uninstaller_pid)},
            {"--parent-path", uninstaller_path()}};
}

// The marker its installer writes for that command line, keyed as the document says.
std::string marker_text(const Options& options) {
    std::string text;
    for (const auto& [key, value] : documented_marker_keys())
        text += key + "=" + (value.starts_with("--") ? option(options, value) : value) + "\n";
    return text;
}

// A workstation with one application installed below C:\Tarvo beside another folder, the
// uninstaller as the helper's parent and the helper staged in the temporary folder.
struct Station {
    fake::FakePlatform os;
    const App& app;

    Station(const App& installed, const Options& options, bool with_marker = true) : app(installed) {
        os.processes = {{os.own_pid, uninstaller_pid, u""}, {uninstaller_pid, 1, w(uninstaller_path())}};
        os.add_file(os.module, "MZ helper");
        os.add_file(w(uninstaller_path()), "MZ uninstaller");
        os.add_file(u"C:\\Tarvo\\Other\\other.exe", "MZ another application");
        os.add_dir(w(desktop));
        os.add_dir(w(start_menu));
        os.add_file(w(app.main_exe()), "MZ application");
        os.add_file(w(in(app.dir(), "icon.ico")), "icon");
        if (with_marker && app.marker) os.add_file(w(in(app.dir(), *app.marker)), marker_text(options));
    }

    int run(const Options& options) {
        os.args = {u"tarvo-untarvo.exe"};
        for (const auto& [name, value] : options) {
            os.args.push_back(w(name));
            os.args.push_back(w(value));
        }
        return run_entry(os, real_profiles());
    }
    bool exists(std::string_view path) const { return os.exists(w(path)); }
};

TEST(ApplicationsDocument, EveryFolderIsRemovedWithItsDocumentedValuesAndLog) {
    const auto apps = documented_apps();
    ASSERT_EQ(apps.size(), 9u) << "the document's folder table is not the nine folders";
    for (const App& app : apps) {
        SCOPED_TRACE(app.folder);
        const Options options = command_line(app, "full");
        Station station(app, options);
        EXPECT_EQ(station.run(options), 0);
        EXPECT_FALSE(station.exists(app.dir()));
        EXPECT_TRUE(station.exists("C:\\Tarvo\\Other\\other.exe"));
        EXPECT_TRUE(station.exists(uninstaller_path()));
        // The log name, with the stamps of the fake clock and process id.
        std::string name = replaced(app.log_name, "{ms}", std::to_string(station.os.now_ticks / 10'000));
        name = replaced(name, "{s}", std::to_string(station.os.now_ticks / 10'000'000));
        name = replaced(name, "{pid}", std::to_string(station.os.own_pid));
        EXPECT_EQ(station.os.tree(w(logs)), std::vector<std::string>{in(logs, name)});
    }
}

// A documented fixed value that is changed is refused with the documented status and removes
// nothing; an "any" value is taken (the marker, if any, written with it).
TEST(ApplicationsDocument, FixedValuesAreCheckedAndAnyValuesTaken) {
    for (const App& app : documented_apps()) {
        const std::pair<std::string, bool> options[] = {{"--app-kind", true},
                                                        {"--main-binary", true},
                                                        {"--product-name", app.product.has_value()},
                                                        {"--bundle-id", app.bundle.has_value()}};
        for (const auto& [name, fixed] : options) {
            SCOPED_TRACE(app.folder + " " + name);
            Options changed = command_line(app, "full");
            for (auto& [key, value] : changed)
                if (key == name) value += "-other";
            Station station(app, changed);
            EXPECT_EQ(station.run(changed), fixed ? app.failure_status : 0);
            EXPECT_EQ(station.exists(app.dir()), fixed);
        }
    }
}

// The marker is read under its documented name, with the documented keys, as its generation
// says: a changed value is refused; no marker is refused by the strict generation only.
TEST(ApplicationsDocument, TheMarkerIsReadUnderItsNameAndByItsGeneration) {
    for (const App& app : documented_apps()) {
        if (!app.marker) continue;
        SCOPED_TRACE(app.folder);
        const Options options = command_line(app, "full");
        Options other_bundle = options;
        for (auto& [key, value] : other_bundle)
            if (key == "--bundle-id") value = "com.somebody-else";
        Station changed(app, other_bundle);
        EXPECT_EQ(changed.run(options), app.failure_status) << "a marker with another bundle_id was not refused";
        EXPECT_TRUE(changed.exists(app.dir()));

        Station without(app, options, false);
        EXPECT_EQ(without.run(options), app.strict ? app.failure_status : 0) << "without a marker";
    }
}

// Each shortcut of "Shortcuts the helper removes", made where and as the table says and
// pointing where it says, is removed by a run in its mode.
TEST(ApplicationsDocument, DocumentedShortcutsAreRemoved) {
    const auto apps = documented_apps();
    std::map<std::string, std::string> precinct_of;  // from "Precinct data"
    for (const auto& cells : table_rows(applications_document(), {"`--app-folder`", "a precinct"}))
        for (const std::string& folder : code_spans(cells[0])) precinct_of[folder] = value_of(cells[1]).value_or("");
    const std::map<std::string, std::string_view> folders{
        {"desktop", desktop}, {"start menu", start_menu}, {"above the start menu", programs}};

    const auto rows = table_rows(applications_document(), {"`--app-folder`", "where"});
    ASSERT_FALSE(rows.empty());
    for (const auto& cells : rows) {
        ASSERT_GE(cells.size(), 5u);
        for (const std::string& folder : code_spans(cells[0])) {
            const auto app = std::find_if(apps.begin(), apps.end(), [&](const App& a) { return a.folder == folder; });
            ASSERT_NE(app, apps.end()) << folder << " is not in the folder table";
            const bool selected = cells[4] == "selected";
            Options options = command_line(*app, selected ? "selected" : "full");
            if (selected) options.emplace_back("--okrsek", precinct_of[folder]);
            const std::string target = cells[3] == "uninstaller" ? uninstaller_path() : app->main_exe();

            std::vector<std::string> shortcuts;
            std::istringstream places(cells[1]);
            for (std::string place; std::getline(places >> std::ws, place, ',');) {
                if (!folders.contains(place)) {
                    ADD_FAILURE() << "unknown place of a shortcut: " << place;
                    continue;
                }
                for (std::string name : code_spans(cells[2])) {
                    name = replaced(name, "{product}", option(options, "--product-name"));
                    name = replaced(name, "{precinct}", precinct_of[folder]);
                    shortcuts.push_back(in(folders.at(place), replaced(name, "*", any_text)));
                }
            }
            SCOPED_TRACE(folder + ": " + cells[2] + " in " + cells[1]);
            Station station(*app, options);
            for (const std::string& shortcut : shortcuts) station.os.add_shortcut(w(shortcut), w(target));
            EXPECT_EQ(station.run(options), 0);
            for (const std::string& shortcut : shortcuts) EXPECT_FALSE(station.exists(shortcut)) << shortcut;
        }
    }
}

// "Precinct data": a selected run removes the example precinct's data folder and export file,
// and keeps the application.
TEST(ApplicationsDocument, DocumentedPrecinctDataIsRemoved) {
    const auto apps = documented_apps();
    const auto rows = table_rows(applications_document(), {"`--app-folder`", "a precinct"});
    ASSERT_FALSE(rows.empty());
    for (const auto& cells : rows) {
        ASSERT_GE(cells.size(), 4u);
        const std::string precinct = value_of(cells[1]).value_or("");
        for (const std::string& folder : code_spans(cells[0])) {
            SCOPED_TRACE(folder + " " + precinct);
            const auto app = std::find_if(apps.begin(), apps.end(), [&](const App& a) { return a.folder == folder; });
            ASSERT_NE(app, apps.end()) << folder << " is not in the folder table";
            Options options = command_line(*app, "selected");
            options.emplace_back("--okrsek", precinct);
            const std::string data = in(app->dir(), replaced(value_of(cells[2]).value_or(""), "{precinct}", precinct));
            const std::string exported = in(
                app->dir(), replaced(replaced(value_of(cells[3]).value_or(""), "{precinct}", precinct), "*", "vysledky"));
            Station station(*app, options);
            station.os.add_file(w(in(data, "okrsek.db")), "data");
            station.os.add_file(w(exported), "export");
            EXPECT_EQ(station.run(options), 0);
            EXPECT_FALSE(station.exists(data));
            EXPECT_FALSE(station.exists(exported));
            EXPECT_TRUE(station.exists(app->main_exe()));
        }
    }
}

}  // namespace
}  // namespace tu::docs_test
