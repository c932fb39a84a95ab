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

// Every line goes to the file through the one handle the log opened.
TEST(RunLogWriters, LinesAreUtf8WithSingleLineFeeds) {
    FakePlatform os;
    const PString path = u"C:\\Tarvo\\logs\\run.log";
    const RunLog log(os, path, LogWriter::create_dirs);
    log.line("first");
    log.line("removed dir: C:\\Tarvo\\\xC5\xBD\xEF\xBF\xBD");
    log.line("");
    log.line("bad \xFF byte, cut \xE2\x82");
    EXPECT_EQ(os.content(path), "first\nremoved dir: C:\\Tarvo\\\xC5\xBD\xEF\xBF\xBD\n\nbad \xEF\xBF\xBD byte, cut \xEF\xBF\xBD\n");
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
        RunLog(os, u"C:\\logs\\run.log", LogWriter::create_dirs).line(text);
        EXPECT_EQ(os.content(u"C:\\logs\\run.log"), written + "\n");
    }
}

// The creating writer makes the folder and starts the file empty; the other leaves folders
// alone and adds to what is there (two data-entry runs of the same millisecond share a log).
TEST(RunLogWriters, TheCreatingWriterMakesTheFolderAndStartsEmpty) {
    FakePlatform os;
    RunLog(os, u"C:\\Tarvo\\logs\\a.log", LogWriter::no_mkdir).line("lost");
    EXPECT_FALSE(os.exists(u"C:\\Tarvo"));
    RunLog(os, u"C:\\Tarvo\\logs\\a.log", LogWriter::create_dirs).line("kept");
    EXPECT_EQ(os.lines(u"C:\\Tarvo\\logs\\a.log"), Lines{"kept"});

    os.add_file(u"C:\\Tarvo\\logs\\old.log", "from an earlier run\n");
    RunLog(os, u"C:\\Tarvo\\logs\\old.log", LogWriter::no_mkdir).line("added");
    EXPECT_EQ(os.lines(u"C:\\Tarvo\\logs\\old.log"), (Lines{"from an earlier run", "added"}));
    RunLog(os, u"C:\\Tarvo\\logs\\old.log", LogWriter::create_dirs).line("anew");
    EXPECT_EQ(os.lines(u"C:\\Tarvo\\logs\\old.log"), Lines{"anew"});

    // Two logs open on one file at once: each line lands at the end.
    const RunLog first(os, u"C:\\Tarvo\\logs\\same.log", LogWriter::no_mkdir);
    const RunLog second(os, u"C:\\Tarvo\\logs\\same.log", LogWriter::no_mkdir);
    first.line("1");
    second.line("2");
    first.line("3");
    EXPECT_EQ(os.lines(u"C:\\Tarvo\\logs\\same.log"), (Lines{"1", "2", "3"}));
}

TEST(RunLogWriters, FailuresAreIgnored) {
    FakePlatform os;
    // A read-only log: nothing is written, nothing is reported.
    os.add_file(u"C:\\logs\\ro.log", "kept\n", true);
    for (const LogWriter writer : {LogWriter::create_dirs, LogWriter::no_mkdir})
        RunLog(os, u"C:\\logs\\ro.log", writer).line("x");
    EXPECT_EQ(os.content(u"C:\\logs\\ro.log"), "kept\n");

    // A file where the folder should be.
    os.add_file(u"C:\\blocked", "");
    RunLog(os, u"C:\\blocked\\logs\\a.log", LogWriter::create_dirs).line("x");
    EXPECT_FALSE(os.exists(u"C:\\blocked\\logs"));

    // Every file-system call failing, and each step of opening and writing failing alone.
    os.fault = [](fake::Op, PStringView) -> std::optional<std::uint32_t> { return win32_error::access_denied; };
    RunLog(os, u"C:\\other\\a.log", LogWriter::create_dirs).line("x");
    EXPECT_FALSE(os.exists(u"C:\\other"));
    for (const fake::Op failing : {fake::Op::open_no_follow, fake::Op::handle_info, fake::Op::handle_path,
                                   fake::Op::open_for_writing, fake::Op::handle_links, fake::Op::truncate, fake::Op::append}) {
        SCOPED_TRACE(fake::name_of(failing));
        os.fault = [failing](fake::Op op, PStringView) -> std::optional<std::uint32_t> {
            return op == failing ? std::optional<std::uint32_t>(win32_error::access_denied) : std::nullopt;
        };
        os.add_file(u"C:\\logs\\step.log", "before\n");
        RunLog(os, u"C:\\logs\\step.log", LogWriter::create_dirs).line("x");
        os.fault = nullptr;
        const std::string content = os.content(u"C:\\logs\\step.log");
        EXPECT_TRUE(content == "before\n" || (failing == fake::Op::append && content.empty())) << content;
    }
}

// A relative log path is taken where the current directory was when the log was opened:
// later lines go to the same file wherever the run moves.
TEST(RunLogWriters, RelativeLogPathIsFixedWhenOpened) {
    FakePlatform os;
    os.add_dir(u"D:\\");
    os.cwd = u"C:\\";
    const RunLog log(os, u"Tarvo\\logs\\r.log", LogWriter::create_dirs);
    log.line("one");
    ASSERT_TRUE(os.set_current_dir(u"D:\\"));
    log.line("two");
    EXPECT_EQ(os.lines(u"C:\\Tarvo\\logs\\r.log"), (Lines{"one", "two"}));
    EXPECT_FALSE(os.exists(u"D:\\Tarvo"));
}

// The file is never opened by its name again: its name replaced during the run by a link to
// somewhere else receives nothing.
TEST(RunLogWriters, WhatIsSwappedInDuringTheRunGetsNothing) {
    for (const bool wine : {false, true}) {
        SCOPED_TRACE(wine ? "Wine" : "Windows");
        FakePlatform os;
        os.follows_final_links = wine;
        os.add_file(u"C:\\Outside\\keep.log", "sentinel");
        const RunLog log(os, u"C:\\Tarvo\\logs\\run.log", LogWriter::create_dirs);
        log.line("before");
        ASSERT_TRUE(os.delete_file(u"C:\\Tarvo\\logs\\run.log"));
        os.add_symlink(u"C:\\Tarvo\\logs\\run.log", u"C:\\Outside\\keep.log", false);
        log.line("after the file went");
        EXPECT_EQ(os.content(u"C:\\Outside\\keep.log"), "sentinel");
    }
}

}  // namespace
}  // namespace tu
