// Faults around a run, with the real entry and profiles on the fake Windows: a log that
// cannot be written, a file that another program never lets go, entries that vanish while
// a folder is listed or a tree is removed, and a parent whose id went to another program.
// A log fault never changes what a run does or its status; every other fault ends
// in the outcome its rules name, and nothing outside the installation changes.
#include <functional>

#include "app/run_log.h"
#include "hostile_station.h"

namespace tu::hostile_test {
namespace {

using Options = std::vector<std::pair<std::string, std::string>>;

// Each application's ordinary run: full removal, or one precinct.
Options ordinary(const App& app) {
    Options options = Station::command_line(app, app.precinct() ? "selected" : "full");
    if (app.precinct()) options.emplace_back("--okrsek", app.items[0]);
    return options;
}

std::vector<std::string> ordinary_removal(const App& app) {
    return app.precinct() ? precinct_removal(app, app.items[0]) : full_removal(app);
}

// The log file a run starts with the fake's clock and process id.
std::string log_name(const App& app, const fake::FakePlatform& os) {
    if (!app.precinct() && &app != &lc_sumar) return data_entry_log_name(os.now_ticks);
    const std::string_view prefix = &app == &uh_okrsek ? senate_log_prefix : municipal_log_prefix;
    return precinct_log_name(prefix, os.now_ticks, os.own_pid);
}

struct Outcome {
    int status;
    std::map<std::string, std::string> before, after;
};

Outcome run(Station& station, const Options& options) {
    Outcome out;
    out.before = station.disk();
    out.status = station.run(options);
    out.after = station.disk();
    return out;
}

// --- the run log ------------------------------------------------------------------------------

TEST(HostileLogFaults, UnwritableOrPlantedLogChangesNothingButTheLog) {
    struct Fault {
        const char* name;
        std::function<void(Station&, const App&)> make;
    };
    const Fault faults[] = {
        {"FolderCannotBeMadeOrWritten",
         [](Station& s, const App&) {
             s.os.fault = [](fake::Op op, PStringView path) -> std::optional<std::uint32_t> {
                 const bool writes = op == fake::Op::create_dir_all || op == fake::Op::open_for_writing || op == fake::Op::append;
                 if (writes && to_utf8(path).starts_with(std::string(logs))) return win32_error::access_denied;
                 return std::nullopt;
             };
         }},
        // Where the folder should be there is a file: no folder can be made, no line written.
        {"FolderIsAFile",
         [](Station& s, const App&) {
             s.forget(logs);
             s.os.add_file(w(logs), "not a folder");
         }},
        {"LogFileReadOnly",
         [](Station& s, const App& app) { s.os.add_file(w(in(logs, log_name(app, s.os))), "kept\n", true); }},
        // Planted by someone who can write the folders: the log folder leading elsewhere, and
        // the log's own name, known in advance, standing for a file outside.
        {"FolderIsAJunctionOut", [](Station& s, const App&) { s.junction(logs, in(outside, "emptydir")); }},
        {"FolderIsALinkOut", [](Station& s, const App&) { s.symlink(logs, in(outside, "emptydir"), true); }},
        {"NameIsALinkToAFileOutside",
         [](Station& s, const App& app) { s.os.add_symlink(w(in(logs, log_name(app, s.os))), w(in(outside, "keep.txt")), false); }},
        {"NameIsAHardLinkOfAFileOutside",
         [](Station& s, const App& app) { s.os.add_hard_link(w(in(logs, log_name(app, s.os))), w(in(outside, "keep.txt"))); }},
        {"NameIsALinkThatLeadsNowhere",
         [](Station& s, const App& app) { s.os.add_symlink(w(in(logs, log_name(app, s.os))), w(in(outside, "new.txt")), false); }},
    };
    for (const App* app : all_apps) {
        // A run that succeeds and one that is refused, each with and without the fault, on
        // Windows and on a file system that follows links it is told not to (Wine).
        for (const auto& [refused, wine] : {std::pair{false, false}, {true, false}, {false, true}, {true, true}}) {
            Options options = ordinary(*app);
            if (refused) options.emplace_back("--uninstaller", "Un.exe");
            Station plain;
            plain.os.follows_final_links = wine;
            const Outcome expected = run(plain, options);
            for (const Fault& fault : faults) {
                SCOPED_TRACE(app->folder + (refused ? " refused " : " ") + (wine ? "Wine " : "") + fault.name);
                Station station;
                station.os.follows_final_links = wine;
                fault.make(station, *app);
                const Outcome outcome = run(station, options);
                EXPECT_EQ(outcome.status, expected.status);
                EXPECT_EQ(expected.status == 0, !refused);
                expect_only_removed(outcome.before, outcome.after, refused ? std::vector<std::string>{} : ordinary_removal(*app));
                // Nothing was written anywhere: the read-only log keeps its content.
                for (const auto& [path, value] : outcome.after)
                    if (path.starts_with(std::string(logs)) && !path.ends_with("older.log")) {
                        const auto was = outcome.before.find(path);
                        EXPECT_TRUE(was != outcome.before.end() && was->second == value) << path;
                    }
            }
        }
    }
}

// --- a file held open for good --------------------------------------------------------------

TEST(HostileHeldFile, TreeFailsAfterThirtyAttemptsAndEarlierRemovalsStay) {
    for (const App* app : {&lc_kapta, &uh_okrsek}) {
        SCOPED_TRACE(app->folder);
        Station station;
        station.os.hold_open(w(app->main_exe()));
        const Outcome outcome = run(station, Station::command_line(*app, "full"));

        const std::string held = "The process cannot access the file because it is being used by another process. (os error 32)";
        EXPECT_EQ(outcome.status, app->precinct() ? 1 : 2);
        // The retries before it are the removal's own test (RemovalTest).
        EXPECT_EQ(station.log().back(), "ERROR: failed to remove dir " + app->dir() + " after 30 attempts (os_error=Some(32)): " + held);

        // The shortcuts and every entry the walk reached before the held file are gone for
        // good; the held file and its folder stay.
        std::vector<std::string> removed = full_removal(*app);
        std::erase(removed, app->dir());
        for (const std::string& entry : {app->marker, std::string("config"), std::string("icon.ico"), std::string("Data"),
                                         std::string("Export")})
            if (outcome.before.contains(in(app->dir(), entry))) removed.push_back(in(app->dir(), entry));
        expect_only_removed(outcome.before, outcome.after, removed);
        EXPECT_TRUE(station.os.exists(w(app->main_exe())));
    }
}

// --- entries that vanish -------------------------------------------------------------------------

// Another program deletes `path` the moment the helper reaches it with `op`, once.
void vanish_on(Station& s, fake::Op op_name, std::string path) {
    auto done = std::make_shared<bool>(false);
    s.os.fault = [&s, op_name, path, done](fake::Op op, PStringView at) -> std::optional<std::uint32_t> {
        if (*done || op != op_name || to_utf8(at) != path) return std::nullopt;
        *done = true;
        s.forget(path);
        return win32_error::file_not_found;
    };
}

TEST(HostileVanishing, EntriesThatVanishWhileListedOrRemovedAreSkipped) {
    struct Case {
        const char* name;
        const App* app;
        std::string mode;
        std::function<void(Station&)> arrange;
        std::vector<std::string> lines;  // lines the vanishing leaves in the log
    };
    const std::string lc_shortcut = in(start_menu, "Lokal-Kaptáže 23456.lnk");
    const std::string uh_shortcut = in(start_menu, "Vyšák-Kaptáže K1 23456.81.lnk");
    const std::vector<Case> cases = {
        {"StartMenuEntryLogged", &lc_okrsek, "full", [&](Station& s) { vanish_on(s, fake::Op::list_entry, lc_shortcut); },
         {"skip vanished shortcut entry"}},
        {"StartMenuEntryQuiet", &uh_okrsek, "full", [&](Station& s) { vanish_on(s, fake::Op::list_entry, uh_shortcut); }, {}},
        {"ShortcutFolderEntry", &lc_sumar, "full",
         [](Station& s) { vanish_on(s, fake::Op::list_entry, in(start_menu, "LC sumar.lnk")); }, {}},
        {"ExportEntryLogged", &lc_okrsek, "selected",
         [](Station& s) { vanish_on(s, fake::Op::list_entry, in(lc_okrsek.dir(), "Export\\vysledky.12345")); },
         {"skip vanished export entry"}},
        {"ExportEntryQuiet", &uh_okrsek, "selected",
         [](Station& s) { vanish_on(s, fake::Op::list_entry, in(uh_okrsek.dir(), "Export\\vysledky.12345.7")); }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Station station;
        c.arrange(station);
        Options options = Station::command_line(*c.app, c.mode);
        if (c.mode == "selected") options.emplace_back("--okrsek", c.app->items[0]);
        const Outcome outcome = run(station, options);
        EXPECT_EQ(outcome.status, 0);
        const std::vector<std::string> log = station.log();
        for (const std::string& line : c.lines) EXPECT_NE(std::find(log.begin(), log.end(), line), log.end()) << line;
        for (const std::string& line : log) {
            EXPECT_FALSE(line.starts_with("ERROR: ")) << line;
            EXPECT_FALSE(line.starts_with("retry ")) << line;
        }
        // The vanished entry is one that the run would have removed anyway.
        expect_only_removed(outcome.before, outcome.after,
                            c.mode == "selected" ? precinct_removal(*c.app, c.app->items[0]) : full_removal(*c.app));
    }
}

TEST(HostileVanishing, ApplicationFolderRemovedMeanwhileByAnotherProgram) {
    for (const App* app : {&lc_kapta, &uh_okrsek}) {
        SCOPED_TRACE(app->folder);
        Station station;
        // The application is still closing: the first attempt fails, and during the pause
        // another program removes the whole folder.
        station.os.hold_open(w(app->main_exe()));
        station.os.on_sleep = [&station, app] {
            station.os.release(w(app->main_exe()));
            station.forget(app->dir());
        };
        const Outcome outcome = run(station, Station::command_line(*app, "full"));
        EXPECT_EQ(outcome.status, 0);
        const std::vector<std::string> log = station.log();
        const auto retry = std::find_if(log.begin(), log.end(), [&](const std::string& line) {
            return line.starts_with("retry dir delete 1/30: " + app->dir() + " (os_error=Some(32), ");
        });
        ASSERT_NE(retry, log.end());
        // The logged flavour says what happened; the quiet one goes on without a word.
        const std::vector<std::string> rest(retry + 1, log.end());
        if (app->precinct()) {
            EXPECT_EQ(rest, std::vector<std::string>{});
        } else {
            EXPECT_EQ(rest, (std::vector<std::string>{"dir already gone: " + app->dir(), "tarvo-untarvo completed"}));
        }
        EXPECT_EQ(station.os.sleeps.size(), 1u);
        expect_only_removed(outcome.before, outcome.after, full_removal(*app));
    }
}

// --- the parent's id went to another program -------------------------------------------------

// Every profile looks its parent up before it removes anything: the image path gives the
// other program away. How each lookup failure is reported is the caller check's own test.
TEST(HostileParent, ParentWhosePidWasReusedIsRefused) {
    for (const App* app : all_apps) {
        SCOPED_TRACE(app->folder);
        Station station;
        station.os.processes.back().image = u"C:\\Windows\\System32\\notepad.exe";
        const Outcome outcome = run(station, ordinary(*app));
        EXPECT_EQ(outcome.status, app->precinct() || app == &lc_sumar ? 1 : 2);
        const std::vector<std::string> log = station.log();
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back(), "ERROR: helper parent process mismatch: expected C:\\Tarvo\\Zudeded2026.exe, got "
                              "C:\\Windows\\System32\\notepad.exe");
        expect_only_removed(outcome.before, outcome.after, {});
    }
}

}  // namespace
}  // namespace tu::hostile_test
