// The removal primitives on real files in the Wine prefix: read-only entries (Wine refuses
// the extended disposition, so the classic one after clearing the attribute is what runs),
// entries held open by another process, long paths, and the lines written to a real log.
#include <chrono>
#include <thread>

#include "platform/text.h"
#include "platform/win32/win32_platform.h"
#include "removal/remove.h"
#include "run_log_file.h"
#include "win32_test_support.h"

namespace tu::win32::test {
namespace {

Platform& os() { return platform(); }

// Releases a holder from another thread after a while, so that the removal under test meets
// the sharing violation first and succeeds on a later attempt.
class DelayedRelease {
public:
    DelayedRelease(Holder& holder, std::chrono::milliseconds after)
        : thread_([&holder, after, this] {
              std::this_thread::sleep_for(after);
              status_ = holder.release();
          }) {}
    ~DelayedRelease() {
        if (thread_.joinable()) thread_.join();
    }
    DWORD wait() {
        thread_.join();
        return status_;
    }

private:
    DWORD status_ = ~0u;
    std::thread thread_;
};

// "retry dir delete N/30: PATH (os_error=Some(32), MESSAGE (os error 32))": the message
// text is the platform's own and is not checked.
void expect_retry_lines(const Lines& lines, const std::string& shown) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string head = "retry dir delete " + std::to_string(i + 1) + "/30: " + shown + " (os_error=Some(32), ";
        EXPECT_TRUE(lines[i].starts_with(head)) << lines[i];
        EXPECT_TRUE(lines[i].ends_with(" (os error 32))")) << lines[i];
    }
}

TEST(Win32Removal, TreeWithReadOnlyFilesNestingAndLongPaths) {
    ScratchFolder scratch;
    RunLogFile log(scratch);
    const PString tree = scratch / u"Tarvo App";
    scratch.file(u"Tarvo App\\app.exe", "MZ", FILE_ATTRIBUTE_READONLY);
    scratch.file(u"Tarvo App\\readme.txt");
    scratch.file(u"Tarvo App\\data\\precincts\\001\\results.xml", "<r/>", FILE_ATTRIBUTE_READONLY);
    scratch.file(u"Tarvo App\\data\\precincts\\002\\results.xml", "<r/>",
                 FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    scratch.dir(u"Tarvo App\\data\\empty\\deeper");
    // Levels of 60 characters until the path is well beyond MAX_PATH, files on the way down.
    PString deep = u"Tarvo App\\long";
    int levels_beyond = 0;
    for (int level = 0; levels_beyond < 3; ++level) {
        deep += u"\\" + PString(60, static_cast<char16_t>(u'a' + level));
        scratch.file(deep + u"\\file.bin", "x", level % 2 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
        if ((scratch / deep).size() > 260) ++levels_beyond;
    }
    const PString deepest = scratch.file(deep + u"\\deepest.txt", "x", FILE_ATTRIBUTE_READONLY);
    ASSERT_GT(deepest.size(), 400u);
    ASSERT_TRUE(exists(deepest));
    const PString neighbour = scratch.file(u"Tarvo App.txt");

    const auto removed = remove_tree(os(), tree, log.log(), Flavour::logged);
    ASSERT_TRUE(removed.has_value()) << removed.error();
    EXPECT_FALSE(exists(tree));
    EXPECT_TRUE(exists(neighbour));
    EXPECT_EQ(log.lines(), (Lines{"removed dir: " + utf8(tree)}));
}

// Another process holds a folder of the tree open without delete sharing for about a
// second: the attempts fail with 32, are logged as retries, and a later one removes
// everything. A held file is the platform contract's, and the retry policy the fake's.
TEST(Win32Removal, FolderHeldByAnotherProcessIsRetriedUntilReleased) {
    ScratchFolder scratch;
    RunLogFile log(scratch);
    scratch.file(u"tree\\a.txt", "x", FILE_ATTRIBUTE_READONLY);
    scratch.file(u"tree\\sub\\b.txt");
    const PString tree = scratch / u"tree";

    Holder holder(scratch / u"tree\\sub");
    ASSERT_TRUE(holder.holding());
    DelayedRelease release(holder, std::chrono::milliseconds(1200));
    const auto removed = remove_tree(os(), tree, log.log(), Flavour::logged);
    EXPECT_EQ(release.wait(), 0u);

    ASSERT_TRUE(removed.has_value()) << removed.error();
    EXPECT_FALSE(exists(tree));
    Lines lines = log.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back(), "removed dir: " + utf8(tree));
    lines.pop_back();
    EXPECT_LT(lines.size(), 30u);
    expect_retry_lines(lines, utf8(tree));
}

}  // namespace
}  // namespace tu::win32::test
