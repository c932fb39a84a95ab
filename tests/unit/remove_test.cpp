// The removal primitives on the in-memory Windows: the retry policy and its exact lines, the
// tree walk's handling of links, read-only entries and busy entries, and the cost of the
// walk in platform calls.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/run_log.h"
#include "platform/fake/fake_platform.h"
#include "platform/text.h"
#include "removal/remove.h"

namespace tu {
namespace {

using fake::FakePlatform;
using fake::Op;
using Lines = std::vector<std::string>;

constexpr char16_t app[] = u"C:\\Tarvo\\App";
const std::string busy = "The process cannot access the file because it is being used by another process. (os error 32)";

// One attempt on a path approved as it stands.
Attempt tree_once(Platform& os, PStringView path) { return remove_tree_once(os, *approve(os, path)); }
std::uint32_t code_of(const Attempt& attempt) { return attempt || !attempt.error().os ? 0 : attempt.error().os->code; }

std::string retry_line(const char* kind, int attempt, const std::string& path, int code, const std::string& text) {
    return std::string("retry ") + kind + " delete " + std::to_string(attempt) + "/30: " + path +
           " (os_error=Some(" + std::to_string(code) + "), " + text + ")";
}

struct RemovalTest : ::testing::Test {
    FakePlatform os;
    RunLog log{os, u"C:\\logs\\run.log", LogWriter::create_dirs};
    Lines lines() const { return os.lines(u"C:\\logs\\run.log"); }
    // A small application folder: files, a subfolder, a nested one.
    void add_app_tree() {
        os.add_file(u"C:\\Tarvo\\App\\app.exe", "exe");
        os.add_file(u"C:\\Tarvo\\App\\update.dll", "dll");
        os.add_file(u"C:\\Tarvo\\App\\lib\\a.dll");
        os.add_file(u"C:\\Tarvo\\App\\lib\\deep\\b.dat");
        os.add_dir(u"C:\\Tarvo\\App\\empty");
    }
};

TEST_F(RemovalTest, TwoSharingViolationsThenSuccess) {
    add_app_tree();
    os.hold_open(u"C:\\Tarvo\\App\\update.dll");
    os.on_sleep = [this] {
        if (os.sleeps.size() == 2) os.release(u"C:\\Tarvo\\App\\update.dll");
    };
    ASSERT_TRUE(remove_tree(os, app, log, Flavour::logged));
    EXPECT_EQ(lines(), (Lines{retry_line("dir", 1, "C:\\Tarvo\\App", 32, busy),
                              retry_line("dir", 2, "C:\\Tarvo\\App", 32, busy), "removed dir: C:\\Tarvo\\App"}));
    EXPECT_EQ(os.sleeps, (std::vector<std::uint32_t>{500, 500}));
    // Inside each failed attempt the busy entry was tried 50 times.
    EXPECT_EQ(os.yields, 2 * 49);
    EXPECT_FALSE(os.exists(app));
    EXPECT_TRUE(os.exists(u"C:\\Tarvo"));
    EXPECT_EQ(os.open_handles(), 0);
}

TEST_F(RemovalTest, PathVanishingDuringThePauseEndsTheRemoval) {
    for (const Flavour flavour : {Flavour::logged, Flavour::quiet}) {
        FakePlatform os;
        RunLog log{os, u"C:\\logs\\run.log", LogWriter::create_dirs};
        os.add_file(u"C:\\Tarvo\\App\\update.dll");
        os.hold_open(u"C:\\Tarvo\\App\\update.dll");
        // Another program finishes with the folder and deletes it meanwhile.
        os.on_sleep = [&os] {
            os.release(u"C:\\Tarvo\\App\\update.dll");
            ASSERT_TRUE(os.delete_file(u"C:\\Tarvo\\App\\update.dll"));
            ASSERT_TRUE(os.remove_directory(app));
        };
        ASSERT_TRUE(remove_tree(os, app, log, flavour));
        Lines expected{retry_line("dir", 1, "C:\\Tarvo\\App", 32, busy)};
        if (flavour == Flavour::logged) expected.push_back("dir already gone: C:\\Tarvo\\App");
        EXPECT_EQ(os.lines(u"C:\\logs\\run.log"), expected);
        EXPECT_EQ(os.sleeps.size(), 1u);
    }
}

TEST_F(RemovalTest, ThirtyFailuresEndWithTheErrorAndNoPauseAfterTheLast) {
    add_app_tree();
    os.hold_open(u"C:\\Tarvo\\App\\update.dll");
    const auto result = remove_tree(os, app, log, Flavour::quiet);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), "failed to remove dir C:\\Tarvo\\App after 30 attempts (os_error=Some(32)): " + busy);
    Lines expected;
    for (int attempt = 1; attempt <= 29; ++attempt)
        expected.push_back(retry_line("dir", attempt, "C:\\Tarvo\\App", 32, busy));
    EXPECT_EQ(lines(), expected);
    EXPECT_EQ(os.sleeps.size(), 29u);
    // What the first attempt deleted stays deleted; the busy file stays.
    EXPECT_EQ(os.tree(app), (Lines{"C:\\Tarvo\\App\\update.dll"}));
    EXPECT_EQ(os.open_handles(), 0);
}

// Absent at the presence test: skipped in both flavours, nothing opened. Present then, but
// gone by the time the removal opens it: success, said only in the logged flavour.
TEST(RemovalSkips, AbsentOrVanishedPathIsSuccess) {
    for (const bool vanishes : {false, true}) {
        for (const Flavour flavour : {Flavour::logged, Flavour::quiet}) {
            SCOPED_TRACE(std::string(vanishes ? "vanishes" : "absent") + (flavour == Flavour::logged ? ", logged" : ", quiet"));
            FakePlatform os;
            RunLog log{os, u"C:\\logs\\run.log", LogWriter::create_dirs};
            if (vanishes) os.add_file(u"C:\\Tarvo\\App\\app.exe");
            int opens = 0;
            os.fault = [&](Op op, PStringView) -> std::optional<std::uint32_t> {
                if (op != Op::open_no_follow) return std::nullopt;
                ++opens;
                return vanishes ? std::optional(win32_error::path_not_found) : std::nullopt;
            };
            ASSERT_TRUE(remove_tree(os, app, log, flavour));
            ASSERT_TRUE(remove_file(os, u"C:\\Tarvo\\App\\app.exe", log, flavour));
            const Lines skips{"skip missing dir: C:\\Tarvo\\App", "skip missing file: C:\\Tarvo\\App\\app.exe"};
            EXPECT_EQ(os.lines(u"C:\\logs\\run.log"), vanishes && flavour == Flavour::quiet ? Lines{} : skips);
            EXPECT_EQ(opens, vanishes ? 2 : 0);
            EXPECT_TRUE(os.sleeps.empty());
        }
    }
}

// The wrong kind of object, refused on every attempt and kept: a file given to the tree
// removal (267), and a folder given to the file removal (5, as DeleteFileW says). The folder
// is empty on purpose: deleting it through a handle would succeed, and must not happen.
TEST_F(RemovalTest, WrongKindIsRefusedOnEveryAttemptAndKept) {
    os.add_file(u"C:\\Tarvo\\App", "not a folder");
    os.add_dir(u"C:\\Tarvo\\Dir");
    const std::string invalid = "The directory name is invalid. (os error 267)";
    const auto tree = remove_tree(os, app, log, Flavour::logged);
    const auto file = remove_file(os, u"C:\\Tarvo\\Dir", log, Flavour::logged);
    ASSERT_FALSE(tree || file);
    EXPECT_EQ(tree.error(), "failed to remove dir C:\\Tarvo\\App after 30 attempts (os_error=Some(267)): " + invalid);
    EXPECT_EQ(file.error(),
              "failed to remove file C:\\Tarvo\\Dir after 30 attempts (os_error=Some(5)): Access is denied. (os error 5)");
    ASSERT_EQ(lines().size(), 58u);
    EXPECT_EQ(lines()[28], retry_line("dir", 29, "C:\\Tarvo\\App", 267, invalid));
    EXPECT_EQ(os.content(app), "not a folder");
    EXPECT_TRUE(os.exists(u"C:\\Tarvo\\Dir"));
    EXPECT_EQ(os.open_handles(), 0);
}

TEST_F(RemovalTest, LinkOrJunctionGivenToRemoveTreeIsRefusedAndItsTargetKept) {
    os.add_file(u"C:\\Outside\\keep.txt", "k");
    os.add_junction(u"C:\\Tarvo\\J", u"C:\\Outside");
    os.add_symlink(u"C:\\Tarvo\\L", u"C:\\Outside", true);
    for (const PStringView path : {PStringView(u"C:\\Tarvo\\J"), PStringView(u"C:\\Tarvo\\L")}) {
        EXPECT_EQ(code_of(tree_once(os, path)), win32_error::directory_expected);
    }
    EXPECT_EQ(os.content(u"C:\\Outside\\keep.txt"), "k");
    EXPECT_TRUE(os.exists(u"C:\\Tarvo\\J"));
    EXPECT_EQ(os.open_handles(), 0);
}

TEST_F(RemovalTest, ReadOnlyFileIsRemovedByTheSecondWay) {
    for (const bool extended : {true, false}) {
        FakePlatform os;
        RunLog log{os, u"C:\\logs\\run.log", LogWriter::create_dirs};
        os.extended_disposition_supported = extended;
        os.add_file(u"C:\\Tarvo\\Export\\12345.csv", "x", true);
        ASSERT_TRUE(remove_file(os, u"C:\\Tarvo\\Export\\12345.csv", log, Flavour::logged)) << extended;
        EXPECT_EQ(os.lines(u"C:\\logs\\run.log"), (Lines{"removed file: C:\\Tarvo\\Export\\12345.csv"}));
        EXPECT_FALSE(os.exists(u"C:\\Tarvo\\Export\\12345.csv"));
        EXPECT_TRUE(os.sleeps.empty());
        EXPECT_EQ(os.open_handles(), 0);
    }
}

TEST_F(RemovalTest, LinksAndJunctionsInsideATreeAreDeletedThemselves) {
    os.add_file(u"C:\\Outside\\keep.txt", "k");
    os.add_file(u"C:\\Outside\\sub\\deep.txt", "d");
    os.add_file(u"C:\\Other\\single.txt", "s");
    os.add_file(u"C:\\Tarvo\\App\\app.exe");
    os.add_junction(u"C:\\Tarvo\\App\\data\\junction", u"C:\\Outside");
    os.add_symlink(u"C:\\Tarvo\\App\\dirlink", u"C:\\Outside\\sub", true);
    os.add_symlink(u"C:\\Tarvo\\App\\filelink.txt", u"C:\\Other\\single.txt", false);
    const Lines outside = os.tree(u"C:\\Outside");
    const Lines other = os.tree(u"C:\\Other");

    ASSERT_TRUE(remove_tree(os, app, log, Flavour::logged));
    EXPECT_EQ(lines(), (Lines{"removed dir: C:\\Tarvo\\App"}));
    EXPECT_FALSE(os.exists(app));
    EXPECT_EQ(os.tree(u"C:\\Outside"), outside);
    EXPECT_EQ(os.tree(u"C:\\Other"), other);
    EXPECT_EQ(os.content(u"C:\\Outside\\sub\\deep.txt"), "d");
    EXPECT_EQ(os.open_handles(), 0);
}

// The walk's cost in platform calls: one open, one final name, one disposition and one close
// per entry, a listing per directory, the root's kind asked once, and a refused extended
// disposition paid once per call rather than once per entry.
TEST_F(RemovalTest, ReadOnlyEntriesInsideATreeCostNoExtraRoundTrips) {
    struct Case {
        bool extended;
        int dispositions;
        int clears;
    };
    // 8 entries (3 folders below the root, 4 files, the root), 2 of them read-only.
    for (const Case c : {Case{true, 8, 0}, Case{false, 9, 2}}) {
        FakePlatform os;
        std::map<Op, int> calls;
        os.extended_disposition_supported = c.extended;
        os.add_file(u"C:\\Tarvo\\App\\a.txt", "", true);
        os.add_file(u"C:\\Tarvo\\App\\b.txt");
        os.add_file(u"C:\\Tarvo\\App\\x\\c.txt", "", true);
        os.add_file(u"C:\\Tarvo\\App\\x\\y\\d.txt");
        os.add_dir(u"C:\\Tarvo\\App\\z");
        const ApprovedPath tree = *approve(os, app);
        os.fault = [&calls](Op op, PStringView) -> std::optional<std::uint32_t> {
            ++calls[op];
            return std::nullopt;
        };
        ASSERT_TRUE(remove_tree_once(os, tree)) << c.extended;
        const std::size_t kinds_of_call = calls.size();
        EXPECT_FALSE(os.exists(app));
        EXPECT_EQ(calls[Op::open_no_follow], 8);
        EXPECT_EQ(calls[Op::handle_path], 8);
        EXPECT_EQ(calls[Op::list_handle], 4);
        EXPECT_EQ(calls[Op::handle_info], 1);
        EXPECT_EQ(calls[Op::set_disposition], c.dispositions);
        EXPECT_EQ(calls[Op::clear_readonly], c.clears);
        EXPECT_EQ(kinds_of_call, c.extended ? 5u : 6u);  // nothing else is asked
        EXPECT_EQ(os.open_handles(), 0);
    }
}

TEST_F(RemovalTest, EntryVanishingDuringTheWalkIsNotTakenForTheWholeTree) {
    add_app_tree();
    // Another program deletes lib\a.dll between the listing and the open.
    os.fault = [this](Op op, PStringView path) -> std::optional<std::uint32_t> {
        if (op == Op::open_no_follow && to_utf8(path) == "C:\\Tarvo\\App\\lib\\a.dll") {
            EXPECT_TRUE(os.delete_file(path));
        }
        return std::nullopt;
    };
    ASSERT_TRUE(remove_tree(os, app, log, Flavour::logged));
    EXPECT_EQ(lines(), (Lines{"removed dir: C:\\Tarvo\\App"}));
    EXPECT_FALSE(os.exists(app));
}

TEST_F(RemovalTest, BriefFailuresInsideOneCallAreTriedFiftyTimes) {
    struct Case {
        const char* what;
        Op op;
        std::string path;
        std::uint32_t code;
        int failures;
        bool removed;
        int calls_of_op;
    };
    const std::vector<Case> cases = {
        {"entry in use, released in time", Op::open_no_follow, "C:\\Tarvo\\App\\lib\\a.dll", 32, 49, true, 50},
        {"entry in use for good", Op::open_no_follow, "C:\\Tarvo\\App\\lib\\a.dll", 32, 1000, false, 50},
        {"directory with pending children", Op::set_disposition, "C:\\Tarvo\\App\\lib", 145, 49, true, 50},
        {"directory with pending children for good", Op::set_disposition, "C:\\Tarvo\\App\\lib", 145, 1000, false, 50},
        {"145 from a file is no reason to wait", Op::set_disposition, "C:\\Tarvo\\App\\lib\\a.dll", 145, 1, false, 1},
        {"access denied is no reason to wait", Op::open_no_follow, "C:\\Tarvo\\App\\lib\\a.dll", 5, 1, false, 1},
    };
    for (const Case& c : cases) {
        FakePlatform os;
        os.add_file(u"C:\\Tarvo\\App\\lib\\a.dll");
        int seen = 0;
        os.fault = [&](Op op, PStringView path) -> std::optional<std::uint32_t> {
            if (op != c.op || to_utf8(path) != c.path) return std::nullopt;
            return ++seen <= c.failures ? std::optional(c.code) : std::nullopt;
        };
        const auto result = tree_once(os, app);
        EXPECT_EQ(result.has_value(), c.removed) << c.what;
        if (!result) {
            EXPECT_EQ(code_of(result), c.code) << c.what;
        }
        EXPECT_EQ(seen, c.calls_of_op) << c.what;
        EXPECT_EQ(os.exists(app), !c.removed) << c.what;
        EXPECT_EQ(os.open_handles(), 0) << c.what;
    }
}

// Where the file system follows a link it was asked not to follow (Wine, with links made on
// the Linux side), the handle leads elsewhere and nothing is deleted through it: the attempt
// fails naming the entry and where it leads, and what the link leads to stays. Elsewhere is
// also a place whose name begins like the approved one, or differs from it only in case.
TEST_F(RemovalTest, HandleThatLeadsElsewhereDeletesNothing) {
    struct Case {
        const char* what;
        std::function<void(FakePlatform&)> arrange;
        std::string refusal;
    };
    // The tree itself replaced by a link to `target`.
    const auto tree_a_link_to = [](const char16_t* target) {
        return [target](FakePlatform& os) {
            (void)os.delete_file(u"C:\\Tarvo\\App\\app.exe");
            (void)os.remove_directory(u"C:\\Tarvo\\App");
            os.add_symlink(u"C:\\Tarvo\\App", target, true);
        };
    };
    const std::vector<Case> cases = {
        {"file link inside the tree",
         [](FakePlatform& os) { os.add_symlink(u"C:\\Tarvo\\App\\data\\escape.txt", u"C:\\Outside\\keep.txt", false); },
         "refused to delete C:\\Tarvo\\App\\data\\escape.txt: it leads to C:\\Outside\\keep.txt"},
        {"folder link inside the tree",
         [](FakePlatform& os) { os.add_symlink(u"C:\\Tarvo\\App\\data\\out", u"C:\\Outside\\empty", true); },
         "refused to delete C:\\Tarvo\\App\\data\\out: it leads to C:\\Outside\\empty"},
        {"the tree itself a link", tree_a_link_to(u"C:\\Outside\\empty"),
         "refused to delete C:\\Tarvo\\App: it leads to C:\\Outside\\empty"},
        {"file link to a neighbour whose name begins with its own",
         [](FakePlatform& os) {
             os.add_file(u"C:\\Tarvo\\App\\data\\escape.txt.keep", "keep");
             os.add_symlink(u"C:\\Tarvo\\App\\data\\escape.txt", u"C:\\Tarvo\\App\\data\\escape.txt.keep", false);
         },
         "refused to delete C:\\Tarvo\\App\\data\\escape.txt: it leads to C:\\Tarvo\\App\\data\\escape.txt.keep"},
        {"the tree a link to a neighbour whose name begins with its own", tree_a_link_to(u"C:\\Tarvo\\App2"),
         "refused to delete C:\\Tarvo\\App: it leads to C:\\Tarvo\\App2"},
        {"the tree a link to a folder whose name differs only in case", tree_a_link_to(u"C:\\TARVO\\App"),
         "refused to delete C:\\Tarvo\\App: it leads to C:\\TARVO\\App"},
    };
    for (const Case& c : cases) {
        FakePlatform os;
        os.follows_final_links = true;
        os.extended_disposition_supported = false;
        os.case_sensitive = true;
        os.add_file(u"C:\\Tarvo\\App\\app.exe");
        os.add_file(u"C:\\Tarvo\\App2\\app.exe", "neighbour");
        os.add_file(u"C:\\TARVO\\App\\app.exe", "twin");
        os.add_file(u"C:\\Outside\\keep.txt", "keep");
        os.add_dir(u"C:\\Outside\\empty");
        c.arrange(os);
        const auto outside = os.snapshot({u"C:\\Outside", u"C:\\Tarvo\\App2", u"C:\\TARVO"});
        const auto result = remove_tree_once(os, *approve(os, app));
        ASSERT_FALSE(result) << c.what;
        EXPECT_FALSE(result.error().os) << c.what;
        EXPECT_EQ(result.error().refusal, c.refusal) << c.what;
        EXPECT_EQ(os.snapshot({u"C:\\Outside", u"C:\\Tarvo\\App2", u"C:\\TARVO"}), outside) << c.what;
        EXPECT_EQ(os.open_handles(), 0) << c.what;
    }
}

// A folder swapped for a link or junction after the checks approved the path: the folder
// itself (Wine follows the link) or one on the way (every system follows those).
TEST_F(RemovalTest, SwapAfterTheApprovalIsRefusedOnEveryAttempt) {
    struct Case {
        const char* what;
        bool wine;
        PString moved, link, target;
    };
    const Case cases[] = {
        {"application folder, Wine", true, u"C:\\Tarvo\\App", u"C:\\Tarvo\\App", u"C:\\Outside\\victim"},
        {"install directory, Windows", false, u"C:\\Tarvo", u"C:\\Tarvo", u"C:\\Outside"},
    };
    for (const Case& c : cases) {
        FakePlatform os;
        RunLog log{os, u"C:\\logs\\run.log", LogWriter::create_dirs};
        os.follows_final_links = c.wine;
        os.add_file(u"C:\\Tarvo\\App\\held.dll");
        os.add_file(u"C:\\Outside\\victim\\precious.db", "data");
        os.add_file(u"C:\\Outside\\App\\precious.db", "data");
        const ApprovedPath tree = *approve(os, app);
        os.hold_open(u"C:\\Tarvo\\App\\held.dll");
        os.on_sleep = [&] {
            if (os.sleeps.size() != 1) return;
            os.release(u"C:\\Tarvo\\App\\held.dll");
            ASSERT_TRUE(os.delete_file(u"C:\\Tarvo\\App\\held.dll"));
            ASSERT_TRUE(os.remove_directory(u"C:\\Tarvo\\App"));
            if (c.moved != app) {
                ASSERT_TRUE(os.remove_directory(c.moved));
            }
            if (c.wine) {
                os.add_symlink(c.link, c.target, true);
            } else {
                os.add_junction(c.link, c.target);
            }
        };
        const auto outside = os.snapshot({u"C:\\Outside"});
        const auto result = remove_tree(os, tree, log, Flavour::logged);
        ASSERT_FALSE(result) << c.what;
        EXPECT_TRUE(result.error().starts_with("failed to remove dir C:\\Tarvo\\App after 30 attempts (os_error=None): "
                                               "refused to delete C:\\Tarvo\\App: it leads to C:\\Outside\\"))
            << result.error();
        EXPECT_EQ(os.snapshot({u"C:\\Outside"}), outside) << c.what;
    }
}

// Another program holds a file open with delete sharing: its deletion is accepted, yet it
// stays until the program lets go, and its folder is not empty meanwhile. Nothing is reported
// removed while it stands. With POSIX semantics (Windows 10 and later) the name goes at once.
TEST_F(RemovalTest, EntryKeptAliveByItsHolderIsNotReportedRemoved) {
    struct Case {
        const char* what;
        bool wine, extended;
        PString target;  // the tree, or the file itself
        Lines lines;
    };
    const PString held = u"C:\\Tarvo\\App\\data\\open.db";
    const std::string still = "still there after its deletion (another program holds it, or something in it, open)";
    const std::string not_empty = "The directory is not empty. (os error 145)";
    const std::string denied = "Access is denied. (os error 5)";
    const Case cases[] = {
        {"Wine", true, false, app,
         {retry_line("dir", 1, "C:\\Tarvo\\App", 145, not_empty), retry_line("dir", 2, "C:\\Tarvo\\App", 145, not_empty),
          "removed dir: C:\\Tarvo\\App"}},
        {"Wine, the file itself", true, false, held,
         {"retry file delete 1/30: C:\\Tarvo\\App\\data\\open.db (os_error=None, " + still + ")",
          "retry file delete 2/30: C:\\Tarvo\\App\\data\\open.db (os_error=None, " + still + ")",
          "file already gone: C:\\Tarvo\\App\\data\\open.db"}},
        {"classic disposition", false, false, app,
         {retry_line("dir", 1, "C:\\Tarvo\\App", 145, not_empty), retry_line("dir", 2, "C:\\Tarvo\\App", 5, denied),
          "removed dir: C:\\Tarvo\\App"}},
        {"POSIX semantics", false, true, app, {"removed dir: C:\\Tarvo\\App"}},
    };
    for (const Case& c : cases) {
        FakePlatform os;
        RunLog log{os, u"C:\\logs\\run.log", LogWriter::create_dirs};
        os.follows_final_links = c.wine;
        os.extended_disposition_supported = c.extended;
        os.add_file(held);
        os.hold_open(held, true);
        os.on_sleep = [&] {
            if (os.sleeps.size() == 2) os.release(held);
        };
        const auto removed = c.target == app ? remove_tree(os, app, log, Flavour::logged)
                                             : remove_file(os, c.target, log, Flavour::logged);
        ASSERT_TRUE(removed) << c.what;
        EXPECT_EQ(os.lines(u"C:\\logs\\run.log"), c.lines) << c.what;
        EXPECT_FALSE(os.exists(c.target)) << c.what;
    }
}

// A chain of folders far deeper than a path should be is removed whole, the files beside
// each folder too, where it stands: nothing is moved. A link at the bottom is still refused,
// named where it stands.
TEST_F(RemovalTest, DeepChainIsRemovedWhereItStands) {
    for (const bool link_at_bottom : {false, true}) {
        FakePlatform os;
        os.follows_final_links = link_at_bottom;
        PString deepest = app;
        for (int level = 0; level < 60; ++level) {
            deepest += u"\\level-" + to_utf16(std::to_string(1000 + level));
            os.add_file(deepest + u"\\sibling.txt");  // walked after the folder beside it
        }
        if (link_at_bottom) os.add_symlink(deepest + u"\\escape.txt", u"C:\\Outside\\keep.txt", false);
        os.add_file(u"C:\\Outside\\keep.txt", "keep");
        const auto result = remove_tree_once(os, *approve(os, app));
        EXPECT_EQ(os.content(u"C:\\Outside\\keep.txt"), "keep");
        EXPECT_EQ(os.open_handles(), 0);
        if (!link_at_bottom) {
            EXPECT_TRUE(result);
            EXPECT_FALSE(os.exists(app));
            continue;
        }
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().refusal,
                  "refused to delete " + to_utf8(deepest) + "\\escape.txt: it leads to C:\\Outside\\keep.txt");
    }
}

TEST(RemoveEmptyDir, EveryOutcomeInBothFlavours) {
    enum class Setup { empty, absent, holds_file, vanishes, denied };
    struct Case {
        const char* what;
        Setup setup;
        Flavour flavour;
        bool presence_test;
        Lines lines;
        std::string error;  // empty: success
    };
    const std::string dir = "C:\\ProgramData\\Menu\\Tarvo";
    const std::vector<Case> cases = {
        {"empty, logged", Setup::empty, Flavour::logged, false, {"removed empty dir: " + dir}, ""},
        {"empty, quiet", Setup::empty, Flavour::quiet, true, {"removed empty dir: " + dir}, ""},
        {"absent, logged", Setup::absent, Flavour::logged, false, {"skip missing empty dir: " + dir}, ""},
        {"absent, quiet with presence test", Setup::absent, Flavour::quiet, true, {}, ""},
        {"absent, quiet without presence test", Setup::absent, Flavour::quiet, false, {}, ""},
        {"holds a file, logged", Setup::holds_file, Flavour::logged, false, {}, ""},
        {"holds a file, quiet", Setup::holds_file, Flavour::quiet, false, {}, ""},
        {"vanishes before removal, logged", Setup::vanishes, Flavour::logged, false, {"skip missing empty dir: " + dir}, ""},
        {"vanishes before removal, quiet", Setup::vanishes, Flavour::quiet, true, {}, ""},
        {"denied, logged", Setup::denied, Flavour::logged, false, {},
         "failed to remove empty dir " + dir + ": Access is denied. (os error 5)"},
        {"denied, quiet", Setup::denied, Flavour::quiet, false, {},
         "failed to remove empty dir " + dir + ": Access is denied. (os error 5)"},
    };
    for (const Case& c : cases) {
        FakePlatform os;
        os.add_dir(u"C:\\logs");
        RunLog log{os, u"C:\\logs\\run.log", LogWriter::no_mkdir};
        const PString path = to_utf16(dir);
        int presence_tests = 0;
        if (c.setup != Setup::absent) os.add_dir(path);
        if (c.setup == Setup::holds_file) os.add_file(path + u"\\Tarvo.lnk");
        os.fault = [&](Op op, PStringView p) -> std::optional<std::uint32_t> {
            if (op == Op::file_info && p == path) ++presence_tests;
            if (op == Op::open_no_follow && c.setup == Setup::vanishes) return win32_error::path_not_found;
            if (op == Op::set_disposition && c.setup == Setup::denied) return win32_error::access_denied;
            return std::nullopt;
        };
        const auto result = remove_empty_dir(os, path, log, c.flavour, c.presence_test);
        EXPECT_EQ(result ? std::string() : result.error(), c.error) << c.what;
        EXPECT_EQ(os.lines(u"C:\\logs\\run.log"), c.lines) << c.what;
        EXPECT_EQ(presence_tests, c.flavour == Flavour::logged || c.presence_test ? 1 : 0) << c.what;
        EXPECT_EQ(os.exists(path), c.setup == Setup::holds_file || c.setup == Setup::denied ||
                                       c.setup == Setup::vanishes) << c.what;
    }
}

}  // namespace
}  // namespace tu
