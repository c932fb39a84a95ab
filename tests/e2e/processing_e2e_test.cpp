// The processing applications removed for real from the fixed install root C:\Tarvo.
#include <cwctype>
#include <regex>

#include "e2e_support.h"
#include "support/linux_side.h"

namespace e2e {
namespace {

class Processing : public Workstation {
protected:
    void SetUp() override {
        Workstation::SetUp();
        wipe_tree(install);
        use_install_dir(L"C:\\Tarvo");
        write_file(main_exe(), "MZ processing app");
        write_file(app_dir() + L"\\vysledky\\souhrn.csv", "results");
        // Another processing application beside it stays.
        write_file(other_sumar(), "MZ UHsumar");
        launcher_as_installed_uninstaller();
    }
    void TearDown() override {
        wipe_tree(L"C:\\Tarvo");
        EXPECT_TRUE(tu::test_support::remove_linux_tree(twin()));
    }
    // C:\TARVO beside C:\Tarvo, where letter case tells them apart (Wine on Linux).
    static std::wstring twin() { return L"C:\\TARVO"; }

    std::wstring app_dir() const { return dir(lc_sumar); }
    std::wstring main_exe() const { return Workstation::main_exe(lc_sumar); }
    std::wstring own_shortcut() const { return wide(lc_sumar.desktop_links[0]); }
    std::wstring other_sumar() const { return install + L"\\UHsumar.K1\\uhsumar.exe"; }

    std::vector<std::wstring> args() const {
        std::vector<std::wstring> out = with(command_line(lc_sumar, L"full"), {L"--okrsek", L"12345"});
        for (wchar_t& c : value_of(out, L"--app-folder")) c = static_cast<wchar_t>(std::towlower(c));  // the folder typed in lower case
        return out;
    }
    // The log's first line, naming the profile and its folder.
    static std::string profile_line() { return "profile=sumar folder=" + lc_sumar.folder; }
    std::vector<std::string> head() const {
        return lines({{profile_line(), line("working_dir=", working_dir_in_temp())}, auth_lines_bc()});
    }
    // Everything below C:\Tarvo and the shortcut folders, without the runs' own logs.
    std::vector<std::string> everything() const {
        std::vector<std::string> all = tree(install);
        for (const std::string& path : tree(root)) all.push_back("[root]\\" + path);
        std::erase_if(all, [](const std::string& path) { return path.starts_with("logs\\lc-okrsek-uninstall-untarvo-"); });
        return all;
    }
};

TEST_F(Processing, FullRemovalTakesTheAppAndShortcutsToItInThreeFolders) {
    shortcut(desktop, own_shortcut(), main_exe());
    shortcut(desktop, L"UH sumar.lnk", other_sumar());
    shortcut(start_menu, own_shortcut(), main_exe());
    shortcut(programs, own_shortcut(), main_exe());

    EXPECT_EQ(run(args()).status, 0u);
    EXPECT_TRUE(std::regex_match(utf8(new_log_name()), std::regex(R"(lc-okrsek-uninstall-untarvo-\d+-\d+\.log)")))
        << utf8(new_log_name());
    // The application folder is spelled as the dispatch table has it, not as typed.
    expect_log(new_log(), {head(),
                           {line("removed file: ", desktop + L"\\" + own_shortcut()),
                            line("removed file: ", start_menu + L"\\" + own_shortcut()),
                            line("removed file: ", programs + L"\\" + own_shortcut()), line("removed dir: ", app_dir()),
                            line("removed empty dir: ", start_menu)}});
    std::vector<std::string> left{"Other\\", "Other\\other.exe", "UHsumar.K1\\", "UHsumar.K1\\uhsumar.exe",
                                  std::string(uninstaller_name), "logs\\", "logs\\older.log", "[root]\\Desktop\\",
                                  "[root]\\Desktop\\UH sumar.lnk", "[root]\\Start Menu\\", "[root]\\Start Menu\\Programs\\"};
    EXPECT_EQ(everything(), left);
}

TEST_F(Processing, StartMenuFolderWithAForeignShortcutStays) {
    shortcut(start_menu, own_shortcut(), main_exe());
    shortcut(start_menu, L"UH sumar.lnk", other_sumar());
    EXPECT_EQ(run(args()).status, 0u);
    expect_log(new_log(), {head(), {line("removed file: ", start_menu + L"\\" + own_shortcut()), line("removed dir: ", app_dir())}});
    EXPECT_TRUE(exists(start_menu + L"\\UH sumar.lnk"));
    EXPECT_FALSE(exists(app_dir()));
}

TEST_F(Processing, RelativeInstallDirResolvesAgainstTheTemporaryDirectory) {
    // From the temporary directory up to C:\ and down into Tarvo.
    const std::wstring temp = working_dir_in_temp();
    std::wstring relative;
    for (std::size_t i = 3; i < temp.size(); ++i)
        if (temp[i] == L'\\') relative += L"..\\";
    relative += L"..\\Tarvo";
    std::vector<std::wstring> relative_args = without_option(without_option(args(), L"--desktop"), L"--start-menu");  // no shortcut folders
    value_of(relative_args, L"--install-dir") = relative;

    // Started from the temporary directory, so that the relative log folder is C:\Tarvo\logs too.
    EXPECT_EQ(run(relative_args, temp).status, 0u);
    expect_log(new_log(), {head(), {line("removed dir: ", in(temp + L"\\" + relative, lc_sumar.folder))}});
    EXPECT_FALSE(exists(app_dir()));
    EXPECT_TRUE(exists(other_sumar()));
}

// Another drive, or the folder beside the fixed root whose name differs from it only in
// case, with an application of its own that stays.
TEST_F(Processing, OtherInstallRootsAreRefused) {
    shortcut(desktop, own_shortcut(), main_exe());
    ASSERT_TRUE(tu::test_support::make_linux_dir(twin()));
    write_file(in(twin(), lc_sumar.folder) + L"\\" + wide(lc_sumar.exe), "MZ twin");
    const auto twin_before = tree(twin());
    for (const std::wstring& elsewhere_root : {std::wstring(L"D:\\Tarvo"), twin()}) {
        const auto before = everything();
        // The log goes under the first --install-dir, the profile works on the last one.
        std::vector<std::wstring> elsewhere = args();
        elsewhere.insert(elsewhere.end(), {L"--install-dir", elsewhere_root});

        EXPECT_EQ(run(elsewhere).status, 1u);
        EXPECT_EQ(new_log(), (std::vector<std::string>{profile_line(), line("working_dir=", working_dir_in_temp()),
                                                      "ERROR: sumar install root must be C:\\Tarvo, got " + utf8(elsewhere_root)}));
        wipe_tree(logs + L"\\" + new_log_name());
        EXPECT_EQ(everything(), before);
    }
    EXPECT_EQ(tree(twin()), twin_before);
    EXPECT_EQ(read_lines(in(twin(), lc_sumar.folder) + L"\\" + wide(lc_sumar.exe)), std::vector<std::string>{"MZ twin"});
}

TEST_F(Processing, UninstallerOutsideTheInstallRootIsRefused) {
    shortcut(desktop, own_shortcut(), main_exe());
    parent = in(app_dir(), uninstaller_name);
    copy_file(built_launcher(), parent);
    const auto before = everything();

    EXPECT_EQ(run(args()).status, 1u);
    const auto log = new_log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "ERROR: unexpected uninstaller path: expected " + utf8(uninstaller()) + ", got " + utf8(parent));
    EXPECT_EQ(everything(), before);
}

}  // namespace
}  // namespace e2e
