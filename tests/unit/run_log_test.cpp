// The run log: file names, the choice of folder, and writers that never fail the run.
#include <gtest/gtest.h>

#include <limits>

#include "app/run_log.h"
#include "platform/fake/fake_platform.h"
#include "platform/text.h"

namespace tu {
namespace {

using fake::FakePlatform;
using Lines = std::vector<std::string>;

constexpr std::int64_t ticks_2025 = 17'650'000'001'234'567;  // 1765000000123 ms and a bit

TEST(RunLogNames, StampsFromTheClock) {
    struct Case {
        std::int64_t ticks;
        std::string data_entry, precinct;
    };
    const std::vector<Case> cases = {
        {ticks_2025, "tarvo-untarvo-1765000000123.log", "lc-okrsek-uninstall-untarvo-1765000000-4242.log"},
        {0, "tarvo-untarvo-0.log", "lc-okrsek-uninstall-untarvo-0-4242.log"},
        {9'999, "tarvo-untarvo-0.log", "lc-okrsek-uninstall-untarvo-0-4242.log"},    // under 1 ms
        {10'000, "tarvo-untarvo-1.log", "lc-okrsek-uninstall-untarvo-0-4242.log"},
        {19'999'999, "tarvo-untarvo-1999.log", "lc-okrsek-uninstall-untarvo-1-4242.log"},
        // A clock set before 1970 gives 0, not a negative or wrapped number.
        {-1, "tarvo-untarvo-0.log", "lc-okrsek-uninstall-untarvo-0-4242.log"},
        {-17'650'000'000'000'000, "tarvo-untarvo-0.log", "lc-okrsek-uninstall-untarvo-0-4242.log"},
        {std::numeric_limits<std::int64_t>::min(), "tarvo-untarvo-0.log", "lc-okrsek-uninstall-untarvo-0-4242.log"},
        {std::numeric_limits<std::int64_t>::max(), "tarvo-untarvo-922337203685477.log",
         "lc-okrsek-uninstall-untarvo-922337203685-4242.log"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ticks);
        EXPECT_EQ(data_entry_log_name(c.ticks), c.data_entry);
        EXPECT_EQ(precinct_log_name(municipal_log_prefix, c.ticks, 4242), c.precinct);
    }
    EXPECT_EQ(precinct_log_name(senate_log_prefix, ticks_2025, 4294967295u),
              "tarvo-uninstall-untarvo-1765000000-4294967295.log");
}

TEST(RunLogDirectory, FirstInstallDirFollowedByAValueElseTemp) {
    const std::string temp_logs = "C:\\Users\\tester\\AppData\\Local\\Temp\\tarvo2026-uninstall-logs";
    struct Case {
        std::vector<PString> args;
        std::string dir;
    };
    const std::vector<Case> cases = {
        {{u"--install-dir", u"C:\\Tarvo"}, "C:\\Tarvo\\logs"},
        {{u"--mode", u"full", u"--install-dir", u"C:\\Tarvo\\"}, "C:\\Tarvo\\logs"},
        {{}, temp_logs},
        {{u"--mode", u"full"}, temp_logs},
        // As the last argument it has no value: the temp folder is used.
        {{u"--mode", u"full", u"--install-dir"}, temp_logs},
        // The first one counts here (the option parser keeps the last).
        {{u"--install-dir", u"A", u"--install-dir", u"B"}, "A\\logs"},
        // Whatever follows is the value, and a relative one stays relative.
        {{u"--install-dir", u"--mode"}, "--mode\\logs"},
        {{u"--install-dir", u"Tarvo"}, "Tarvo\\logs"},
        // Only the exact name is recognised.
        {{u"--install-dir=C:\\Tarvo"}, temp_logs},
        {{u"--Install-Dir", u"C:\\Tarvo"}, temp_logs},
        // The scan looks at every element, not at option pairs: "--install-dir" here is the
        // value of "--app-folder" and still names the folder.
        {{u"--app-folder", u"--install-dir", u"C:\\Tarvo"}, "C:\\Tarvo\\logs"},
    };
    for (const auto& c : cases) {
        FakePlatform os;
        SCOPED_TRACE(c.dir);
        EXPECT_EQ(to_utf8(log_directory(os, c.args)), c.dir);
    }
    // The value is used unchanged, even when it is not well-formed UTF-16.
    FakePlatform os;
    EXPECT_EQ(log_directory(os, {u"--install-dir", u"C:\\T\xD800"}), u"C:\\T\xD800\\logs");
}

TEST(RunLogDirectory, UnknownTempFolderGivesARelativeFolder) {
    FakePlatform os;
    os.fault = [](fake::Op op, PStringView) -> std::optional<std::uint32_t> {
        if (op == fake::Op::temp_dir) return win32_error::access_denied;
        return std::nullopt;
    };
    EXPECT_EQ(log_directory(os, {}), u"tarvo2026-uninstall-logs");
}

TEST(RunLogWriters, LinesAreUtf8WithSingleLineFeeds) {
    FakePlatform os;
    const PString log = u"C:\\Tarvo\\logs\\run.log";
    append_log_line(os, log, "first");
    append_log_line(os, log, "removed dir: C:\\Tarvo\\\xC5\xBD\xEF\xBF\xBD");
    append_log_line_no_mkdir(os, log, "");
    append_log_line_no_mkdir(os, log, "last");
    EXPECT_EQ(os.content(log), "first\nremoved dir: C:\\Tarvo\\\xC5\xBD\xEF\xBF\xBD\n\nlast\n");
}

TEST(RunLogWriters, IllFormedTextIsWrittenWithReplacementCharacters) {
    FakePlatform os;
    const PString log = u"C:\\logs\\run.log";
    append_log_line(os, log, "bad \xFF byte, cut \xE2\x82");
    EXPECT_EQ(os.content(log), "bad \xEF\xBF\xBD byte, cut \xEF\xBF\xBD\n");
}

// No value can end its line or forge the next one: every control character and every
// character a reader may take for a line break is written as U+FFFD.
TEST(RunLogWriters, EachEventStaysOneLine) {
    const std::string r = "\xEF\xBF\xBD";
    const std::pair<std::string, std::string> cases[] = {
        {"--product-name x\ntarvo-untarvo completed", "--product-name x" + r + "tarvo-untarvo completed"},
        {"a\r\nb", "a" + r + r + "b"},
        {std::string("nul\0tab\tesc\x1B del\x7F", 17), "nul" + r + "tab" + r + "esc" + r + " del" + r},
        {"nel\xC2\x85 ls\xE2\x80\xA8 ps\xE2\x80\xA9", "nel" + r + " ls" + r + " ps" + r},
        {"kept: \xC2\xA0 \xE2\x80\xA7 \xC5\xBD", "kept: \xC2\xA0 \xE2\x80\xA7 \xC5\xBD"},
    };
    for (const auto& [text, written] : cases) {
        FakePlatform os;
        append_log_line(os, u"C:\\logs\\run.log", text);
        EXPECT_EQ(os.content(u"C:\\logs\\run.log"), written + "\n");
    }
}

TEST(RunLogWriters, OnlyTheCreatingWriterMakesFolders) {
    FakePlatform os;
    append_log_line_no_mkdir(os, u"C:\\Tarvo\\logs\\a.log", "lost");
    EXPECT_FALSE(os.exists(u"C:\\Tarvo"));

    append_log_line(os, u"C:\\Tarvo\\logs\\a.log", "kept");
    EXPECT_EQ(os.lines(u"C:\\Tarvo\\logs\\a.log"), Lines{"kept"});

    // A folder that vanished during the run is recreated only by the creating writer.
    ASSERT_TRUE(os.delete_file(u"C:\\Tarvo\\logs\\a.log"));
    ASSERT_TRUE(os.remove_directory(u"C:\\Tarvo\\logs"));
    append_log_line_no_mkdir(os, u"C:\\Tarvo\\logs\\a.log", "lost");
    EXPECT_FALSE(os.exists(u"C:\\Tarvo\\logs"));
    append_log_line(os, u"C:\\Tarvo\\logs\\a.log", "again");
    EXPECT_EQ(os.lines(u"C:\\Tarvo\\logs\\a.log"), Lines{"again"});
}

TEST(RunLogWriters, StartTruncatesAndCreatesFolders) {
    FakePlatform os;
    start_log_file(os, u"C:\\Tarvo\\logs\\p.log");
    EXPECT_TRUE(os.exists(u"C:\\Tarvo\\logs\\p.log"));
    EXPECT_EQ(os.content(u"C:\\Tarvo\\logs\\p.log"), "");

    os.add_file(u"C:\\Tarvo\\logs\\old.log", "from an earlier run\n");
    start_log_file(os, u"C:\\Tarvo\\logs\\old.log");
    EXPECT_EQ(os.content(u"C:\\Tarvo\\logs\\old.log"), "");
}

TEST(RunLogWriters, FailuresAreIgnored) {
    FakePlatform os;
    // A read-only log: nothing is written, nothing is reported.
    os.add_file(u"C:\\logs\\ro.log", "kept\n", true);
    start_log_file(os, u"C:\\logs\\ro.log");
    append_log_line(os, u"C:\\logs\\ro.log", "x");
    append_log_line_no_mkdir(os, u"C:\\logs\\ro.log", "x");
    EXPECT_EQ(os.content(u"C:\\logs\\ro.log"), "kept\n");

    // A file where the folder should be.
    os.add_file(u"C:\\blocked", "");
    append_log_line(os, u"C:\\blocked\\logs\\a.log", "x");
    start_log_file(os, u"C:\\blocked\\logs\\a.log");
    EXPECT_FALSE(os.exists(u"C:\\blocked\\logs"));

    // Every file-system call failing.
    os.fault = [](fake::Op, PStringView) -> std::optional<std::uint32_t> { return win32_error::access_denied; };
    start_log_file(os, u"C:\\other\\a.log");
    append_log_line(os, u"C:\\other\\a.log", "x");
    os.fault = nullptr;
    EXPECT_FALSE(os.exists(u"C:\\other"));
}

TEST(RunLogWriters, RelativeLogPathFollowsTheCurrentDirectory) {
    FakePlatform os;
    os.add_dir(u"D:\\");
    os.cwd = u"C:\\";
    append_log_line(os, u"Tarvo\\logs\\r.log", "one");
    ASSERT_TRUE(os.set_current_dir(u"D:\\"));
    append_log_line_no_mkdir(os, u"Tarvo\\logs\\r.log", "lost");
    append_log_line(os, u"Tarvo\\logs\\r.log", "two");
    EXPECT_EQ(os.lines(u"C:\\Tarvo\\logs\\r.log"), Lines{"one"});
    EXPECT_EQ(os.lines(u"D:\\Tarvo\\logs\\r.log"), Lines{"two"});
}

}  // namespace
}  // namespace tu
