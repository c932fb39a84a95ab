// The data-entry profiles on the fake platform: what a full run removes and logs, and that
// every refusal leaves the whole workstation as it was.
#include <functional>

#include "profiles/profiles.h"
#include "profiles_fixture.h"

namespace tu::profiles_test {
namespace {

constexpr std::string_view lc_app = "C:\\Tarvo\\LCkapta";
constexpr std::string_view lc_exe = "C:\\Tarvo\\LCkapta\\lc-kapta.exe";

CommandLine lc_kapta_command_line() { return command_line_of(test_support::lc_kapta, "full"); }

struct LcKapta : Workstation {
    LcKapta() { add_app(lc_app, "lc-kapta.exe", ".lc-kapta-install.meta", marker_text(test_support::lc_kapta)); }
    Result<> run(const CommandLine& command_line) { return run_municipal_data_entry(os, command_line.args(), run_log); }
};

std::vector<std::string> path_lines(std::string_view app_dir) {
    return {line("working_dir=", working_dir), line("install_dir=", install), line("app_dir=", app_dir)};
}

TEST(MunicipalDataEntry, FullRunRemovesTheApplicationAndItsShortcutsOnly) {
    LcKapta ws;
    ws.add_shortcut(desktop, "Lokal-kaptáže.lnk", lc_exe);
    ws.add_shortcut(desktop, "Foreign.lnk", "C:\\Tarvo\\Other\\other.exe");
    ws.add_shortcut(start_menu, "Lokal-kaptáže.lnk", lc_exe);
    ws.add_shortcut(start_menu, "Odinstalovat Lokal-kaptáže.lnk", uninstaller);
    ws.add_shortcut(start_menu, "Odinstalovat 2026.lnk", uninstaller);
    // Named like an uninstall shortcut but pointing elsewhere: kept, and it keeps the folder.
    ws.add_shortcut(start_menu, "Uninstall Lokal-kaptáže.lnk", "C:\\Tarvo\\Other\\other.exe");
    ws.add_shortcut(start_menu_parent, "Lokal-kaptáže.lnk", lc_exe);

    ASSERT_TRUE(ws.run(lc_kapta_command_line()));

    const std::string sm(start_menu);
    EXPECT_EQ(ws.log(), concat({path_lines(lc_app), variant_a_lines(),
                                {line("removed file: ", joined(desktop, "Lokal-kaptáže.lnk")),
                                 line("removed file: ", joined(sm, "Lokal-kaptáže.lnk")),
                                 line("removed file: ", joined(sm, "Odinstalovat Lokal-kaptáže.lnk")),
                                 line("skip missing shortcut: ", joined(sm, "Odinstalovat2026.lnk")),
                                 line("removed file: ", joined(sm, "Odinstalovat 2026.lnk")),
                                 "skip shortcut with different target: " + joined(sm, "Uninstall Lokal-kaptáže.lnk") +
                                     " -> C:\\Tarvo\\Other\\other.exe",
                                 line("removed file: ", joined(start_menu_parent, "Lokal-kaptáže.lnk")),
                                 line("removed dir: ", lc_app)}}));
    EXPECT_FALSE(ws.exists(lc_app));
    EXPECT_TRUE(ws.exists(joined(desktop, "Foreign.lnk")));
    EXPECT_TRUE(ws.exists(joined(start_menu, "Uninstall Lokal-kaptáže.lnk")));
    EXPECT_TRUE(ws.exists(start_menu));
    EXPECT_TRUE(ws.exists(uninstaller));
    EXPECT_TRUE(ws.exists("C:\\Tarvo\\Other\\other.exe"));
    EXPECT_TRUE(ws.exists("C:\\Outside\\keep.txt"));
}

TEST(MunicipalDataEntry, EmptiedStartMenuFolderGoesAndItsParentStays) {
    LcKapta ws;
    ws.add_shortcut(start_menu, "Lokal-kaptáže.lnk", lc_exe);
    ASSERT_TRUE(ws.run(lc_kapta_command_line()));
    EXPECT_EQ(ws.log().back(), line("removed empty dir: ", start_menu));
    EXPECT_FALSE(ws.exists(start_menu));
    EXPECT_TRUE(ws.exists(start_menu_parent));
}

// A start-menu folder that holds the installation is never removed, even when the run left
// it empty: here the install directory itself, holding nothing but the application, with
// the uninstaller run as its temporary copy and the log kept elsewhere.
TEST(MunicipalDataEntry, StartMenuHoldingTheInstallDirectoryStays) {
    LcKapta ws;
    const std::string copy = std::string(working_dir) + "\\~nsu1.tmp\\Un.exe";
    ws.os.add_file(w(copy), "MZ uninstaller copy");
    ws.os.processes = {{ws.os.own_pid, uninstaller_pid, u""}, {uninstaller_pid, 1, w(copy)}};
    for (const char16_t* leftover : {u"C:\\Tarvo\\Zudeded2026.exe", u"C:\\Tarvo\\Other\\other.exe",
                                     u"C:\\Tarvo\\Other", u"C:\\Tarvo\\logs\\run.log", u"C:\\Tarvo\\logs"})
        ASSERT_TRUE(ws.os.delete_file(leftover) || ws.os.remove_directory(leftover));
    ws.os.add_dir(u"C:\\Logs");
    CommandLine command_line = lc_kapta_command_line();
    command_line.set("--start-menu", std::string(install)).set("--parent-path", copy);

    ASSERT_TRUE(run_municipal_data_entry(ws.os, command_line.args(), RunLog(ws.os, u"C:\\Logs\\run.log", LogWriter::no_mkdir)));
    EXPECT_EQ(ws.os.lines(u"C:\\Logs\\run.log").back(), line("skip start menu that holds the install directory: ", install));
    EXPECT_FALSE(ws.exists(lc_app));
    EXPECT_TRUE(ws.exists(install));
}

// The start-menu folder holds the installation when the install directory lies in it (the
// folder itself, or one above it), not when it lies in the install directory, and not when
// it is a folder beside it whose name differs only in case.
TEST(StartMenuFolder, HoldsTheInstallationOnlyWhenTheInstallDirectoryLiesInIt) {
    fake::FakePlatform os;
    os.case_sensitive = true;
    os.add_dir(u"C:\\Tarvo\\Menu");
    os.add_dir(u"C:\\TARVO");
    const std::pair<const char16_t*, bool> cases[] = {
        {u"C:\\Tarvo", true}, {u"C:\\", true}, {u"C:\\Tarvo\\Menu", false}, {u"C:\\TARVO", false},
        {u"C:\\Programs\\Tarvo", false},
    };
    for (const auto& [start_menu, holds] : cases) {
        const auto folder = approve_start_menu(os, PString(start_menu), u"C:\\Tarvo").value();
        ASSERT_TRUE(folder.has_value());
        EXPECT_EQ(folder->holds_installation, holds) << to_utf8(start_menu);
    }
}

TEST(MunicipalDataEntry, MissingMarkerFallsBackToLegacyValidation) {
    LcKapta ws;
    ASSERT_TRUE(ws.os.delete_file(w(joined(lc_app, ".lc-kapta-install.meta"))));
    ASSERT_TRUE(ws.run(lc_kapta_command_line().drop("--desktop").drop("--start-menu").add("--items", "12345")));
    EXPECT_EQ(ws.log(), concat({path_lines(lc_app), variant_a_lines(),
                                {line("install marker missing; using legacy layout validation: ",
                                      joined(lc_app, ".lc-kapta-install.meta")),
                                 line("removed dir: ", lc_app)}}));
    EXPECT_FALSE(ws.exists(lc_app));
}

TEST(MunicipalDataEntry, RefusalsRemoveNothing) {
    expect_refusals_remove_nothing<LcKapta>(
        {
        {"selected mode", [](LcKapta&, CommandLine& c) { c.set("--mode", "selected"); },
         "selected mode is not supported by the PM helper"},
        {"app kind", [](LcKapta&, CommandLine& c) { c.set("--app-kind", "pmx"); },
         "unexpected value for --app-kind: expected pm, got pmx"},
        {"non-ASCII letter case", [](LcKapta&, CommandLine& c) { c.set("--product-name", "Lokal-kaptÁže"); },
         "unexpected value for --product-name: expected Lokal-kaptáže, got Lokal-kaptÁže"},
        {"fixed values before mode",
         [](LcKapta&, CommandLine& c) { c.set("--mode", "selected").set("--bundle-id", "com.x"); },
         "unexpected value for --bundle-id: expected com.lc-kapta, got com.x"},
        {"precinct option", [](LcKapta&, CommandLine& c) { c.add("--okrsek", "12345"); }, "unknown argument: --okrsek"},
        {"foreign parent",
         [](LcKapta& ws, CommandLine&) { ws.os.processes[1].image = u"C:\\Windows\\explorer.exe"; },
         "helper parent process mismatch: expected C:\\Tarvo\\Zudeded2026.exe, got C:\\Windows\\explorer.exe"},
        {"helper inside the installation",
         [](LcKapta& ws, CommandLine&) {
             ws.os.module = u"C:\\Tarvo\\tarvo-untarvo.exe";
             ws.os.add_file(ws.os.module);
         },
         "helper must run from its staged temporary copy"},
        {"main executable missing", [](LcKapta& ws, CommandLine&) { ws.os.delete_file(w(lc_exe)); },
         "main executable is missing: C:\\Tarvo\\LCkapta\\lc-kapta.exe"},
        {"marker disagrees",
         [](LcKapta& ws, CommandLine&) {
             ws.os.add_file(w(joined(lc_app, ".lc-kapta-install.meta")),
                            marker_text_where(test_support::lc_kapta, "bundle_id", "com.other"));
         },
         "unexpected value for bundle_id: expected com.lc-kapta, got com.other"},
        },
        lc_kapta_command_line(), [](LcKapta& ws) {
            ws.add_shortcut(desktop, "Lokal-kaptáže.lnk", lc_exe);
            ws.add_shortcut(start_menu, "Odinstalovat 2026.lnk", uninstaller);
        });
}

TEST(MunicipalDataEntry, SelectedModeIsRefusedBeforeAnyPathIsLogged) {
    LcKapta ws;
    ASSERT_FALSE(ws.run(lc_kapta_command_line().set("--mode", "selected")));
    EXPECT_EQ(ws.log(), std::vector<std::string>{line("working_dir=", working_dir)});
}

// --- the senate data-entry application ----------------------------------------------------

CommandLine uh_kapta_command_line(std::string folder) {
    return command_line_of(test_support::uh_kapta, "full").set("--app-folder", std::move(folder));
}

struct UhKapta : Workstation {
    UhKapta() {
        for (std::string_view round : {"K1", "K2"}) {
            const std::string folder = "UHKapta." + std::string(round);
            add_app(joined(install, folder), "uh-kapta.exe", ".uh-kapta-install.meta",
                    marker_text_where(test_support::uh_kapta, "app_folder", folder));
        }
    }
    Result<> run(const CommandLine& command_line) { return run_senate_data_entry(os, command_line.args(), run_log); }
};

TEST(SenateDataEntry, RoundTakenFromTheFolderAsTypedNamesTheOwnShortcut) {
    UhKapta ws;
    ws.add_shortcut(desktop, "Vyšák-kaptáže K2.lnk", "C:\\Tarvo\\UHKapta.K2\\uh-kapta.exe");
    ws.add_shortcut(desktop, "Vyšák-kaptáže K1.lnk", "C:\\Tarvo\\UHKapta.K1\\uh-kapta.exe");
    ws.add_shortcut(start_menu, "Vyšák-kaptáže K2.lnk", "C:\\Tarvo\\UHKapta.K2\\uh-kapta.exe");
    ws.add_shortcut(start_menu, "Vyšák-kaptáže K1.lnk", "C:\\Tarvo\\UHKapta.K1\\uh-kapta.exe");
    ws.add_shortcut(start_menu, "Odinstalovat2026.lnk", uninstaller);

    ASSERT_TRUE(ws.run(uh_kapta_command_line("uhkapta.k2").set("--product-name", "UH KAPTA")));

    const std::string app = "C:\\Tarvo\\uhkapta.k2";
    const std::string sm(start_menu);
    EXPECT_EQ(ws.log(), concat({path_lines(app), variant_a_lines(),
                                {line("removed file: ", joined(desktop, "Vyšák-kaptáže K2.lnk")),
                                 line("removed file: ", joined(sm, "Vyšák-kaptáže K2.lnk")),
                                 line("skip missing shortcut: ", joined(sm, "Odinstalovat UH KAPTA.lnk")),
                                 line("removed file: ", joined(sm, "Odinstalovat2026.lnk")),
                                 line("skip missing shortcut: ", joined(sm, "Odinstalovat 2026.lnk")),
                                 line("skip missing shortcut: ", joined(sm, "Uninstall UH KAPTA.lnk")),
                                 line("skip missing shortcut: ", joined(start_menu_parent, "Vyšák-kaptáže K2.lnk")),
                                 line("removed dir: ", app)}}));
    EXPECT_FALSE(ws.exists("C:\\Tarvo\\UHKapta.K2"));
    EXPECT_TRUE(ws.exists("C:\\Tarvo\\UHKapta.K1\\uh-kapta.exe"));
    EXPECT_TRUE(ws.exists(joined(desktop, "Vyšák-kaptáže K1.lnk")));
    EXPECT_TRUE(ws.exists(joined(start_menu, "Vyšák-kaptáže K1.lnk")));
}

TEST(SenateDataEntry, RefusalsRemoveNothing) {
    expect_refusals_remove_nothing<UhKapta>(
        {
            {"folder of another round last",
             [](UhKapta&, CommandLine& c) { c.add("--app-folder", "UHKapta.K3").set("--mode", "selected"); },
             "unexpected UHkapta app folder: UHKapta.K3"},
            {"bundle id before mode",
             [](UhKapta&, CommandLine& c) { c.set("--mode", "selected").set("--bundle-id", "com.uh-kaptaa"); },
             "unexpected value for --bundle-id: expected com.uh-kapta, got com.uh-kaptaa"},
            {"selected mode", [](UhKapta&, CommandLine& c) { c.set("--mode", "selected"); },
             "selected mode is not supported by the PM helper"},
            {"main binary", [](UhKapta&, CommandLine& c) { c.set("--main-binary", "lc-kapta.exe"); },
             "unexpected value for --main-binary: expected uh-kapta.exe, got lc-kapta.exe"},
        },
        uh_kapta_command_line("UHKapta.K1"),
        [](UhKapta& ws) { ws.add_shortcut(desktop, "Vyšák-kaptáže K1.lnk", "C:\\Tarvo\\UHKapta.K1\\uh-kapta.exe"); });
}

}  // namespace
}  // namespace tu::profiles_test
