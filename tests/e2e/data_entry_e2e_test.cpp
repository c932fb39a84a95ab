// The data-entry applications removed for real: the municipal one started by the installed
// uninstaller, the senate one (round 2, beside round 1) by the NSIS temporary copy.
#include <regex>

#include "e2e_support.h"

namespace e2e {
namespace {

struct Case {
    const char* label;
    const AppFacts* app;
    bool from_temporary_copy;
};

const Case municipal{"municipal", &lc_kapta, false};
const Case senate{"senate", &uh_kapta_k2, true};

class DataEntry : public Workstation, public ::testing::WithParamInterface<Case> {
protected:
    const AppFacts& app() const { return *GetParam().app; }
    bool round_2() const { return GetParam().app == &uh_kapta_k2; }
    std::wstring app_dir() const { return dir(app()); }
    std::wstring main_exe() const { return Workstation::main_exe(app()); }
    std::wstring own_shortcut() const { return wide(app().desktop_links[0]); }
    std::wstring product() const { return wide(app().product); }

    void SetUp() override {
        Workstation::SetUp();
        write_file(main_exe(), "MZ app");
        write_file(app_dir() + L"\\icon.ico", "icon");
        write_file(app_dir() + L"\\data\\entries.db", "entries");
        write_file(in(app_dir(), app().marker), marker_text(app(), "\r\n"));
        if (round_2()) {  // round 1 stays installed, with its own shortcut
            write_file(Workstation::main_exe(uh_kapta), "MZ round 1");
            shortcut(desktop, wide(uh_kapta.desktop_links[0]), Workstation::main_exe(uh_kapta));
        }
        if (GetParam().from_temporary_copy) {
            write_file(uninstaller(), "MZ installed uninstaller");
            launcher_as_temporary_copy();
        } else {
            launcher_as_installed_uninstaller();
        }
    }

    std::vector<std::string> head() const {
        return lines({{"tarvo-untarvo started", line("working_dir=", working_dir_in_temp()), line("install_dir=", install),
                       line("app_dir=", app_dir())},
                      auth_lines_a()});
    }

    // What stays of the sample besides the start-menu and desktop folders.
    std::vector<std::string> untouched_install() const {
        std::vector<std::string> left{"Tarvo\\", "Tarvo\\Other\\", "Tarvo\\Other\\other.exe", relative(uninstaller()),
                                      "Tarvo\\logs\\", "Tarvo\\logs\\older.log", "Tarvo\\logs\\" + utf8(new_log_name())};
        if (round_2())
            left.insert(left.end(), {relative(dir(uh_kapta)) + "\\", relative(Workstation::main_exe(uh_kapta)),
                                     relative(in(desktop, uh_kapta.desktop_links[0]))});
        return left;
    }
};

TEST_P(DataEntry, FullRemovalTakesTheAppAndItsShortcutsAndNothingElse) {
    shortcut(desktop, own_shortcut(), main_exe());
    shortcut(desktop, L"Cizí program.lnk", neighbour);
    shortcut(start_menu, own_shortcut(), main_exe());
    shortcut(start_menu, L"Odinstalovat " + product() + L".lnk", uninstaller());
    // Named like an uninstall shortcut, but another program's: it stays, and keeps the folder.
    shortcut(start_menu, L"Uninstall " + product() + L".lnk", neighbour);
    shortcut(programs, own_shortcut(), main_exe());

    const Exit exit = run(command_line(app(), L"full"));
    EXPECT_EQ(exit.status, 0u);
    EXPECT_TRUE(std::regex_match(utf8(new_log_name()), std::regex(R"(tarvo-untarvo-\d+\.log)"))) << utf8(new_log_name());
    expect_log(new_log(), {head(),
                           {line("removed file: ", desktop + L"\\" + own_shortcut()),
                            line("removed file: ", start_menu + L"\\" + own_shortcut()),
                            line("removed file: ", start_menu + L"\\Odinstalovat " + product() + L".lnk"),
                            line("skip missing shortcut: ", start_menu + L"\\Odinstalovat2026.lnk"),
                            line("skip missing shortcut: ", start_menu + L"\\Odinstalovat 2026.lnk"),
                            "skip shortcut with different target: " + utf8(start_menu + L"\\Uninstall " + product() + L".lnk") +
                                " -> " + utf8(neighbour),
                            line("removed file: ", programs + L"\\" + own_shortcut()),
                            line("removed dir: ", app_dir()), "tarvo-untarvo completed"}});

    std::vector<std::string> left = untouched_install();
    left.insert(left.end(), {"Desktop\\", "Desktop\\Cizí program.lnk", "Start Menu\\", "Start Menu\\Programs\\",
                             "Start Menu\\Programs\\Tarvo\\", "Start Menu\\Programs\\Tarvo\\Uninstall " + utf8(product()) + ".lnk"});
    std::sort(left.begin(), left.end());
    EXPECT_EQ(tree(root), left);
}

TEST_P(DataEntry, EmptiedStartMenuFolderGoesAndItsParentStays) {
    shortcut(start_menu, own_shortcut(), main_exe());
    shortcut(start_menu, L"Odinstalovat2026.lnk", uninstaller());

    EXPECT_EQ(run(command_line(app(), L"full")).status, 0u);
    const auto log = new_log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3], line("removed dir: ", app_dir()));
    EXPECT_EQ(log[log.size() - 2], line("removed empty dir: ", start_menu));
    EXPECT_FALSE(exists(start_menu));
    EXPECT_TRUE(exists(programs));
}

TEST_P(DataEntry, MissingMarkerFallsBackToLegacyValidation) {
    wipe_tree(in(app_dir(), app().marker));
    EXPECT_EQ(run(command_line(app(), L"full")).status, 0u);
    expect_log(new_log(), {head(),
                           {line("install marker missing; using legacy layout validation: ", in(app_dir(), app().marker)),
                            line("skip missing shortcut: ", desktop + L"\\" + own_shortcut()),
                            line("skip missing shortcut: ", start_menu + L"\\" + own_shortcut()),
                            line("skip missing shortcut: ", start_menu + L"\\Odinstalovat " + product() + L".lnk"),
                            line("skip missing shortcut: ", start_menu + L"\\Odinstalovat2026.lnk"),
                            line("skip missing shortcut: ", start_menu + L"\\Odinstalovat 2026.lnk"),
                            line("skip missing shortcut: ", start_menu + L"\\Uninstall " + product() + L".lnk"),
                            line("skip missing shortcut: ", programs + L"\\" + own_shortcut()),
                            line("removed dir: ", app_dir()), line("removed empty dir: ", start_menu),
                            "tarvo-untarvo completed"}});
    EXPECT_FALSE(exists(app_dir()));
}

TEST_P(DataEntry, SelectedModeIsRefusedAndEverythingStays) {
    shortcut(desktop, own_shortcut(), main_exe());
    shortcut(start_menu, own_shortcut(), main_exe());
    const auto before = tree(root);

    EXPECT_EQ(run(command_line(app(), L"selected")).status, 2u);
    EXPECT_EQ(new_log(), (std::vector<std::string>{"tarvo-untarvo started", line("working_dir=", working_dir_in_temp()),
                                                  "ERROR: selected mode is not supported by the PM helper"}));
    auto after = tree(root);
    std::erase(after, "Tarvo\\logs\\" + utf8(new_log_name()));
    EXPECT_EQ(after, before);
}

TEST_P(DataEntry, ForeignParentIsRefusedAndEverythingStays) {
    shortcut(desktop, own_shortcut(), main_exe());
    // The launcher under another name, beside the real uninstaller.
    parent = install + L"\\setup.exe";
    copy_file(built_launcher(), parent);
    const auto before = tree(root);

    EXPECT_EQ(run(command_line(app(), L"full")).status, 2u);
    const auto log = new_log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "ERROR: unexpected parent executable: setup.exe");
    auto after = tree(root);
    std::erase(after, "Tarvo\\logs\\" + utf8(new_log_name()));
    EXPECT_EQ(after, before);
}

INSTANTIATE_TEST_SUITE_P(Apps, DataEntry, ::testing::Values(municipal, senate),
                         [](const auto& info) { return info.param.label; });

}  // namespace
}  // namespace e2e
