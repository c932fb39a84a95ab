// The entry: which profile a command line reaches, where its log goes, what the log says
// around the profile, and the exit status.
#include <gtest/gtest.h>

#include "app/entry.h"
#include "app/run_log.h"
#include "platform/fake/fake_platform.h"
#include "platform/text.h"

namespace tu {
namespace {

using fake::FakePlatform;
using fake::Op;
using Lines = std::vector<std::string>;

// 2025-12-06 05:46:40.123 UTC: 1765000000 s, 1765000000123 ms.
constexpr std::int64_t now_ticks = 17'650'000'001'234'567;
const PString temp_logs = u"C:\\Users\\tester\\AppData\\Local\\Temp\\tarvo2026-uninstall-logs";

// Test profiles that record how they were called and answer as told.
struct Recorder {
    std::string called;  // "municipal_precinct", ..., "processing", or empty
    std::vector<PString> args;
    std::string folder, executable;
    Result<> outcome;
    std::function<void(const LineSink&)> during;  // what the profile does meanwhile

    Result<> record(std::string name, const std::vector<PString>& a, const LineSink& log) {
        called = std::move(name);
        args = a;
        if (during) during(log);
        return outcome;
    }
    ProfileRun profile(std::string name) {
        return [this, name](Platform&, const std::vector<PString>& a, const LineSink& log) { return record(name, a, log); };
    }
    Profiles profiles() {
        return Profiles{
            profile("municipal_precinct"),
            profile("senate_precinct"),
            profile("municipal_data_entry"),
            profile("senate_data_entry"),
            [this](Platform&, const std::vector<PString>& a, const LineSink& log, std::string_view f, std::string_view e) {
                folder = f;
                executable = e;
                return record("processing", a, log);
            },
        };
    }
};

struct EntryTest : ::testing::Test {
    FakePlatform os;
    Recorder recorder;
    std::vector<Op> ops;  // every platform operation that consults the fault hook

    void SetUp() override {
        os.now_ticks = now_ticks;
        os.fault = [this](Op op, PStringView) -> std::optional<std::uint32_t> {
            ops.emplace_back(op);
            return std::nullopt;
        };
    }
    int run(std::vector<PString> args) {
        args.insert(args.begin(), u"tarvo-untarvo.exe");
        os.args = std::move(args);
        return run_entry(os, recorder.profiles());
    }
};

TEST_F(EntryTest, EveryFolderValueReachesItsProfile) {
    struct Case {
        PString folder;
        std::string profile;
    };
    const std::vector<Case> cases = {
        {u"LCKaptaO", "municipal_precinct"},   {u"lckaptao", "municipal_precinct"},
        {u"UHKaptaO.K1", "senate_precinct"},   {u"UHKAPTAO.K2", "senate_precinct"},
        {u"LCkapta", "municipal_data_entry"},  {u"lckapta", "municipal_data_entry"},
        {u"UHKapta.K1", "senate_data_entry"},  {u"uhkapta.k2", "senate_data_entry"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(to_utf8(c.folder));
        recorder = Recorder{};
        const std::vector<PString> args = {u"--mode", u"full", u"--app-folder", c.folder, u"--install-dir", u"C:\\Tarvo"};
        EXPECT_EQ(run(args), exit_status::success);
        EXPECT_EQ(recorder.called, c.profile);
        // The profile gets the arguments after the program name, all of them, in order.
        EXPECT_EQ(recorder.args, args);
    }
}

TEST_F(EntryTest, ProcessingFoldersAreHandedOverAsTheTableSpellsThem) {
    struct Case {
        PString given;
        std::string folder, executable;
    };
    const std::vector<Case> cases = {
        {u"LCsumar", "LCsumar", "lcsumar.exe"},
        {u"LCSUMAR", "LCsumar", "lcsumar.exe"},
        {u"UHsumar.K1", "UHsumar.K1", "uhsumar.exe"},
        {u"uhsumar.k2", "UHsumar.K2", "uhsumar.exe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(to_utf8(c.given));
        recorder = Recorder{};
        EXPECT_EQ(run({u"--app-folder", c.given, u"--install-dir", u"C:\\Tarvo"}), exit_status::success);
        EXPECT_EQ(recorder.called, "processing");
        EXPECT_EQ(recorder.folder, c.folder);
        EXPECT_EQ(recorder.executable, c.executable);
    }
}

TEST_F(EntryTest, NoUsableFolderEndsWithStatusTwoAndWritesNothing) {
    const std::vector<std::vector<PString>> cases = {
        {},
        {u"--app-folder"},
        {u"--mode", u"full", u"--app-folder"},
        {u"--app-folder=LCkapta"},
        {u"--app-folder=LCkapta", u"--mode", u"full"},
        {u"--app-folder", u"LCkapta2"},
        {u"--app-folder", u"LCkapta "},
        {u"--app-folder", u""},
        {u"--app-folder", u"--mode", u"full"},       // "--mode" is the value
        {u"--App-Folder", u"LCkapta"},                // the option name is matched exactly
        {u"--app-folder", u"LC\u212Aapta"},           // KELVIN SIGN is not K
        {u"--app-folder", u"LCkapt\u00E1"},
        {u"--app-folder", u"LCkapta\xD800"},          // ill-formed: U+FFFD matches nothing
        {u"--app-folder", u"LCsumar.exe"},
        {u"LCkapta"},
    };
    for (const auto& args : cases) {
        std::string shown;
        for (const auto& a : args) shown += to_utf8(a) + " ";
        SCOPED_TRACE(shown);
        recorder = Recorder{};
        ops.clear();
        EXPECT_EQ(run(args), exit_status::refused);
        EXPECT_EQ(recorder.called, "");
        EXPECT_TRUE(ops.empty()) << "first operation: " << fake::name_of(ops.front());
    }
    EXPECT_EQ(os.tree(u"C:\\"), (Lines{"C:\\Users", "C:\\Users\\tester", "C:\\Users\\tester\\AppData",
                                       "C:\\Users\\tester\\AppData\\Local", "C:\\Users\\tester\\AppData\\Local\\Temp"}));
}

TEST_F(EntryTest, TheFirstAppFolderDecides) {
    EXPECT_EQ(run({u"--app-folder", u"UHKaptaO.K1", u"--app-folder", u"LCkapta"}), exit_status::success);
    EXPECT_EQ(recorder.called, "senate_precinct");

    recorder = Recorder{};
    EXPECT_EQ(run({u"--app-folder", u"nothing", u"--app-folder", u"LCkapta"}), exit_status::refused);
    EXPECT_EQ(recorder.called, "");

    // A joined form is no selection, so a later separate option is the first one.
    recorder = Recorder{};
    EXPECT_EQ(run({u"--app-folder=UHKaptaO.K1", u"--app-folder", u"LCsumar"}), exit_status::success);
    EXPECT_EQ(recorder.called, "processing");
}

// What each kind of run writes around its profile ("working" is the profile's own line),
// and the status it ends with. The precinct and processing logs start empty: what an
// earlier run with the same name left is gone.
TEST(EntryFrame, EachKindFramesItsProfile) {
    struct Case {
        const char* what;
        std::vector<PString> args;
        bool fails;
        PString log;
        Lines lines;
        int status;
    };
    const PString sumar_log = u"C:\\Tarvo\\logs\\lc-okrsek-uninstall-untarvo-1765000000-4242.log";
    const std::vector<Case> cases = {
        {"data entry", {u"--app-folder", u"LCkapta", u"--install-dir", u"C:\\Tarvo"}, false,
         u"C:\\Tarvo\\logs\\tarvo-untarvo-1765000000123.log",
         {"tarvo-untarvo started", "working", "tarvo-untarvo completed"}, exit_status::success},
        {"data entry failing", {u"--app-folder", u"UHKapta.K2"}, true, temp_logs + u"\\tarvo-untarvo-1765000000123.log",
         {"tarvo-untarvo started", "working", "ERROR: boom"}, exit_status::refused},
        {"precinct", {u"--install-dir", u"D:\\Tarvo", u"--app-folder", u"LCKaptaO"}, false,
         u"D:\\Tarvo\\logs\\lc-okrsek-uninstall-untarvo-1765000000-4242.log",
         {"log_path=D:\\Tarvo\\logs\\lc-okrsek-uninstall-untarvo-1765000000-4242.log", "working"}, exit_status::success},
        {"precinct failing", {u"--app-folder", u"UHKaptaO.K2", u"--install-dir", u"D:\\Tarvo"}, true,
         u"D:\\Tarvo\\logs\\tarvo-uninstall-untarvo-1765000000-4242.log",
         {"log_path=D:\\Tarvo\\logs\\tarvo-uninstall-untarvo-1765000000-4242.log", "working", "ERROR: boom"},
         exit_status::profile_failed},
        {"processing", {u"--app-folder", u"LCsumar", u"--install-dir", u"C:\\Tarvo"}, false, sumar_log, {"working"},
         exit_status::success},
        {"processing failing", {u"--app-folder", u"UHsumar.K2", u"--install-dir", u"C:\\Tarvo"}, true, sumar_log,
         {"working", "ERROR: boom"}, exit_status::profile_failed},
        // Without a usable --install-dir the logs go to the temporary folder.
        {"precinct in temp", {u"--app-folder", u"LCKaptaO"}, false,
         temp_logs + u"\\lc-okrsek-uninstall-untarvo-1765000000-4242.log",
         {"log_path=" + to_utf8(temp_logs) + "\\lc-okrsek-uninstall-untarvo-1765000000-4242.log", "working"},
         exit_status::success},
        {"senate precinct in temp", {u"--app-folder", u"UHKaptaO.K1", u"--install-dir"}, false,
         temp_logs + u"\\tarvo-uninstall-untarvo-1765000000-4242.log",
         {"log_path=" + to_utf8(temp_logs) + "\\tarvo-uninstall-untarvo-1765000000-4242.log", "working"},
         exit_status::success},
        // The first --install-dir names the folder.
        {"data entry, two install dirs", {u"--install-dir", u"C:\\A", u"--app-folder", u"LCkapta", u"--install-dir", u"C:\\B"},
         false, u"C:\\A\\logs\\tarvo-untarvo-1765000000123.log",
         {"tarvo-untarvo started", "working", "tarvo-untarvo completed"}, exit_status::success},
        // A path that is not well-formed UTF-16 is used as it is and shown with U+FFFD.
        {"precinct, ill-formed path", {u"--app-folder", u"LCKaptaO", u"--install-dir", u"C:\\T\xDC01"}, false,
         u"C:\\T\xDC01\\logs\\lc-okrsek-uninstall-untarvo-1765000000-4242.log",
         {"log_path=C:\\T\xEF\xBF\xBD\\logs\\lc-okrsek-uninstall-untarvo-1765000000-4242.log", "working"},
         exit_status::success},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakePlatform os;
        os.now_ticks = now_ticks;
        os.add_dir(u"D:\\");
        const bool data_entry = c.lines.front() == "tarvo-untarvo started";
        if (!data_entry) os.add_file(c.log, "stale\n");
        Recorder recorder;
        if (c.fails) recorder.outcome = fail("boom");
        recorder.during = [](const LineSink& log) { log.line("working"); };
        os.args = c.args;
        os.args.insert(os.args.begin(), u"tarvo-untarvo.exe");
        EXPECT_EQ(run_entry(os, recorder.profiles()), c.status);
        EXPECT_EQ(os.lines(c.log), c.lines);
    }
}

// Where Windows could not restrict the DLL search, one line says so, right after what the
// frame writes first; the rest of the log is as ever.
TEST(EntryFrame, UnrestrictedDllSearchIsLoggedOnce) {
    const std::string line = "dll search not restricted to the system folder: "
                             "The specified procedure could not be found. (os error 127)";
    struct Case {
        PString folder;
        PString log;
        Lines lines;
    };
    const std::vector<Case> cases = {
        {u"LCkapta", u"C:\\Tarvo\\logs\\tarvo-untarvo-1765000000123.log",
         {"tarvo-untarvo started", line, "working", "tarvo-untarvo completed"}},
        {u"UHKaptaO.K1", u"C:\\Tarvo\\logs\\tarvo-uninstall-untarvo-1765000000-4242.log",
         {"log_path=C:\\Tarvo\\logs\\tarvo-uninstall-untarvo-1765000000-4242.log", line, "working"}},
        {u"LCsumar", u"C:\\Tarvo\\logs\\lc-okrsek-uninstall-untarvo-1765000000-4242.log", {line, "working"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(to_utf8(c.folder));
        FakePlatform os;
        os.now_ticks = now_ticks;
        os.messages[127] = "The specified procedure could not be found.";
        os.library_search_failure = OsError{127, "SetDefaultDllDirectories"};
        Recorder recorder;
        recorder.during = [](const LineSink& log) { log.line("working"); };
        os.args = {u"tarvo-untarvo.exe", u"--app-folder", c.folder, u"--install-dir", u"C:\\Tarvo"};
        EXPECT_EQ(run_entry(os, recorder.profiles()), exit_status::success);
        EXPECT_EQ(os.lines(c.log), c.lines);
    }
}

TEST_F(EntryTest, UnwritableLogChangesNothingElse) {
    struct Case {
        PString folder;
        bool fails;
        int status;
    };
    const std::vector<Case> cases = {
        {u"LCkapta", false, exit_status::success},   {u"LCkapta", true, exit_status::refused},
        {u"LCKaptaO", false, exit_status::success},  {u"LCKaptaO", true, exit_status::profile_failed},
        {u"UHKaptaO.K1", true, exit_status::profile_failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(to_utf8(c.folder));
        recorder = Recorder{};
        if (c.fails) recorder.outcome = fail("boom");
        os.fault = [](Op op, PStringView) -> std::optional<std::uint32_t> {
            if (op == Op::create_dir_all || op == Op::open_for_writing || op == Op::append)
                return win32_error::access_denied;
            return std::nullopt;
        };
        const std::vector<PString> args = {u"--app-folder", c.folder, u"--install-dir", u"C:\\Tarvo"};
        EXPECT_EQ(run(args), c.status);
        EXPECT_EQ(recorder.args, args);
        EXPECT_FALSE(os.exists(u"C:\\Tarvo"));
    }
    // A read-only log file of the same name: the run goes on as if nothing happened.
    os.fault = nullptr;
    os.add_file(u"C:\\Tarvo\\logs\\lc-okrsek-uninstall-untarvo-1765000000-4242.log", "", true);
    recorder = Recorder{};
    EXPECT_EQ(run({u"--app-folder", u"LCKaptaO", u"--install-dir", u"C:\\Tarvo"}), exit_status::success);
    EXPECT_EQ(recorder.called, "municipal_precinct");
}

TEST(ProcessArguments, DropsOnlyTheProgramName) {
    FakePlatform os;
    os.args = {u"C:\\stage\\tarvo-untarvo.exe", u"--mode", u""};
    EXPECT_EQ(process_arguments(os), (std::vector<PString>{u"--mode", u""}));
    os.args = {};
    EXPECT_TRUE(process_arguments(os).empty());
}

TEST(SwitchWorkingDirectory, MovesIntoTheTempFolder) {
    FakePlatform os;
    os.add_dir(u"C:\\Tarvo\\LCkapta");
    ASSERT_TRUE(os.set_current_dir(u"C:\\Tarvo\\LCkapta"));
    const auto dir = switch_working_directory(os);
    ASSERT_TRUE(dir) << dir.error();
    EXPECT_EQ(*dir, u"C:\\Users\\tester\\AppData\\Local\\Temp");  // as read back
    EXPECT_EQ(os.cwd, u"C:\\Users\\tester\\AppData\\Local\\Temp");
}

TEST(SwitchWorkingDirectory, Failures) {
    struct Case {
        Op failing_op;
        std::uint32_t code;
        std::string message;
    };
    const std::vector<Case> cases = {
        {Op::set_current_dir, 5,
         "failed to switch helper working directory to C:\\Users\\tester\\AppData\\Local\\Temp\\: Access is denied. (os error 5)"},
        {Op::current_dir, 3, "failed to read helper working directory: The system cannot find the path specified. (os error 3)"},
        {Op::temp_dir, 1234, "failed to read temporary directory:  (os error 1234)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(fake::name_of(c.failing_op));
        FakePlatform os;
        os.fault = [&](Op op, PStringView) -> std::optional<std::uint32_t> {
            if (op == c.failing_op) return c.code;
            return std::nullopt;
        };
        const auto dir = switch_working_directory(os);
        ASSERT_FALSE(dir);
        EXPECT_EQ(dir.error(), c.message);
    }
    // A temp folder that does not exist: the platform's own error.
    FakePlatform os;
    os.temp = u"C:\\NoSuch\\Temp\\";
    const auto dir = switch_working_directory(os);
    ASSERT_FALSE(dir);
    EXPECT_EQ(dir.error(), "failed to switch helper working directory to C:\\NoSuch\\Temp\\: "
                           "The system cannot find the path specified. (os error 3)");
}

}  // namespace
}  // namespace tu
