// The processing profile on the fake platform: it owns its log and its exit status, accepts
// only the fixed install root, and removes its application with the shortcuts to it.
#include <algorithm>
#include <functional>

#include "app/entry.h"
#include "profiles/profiles.h"
#include "profiles_fixture.h"

namespace tu::profiles_test {
namespace {

constexpr std::string_view app = "C:\\Tarvo\\UHsumar.K1";
constexpr std::string_view exe = "C:\\Tarvo\\UHsumar.K1\\uhsumar.exe";
constexpr std::string_view sumar_log = "C:\\Tarvo\\logs\\lc-okrsek-uninstall-untarvo-1765000000-4242.log";
constexpr std::string_view temp_uninstaller = "C:\\Users\\tester\\AppData\\Local\\Temp\\~nsu1.tmp\\Un.exe";

CommandLine sumar_command_line() {
    return {{"--mode", "full"},
            {"--app-kind", "SUMAR"},
            {"--install-dir", std::string(install)},
            {"--app-folder", "uhsumar.k1"},
            {"--main-binary", "uhsumar.exe"},
            {"--uninstaller", "zudeded2026.exe"},
            {"--desktop", std::string(desktop)},
            {"--start-menu", std::string(start_menu)},
            {"--product-name", "UH sumar"},
            {"--bundle-id", "com.uh-sumar"},
            {"--parent-pid", "77"},
            {"--parent-path", std::string(uninstaller)},
            {"--okrsek", "12345"}};
}

struct Sumar : Workstation {
    Sumar() {
        os.add_file(w(exe), "MZ sumar");
        os.add_file(u"C:\\Tarvo\\UHsumar.K2\\uhsumar.exe", "MZ sumar K2");
    }
    int run(const CommandLine& command_line) {
        os.args = {u"tarvo-untarvo.exe"};
        for (PString& arg : command_line.args()) os.args.push_back(std::move(arg));
        return run_entry(os, real_profiles());
    }
    std::vector<std::string> sumar_log_lines() const { return os.lines(w(sumar_log)); }
    // Everything except the run's own log file.
    std::vector<std::string> everything_but_the_log() const {
        auto all = everything();
        std::erase(all, std::string(sumar_log));
        return all;
    }
};

TEST(Processing, FullRunRemovesTheApplicationAndShortcutsToItInThreeFolders) {
    Sumar ws;
    ws.add_shortcut(desktop, "UH sumar.lnk", exe);
    ws.add_shortcut(desktop, "Other.LNK", "C:\\Tarvo\\UHsumar.K2\\uhsumar.exe");
    ws.add_shortcut(start_menu, "Sumar K1.LNK", exe);
    ws.add_shortcut(start_menu_parent, "UH sumar.lnk", exe);

    EXPECT_EQ(ws.run(sumar_command_line()), 0);
    // The folder comes from the dispatch table, not from the option as typed.
    EXPECT_EQ(ws.sumar_log_lines(),
              concat({{"profile=sumar folder=UHsumar.K1", line("working_dir=", working_dir)},
                      variant_b_lines(),
                      {line("removed file: ", joined(desktop, "UH sumar.lnk")),
                       line("removed file: ", joined(start_menu, "Sumar K1.LNK")),
                       line("removed file: ", joined(start_menu_parent, "UH sumar.lnk")), line("removed dir: ", app),
                       line("removed empty dir: ", start_menu)}}));
    EXPECT_FALSE(ws.exists(app));
    EXPECT_FALSE(ws.exists(start_menu));
    EXPECT_TRUE(ws.exists(start_menu_parent));
    EXPECT_TRUE(ws.exists(joined(desktop, "Other.LNK")));
    EXPECT_TRUE(ws.exists("C:\\Tarvo\\UHsumar.K2\\uhsumar.exe"));
    EXPECT_TRUE(ws.exists(uninstaller));
}

TEST(Processing, RelativeInstallDirResolvesAgainstTheTemporaryDirectory) {
    Sumar ws;
    ws.os.processes[1].image = w(temp_uninstaller);
    ws.os.add_file(w(temp_uninstaller));
    ws.os.cwd = u"C:\\Users";
    EXPECT_EQ(ws.run(sumar_command_line()
                         .set("--install-dir", "..\\..\\..\\..\\..\\Tarvo")
                         .set("--parent-path", std::string(temp_uninstaller))
                         .drop("--parent-pid")
                         .drop("--start-menu")),
              0);
    EXPECT_FALSE(ws.exists(app));
    const auto log = ws.sumar_log_lines();
    EXPECT_NE(std::find(log.begin(), log.end(), "parent_pid_argument=not-provided"), log.end());
}

TEST(Processing, RefusalsEndWithStatusOneAndRemoveNothing) {
    const std::vector<std::pair<std::function<void(Sumar&, CommandLine&)>, std::string>> refusals{
        {[](Sumar&, CommandLine& c) { c.set("--mode", "selected").set("--app-kind", "pm"); },
         "sumar profile supports full mode only"},
        // The first --app-folder chooses the profile; the parser keeps the last.
        {[](Sumar&, CommandLine& c) { c.add("--app-folder", "UHsumar.K2"); },
         "unexpected value for --app-folder: expected UHsumar.K1, got UHsumar.K2"},
        // The log stays under the first --install-dir; the profile works on the last one.
        {[](Sumar&, CommandLine& c) { c.add("--install-dir", "D:\\Tarvo"); },
         "sumar install root must be C:\\Tarvo, got D:\\Tarvo"},
        {[](Sumar&, CommandLine& c) { c.add("--install-dir", "Tarvo"); },
         "sumar install root must be C:\\Tarvo, got C:\\Users\\tester\\AppData\\Local\\Temp\\Tarvo"},
        {[](Sumar& ws, CommandLine&) { ws.os.delete_file(w(exe)); },
         "main executable is missing: C:\\Tarvo\\UHsumar.K1\\uhsumar.exe"},
        {[](Sumar& ws, CommandLine& c) {
             ws.os.processes[1].image = u"C:\\Tarvo\\Un.exe";
             c.set("--parent-path", "C:\\Tarvo\\Un.exe");
         },
         "unexpected NSIS parent path outside temp: C:\\Tarvo\\Un.exe"},
    };
    for (const auto& [change, message] : refusals) {
        SCOPED_TRACE(message);
        Sumar ws;
        ws.add_shortcut(desktop, "UH sumar.lnk", exe);
        CommandLine command_line = sumar_command_line();
        change(ws, command_line);
        const auto before = ws.everything();
        EXPECT_EQ(ws.run(command_line), 1);
        const auto log = ws.sumar_log_lines();
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log.front(), "profile=sumar folder=UHsumar.K1");
        EXPECT_EQ(log.back(), "ERROR: " + message);
        EXPECT_EQ(ws.everything_but_the_log(), before);
    }
}

}  // namespace
}  // namespace tu::profiles_test
