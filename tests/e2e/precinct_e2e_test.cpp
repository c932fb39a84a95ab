// The precinct applications removed for real, in full and precinct by precinct.
#include <regex>

#include "e2e_support.h"

namespace e2e {
namespace {

// How each precinct application names its log, and whether the log says the app kind.
struct Logging {
    std::string name;  // pattern
    bool app_kind;
};

const Logging municipal_logging{R"(lc-okrsek-uninstall-untarvo-\d+-\d+\.log)", false};
const Logging senate_logging{R"(tarvo-uninstall-untarvo-\d+-\d+\.log)", true};

class Precinct : public Workstation {
protected:
    explicit Precinct(const AppFacts& app, const Logging& logging, std::vector<std::wstring> items,
                      std::vector<std::wstring> export_files)
        : app_(app), logging_(logging), items_(std::move(items)), export_files_(std::move(export_files)) {}

    std::wstring app_dir() const { return dir(app_); }
    std::wstring main_exe() const { return Workstation::main_exe(app_); }
    std::wstring data(const std::wstring& item) const { return app_dir() + L"\\Data\\" + item; }
    std::wstring export_dir() const { return app_dir() + L"\\Export"; }
    std::wstring exported(const std::wstring& name) const { return export_dir() + L"\\" + name; }
    std::wstring item_shortcut(const std::wstring& item) const { return e2e::item_shortcut(app_, item); }
    std::vector<std::wstring> args(const std::wstring& mode) const { return command_line(app_, mode); }
    // A name that starts with the display name: full mode's candidates are "{display} ...".
    std::wstring display_named(std::wstring_view rest) const { return wide(app_.display) + std::wstring(rest); }

    void SetUp() override {
        Workstation::SetUp();
        write_file(main_exe(), "MZ precinct app");
        write_file(app_dir() + L"\\icon.ico", "icon");
        write_file(in(app_dir(), app_.marker), marker_text(app_));
        for (const std::wstring& item : items_) write_file(data(item) + L"\\okrsek.db", "precinct data");
        for (const std::wstring& name : export_files_) write_file(exported(name), "export");
        launcher_as_installed_uninstaller();
    }

    // Everything up to and including the marker check.
    std::vector<std::string> head() const {
        std::vector<std::string> out{line("log_path=", logs + L"\\" + new_log_name()), line("working_dir=", working_dir_in_temp())};
        if (logging_.app_kind) out.push_back("app_kind=okrsek");
        out.push_back(line("install_dir=", install));
        out.push_back(line("app_dir=", app_dir()));
        for (const std::string& l : auth_lines_bc()) out.push_back(l);
        out.push_back(line("main executable present: ", main_exe()));
        out.push_back(line("application icon present: ", app_dir() + L"\\icon.ico"));
        out.push_back(line("uninstaller present: ", uninstaller()));
        out.push_back("installation validation passed");
        return out;
    }

    void expect_log_name() const {
        EXPECT_TRUE(std::regex_match(utf8(new_log_name()), std::regex(logging_.name))) << utf8(new_log_name());
    }
    std::vector<std::string> tree_without_new_log() const {
        auto all = tree(root);
        std::erase(all, "Tarvo\\logs\\" + utf8(new_log_name()));
        return all;
    }
    const AppFacts& app_;
    const Logging& logging_;
    std::vector<std::wstring> items_, export_files_;
};

// --- the municipal precinct application ---------------------------------------------------

class MunicipalPrecinct : public Precinct {
protected:
    MunicipalPrecinct()
        : Precinct(lc_okrsek, municipal_logging, {L"12345", L"23456", L"34567", L"45678"},
                   {L"vysledky.12345", L"souhrn.12345", L"vysledky.23456", L"vysledky.45678", L"12345.csv", L"12345",
                    L"a.123456", L".12345", L"x.12345\\inside.txt"}) {}
};

class MunicipalPrecinctFull : public MunicipalPrecinct, public ::testing::WithParamInterface<bool> {};

TEST_P(MunicipalPrecinctFull, RemovesTheAppAndPrefixedShortcutsToIt) {
    const bool foreign_left_in_start_menu = GetParam();
    const std::wstring foreign = start_menu + L"\\" + display_named(L" 99999.lnk");
    const std::wstring no_space = desktop + L"\\" + display_named(L".lnk");  // no space after the prefix: not a candidate
    shortcut(start_menu, item_shortcut(L"12345"), main_exe());
    if (foreign_left_in_start_menu) make_shortcut(foreign, neighbour);
    shortcut(desktop, item_shortcut(L"23456"), main_exe());
    make_shortcut(no_space, main_exe());
    shortcut(desktop, L"Cizí.lnk", neighbour);

    EXPECT_EQ(run(with(args(L"full"), {L"--okrsek", L"bad"})).status, 0u);
    expect_log_name();
    std::vector<std::string> start_menu_lines{line("removed file: ", start_menu + L"\\" + item_shortcut(L"12345"))};
    if (foreign_left_in_start_menu)
        start_menu_lines.push_back("skip shortcut with different target: " + utf8(foreign) + " -> " + utf8(neighbour));
    std::vector<std::string> tail{line("removed dir: ", app_dir())};
    if (!foreign_left_in_start_menu) tail.push_back(line("removed empty dir: ", start_menu));
    expect_log(new_log(), {head(), any_order(start_menu_lines),
                           {line("removed file: ", desktop + L"\\" + item_shortcut(L"23456"))}, tail});

    std::vector<std::string> left{"Desktop\\", "Desktop\\Cizí.lnk", relative(no_space), "Start Menu\\",
                                  "Start Menu\\Programs\\", "Tarvo\\", "Tarvo\\Other\\", "Tarvo\\Other\\other.exe",
                                  relative(uninstaller()), "Tarvo\\logs\\", "Tarvo\\logs\\older.log"};
    if (foreign_left_in_start_menu) left.insert(left.end(), {relative(start_menu) + "\\", relative(foreign)});
    std::sort(left.begin(), left.end());
    EXPECT_EQ(tree_without_new_log(), left);
}

INSTANTIATE_TEST_SUITE_P(StartMenu, MunicipalPrecinctFull, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "ForeignShortcutLeft" : "EmptiedFolder"; });

TEST_F(MunicipalPrecinct, SelectedModeGoesPrecinctByPrecinctUntilAnInvalidOne) {
    for (const wchar_t* item : {L"12345", L"23456", L"45678"}) shortcut(desktop, item_shortcut(item), main_exe());
    shortcut(desktop, item_shortcut(L"34567"), neighbour);
    shortcut(start_menu, item_shortcut(L"12345"), main_exe());

    const Exit exit = run(with(args(L"selected"), {L"--okrsek", L"12345", L"--items", L"23456; 12345", L"--okrsky",
                                                   L"34567", L"--okrsek", L"1234", L"--okrsek", L"45678"}));
    EXPECT_EQ(exit.status, 1u);
    const auto missing_shortcut = [&](const std::wstring& dir, const wchar_t* item) {
        return line("skip missing shortcut: ", dir + L"\\" + item_shortcut(item));
    };
    expect_log(new_log(),
               {head(),
                {line("removed dir: ", data(L"12345"))},
                any_order({line("removed file: ", exported(L"vysledky.12345")), line("removed file: ", exported(L"souhrn.12345"))}),
                {line("removed file: ", desktop + L"\\" + item_shortcut(L"12345")),
                 line("removed file: ", start_menu + L"\\" + item_shortcut(L"12345")),
                 line("removed dir: ", data(L"23456")), line("removed file: ", exported(L"vysledky.23456")),
                 line("removed file: ", desktop + L"\\" + item_shortcut(L"23456")), missing_shortcut(start_menu, L"23456"),
                 line("skip missing dir: ", data(L"12345")), missing_shortcut(desktop, L"12345"),
                 missing_shortcut(start_menu, L"12345"), line("removed dir: ", data(L"34567")),
                 "skip shortcut with different target: " + utf8(desktop + L"\\" + item_shortcut(L"34567")) + " -> " +
                     utf8(neighbour),
                 missing_shortcut(start_menu, L"34567"), "ERROR: invalid okrsek: 1234"}});

    // The precinct after the invalid entry, the files of no precinct and the application stay.
    for (const std::wstring& kept : {data(L"45678") + L"\\okrsek.db", exported(L"vysledky.45678"), exported(L"12345.csv"),
                                     exported(L"12345"), exported(L"a.123456"), exported(L".12345"),
                                     exported(L"x.12345\\inside.txt"), main_exe(), desktop + L"\\" + item_shortcut(L"45678"),
                                     desktop + L"\\" + item_shortcut(L"34567"), in(app_dir(), app_.marker), start_menu})
        EXPECT_TRUE(exists(kept)) << utf8(kept);
    for (const std::wstring& gone : {data(L"12345"), data(L"23456"), data(L"34567"), exported(L"vysledky.12345"),
                                     exported(L"souhrn.12345"), exported(L"vysledky.23456")})
        EXPECT_FALSE(exists(gone)) << utf8(gone);
}

TEST_F(MunicipalPrecinct, MissingExportFolderIsSkipped) {
    wipe_tree(export_dir());
    shortcut(desktop, item_shortcut(L"12345"), main_exe());
    EXPECT_EQ(run(with(args(L"selected"), {L"--okrsek", L"12345"})).status, 0u);
    expect_log(new_log(), {head(),
                           {line("removed dir: ", data(L"12345")), line("skip missing export dir: ", export_dir()),
                            line("removed file: ", desktop + L"\\" + item_shortcut(L"12345")),
                            line("skip missing shortcut: ", start_menu + L"\\" + item_shortcut(L"12345"))}});
    EXPECT_TRUE(exists(data(L"23456")));
}

TEST_F(MunicipalPrecinct, RefusedRunsLeaveEverythingInPlace) {
    shortcut(desktop, item_shortcut(L"12345"), main_exe());
    shortcut(start_menu, item_shortcut(L"12345"), main_exe());
    const auto before = tree(root);

    EXPECT_EQ(run(args(L"selected")).status, 1u);
    expect_log(new_log(), {head(), {"ERROR: selected mode requires at least one --okrsek"}});
    EXPECT_EQ(tree_without_new_log(), before);

    wipe_tree(logs + L"\\" + new_log_name());
    const std::string& bundle = app_.bundle;
    std::vector<std::wstring> wrong = args(L"full");
    value_of(wrong, L"--bundle-id") = wide(bundle + " ");  // the option is taken as given
    EXPECT_EQ(run(wrong).status, 1u);
    const auto log = new_log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "ERROR: unexpected bundle_id: expected " + bundle + " , got " + bundle);
    EXPECT_EQ(tree_without_new_log(), before);
}

// --- the senate precinct application ------------------------------------------------------

class SenatePrecinct : public Precinct {
protected:
    SenatePrecinct()
        : Precinct(uh_okrsek, senate_logging, {L"12345.7", L"00002.81", L"54321.9", L"11111.1"},
                   {L"vysledky.12345.7", L"souhrn.12345.7", L"y.00002.81", L"vysledky.54321.9", L"12345.7", L"x.12345.70",
                    L"x.012345.7", L".12345.7", L"z.12345.7\\inside.txt"}) {}
    void SetUp() override {
        Precinct::SetUp();
        write_file(round_2_exe(), "MZ round 2");  // the other round stays installed
    }
    std::wstring round_2_exe() const { return install + L"\\UHKaptaO.K2\\" + wide(app_.exe); }
};

class SenatePrecinctFull : public SenatePrecinct, public ::testing::WithParamInterface<bool> {};

TEST_P(SenatePrecinctFull, RemovesTheAppAndDisplayNamedShortcutsToIt) {
    const bool foreign_left_in_start_menu = GetParam();
    const std::wstring foreign = start_menu + L"\\" + display_named(L" K2 12345.7.lnk");  // round 2's
    const std::wstring no_space = desktop + L"\\" + display_named(L".lnk");  // no space after the display name: stays
    shortcut(start_menu, item_shortcut(L"12345.7"), main_exe());
    if (foreign_left_in_start_menu) make_shortcut(foreign, round_2_exe());
    shortcut(desktop, item_shortcut(L"00002.81"), main_exe());
    make_shortcut(no_space, main_exe());

    EXPECT_EQ(run(args(L"full")).status, 0u);
    expect_log_name();
    std::vector<std::string> start_menu_lines{line("removed file: ", start_menu + L"\\" + item_shortcut(L"12345.7"))};
    if (foreign_left_in_start_menu)
        start_menu_lines.push_back("skip shortcut with different target: " + utf8(foreign) + " -> " + utf8(round_2_exe()));
    std::vector<std::string> tail{line("removed dir: ", app_dir())};
    if (!foreign_left_in_start_menu) tail.push_back(line("removed empty dir: ", start_menu));
    expect_log(new_log(), {head(), any_order(start_menu_lines),
                           {line("removed file: ", desktop + L"\\" + item_shortcut(L"00002.81"))}, tail});

    std::vector<std::string> left{"Desktop\\", relative(no_space), "Start Menu\\", "Start Menu\\Programs\\", "Tarvo\\",
                                  "Tarvo\\Other\\", "Tarvo\\Other\\other.exe", "Tarvo\\UHKaptaO.K2\\", relative(round_2_exe()),
                                  relative(uninstaller()), "Tarvo\\logs\\", "Tarvo\\logs\\older.log"};
    if (foreign_left_in_start_menu) left.insert(left.end(), {relative(start_menu) + "\\", relative(foreign)});
    std::sort(left.begin(), left.end());
    EXPECT_EQ(tree_without_new_log(), left);
}

INSTANTIATE_TEST_SUITE_P(StartMenu, SenatePrecinctFull, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "ForeignShortcutLeft" : "EmptiedFolder"; });

TEST_F(SenatePrecinct, SelectedModeGoesItemByItemUntilAnInvalidOne) {
    shortcut(desktop, item_shortcut(L"12345.7"), main_exe());
    shortcut(start_menu, item_shortcut(L"12345.7"), main_exe());
    shortcut(start_menu, item_shortcut(L"00002.81"), neighbour);
    shortcut(desktop, item_shortcut(L"54321.9"), main_exe());

    const Exit exit = run(with(args(L"selected"), {L"--items", L"12345.7;00002.81", L"--okrsek", L"12345.7", L"--okrsek",
                                                   L"99", L"--okrsek", L"54321.9"}));
    EXPECT_EQ(exit.status, 1u);
    const auto missing_shortcut = [&](const std::wstring& dir, const wchar_t* item) {
        return line("skip missing shortcut: ", dir + L"\\" + item_shortcut(item));
    };
    expect_log(new_log(),
               {head(),
                {line("removed dir: ", data(L"12345.7"))},
                any_order({line("removed file: ", exported(L"vysledky.12345.7")), line("removed file: ", exported(L"souhrn.12345.7"))}),
                {line("removed file: ", desktop + L"\\" + item_shortcut(L"12345.7")),
                 line("removed file: ", start_menu + L"\\" + item_shortcut(L"12345.7")),
                 line("removed dir: ", data(L"00002.81")), line("removed file: ", exported(L"y.00002.81")),
                 missing_shortcut(desktop, L"00002.81"),
                 "skip shortcut with different target: " + utf8(start_menu + L"\\" + item_shortcut(L"00002.81")) + " -> " +
                     utf8(neighbour),
                 line("skip missing dir: ", data(L"12345.7")), missing_shortcut(desktop, L"12345.7"),
                 missing_shortcut(start_menu, L"12345.7"), "ERROR: invalid UH obvod folder: 99"}});

    for (const std::wstring& kept :
         {data(L"54321.9") + L"\\okrsek.db", data(L"11111.1") + L"\\okrsek.db", exported(L"vysledky.54321.9"),
          exported(L"12345.7"), exported(L"x.12345.70"), exported(L"x.012345.7"), exported(L".12345.7"),
          exported(L"z.12345.7\\inside.txt"), desktop + L"\\" + item_shortcut(L"54321.9"),
          start_menu + L"\\" + item_shortcut(L"00002.81"), main_exe(), start_menu})
        EXPECT_TRUE(exists(kept)) << utf8(kept);
    for (const std::wstring& gone : {data(L"12345.7"), data(L"00002.81"), exported(L"vysledky.12345.7"),
                                     exported(L"souhrn.12345.7"), exported(L"y.00002.81")})
        EXPECT_FALSE(exists(gone)) << utf8(gone);
}

TEST_F(SenatePrecinct, MissingExportFolderIsSkipped) {
    wipe_tree(export_dir());
    shortcut(start_menu, item_shortcut(L"12345.7"), main_exe());
    EXPECT_EQ(run(with(args(L"selected"), {L"--items", L"12345.7"})).status, 0u);
    expect_log(new_log(), {head(),
                           {line("removed dir: ", data(L"12345.7")), line("skip missing export dir: ", export_dir()),
                            line("skip missing shortcut: ", desktop + L"\\" + item_shortcut(L"12345.7")),
                            line("removed file: ", start_menu + L"\\" + item_shortcut(L"12345.7"))}});
    // Selected mode leaves the emptied start-menu folder in place.
    EXPECT_TRUE(exists(start_menu));
}

TEST_F(SenatePrecinct, RefusedRunsLeaveEverythingInPlace) {
    shortcut(desktop, item_shortcut(L"12345.7"), main_exe());
    const auto before = tree(root);

    EXPECT_EQ(run(with(args(L"selected"), {L"--okrsky", L"12345.7"})).status, 1u);
    EXPECT_EQ(new_log(), (std::vector<std::string>{line("log_path=", logs + L"\\" + new_log_name()),
                                                  line("working_dir=", working_dir_in_temp()),
                                                  "ERROR: unknown argument: --okrsky"}));
    EXPECT_EQ(tree_without_new_log(), before);

    wipe_tree(logs + L"\\" + new_log_name());
    EXPECT_EQ(run(with(args(L"selected"), {L"--okrsek", L"12345"})).status, 1u);
    expect_log(new_log(), {head(), {"ERROR: invalid UH obvod folder: 12345"}});
    EXPECT_EQ(tree_without_new_log(), before);
}

}  // namespace
}  // namespace e2e
