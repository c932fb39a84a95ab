// Hostile layouts and hostile command lines against the real entry and the real profiles on
// the fake Windows: links and junctions where the installation should have folders, paths
// spelled every way Windows accepts, precinct items that try to climb out of "Data", and
// markers whose values try to redirect the run. Every case removes exactly what its rules
// allow, or is refused with its message; the sentinel trees never change.
#include <functional>
#include <tuple>

#include "app/run_log.h"
#include "hostile_station.h"
#include "safety/layout.h"

namespace tu::hostile_test {
namespace {

using Options = std::vector<std::pair<std::string, std::string>>;

struct Case {
    std::string name;
    const App* app;
    std::string mode;
    Options extra;                          // appended: a repeated option overrides the earlier one
    std::function<void(Station&)> layout;   // makes the workstation hostile before the run
    std::string error;                      // the run's "ERROR: {}" message; empty: it succeeds
    std::vector<std::string> removed;       // the paths that go, with everything below them
};

Options with(Options a, const Options& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

int failure_status(const App& app) { return app.precinct() || &app == &lc_sumar ? 1 : 2; }

void run_case(const Case& c) {
    SCOPED_TRACE(c.name);
    Station station;
    if (c.layout) c.layout(station);
    Options options = Station::command_line(*c.app, c.mode);
    options.insert(options.end(), c.extra.begin(), c.extra.end());

    const auto before = station.disk();
    const int status = station.run(options);
    const auto after = station.disk();
    const std::vector<std::string> log = station.log();

    if (c.error.empty()) {
        EXPECT_EQ(status, 0);
        for (const std::string& line : log) EXPECT_FALSE(line.starts_with("ERROR: ")) << line;
    } else {
        EXPECT_EQ(status, failure_status(*c.app));
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back(), "ERROR: " + c.error);
    }
    expect_only_removed(before, after, c.removed);
    EXPECT_EQ(station.os.open_handles(), 0);
}

std::string decoy(const App& app) { return in(outside, app.folder); }

// --- links and junctions ------------------------------------------------------------------

TEST(HostileLinks, ApplicationFolderLeadingOutOrOntoTheInstallDirectoryIsRefused) {
    const auto junction_to = [](const App& app, std::string target) {
        return [&app, target](Station& s) { s.junction(app.dir(), target); };
    };
    const auto link_to = [](const App& app, std::string target) {
        return [&app, target](Station& s) { s.symlink(app.dir(), target, true); };
    };
    const std::string unsafe = "unsafe path outside expected directory: ";
    const std::string equal = "application directory must not equal install directory";
    const Options precinct{{"--okrsek", "12345"}};
    const Options item{{"--okrsek", "12345.7"}};
    const std::vector<Case> cases = {
        {"MunicipalDataEntryJunctionOut", &lc_kapta, "full", {}, junction_to(lc_kapta, decoy(lc_kapta)), unsafe + lc_kapta.dir(), {}},
        {"MunicipalDataEntryLinkOut", &lc_kapta, "full", {}, link_to(lc_kapta, decoy(lc_kapta)), unsafe + lc_kapta.dir(), {}},
        {"MunicipalDataEntryJunctionToInstallDir", &lc_kapta, "full", {}, junction_to(lc_kapta, std::string(install)), equal, {}},
        {"SenateDataEntryJunctionOut", &uh_kapta, "full", {}, junction_to(uh_kapta, decoy(uh_kapta)), unsafe + uh_kapta.dir(), {}},
        // The precinct applications pin the folder's name, not where it leads: without this
        // check selected mode deleted the decoy's precinct folder outside the installation.
        {"MunicipalPrecinctSelectedJunctionOut", &lc_okrsek, "selected", precinct, junction_to(lc_okrsek, decoy(lc_okrsek)),
         unsafe + lc_okrsek.dir(), {}},
        {"MunicipalPrecinctFullJunctionOut", &lc_okrsek, "full", {}, junction_to(lc_okrsek, decoy(lc_okrsek)),
         unsafe + lc_okrsek.dir(), {}},
        {"MunicipalPrecinctSelectedJunctionToInstallDir", &lc_okrsek, "selected", precinct,
         [](Station& s) {
             s.junction(lc_okrsek.dir(), install);
             s.install_app(lc_okrsek, std::string(install));  // a marker and "Data" where it leads
         },
         equal, {}},
        {"SenatePrecinctSelectedLinkOut", &uh_okrsek, "selected", item, link_to(uh_okrsek, decoy(uh_okrsek)),
         unsafe + uh_okrsek.dir(), {}},
        {"SenatePrecinctFullJunctionToInstallDir", &uh_okrsek, "full", {}, junction_to(uh_okrsek, std::string(install)), equal, {}},
        {"ProcessingJunctionOut", &lc_sumar, "full", {}, junction_to(lc_sumar, decoy(lc_sumar)), unsafe + lc_sumar.dir(), {}},
        {"ProcessingJunctionToInstallDir", &lc_sumar, "full", {}, junction_to(lc_sumar, std::string(install)),
         "application directory must not equal install root", {}},
    };
    for (const Case& c : cases) run_case(c);
}

TEST(HostileLinks, PrecinctFoldersAndExportsLeadingOutAreRefused) {
    const std::string unsafe = "unsafe path outside expected directory: ";
    const Options lc{{"--okrsek", "12345"}};
    const Options uh{{"--okrsek", "12345.7"}};
    const std::string lc_data = in(lc_okrsek.dir(), "Data");
    const std::string uh_data = in(uh_okrsek.dir(), "Data");
    const std::vector<Case> cases = {
        {"DataJunctionOut", &lc_okrsek, "selected", lc,
         [&](Station& s) { s.junction(lc_data, in(decoy(lc_okrsek), "Data")); }, unsafe + in(lc_data, "12345"), {}},
        {"PrecinctJunctionOut", &lc_okrsek, "selected", lc,
         [&](Station& s) { s.junction(in(lc_data, "12345"), in(outside, "precinct")); }, unsafe + in(lc_data, "12345"), {}},
        {"SenatePrecinctLinkOut", &uh_okrsek, "selected", uh,
         [&](Station& s) { s.symlink(in(uh_data, "12345.7"), in(outside, "precinct"), true); },
         unsafe + in(uh_data, "12345.7"), {}},
        // Leading onto the install directory: judged by where it leads, outside the application.
        {"DataJunctionToInstallDir", &lc_okrsek, "selected", lc,
         [&](Station& s) {
             s.junction(lc_data, install);
             s.os.add_file(w(in(install, "12345\\kept.db")), "not the precinct's");
         },
         unsafe + in(lc_data, "12345"), {}},
        {"PrecinctJunctionToInstallDir", &uh_okrsek, "selected", uh,
         [&](Station& s) { s.junction(in(uh_data, "12345.7"), install); }, unsafe + in(uh_data, "12345.7"), {}},
        {"ExportJunctionToInstallDir", &lc_okrsek, "selected", lc,
         [](Station& s) { s.junction(in(lc_okrsek.dir(), "Export"), install); }, unsafe + in(lc_okrsek.dir(), "Export"),
         {in(lc_data, "12345")}},
        // Inside the application, but a link all the same: never walked through, refused
        // like a file after every attempt, and the folder it leads to keeps its data.
        {"PrecinctJunctionInside", &lc_okrsek, "selected", lc,
         [&](Station& s) { s.junction(in(lc_data, "12345"), in(lc_data, "23456")); },
         "failed to remove dir " + in(lc_data, "12345") +
             " after 30 attempts (os_error=Some(267)): The directory name is invalid. (os error 267)",
         {}},
        // The precinct folder is gone by the time "Export" is looked at.
        {"ExportJunctionOut", &lc_okrsek, "selected", lc,
         [](Station& s) { s.junction(in(lc_okrsek.dir(), "Export"), in(outside, "Export")); },
         unsafe + in(lc_okrsek.dir(), "Export"), {in(lc_data, "12345")}},
        // The municipal profile judges an export entry by the listing: a link is passed over.
        {"MunicipalExportFileLinkOut", &lc_okrsek, "selected", lc,
         [](Station& s) { s.symlink(in(lc_okrsek.dir(), "Export\\link.12345"), in(outside, "keep.txt"), false); }, "",
         precinct_removal(lc_okrsek, "12345")},
        // The senate profile follows the link to judge it a file, then refuses where it leads.
        {"SenateExportFileLinkOut", &uh_okrsek, "selected", uh,
         [](Station& s) { s.symlink(in(uh_okrsek.dir(), "Export\\link.12345.7"), in(outside, "keep.txt"), false); },
         unsafe + in(uh_okrsek.dir(), "Export\\link.12345.7"), {in(uh_data, "12345.7")}},
        {"MunicipalExportEntryIsAJunction", &lc_okrsek, "selected", lc,
         [](Station& s) { s.junction(in(lc_okrsek.dir(), "Export\\x.12345"), outside); }, "",
         precinct_removal(lc_okrsek, "12345")},
        {"SenateExportEntryIsAJunction", &uh_okrsek, "selected", uh,
         [](Station& s) { s.junction(in(uh_okrsek.dir(), "Export\\x.12345.7"), outside); }, "",
         precinct_removal(uh_okrsek, "12345.7")},
    };
    for (const Case& c : cases) run_case(c);
}

TEST(HostileLinks, ShortcutsAndShortcutFoldersThatAreLinks) {
    const std::string own = in(desktop, "Lokal-kaptáže.lnk");
    const auto without = [](std::vector<std::string> paths, const std::string& kept) {
        std::erase(paths, kept);
        return paths;
    };
    const std::vector<Case> cases = {
        // A target that is a link to the main executable is the main executable.
        {"TargetIsALinkToTheApp", &lc_kapta, "full", {},
         [&](Station& s) {
             s.os.add_symlink(w(in(lc_kapta.dir(), "exe-link")), w(lc_kapta.main_exe()), false);
             s.forget(own);
             s.os.add_shortcut(w(own), w(in(lc_kapta.dir(), "exe-link")));
         },
         "", full_removal(lc_kapta)},
        // A target inside the application that leads out is not the main executable.
        {"TargetIsALinkOut", &lc_kapta, "full", {},
         [&](Station& s) {
             s.os.add_symlink(w(in(lc_kapta.dir(), "out-link")), w(in(outside, "keep.txt")), false);
             s.forget(own);
             s.os.add_shortcut(w(own), w(in(lc_kapta.dir(), "out-link")));
         },
         "", without(full_removal(lc_kapta), own)},
        // The shortcut itself is a link to a shortcut outside: the link goes, the file stays.
        {"ShortcutIsALinkOut", &lc_kapta, "full", {}, [&](Station& s) { s.symlink(own, in(outside, "decoy.lnk"), false); },
         "", full_removal(lc_kapta)},
        {"PrecinctShortcutIsALinkOut", &lc_okrsek, "selected", {{"--okrsek", "12345"}},
         [](Station& s) { s.symlink(in(desktop, "Lokal-Kaptáže 12345.lnk"), in(outside, "decoy.lnk"), false); }, "",
         // The decoy points at another application: the link is judged by it and stays.
         without(precinct_removal(lc_okrsek, "12345"), in(desktop, "Lokal-Kaptáže 12345.lnk"))},
        // A start-menu folder that is a junction to an empty folder outside: the empty-folder
        // removal takes the junction, the folder it leads to stays.
        {"StartMenuJunctionOut", &lc_kapta, "full", {},
         [](Station& s) { s.junction(start_menu, in(outside, "emptydir")); }, "",
         {lc_kapta.dir(), own, in(programs, "Lokal-kaptáže.lnk"), std::string(start_menu)}},
        // A desktop folder that is a junction into the sentinel: its shortcuts point elsewhere.
        {"DesktopJunctionOut", &lc_okrsek, "full", {}, [](Station& s) { s.junction(desktop, in(outside, "Desktop")); }, "",
         {lc_okrsek.dir(), in(start_menu, "Lokal-Kaptáže 12345.lnk"), in(start_menu, "Lokal-Kaptáže 23456.lnk")}},
    };
    for (const Case& c : cases) run_case(c);
}

TEST(HostileLinks, MarkerOrMainExecutableLeadingOut) {
    const std::string lc_marker = in(lc_okrsek.dir(), lc_okrsek.marker);
    const auto marker_link = [](const App& app) {
        return [&app](Station& s) { s.symlink(in(app.dir(), app.marker), in(decoy(app), app.marker), false); };
    };
    const auto exe_link = [](const App& app) {
        return [&app](Station& s) { s.symlink(app.main_exe(), in(decoy(app), app.exe), false); };
    };
    const std::vector<Case> cases = {
        {"StrictMarkerLink", &lc_okrsek, "selected", {{"--okrsek", "12345"}}, marker_link(lc_okrsek),
         "install marker is missing: " + lc_marker, {}},
        // The lenient generation takes a marker that is not a file for an old installation.
        {"LenientMarkerLink", &lc_kapta, "full", {}, marker_link(lc_kapta), "", full_removal(lc_kapta)},
        {"LenientMainExeLink", &lc_kapta, "full", {}, exe_link(lc_kapta),
         "main executable is missing: " + lc_kapta.main_exe(), {}},
        // The strict generation only reports it; the shortcuts point where it leads, and the
        // link goes with the folder while the decoy stays.
        {"StrictMainExeLink", &lc_okrsek, "full", {}, exe_link(lc_okrsek), "", full_removal(lc_okrsek)},
        {"ProcessingMainExeLink", &lc_sumar, "full", {}, exe_link(lc_sumar), "", full_removal(lc_sumar)},
    };
    for (const Case& c : cases) run_case(c);
}

// --- folders whose names differ only in letter case --------------------------------------

// Where letter case tells names apart (Wine on Linux, a case-sensitive folder on Windows),
// C:\TARVO beside C:\Tarvo is another installation, the twin of this one. No check takes it
// for this one: not as the install directory, not where a folder of the application leads,
// not as the target of a shortcut; a link the file system follows into it deletes nothing.
TEST(HostileCase, TwinInstallationDifferingOnlyInCaseIsNeverThisOne) {
    const std::string twin = "C:\\TARVO";
    const auto in_twin = [&](const App& app, std::string_view rest = {}) {
        return rest.empty() ? in(twin, app.folder) : in(in(twin, app.folder), rest);
    };
    // The twin, and what the case makes of the station; `wine` follows links as Wine does.
    const auto with_twin = [&](bool wine, std::function<void(Station&)> more = {}) {
        return [=](Station& s) {
            s.os.case_sensitive = true;
            s.os.follows_final_links = wine;
            s.os.extended_disposition_supported = !wine;
            s.os.add_file(w(in(twin, "Zudeded2026.exe")), "MZ twin uninstaller");
            for (const App* app : all_apps) s.install_app(*app, in_twin(*app));
            if (more) more(s);
        };
    };
    const std::string unsafe = "unsafe path outside expected directory: ";
    const Options at_twin{{"--install-dir", twin}};
    const Options lc{{"--okrsek", "12345"}};
    const Options uh{{"--okrsek", "12345.7"}};
    const std::string lc_data = in(lc_okrsek.dir(), "Data");
    const std::string own = in(desktop, "Lokal-kaptáže.lnk");
    std::vector<std::string> all_but_own = full_removal(lc_kapta);
    std::erase(all_but_own, own);
    const std::string tree_failed = "failed to remove dir " + lc_kapta.dir() + " after 30 attempts (os_error=None): ";
    // The shortcuts go first; of the folder, what the walk reached before the link.
    std::vector<std::string> up_to_the_link = full_removal(lc_kapta);
    std::erase(up_to_the_link, lc_kapta.dir());
    up_to_the_link.push_back(in(lc_kapta.dir(), lc_kapta.marker));
    up_to_the_link.push_back(in(lc_kapta.dir(), "config"));
    const std::vector<Case> cases = {
        {"DataEntryInstallDir", &lc_kapta, "full", at_twin, with_twin(false), "uninstaller parent is outside the install root", {}},
        {"PrecinctInstallDir", &lc_okrsek, "selected", with(at_twin, lc), with_twin(false),
         "unexpected uninstaller path: expected C:\\TARVO\\Zudeded2026.exe, got " + std::string(uninstaller), {}},
        {"ProcessingInstallDir", &lc_sumar, "full", at_twin, with_twin(false), "sumar install root must be C:\\Tarvo, got C:\\TARVO", {}},
        {"ApplicationFolder", &lc_kapta, "full", {},
         with_twin(true, [&](Station& s) { s.symlink(lc_kapta.dir(), in_twin(lc_kapta), true); }), unsafe + lc_kapta.dir(), {}},
        {"PrecinctFolder", &lc_okrsek, "selected", lc,
         with_twin(true, [&](Station& s) { s.symlink(in(lc_data, "12345"), in_twin(lc_okrsek, "Data\\12345"), true); }),
         unsafe + in(lc_data, "12345"), {}},
        {"ExportFolder", &lc_okrsek, "selected", lc,
         with_twin(true, [&](Station& s) { s.symlink(in(lc_okrsek.dir(), "Export"), in_twin(lc_okrsek, "Export"), true); }),
         unsafe + in(lc_okrsek.dir(), "Export"), {in(lc_data, "12345")}},
        {"SenateExportFile", &uh_okrsek, "selected", uh,
         with_twin(true,
                   [&](Station& s) {
                       s.symlink(in(uh_okrsek.dir(), "Export\\vysledky.12345.7"), in_twin(uh_okrsek, "Export\\vysledky.12345.7"),
                                 false);
                   }),
         unsafe + in(uh_okrsek.dir(), "Export\\vysledky.12345.7"), {in(uh_okrsek.dir(), "Data\\12345.7")}},
        {"FileInsideTheTree", &lc_kapta, "full", {},
         with_twin(true, [&](Station& s) { s.symlink(in(lc_kapta.dir(), "icon.ico"), in_twin(lc_kapta, "icon.ico"), false); }),
         tree_failed + "refused to delete " + in(lc_kapta.dir(), "icon.ico") + ": it leads to " + in_twin(lc_kapta, "icon.ico"),
         up_to_the_link},
        {"DesktopShortcutToTheTwin", &lc_kapta, "full", {},
         with_twin(false,
                   [&](Station& s) {
                       s.forget(own);
                       s.os.add_shortcut(w(own), w(in_twin(lc_kapta, lc_kapta.exe)));
                   }),
         "", all_but_own},
    };
    for (const Case& c : cases) run_case(c);
}

// --- paths spelled every way ----------------------------------------------------------------

TEST(HostilePaths, InstallDirectorySpelledAnotherWayStillRemovesJustTheApp) {
    // The first --install-dir keeps the log in C:\Tarvo\logs; the parser takes the last.
    for (const char* spelling : {"C:\\Tarvo\\Other\\..", "c:/TARVO/", "\\\\?\\C:\\Tarvo", "C:\\Tarvo\\.\\",
                                 "..\\..\\..\\..\\..\\Tarvo"}) {
        for (const auto& [app, mode, extra, removal] :
             {std::tuple{&lc_kapta, "full", Options{}, full_removal(lc_kapta)},
              std::tuple{&lc_okrsek, "selected", Options{{"--okrsek", "12345"}}, precinct_removal(lc_okrsek, "12345")},
              std::tuple{&uh_okrsek, "full", Options{}, full_removal(uh_okrsek)},
              std::tuple{&lc_sumar, "full", Options{}, full_removal(lc_sumar)}}) {
            Options options = extra;
            options.emplace_back("--install-dir", spelling);
            run_case({app->folder + " " + spelling, app, mode, options, {}, "", removal});
        }
    }
}

TEST(HostilePaths, InstallDirectoryElsewhereIsRefusedByTheCallerCheck) {
    const std::string escape = "C:\\Tarvo\\LCkapta\\..\\..\\Outside";
    const auto uninstaller_at = [](const std::string& dir) {
        return "unexpected uninstaller path: expected " + dir + "\\Zudeded2026.exe, got " + std::string(uninstaller);
    };
    const std::string outside_root = "uninstaller parent is outside the install root";
    std::vector<Case> cases;
    for (const std::string& dir : {escape, std::string("\\\\srv\\share\\Tarvo"), std::string("\\\\?\\UNC\\srv\\share\\Tarvo"),
                                   std::string("D:\\Sentinel"), std::string("C:\\Outside")}) {
        const Options at{{"--install-dir", dir}};
        cases.push_back({"DataEntry " + dir, &lc_kapta, "full", at, {}, outside_root, {}});
        cases.push_back({"MunicipalPrecinct " + dir, &lc_okrsek, "selected", with(at, {{"--okrsek", "12345"}}), {},
                         uninstaller_at(dir), {}});
        cases.push_back({"SenatePrecinct " + dir, &uh_okrsek, "full", at, {}, uninstaller_at(dir), {}});
        cases.push_back({"Processing " + dir, &lc_sumar, "full", at, {}, "sumar install root must be C:\\Tarvo, got " + dir, {}});
    }
    // A verbatim path takes ".." literally: it names nothing, and nothing is removed.
    cases.push_back({"VerbatimDots", &lc_kapta, "full", {{"--install-dir", "\\\\?\\C:\\Tarvo\\Other\\.."}}, {},
                     "main executable is missing: \\\\?\\C:\\Tarvo\\Other\\..\\LCkapta\\lc-kapta.exe", {}});
    for (const Case& c : cases) run_case(c);
}

TEST(HostilePaths, ShortcutFoldersSpelledAnotherWay) {
    const Options spelled{{"--desktop", "c:/users/TESTER/desktop/"},
                          {"--start-menu", "\\\\?\\C:\\Users\\tester\\Start Menu\\Programs\\Tarvo"}};
    const Options dotted{{"--desktop", "C:\\Users\\tester\\Start Menu\\..\\Desktop\\.\\"},
                         {"--start-menu", "C:\\Users\\tester\\Start Menu\\Programs\\Tarvo\\..\\Tarvo"}};
    for (const App* app : all_apps) {
        if (app->precinct()) continue;
        run_case({app->folder + " spelled", app, "full", spelled, {}, "", full_removal(*app)});
        run_case({app->folder + " dotted", app, "full", dotted, {}, "", full_removal(*app)});
    }
    run_case({"precinct spelled", &lc_okrsek, "full", spelled, {}, "", full_removal(lc_okrsek)});
    // Shortcut folders on a share that is not there: nothing to find, nothing to remove.
    const Options unc{{"--desktop", "\\\\tu-nowhere\\share\\Desktop"},
                      {"--start-menu", "\\\\?\\UNC\\tu-nowhere\\share\\Programs\\Tarvo"}};
    for (const App* app : all_apps) run_case({app->folder + " unc", app, "full", unc, {}, "", {app->dir()}});
    run_case({"precinct dotted", &uh_okrsek, "selected", with(dotted, {{"--okrsek", "23456.81"}}), {}, "",
              precinct_removal(uh_okrsek, "23456.81")});
}

// The folder above the start menu is the one above the folder the path names. For
// Programs\Tarvo\.. that is "Start Menu", not Programs\Tarvo, whose shortcuts belong to the
// start-menu folder Tarvo and must not be taken as the parent's.
TEST(HostilePaths, FolderAboveADottedStartMenuIsTheRealParent) {
    const Options up{{"--start-menu", std::string(start_menu) + "\\.."}};
    run_case({"DataEntry", &lc_kapta, "full", up, {}, "",
              {lc_kapta.dir(), in(desktop, "Lokal-kaptáže.lnk"), in(programs, "Lokal-kaptáže.lnk")}});
    run_case({"Processing", &lc_sumar, "full", up, {}, "",
              {lc_sumar.dir(), in(desktop, "LC sumar.lnk"), in(programs, "LC sumar.lnk")}});
}

// A drive root as the start menu: never removed as empty, and it has no folder above it
// to look in, however it is spelled. A shortcut to the application in C:\Users would be
// taken if C:\Users\.. were given C:\Users as its parent.
TEST(HostilePaths, StartMenuThatIsADriveRoot) {
    const auto traps = [](Station& s) {
        s.os.add_shortcut(u"C:\\Users\\Lokal-kaptáže.lnk", w(lc_kapta.main_exe()));
        s.os.add_shortcut(u"C:\\Users\\LC sumar.lnk", w(lc_sumar.main_exe()));
    };
    for (const char* root : {"C:\\", "C:/", "\\\\?\\C:\\", "C:\\.", "C:\\..", "C:\\Users\\.."}) {
        const Options at{{"--start-menu", root}};
        run_case({std::string("DataEntry ") + root, &lc_kapta, "full", at, traps, "",
                  {lc_kapta.dir(), in(desktop, "Lokal-kaptáže.lnk")}});
        run_case({std::string("Processing ") + root, &lc_sumar, "full", at, traps, "",
                  {lc_sumar.dir(), in(desktop, "LC sumar.lnk")}});
        run_case({std::string("Precinct ") + root, &lc_okrsek, "full", at, traps, "",
                  {lc_okrsek.dir(), in(desktop, "Lokal-Kaptáže 12345.lnk"), in(desktop, "Lokal-Kaptáže 23456.lnk")}});
    }
}

// --- precinct items -----------------------------------------------------------------------

// Each hostile item comes after a valid one, which is removed before the run stops. Which
// items each grammar refuses, and why, is the PrecinctItems tests' table.
TEST(HostileItems, ItemsThatTryToLeaveDataAreRefusedInTurn) {
    for (const std::string item : {"..\\x", "\\\\?\\C:\\Outside"})
        run_case({"Municipal " + item, &lc_okrsek, "selected", {{"--okrsek", "12345"}, {"--okrsek", item}}, {},
                  "invalid okrsek: " + item, precinct_removal(lc_okrsek, "12345")});
    for (const std::string item : {"..\\x", "/Outside"})
        run_case({"Senate " + item, &uh_okrsek, "selected", {{"--okrsek", "12345.7"}, {"--okrsek", item}}, {},
                  "invalid item: " + item, precinct_removal(uh_okrsek, "12345.7")});

    // A list given in one option is split and trimmed first; its pieces are checked alike.
    run_case({"SenateList", &uh_okrsek, "selected", {{"--items", "12345.7; ..\\x ;23456.81"}}, {}, "invalid item: ..\\x",
              precinct_removal(uh_okrsek, "12345.7")});
    run_case({"MunicipalList", &lc_okrsek, "selected", {{"--okrsky", "12345,C:\\Outside"}}, {},
              "invalid okrsek: C:\\Outside", precinct_removal(lc_okrsek, "12345")});
}

// --- markers that try to redirect -------------------------------------------------------------

// Every key against its value, in both generations, is the layout check's own table
// (ValidateLayout); here, whole runs whose marker tries to redirect them.
TEST(HostileMarkers, ValuesThatPointElsewhereAreRefusedAndUnknownKeysIgnored) {
    const auto marker = [](const App& app, std::string text) {
        return [&app, text](Station& s) {
            s.forget(in(app.dir(), app.marker));
            s.os.add_file(w(in(app.dir(), app.marker)), text);
        };
    };
    const Options lc{{"--okrsek", "12345"}};
    const std::vector<Case> cases = {
        {"AppFolderOut", &lc_okrsek, "selected", lc,
         marker(lc_okrsek, marker_text_where(lc_okrsek, "app_folder", "..\\..\\Outside\\LCKaptaO")),
         "unexpected app_folder: expected LCKaptaO, got ..\\..\\Outside\\LCKaptaO", {}},
        // The last occurrence of a key counts: a redirect appended after the right value.
        {"RepeatedKeyOut", &lc_okrsek, "selected", lc, marker(lc_okrsek, marker_text(lc_okrsek) + "app_folder=C:\\Outside\n"),
         "unexpected app_folder: expected LCKaptaO, got C:\\Outside", {}},
        {"HelperOut", &uh_okrsek, "selected", {{"--okrsek", "12345.7"}},
         marker(uh_okrsek, marker_text_where(uh_okrsek, "helper_binary", "..\\tarvo-untarvo.exe")),
         "unexpected helper_binary: expected tarvo-untarvo.exe, got ..\\tarvo-untarvo.exe", {}},
        // Keys the helper does not know name no place it would use.
        {"UnknownKeysIgnored", &lc_okrsek, "selected", lc,
         marker(lc_okrsek, marker_text(lc_okrsek) + "install_dir=C:\\Outside\ndata_dir=C:\\Outside\\LCKaptaO\\Data\n"), "",
         precinct_removal(lc_okrsek, "12345")},
    };
    for (const Case& c : cases) run_case(c);
}

// --- the two path rules that the hostile cases needed -----------------------------------------

TEST(HostileRegressions, StrictValidationPlacesTheApplicationFolderFirst) {
    fake::FakePlatform os;
    os.add_file(u"C:\\Tarvo\\Zudeded2026.exe");
    os.add_file(u"C:\\Outside\\LCKaptaO\\lc-okrsek.exe");
    os.add_file(u"C:\\Outside\\LCKaptaO\\.m", marker_text(lc_okrsek));
    os.add_file(u"C:\\Tarvo\\.m", marker_text(lc_okrsek));
    const RunLog log(os, u"C:\\Tarvo\\logs\\run.log", LogWriter::create_dirs);
    LayoutCheck check{Generation::strict, ".m", false, u"C:\\Tarvo", u"C:\\Tarvo\\LCKaptaO",
                      u"C:\\Tarvo\\LCKaptaO\\lc-okrsek.exe", u"C:\\Tarvo\\Zudeded2026.exe", "com.lc-okrsek",
                      "LCKaptaO", "lc-okrsek.exe", "Zudeded2026.exe"};
    os.add_junction(check.app_dir, u"C:\\Outside\\LCKaptaO");
    EXPECT_EQ(validate_layout(os, check, log).error(), "unsafe path outside expected directory: C:\\Tarvo\\LCKaptaO");

    (void)os.remove_directory(check.app_dir);
    os.add_junction(check.app_dir, u"C:\\Tarvo");
    EXPECT_EQ(validate_layout(os, check, log).error(), "application directory must not equal install directory");
    // Refused before the presence report: nothing was read through the folder.
    EXPECT_TRUE(os.lines(u"C:\\Tarvo\\logs\\run.log").empty());
}

TEST(HostileRegressions, FoldDotsFoldsAsWindowsOpens) {
    const std::pair<PStringView, PStringView> cases[] = {
        {u"C:\\x\\..", u"C:\\"},
        {u"C:\\..", u"C:\\"},
        {u"C:\\.", u"C:\\"},
        {u"C:/Users/../x/./y", u"C:/x\\y"},
        {u"C:\\a\\b\\..\\..\\..\\c", u"C:\\c"},
        {u"\\\\srv\\share\\..\\x", u"\\\\srv\\share\\x"},
        {u"\\x\\..\\..\\y", u"\\y"},
        {u"a\\..\\..\\b", u"..\\b"},
        {u"C:x\\..", u"C:"},
        // Unchanged: nothing to fold, or a verbatim path whose components count literally.
        {u"C:/Users/tester/", u"C:/Users/tester/"},
        {u"\\\\?\\C:\\x\\..", u"\\\\?\\C:\\x\\.."},
        {u"", u""},
    };
    for (const auto& [path, folded] : cases) EXPECT_EQ(to_utf8(winpath::fold_dots(path)), to_utf8(folded)) << to_utf8(path);
}

}  // namespace
}  // namespace tu::hostile_test
