// The precinct profiles on the fake platform: full removal, the selected mode precinct by
// precinct, the export-file rules, and refusals that leave the workstation as it was.
#include <algorithm>
#include <functional>
#include <memory>

#include "profiles/profiles.h"
#include "profiles_fixture.h"

namespace tu::profiles_test {
namespace {

constexpr std::string_view lc_app = "C:\\Tarvo\\LCKaptaO";
constexpr std::string_view lc_exe = "C:\\Tarvo\\LCKaptaO\\lc-okrsek.exe";
constexpr std::string_view uh_app = "C:\\Tarvo\\UHKaptaO.K1";
constexpr std::string_view uh_exe = "C:\\Tarvo\\UHKaptaO.K1\\uh-okrsek.exe";
constexpr std::string_view other_exe = "C:\\Tarvo\\Other\\other.exe";

std::string in(std::string_view app, std::string_view rest) { return joined(app, rest); }

std::vector<std::string> validation_lines(std::string_view app, std::string_view exe) {
    return {line("main executable present: ", exe), line("application icon present: ", in(app, "icon.ico")),
            line("uninstaller present: ", uninstaller), "installation validation passed"};
}

// --- the municipal precinct application ---------------------------------------------------

CommandLine lc_okrsek_command_line(std::string mode) { return command_line_of(test_support::lc_okrsek, std::move(mode)); }

struct LcOkrsek : Workstation {
    LcOkrsek() {
        add_app(lc_app, "lc-okrsek.exe", ".lc-okrsek-install.meta",
                marker_text(test_support::lc_okrsek));
        for (std::string_view precinct : {"12345", "23456", "34567"}) os.add_file(w(in(lc_app, "Data\\" + std::string(precinct) + "\\results.db")));
        for (std::string_view name : {"a.12345", "b.12345", "c.23456", "d.34567", "12345", "12345.txt", "a.123456", ".12345"})
            os.add_file(w(in(lc_app, "Export\\" + std::string(name))));
        os.add_dir(w(in(lc_app, "Export\\x.12345")));
    }
    std::vector<std::string> head() const {
        return concat({{line("working_dir=", working_dir), line("install_dir=", install), line("app_dir=", lc_app)},
                       variant_b_lines(),
                       validation_lines(lc_app, lc_exe)});
    }
    Result<> run(const CommandLine& command_line) {
        return run_municipal_precinct(os, command_line.args(), run_log);
    }
};

TEST(MunicipalPrecinct, FullRunRemovesPrefixedShortcutsToTheAppAndTheApplication) {
    LcOkrsek ws;
    ws.add_shortcut(start_menu, "Lokal-Kaptáže 12345.lnk", lc_exe);
    ws.add_shortcut(start_menu, "Lokal-Kaptáže.lnk", lc_exe);  // no space after the prefix: not a candidate
    ws.add_shortcut(desktop, "Lokal-Kaptáže 23456.lnk", other_exe);
    ws.add_shortcut(desktop, "Lokal-Kaptáže 34567.lnk", lc_exe);

    // The precinct list of a full run is not even checked.
    ASSERT_TRUE(ws.run(lc_okrsek_command_line("full").add("--okrsek", "99")));

    EXPECT_EQ(ws.log(), concat({ws.head(),
                                {line("removed file: ", joined(start_menu, "Lokal-Kaptáže 12345.lnk")),
                                 "skip shortcut with different target: " + joined(desktop, "Lokal-Kaptáže 23456.lnk") +
                                     " -> " + std::string(other_exe),
                                 line("removed file: ", joined(desktop, "Lokal-Kaptáže 34567.lnk")),
                                 line("removed dir: ", lc_app)}}));
    EXPECT_FALSE(ws.exists(lc_app));
    EXPECT_TRUE(ws.exists(joined(start_menu, "Lokal-Kaptáže.lnk")));
    EXPECT_TRUE(ws.exists(joined(desktop, "Lokal-Kaptáže 23456.lnk")));
    EXPECT_TRUE(ws.exists(start_menu));
    EXPECT_TRUE(ws.exists(other_exe));
    EXPECT_TRUE(ws.exists(uninstaller));
}

TEST(MunicipalPrecinct, SelectedModeGoesPrecinctByPrecinctUntilAnInvalidOne) {
    LcOkrsek ws;
    ws.add_shortcut(desktop, "Lokal-Kaptáže 12345.lnk", lc_exe);
    ws.add_shortcut(start_menu, "Lokal-Kaptáže 12345.lnk", lc_exe);
    ws.add_shortcut(desktop, "Lokal-Kaptáže 23456.lnk", other_exe);
    ws.add_shortcut(desktop, "Lokal-Kaptáže 34567.lnk", lc_exe);
    ws.os.add_symlink(w(in(lc_app, "Export\\y.12345")), u"C:\\Outside\\keep.txt", false);
    int export_listings = 0;
    ws.os.fault = [&](fake::Op op, PStringView path) -> std::optional<std::uint32_t> {
        if (op == fake::Op::list_dir && path.ends_with(u"Export")) ++export_listings;
        return std::nullopt;
    };

    const auto result = ws.run(lc_okrsek_command_line("selected")
                                   .add("--okrsek", "12345")
                                   .add("--items", "23456, ;")
                                   .add("--okrsky", "12345")
                                   .add("--okrsek", "1234")
                                   .add("--okrsek", "34567"));
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), "invalid okrsek: 1234");
    // One listing of "Export" serves every precinct; a precinct named again finds its files gone.
    EXPECT_EQ(export_listings, 1);

    const std::string export_dir = in(lc_app, "Export");
    EXPECT_EQ(ws.log(), concat({ws.head(),
                                {line("removed dir: ", in(lc_app, "Data\\12345")),
                                 line("removed file: ", joined(export_dir, "a.12345")),
                                 line("removed file: ", joined(export_dir, "b.12345")),
                                 line("removed file: ", joined(desktop, "Lokal-Kaptáže 12345.lnk")),
                                 line("removed file: ", joined(start_menu, "Lokal-Kaptáže 12345.lnk")),
                                 line("removed dir: ", in(lc_app, "Data\\23456")),
                                 line("removed file: ", joined(export_dir, "c.23456")),
                                 "skip shortcut with different target: " + joined(desktop, "Lokal-Kaptáže 23456.lnk") +
                                     " -> " + std::string(other_exe),
                                 line("skip missing shortcut: ", joined(start_menu, "Lokal-Kaptáže 23456.lnk")),
                                 line("skip missing dir: ", in(lc_app, "Data\\12345")),
                                 line("skip missing shortcut: ", joined(desktop, "Lokal-Kaptáže 12345.lnk")),
                                 line("skip missing shortcut: ", joined(start_menu, "Lokal-Kaptáže 12345.lnk"))}}));
    // Precinct 34567 came after the invalid entry and is untouched, as is the application.
    EXPECT_TRUE(ws.exists(in(lc_app, "Data\\34567\\results.db")));
    EXPECT_TRUE(ws.exists(joined(export_dir, "d.34567")));
    EXPECT_TRUE(ws.exists(joined(desktop, "Lokal-Kaptáže 34567.lnk")));
    for (std::string_view kept : {"12345", "12345.txt", "a.123456", ".12345", "x.12345", "y.12345"})
        EXPECT_TRUE(ws.exists(joined(export_dir, kept))) << kept;
    EXPECT_TRUE(ws.exists("C:\\Outside\\keep.txt"));
    EXPECT_TRUE(ws.exists(lc_exe));
    EXPECT_TRUE(ws.exists(start_menu));
}

TEST(MunicipalPrecinct, ExportListingFaults) {
    struct Case {
        fake::Op op;
        std::string path_end;
        std::uint32_t code;
        bool succeeds;
        std::string export_line;  // the line or the error
    };
    const std::string export_dir = in(lc_app, "Export");
    const std::vector<Case> cases{
        {fake::Op::list_entry, "a.12345", win32_error::file_not_found, true, "skip vanished export entry"},
        // Missing at the presence test, or gone by the listing: the run goes on either way.
        {fake::Op::file_info, "Export", win32_error::path_not_found, true, line("skip missing export dir: ", export_dir)},
        {fake::Op::list_dir, "Export", win32_error::path_not_found, true, line("skip missing export dir: ", export_dir)},
        {fake::Op::list_dir, "Export", win32_error::access_denied, false,
         "failed to read export dir " + export_dir + ": Access is denied. (os error 5)"},
        {fake::Op::list_entry, "a.12345", win32_error::access_denied, false,
         "failed to read export entry: Access is denied. (os error 5)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.export_line);
        LcOkrsek ws;
        ws.os.fault = [&](fake::Op op, PStringView path) -> std::optional<std::uint32_t> {
            if (op == c.op && path.ends_with(w(c.path_end))) return c.code;
            return std::nullopt;
        };
        const auto result = ws.run(lc_okrsek_command_line("selected").add("--okrsek", "12345").drop("--desktop").drop("--start-menu"));
        EXPECT_FALSE(ws.exists(in(lc_app, "Data\\12345")));
        if (c.succeeds) {
            ASSERT_TRUE(result);
            const auto log = ws.log();
            EXPECT_NE(std::find(log.begin(), log.end(), c.export_line), log.end());
        } else {
            ASSERT_FALSE(result);
            EXPECT_EQ(result.error(), c.export_line);
        }
    }
}

TEST(MunicipalPrecinct, RefusalsRemoveNothing) {
    const std::string marker = in(lc_app, ".lc-okrsek-install.meta");
    expect_refusals_remove_nothing<LcOkrsek>(
        {
            {"app kind", [](Workstation&, CommandLine& c) { c.set("--app-kind", "pm"); },
             "unexpected value for --app-kind: expected okrsek, got pm"},
            {"blank bundle id", [](Workstation&, CommandLine& c) { c.set("--bundle-id", " \t"); },
             "bundle id must not be empty"},
            {"bundle id before product name",
             [](Workstation&, CommandLine& c) { c.set("--bundle-id", "").set("--product-name", "x"); },
             "bundle id must not be empty"},
            {"product name", [](Workstation&, CommandLine& c) { c.set("--product-name", "LCokrsekx"); },
             "unexpected value for --product-name: expected LCokrsek, got LCokrsekx"},
            {"no precincts", [](Workstation&, CommandLine&) {}, "selected mode requires at least one --okrsek"},
            {"first precinct invalid", [](Workstation&, CommandLine& c) { c.add("--okrsek", "１２３４５"); },
             "invalid okrsek: １２３４５"},
            {"marker missing", [&](Workstation& ws, CommandLine&) { ws.os.delete_file(w(marker)); },
             "install marker is missing: " + marker},
            {"marker helper name in capitals",
             [&](Workstation& ws, CommandLine&) {
                 ws.os.add_file(w(marker), marker_text_where(test_support::lc_okrsek, "helper_binary", "TARVO-UNTARVO.EXE"));
             },
             "unexpected helper_binary: expected tarvo-untarvo.exe, got TARVO-UNTARVO.EXE"},
            {"folder letter case differs from the marker",
             [](Workstation&, CommandLine& c) { c.set("--app-folder", "lckaptao"); },
             "unexpected app_folder: expected lckaptao, got LCKaptaO"},
            {"helper inside the application",
             [](Workstation& ws, CommandLine&) {
                 ws.os.module = u"C:\\Tarvo\\LCKaptaO\\tarvo-untarvo.exe";
                 ws.os.add_file(ws.os.module);
             },
             "helper must not run from installed application directory: C:\\Tarvo\\LCKaptaO\\tarvo-untarvo.exe"},
        },
        lc_okrsek_command_line("selected"));
}

TEST(MunicipalPrecinct, EmptySelectionIsRefusedAfterTheChecksHavePassed) {
    LcOkrsek ws;
    ASSERT_FALSE(ws.run(lc_okrsek_command_line("selected")));
    EXPECT_EQ(ws.log(), ws.head());
}

// --- the senate precinct application ------------------------------------------------------

// The kind in capitals: the senate profile folds it and logs it folded.
CommandLine uh_okrsek_command_line(std::string mode) {
    return command_line_of(test_support::uh_okrsek, std::move(mode)).set("--app-kind", "OKRSEK");
}

struct UhOkrsek : Workstation {
    UhOkrsek() {
        add_app(uh_app, "uh-okrsek.exe", ".uh-okrsek-install.meta",
                marker_text_where(test_support::uh_okrsek, "helper_binary", "TARVO-UNTARVO.exe"));
        for (std::string_view item : {"12345.7", "00002.81", "54321.9"})
            os.add_file(w(in(uh_app, "Data\\" + std::string(item) + "\\results.db")));
        for (std::string_view name : {"vysledky.12345.7", "y.00002.81", "12345.7", "x.12345.70", "x.012345.7", ".12345.7"})
            os.add_file(w(in(uh_app, "Export\\" + std::string(name))));
        os.add_dir(w(in(uh_app, "Export\\z.12345.7")));
    }
    std::vector<std::string> head() const {
        return concat({{line("working_dir=", working_dir), "app_kind=okrsek", line("install_dir=", install),
                        line("app_dir=", uh_app)},
                       variant_b_lines(),
                       validation_lines(uh_app, uh_exe)});
    }
    Result<> run(const CommandLine& command_line) { return run_senate_precinct(os, command_line.args(), run_log); }
};

TEST(SenatePrecinct, FullRunRemovesDisplayNamedShortcutsAndTheEmptiedStartMenu) {
    UhOkrsek ws;
    ws.add_shortcut(start_menu, "Vyšák-Kaptáže K1 12345.7.lnk", uh_exe);
    ws.add_shortcut(desktop, "Vyšák-Kaptáže K1 12345.7.lnk", uh_exe);
    ws.add_shortcut(desktop, "Vyšák-Kaptáže.lnk", uh_exe);

    ASSERT_TRUE(ws.run(uh_okrsek_command_line("full")));
    EXPECT_EQ(ws.log(), concat({ws.head(),
                                {line("removed file: ", joined(start_menu, "Vyšák-Kaptáže K1 12345.7.lnk")),
                                 line("removed file: ", joined(desktop, "Vyšák-Kaptáže K1 12345.7.lnk")),
                                 line("removed dir: ", uh_app), line("removed empty dir: ", start_menu)}}));
    EXPECT_FALSE(ws.exists(uh_app));
    EXPECT_FALSE(ws.exists(start_menu));
    EXPECT_TRUE(ws.exists(start_menu_parent));
    EXPECT_TRUE(ws.exists(joined(desktop, "Vyšák-Kaptáže.lnk")));
}

TEST(SenatePrecinct, SelectedModeGoesItemByItemWithDuplicatesUntilAnInvalidOne) {
    UhOkrsek ws;
    ws.add_shortcut(desktop, "Vyšák-Kaptáže K1 12345.7.lnk", uh_exe);
    ws.add_shortcut(start_menu, "Vyšák-Kaptáže K1 12345.7.lnk", uh_exe);
    ws.add_shortcut(desktop, "Vyšák-Kaptáže K2 00002.81.lnk", uh_exe);

    const auto result = ws.run(uh_okrsek_command_line("selected")
                                   .add("--items", "12345.7;00002.81")
                                   .add("--okrsek", "12345.7")
                                   .add("--okrsek", "99")
                                   .add("--okrsek", "54321.9"));
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), "invalid UH obvod folder: 99");

    const std::string export_dir = in(uh_app, "Export");
    EXPECT_EQ(ws.log(), concat({ws.head(),
                                {line("removed dir: ", in(uh_app, "Data\\12345.7")),
                                 line("removed file: ", joined(export_dir, "vysledky.12345.7")),
                                 line("removed file: ", joined(desktop, "Vyšák-Kaptáže K1 12345.7.lnk")),
                                 line("removed file: ", joined(start_menu, "Vyšák-Kaptáže K1 12345.7.lnk")),
                                 line("removed dir: ", in(uh_app, "Data\\00002.81")),
                                 line("removed file: ", joined(export_dir, "y.00002.81")),
                                 line("skip missing shortcut: ", joined(desktop, "Vyšák-Kaptáže K1 00002.81.lnk")),
                                 line("skip missing shortcut: ", joined(start_menu, "Vyšák-Kaptáže K1 00002.81.lnk")),
                                 line("skip missing dir: ", in(uh_app, "Data\\12345.7")),
                                 line("skip missing shortcut: ", joined(desktop, "Vyšák-Kaptáže K1 12345.7.lnk")),
                                 line("skip missing shortcut: ", joined(start_menu, "Vyšák-Kaptáže K1 12345.7.lnk"))}}));
    for (std::string_view kept : {"12345.7", "x.12345.70", "x.012345.7", ".12345.7", "z.12345.7"})
        EXPECT_TRUE(ws.exists(joined(export_dir, kept))) << kept;
    EXPECT_TRUE(ws.exists(in(uh_app, "Data\\54321.9\\results.db")));
    EXPECT_TRUE(ws.exists(joined(desktop, "Vyšák-Kaptáže K2 00002.81.lnk")));  // the other round's name
    // Selected mode never removes the start-menu folder, even when it is left empty.
    EXPECT_TRUE(ws.exists(start_menu));
}

TEST(SenatePrecinct, VanishingExportFolderAndEntriesAreSkippedQuietly) {
    for (const auto& [op, path_end] : std::vector<std::pair<fake::Op, std::string>>{{fake::Op::list_dir, "Export"},
                                                                                       {fake::Op::list_entry, "vysledky.12345.7"}}) {
        SCOPED_TRACE(fake::name_of(op));
        UhOkrsek ws;
        ws.os.fault = [&](fake::Op o, PStringView path) -> std::optional<std::uint32_t> {
            if (o == op && path.ends_with(w(path_end))) return win32_error::file_not_found;
            return std::nullopt;
        };
        ASSERT_TRUE(ws.run(uh_okrsek_command_line("selected").add("--okrsek", "12345.7").drop("--desktop").drop("--start-menu")));
        EXPECT_EQ(ws.log(), concat({ws.head(), {line("removed dir: ", in(uh_app, "Data\\12345.7"))}}));
    }
}

// A name that Win32 paths cannot address (Wine refuses one with a line break in it, 123): the
// folder's listing shows it, so it is not missing, and the run fails naming it instead of
// skipping it and reporting success.
TEST(Precinct, ListedExportFileThatNoPathReachesFailsTheRunNamingIt) {
    const std::string invalid = "The filename, directory name, or volume label syntax is incorrect.";
    const auto unreachable = [](PStringView name) {
        return [name = PString(name)](fake::Op op, PStringView path) -> std::optional<std::uint32_t> {
            if (op == fake::Op::list_dir || op == fake::Op::list_entry || !path.ends_with(name)) return std::nullopt;
            return 123;
        };
    };
    const auto expect_failure = [&](Workstation& ws, const Result<>& result, const std::string& file) {
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error(), "failed to remove file " + file + " after 30 attempts (os_error=Some(123)): " + invalid +
                                      " (os error 123)");
        for (const std::string& l : ws.log()) EXPECT_FALSE(l.starts_with("skip missing file: ")) << l;
        EXPECT_TRUE(ws.exists(file));
    };
    LcOkrsek lc;
    lc.os.messages[123] = invalid;
    lc.os.fault = unreachable(u"\\a.12345");
    expect_failure(lc, lc.run(lc_okrsek_command_line("selected").add("--okrsek", "12345")), in(lc_app, "Export\\a.12345"));
    UhOkrsek uh;
    uh.os.messages[123] = invalid;
    uh.os.fault = unreachable(u"\\vysledky.12345.7");
    expect_failure(uh, uh.run(uh_okrsek_command_line("selected").add("--okrsek", "12345.7")),
                   in(uh_app, "Export\\vysledky.12345.7"));
}

TEST(SenatePrecinct, RefusalsRemoveNothing) {
    const std::string marker = in(uh_app, ".uh-okrsek-install.meta");
    expect_refusals_remove_nothing<UhOkrsek>(
        {
            {"app kind", [](UhOkrsek&, CommandLine& c) { c.set("--app-kind", "pm"); }, "unsupported app kind: pm"},
            {"app folder", [](Workstation&, CommandLine& c) { c.set("--app-folder", "UHKaptaO.K3"); },
             "unexpected UH app folder: UHKaptaO.K3"},
            {"municipal list option", [](Workstation&, CommandLine& c) { c.add("--okrsky", "12345.7"); },
             "unknown argument: --okrsky"},
            {"bundle id", [](Workstation&, CommandLine& c) { c.set("--bundle-id", "com.lc-okrsek"); },
             "unexpected value for --bundle-id: expected com.uh-okrsek, got com.lc-okrsek"},
            {"folder letter case differs from the marker",
             [](Workstation&, CommandLine& c) { c.set("--app-folder", "uhkaptao.k1"); },
             "unexpected app_folder: expected uhkaptao.k1, got UHKaptaO.K1"},
            {"no items", [](Workstation&, CommandLine&) {}, "selected mode requires at least one --okrsek/--items"},
            {"first item escapes", [](Workstation&, CommandLine& c) { c.add("--okrsek", "..\\x"); }, "invalid item: ..\\x"},
            {"helper in the install directory",
             [](Workstation& ws, CommandLine&) {
                 ws.os.module = u"C:\\Tarvo\\tarvo-untarvo.exe";
                 ws.os.add_file(ws.os.module);
             },
             "helper must run from NSIS temp/stage, not installed tree: C:\\Tarvo\\tarvo-untarvo.exe"},
        },
        uh_okrsek_command_line("selected"));
}

// --- the precinct grammars and export-file rules ----------------------------------------------

TEST(PrecinctItems, MunicipalPrecinctIsFiveAsciiDigits) {
    for (std::string_view valid : {"12345", "00000"}) EXPECT_TRUE(check_okrsek(valid)) << valid;
    for (std::string_view invalid : {"1234", "123456", "1234a", " 1234", "12345 ", "-1234", "", "１２３４５", "..\\x",
                                     "12345\\..", "0x3039", "C:\\Outside"})
        EXPECT_EQ(check_okrsek(invalid).error(), "invalid okrsek: " + std::string(invalid));
}

TEST(PrecinctItems, SenateItemRulesApplyInOrder) {
    for (std::string_view valid : {"12345.7", "00001.081", "12345.99"}) EXPECT_TRUE(check_obvod_item(valid)) << valid;
    const std::vector<std::pair<std::string, std::string>> invalid{
        {"", "invalid item: "},
        {".", "invalid item: ."},
        {"..", "invalid item: .."},
        {"..\\x", "invalid item: ..\\x"},
        {"12345/7", "invalid item: 12345/7"},
        {"C:12345.7", "invalid item: C:12345.7"},
        {"12345", "invalid UH obvod folder: 12345"},
        {"1234.5", "invalid UH okrsek in folder: 1234.5"},
        {"123456.7", "invalid UH okrsek in folder: 123456.7"},
        {".7", "invalid UH okrsek in folder: .7"},
        {"12345.", "invalid UH obvod in folder: 12345."},
        {"12345.0001", "invalid UH obvod in folder: 12345.0001"},
        {"12345.7.1", "invalid UH obvod in folder: 12345.7.1"},
        {"12345.x", "invalid UH obvod in folder: 12345.x"},
        {"12345.7\\..", "invalid item: 12345.7\\.."},
        {"12345.7:stream", "invalid item: 12345.7:stream"},
        {"..345.7", "invalid UH okrsek in folder: ..345.7"},
        {"１２３４５.7", "invalid UH okrsek in folder: １２３４５.7"},
        {"12345.\xD9\xA7", "invalid UH obvod in folder: 12345.\xD9\xA7"},  // ARABIC-INDIC DIGIT SEVEN
        {"12345.7.", "invalid UH obvod in folder: 12345.7."},
    };
    for (const auto& [item, message] : invalid) EXPECT_EQ(check_obvod_item(item).error(), message) << item;
}

TEST(PrecinctItems, ExportFilesBelongByTheirEnding) {
    struct Case {
        std::string_view name;
        bool municipal_12345;  // okrsek_export_file(name, "12345")
        bool senate_12345_7;   // obvod_export_file(name, "12345.7")
    };
    for (const Case& c : std::vector<Case>{
             {"vysledky.12345", true, false},
             {"a.b.12345", true, false},
             {"12345", false, false},
             {".12345", false, false},
             {"12345.csv", false, false},
             {"a.123456", false, false},
             {"a.12345.7", false, true},
             {"vysledky.12345.7", false, true},
             {"..12345.7", false, true},
             {"12345.7", false, false},
             {".12345.7", false, false},
             {"x.12345.70", false, false},
             {"x.012345.7", false, false},
             {"x.12345.7.csv", false, false},
         }) {
        EXPECT_EQ(okrsek_export_file(c.name, "12345"), c.municipal_12345) << c.name;
        EXPECT_EQ(obvod_export_file(c.name, "12345.7"), c.senate_12345_7) << c.name;
    }
}

}  // namespace
}  // namespace tu::profiles_test
