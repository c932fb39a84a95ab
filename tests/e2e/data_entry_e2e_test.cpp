// The data-entry applications removed for real: the municipal one started by the installed
// uninstaller, the senate one (round 2, beside round 1) by the NSIS temporary copy.
#include <regex>

#include "e2e_support.h"

namespace e2e {
namespace {

struct App {
    std::string label;
    std::wstring folder, exe, marker, product, bundle;
    std::wstring own_shortcut;  // the application's own shortcut name
    bool from_temporary_copy;
};

const App municipal{"municipal", L"LCkapta", L"lc-kapta.exe", L".lc-kapta-install.meta", L"Lokal-kaptáže",
                    L"com.lc-kapta", L"Lokal-kaptáže.lnk", false};
const App senate{"senate", L"UHKapta.K2", L"uh-kapta.exe", L".uh-kapta-install.meta", L"UH kapta",
                 L"com.uh-kapta", L"Vyšák-kaptáže K2.lnk", true};

class DataEntry : public Workstation, public ::testing::WithParamInterface<App> {
protected:
    const App& app() const { return GetParam(); }
    std::wstring app_dir() const { return install + L"\\" + app().folder; }
    std::wstring main_exe() const { return app_dir() + L"\\" + app().exe; }
    std::wstring uninstaller() const { return install + L"\\Zudeded2026.exe"; }

    void SetUp() override {
        Workstation::SetUp();
        write_file(main_exe(), "MZ app");
        write_file(app_dir() + L"\\icon.ico", "icon");
        write_file(app_dir() + L"\\data\\entries.db", "entries");
        write_file(app_dir() + L"\\" + app().marker,
                   "bundle_id=" + utf8(app().bundle) + "\r\napp_folder=" + utf8(app().folder) + "\r\nmain_binary=" +
                       utf8(app().exe) + "\r\nhelper_binary=tarvo-untarvo.exe\r\nuninstaller=Zudeded2026.exe\r\n");
        if (app().label == "senate") {
            // The other round stays installed, with its own shortcut.
            write_file(install + L"\\UHKapta.K1\\uh-kapta.exe", "MZ round 1");
            shortcut(desktop, L"Vyšák-kaptáže K1.lnk", install + L"\\UHKapta.K1\\uh-kapta.exe");
        }
        if (app().from_temporary_copy) {
            write_file(uninstaller(), "MZ installed uninstaller");
            launcher_as_temporary_copy();
        } else {
            launcher_as_installed_uninstaller();
        }
    }

    std::vector<std::wstring> args() const {
        return {L"--mode",        L"full",          L"--app-kind",     L"pm",
                L"--install-dir", install,          L"--app-folder",   app().folder,
                L"--main-binary", app().exe,        L"--uninstaller",  L"Zudeded2026.exe",
                L"--desktop",     desktop,          L"--start-menu",   start_menu,
                L"--product-name", app().product,   L"--bundle-id",    app().bundle};
    }

    std::vector<std::string> head() const {
        return lines({{"tarvo-untarvo started", line("working_dir=", working_dir_in_temp()), line("install_dir=", install),
                       line("app_dir=", app_dir())},
                      auth_lines_a()});
    }

    // What stays of the sample besides the start-menu and desktop folders.
    std::vector<std::string> untouched_install() const {
        std::vector<std::string> left{"Tarvo\\",          "Tarvo\\Other\\", "Tarvo\\Other\\other.exe",
                                      "Tarvo\\Zudeded2026.exe", "Tarvo\\logs\\",  "Tarvo\\logs\\older.log",
                                      "Tarvo\\logs\\" + utf8(new_log_name())};
        if (app().label == "senate")
            left.insert(left.end(), {"Tarvo\\UHKapta.K1\\", "Tarvo\\UHKapta.K1\\uh-kapta.exe", "Desktop\\Vyšák-kaptáže K1.lnk"});
        return left;
    }
};

TEST_P(DataEntry, FullRemovalTakesTheAppAndItsShortcutsAndNothingElse) {
    shortcut(desktop, app().own_shortcut, main_exe());
    shortcut(desktop, L"Cizí program.lnk", neighbour);
    shortcut(start_menu, app().own_shortcut, main_exe());
    shortcut(start_menu, L"Odinstalovat " + app().product + L".lnk", uninstaller());
    // Named like an uninstall shortcut, but another program's: it stays, and keeps the folder.
    shortcut(start_menu, L"Uninstall " + app().product + L".lnk", neighbour);
    shortcut(programs, app().own_shortcut, main_exe());

    const Exit exit = run(args());
    EXPECT_EQ(exit.status, 0u);
    EXPECT_TRUE(std::regex_match(utf8(new_log_name()), std::regex(R"(tarvo-untarvo-\d+\.log)"))) << utf8(new_log_name());
    expect_log(new_log(), {head(),
                           {line("removed file: ", desktop + L"\\" + app().own_shortcut),
                            line("removed file: ", start_menu + L"\\" + app().own_shortcut),
                            line("removed file: ", start_menu + L"\\Odinstalovat " + app().product + L".lnk"),
                            line("skip missing shortcut: ", start_menu + L"\\Odinstalovat2026.lnk"),
                            line("skip missing shortcut: ", start_menu + L"\\Odinstalovat 2026.lnk"),
                            "skip shortcut with different target: " + utf8(start_menu + L"\\Uninstall " + app().product + L".lnk") +
                                " -> " + utf8(neighbour),
                            line("removed file: ", programs + L"\\" + app().own_shortcut),
                            line("removed dir: ", app_dir()), "tarvo-untarvo completed"}});

    std::vector<std::string> left = untouched_install();
    left.insert(left.end(), {"Desktop\\", "Desktop\\Cizí program.lnk", "Start Menu\\", "Start Menu\\Programs\\",
                             "Start Menu\\Programs\\Tarvo\\", "Start Menu\\Programs\\Tarvo\\Uninstall " + utf8(app().product) + ".lnk"});
    std::sort(left.begin(), left.end());
    EXPECT_EQ(tree(root), left);
}

TEST_P(DataEntry, EmptiedStartMenuFolderGoesAndItsParentStays) {
    shortcut(start_menu, app().own_shortcut, main_exe());
    shortcut(start_menu, L"Odinstalovat2026.lnk", uninstaller());

    EXPECT_EQ(run(args()).status, 0u);
    const auto log = new_log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3], line("removed dir: ", app_dir()));
    EXPECT_EQ(log[log.size() - 2], line("removed empty dir: ", start_menu));
    EXPECT_FALSE(exists(start_menu));
    EXPECT_TRUE(exists(programs));
}

TEST_P(DataEntry, MissingMarkerFallsBackToLegacyValidation) {
    wipe_tree(app_dir() + L"\\" + app().marker);
    EXPECT_EQ(run(args()).status, 0u);
    expect_log(new_log(), {head(),
                           {line("install marker missing; using legacy layout validation: ", app_dir() + L"\\" + app().marker),
                            line("skip missing shortcut: ", desktop + L"\\" + app().own_shortcut),
                            line("skip missing shortcut: ", start_menu + L"\\" + app().own_shortcut),
                            line("skip missing shortcut: ", start_menu + L"\\Odinstalovat " + app().product + L".lnk"),
                            line("skip missing shortcut: ", start_menu + L"\\Odinstalovat2026.lnk"),
                            line("skip missing shortcut: ", start_menu + L"\\Odinstalovat 2026.lnk"),
                            line("skip missing shortcut: ", start_menu + L"\\Uninstall " + app().product + L".lnk"),
                            line("skip missing shortcut: ", programs + L"\\" + app().own_shortcut),
                            line("removed dir: ", app_dir()), line("removed empty dir: ", start_menu),
                            "tarvo-untarvo completed"}});
    EXPECT_FALSE(exists(app_dir()));
}

TEST_P(DataEntry, SelectedModeIsRefusedAndEverythingStays) {
    shortcut(desktop, app().own_shortcut, main_exe());
    shortcut(start_menu, app().own_shortcut, main_exe());
    const auto before = tree(root);

    std::vector<std::wstring> selected = args();
    selected[1] = L"selected";
    EXPECT_EQ(run(selected).status, 2u);
    EXPECT_EQ(new_log(), (std::vector<std::string>{"tarvo-untarvo started", line("working_dir=", working_dir_in_temp()),
                                                  "ERROR: selected mode is not supported by the PM helper"}));
    auto after = tree(root);
    std::erase(after, "Tarvo\\logs\\" + utf8(new_log_name()));
    EXPECT_EQ(after, before);
}

TEST_P(DataEntry, ForeignParentIsRefusedAndEverythingStays) {
    shortcut(desktop, app().own_shortcut, main_exe());
    // The launcher under another name, beside the real uninstaller.
    parent = install + L"\\setup.exe";
    copy_file(built_launcher(), parent);
    const auto before = tree(root);

    EXPECT_EQ(run(args()).status, 2u);
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
