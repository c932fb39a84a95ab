#include "safety/paths.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "platform/text.h"

namespace tu {
namespace {

// C:\Tarvo\LCkapta exists, with a junction inside it that leads out to C:\Elsewhere.
struct PathsTest : ::testing::Test {
    fake::FakePlatform os;
    PathsTest() {
        os.add_dir(u"C:\\Tarvo\\LCkapta");
        os.add_dir(u"C:\\Elsewhere");
        os.add_file(u"C:\\Elsewhere\\data.txt", "x");
        os.add_junction(u"C:\\Tarvo\\LCkapta\\link", u"C:\\Elsewhere");
        os.cwd = u"C:\\Tarvo";
        os.messages[5] = "Access is denied.";
    }
};

struct PathPair {
    const char16_t* a;
    const char16_t* b;
    bool expected;
};

TEST_F(PathsTest, SamePathIgnoresSpellingButNotPlace) {
    const PathPair cases[] = {
        {u"C:\\Tarvo\\", u"c:/tarvo", true},
        {u"C:\\Tarvo\\\\\\", u"C:\\Tarvo", true},
        {u"LCkapta", u"C:\\Tarvo\\LCkapta", true},          // relative to the working directory
        {u"\\\\?\\C:\\Tarvo\\x", u"C:\\Tarvo\\x", true},     // missing: compared lexically
        {u"C:\\Tarvo\\x", u"c:\\TARVO\\X\\", true},
        {u"\\\\?\\UNC\\srv\\share", u"\\\\srv\\share", true},
        {u"//?/UNC/srv/share/d", u"\\\\srv\\share\\d", true},
        {u"C:\\Tarvo2", u"C:\\Tarvo", false},
        {u"C:\\Missing\\\u010C", u"C:\\Missing\\\u010D", false},  // only A-Z are folded
        {u"C:\\Tarvo\\missing\\..\\x", u"C:\\Tarvo\\x", true},    // '..' folded as Windows would open it
        {u"C:\\Tarvo\\LCkapta\\link", u"C:\\Elsewhere", true},    // the junction's final name
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(to_utf8(c.a) + " vs " + to_utf8(c.b));
        const auto same = same_path(os, c.a, c.b);
        ASSERT_TRUE(same.has_value()) << same.error();
        EXPECT_EQ(*same, c.expected);
    }
}

TEST_F(PathsTest, IsWithinDemandsTheSeparator) {
    const PathPair cases[] = {
        {u"C:\\Tarvo", u"C:\\Tarvo\\LCkapta", true},
        {u"C:\\Tarvo", u"c:/TARVO/", true},                       // a directory lies inside itself
        {u"C:\\Tarvo\\\\", u"C:\\Tarvo\\missing\\file", true},
        {u"C:\\", u"C:\\Tarvo", true},
        {u"C:\\Tarvo", u"C:\\Tarvo2", false},
        {u"C:\\Tarvo", u"C:\\Tarvo2\\LCkapta", false},
        {u"C:\\Tarvo", u"C:\\Tarvo\\..", false},                  // opens as the drive root
        {u"C:\\Tarvo", u"C:\\Tarvo\\missing\\..\\x", true},       // unopenable: lexical
        // An unopenable path is judged by the place Windows would open: C:\x is outside
        // C:\Tarvo whatever its spelling begins with.
        {u"C:\\Tarvo", u"C:\\Tarvo\\..\\x", false},
        {u"C:\\Tarvo", u"C:\\Tarvo\\missing\\..\\..\\Windows", false},
        {u"C:\\Tarvo", u"\\\\?\\C:\\Tarvo\\.\\..\\x", false},
        {u"C:\\Tarvo", u"C:/Other/../Tarvo/x", true},
        {u"\\\\srv\\share\\d", u"\\\\srv\\share\\..\\..\\d\\x", true},  // never above the share
        {u"C:\\Tarvo", u"C:\\Tarvo\\LCkapta\\link", false},       // junction leads outside
        {u"C:\\Tarvo", u"C:\\Tarvo\\LCkapta\\link\\data.txt", false},
        {u"C:\\Tarvo", u"C:\\", false},
        {u"\\\\srv\\share", u"\\\\?\\UNC\\srv\\share\\d", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(to_utf8(c.a) + " contains " + to_utf8(c.b));
        const auto inside = is_within(os, c.a, c.b);
        ASSERT_TRUE(inside.has_value()) << inside.error();
        EXPECT_EQ(*inside, c.expected);
    }
}

TEST_F(PathsTest, NormalisedFormIsTheFinalNameWithoutPrefixOrTrailingSeparator) {
    EXPECT_EQ(normalize_for_compare(os, u"c:/tarvo/lckapta/").value(), "c:\\tarvo\\lckapta");
    EXPECT_EQ(normalize_for_compare(os, u"C:\\Tarvo\\LCkapta\\link").value(), "c:\\elsewhere");
    EXPECT_EQ(normalize_for_compare(os, u"C:\\Missing\\\u00C9\\").value(), "c:\\missing\\\xC3\x89");
    EXPECT_EQ(normalize_for_compare(os, u"\\\\?\\UNC\\srv\\share\\").value(), "\\\\srv\\share");
}

TEST_F(PathsTest, EnsureWithinShowsTheCandidateAsPassed) {
    EXPECT_TRUE(ensure_within(os, u"C:\\Tarvo", u"C:\\TARVO").has_value());
    EXPECT_EQ(ensure_within(os, u"C:\\Tarvo", u"c:/TARVO2/App").error(),
              "unsafe path outside expected directory: c:/TARVO2/App");
    EXPECT_EQ(ensure_within(os, u"C:\\Tarvo", u"C:\\Tarvo\\LCkapta\\link").error(),
              "unsafe path outside expected directory: C:\\Tarvo\\LCkapta\\link");
    const PString ill_formed = u"C:\\Other\\a\xD800z";
    EXPECT_EQ(ensure_within(os, u"C:\\Tarvo", ill_formed).error(),
              "unsafe path outside expected directory: C:\\Other\\a\xEF\xBF\xBDz");
}

// The place a deletion may act: the folder as resolved at the approval and the entry's own
// name as that folder spells it, so that a link in the entry's place does not carry the
// approval along, and another letter case or an 8.3 alias names the entry on disk.
TEST_F(PathsTest, ApprovalIsTheResolvedFolderAndTheNameAsItsFolderSpellsIt) {
    os.add_junction(u"C:\\Tarvo\\Via", u"C:\\Tarvo\\LCkapta");
    os.add_symlink(u"C:\\Tarvo\\Alias", u"C:\\Tarvo\\LCkapta", true);
    os.add_file(u"C:\\Tarvo\\LCkapta\\App.exe");
    os.add_dir(u"C:\\Tarvo\\Tarvo 2026");
    os.set_short_name(u"C:\\Tarvo\\Tarvo 2026", u"TARVO~1");
    const struct {
        const char16_t* path;
        const char* location;
        bool proven;
    } cases[] = {
        {u"c:/tarvo/x/../lckapta/", "C:\\Tarvo\\LCkapta", true},
        {u"C:\\Tarvo\\Via\\app.EXE", "C:\\Tarvo\\LCkapta\\App.exe", true},
        {u"C:\\Tarvo\\Alias", "C:\\Tarvo\\Alias", true},  // the link itself, not where it leads
        {u"C:\\Tarvo\\LCkapta. ", "C:\\Tarvo\\LCkapta", true},
        {u"C:\\Tarvo\\tarvo~1", "C:\\Tarvo\\Tarvo 2026", true},
        {u"C:\\Tarvo\\Via\\missing", "C:\\Tarvo\\LCkapta\\missing", false},
        {u"C:\\", "C:", true},
    };
    for (const auto& c : cases) {
        const Place place = approve(os, c.path).value().location;
        EXPECT_EQ(place.name, c.location) << to_utf8(c.path);
        EXPECT_EQ(place.proven == place.name.size(), c.proven) << to_utf8(c.path);
    }
    const ApprovedPath entry = approve_entry(os, u"C:\\Tarvo\\Via", u"CON.12345").value();
    EXPECT_EQ(entry.path, u"\\\\?\\C:\\Tarvo\\LCkapta\\CON.12345");
    EXPECT_EQ(entry.shown, u"C:\\Tarvo\\Via\\CON.12345");
    EXPECT_EQ(entry.location.name, "C:\\Tarvo\\LCkapta\\CON.12345");
    // A link that leads inside from a folder outside: where it leads is inside, where its
    // deletion would act is not.
    os.add_symlink(u"C:\\Elsewhere\\in", u"C:\\Tarvo\\LCkapta", true);
    EXPECT_EQ(ensure_within(os, u"C:\\Tarvo", u"C:\\Elsewhere\\in").error(),
              "unsafe path outside expected directory: C:\\Elsewhere\\in");
}

// Where letter case tells names apart, C:\TARVO beside C:\Tarvo is another folder: no
// comparison takes the one for the other, whether a path names the twin, leads there through
// a link, or names something missing inside it. Spellings of one object still agree.
TEST(PathsCaseSensitive, FoldersDifferingOnlyInCaseAreDifferentPlaces) {
    fake::FakePlatform os;
    os.case_sensitive = true;
    os.add_file(u"C:\\Tarvo\\App\\app.exe", "real");
    os.add_file(u"C:\\TARVO\\App\\app.exe", "twin");
    os.add_file(u"C:\\TARVO\\App\\Export\\a.12345", "twin");
    os.add_symlink(u"C:\\Tarvo\\App\\Export", u"C:\\TARVO\\App\\Export", true);
    os.add_symlink(u"C:\\Tarvo\\App\\twin.exe", u"C:\\TARVO\\App\\app.exe", false);
    enum class Test { same, within, ensure };
    const struct {
        Test test;
        const char16_t* a;
        const char16_t* b;
        bool expected;
    } cases[] = {
        {Test::same, u"C:\\Tarvo\\App\\app.exe", u"C:\\TARVO\\App\\app.exe", false},
        {Test::same, u"C:\\Tarvo\\App\\app.exe", u"C:\\Tarvo\\App\\twin.exe", false},
        {Test::same, u"C:\\Tarvo\\App\\missing", u"C:\\TARVO\\App\\missing", false},
        {Test::same, u"C:\\Tarvo\\App\\app.exe", u"c:/Tarvo/app/APP.EXE", true},
        {Test::same, u"C:\\Tarvo\\missing", u"C:\\Tarvo\\MISSING", true},  // nothing there to tell
        {Test::within, u"C:\\Tarvo", u"C:\\TARVO\\App", false},
        {Test::within, u"C:\\Tarvo", u"C:\\TARVO\\missing\\x", false},
        {Test::within, u"C:\\Tarvo\\App", u"C:\\Tarvo\\App\\Export", false},
        {Test::within, u"C:\\Tarvo", u"C:\\Tarvo\\app\\missing", true},
        {Test::ensure, u"C:\\Tarvo\\App", u"C:\\Tarvo\\App\\Export\\a.12345", false},
        {Test::ensure, u"C:\\Tarvo", u"C:\\TARVO\\App", false},
        {Test::ensure, u"C:\\Tarvo", u"C:\\Tarvo\\App", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(to_utf8(c.a) + " / " + to_utf8(c.b));
        switch (c.test) {
        case Test::same: EXPECT_EQ(same_path(os, c.a, c.b).value(), c.expected); break;
        case Test::within: EXPECT_EQ(is_within(os, c.a, c.b).value(), c.expected); break;
        case Test::ensure: EXPECT_EQ(ensure_within(os, c.a, c.b).has_value(), c.expected); break;
        }
    }
}

TEST_F(PathsTest, UnreadableWorkingDirectoryFailsOnlyRelativePaths) {
    os.fault = [](fake::Op op, PStringView) -> std::optional<std::uint32_t> {
        if (op == fake::Op::current_dir) return 5;
        return std::nullopt;
    };
    const std::string error = "failed to read current dir: Access is denied. (os error 5)";
    EXPECT_EQ(make_absolute(os, u"C:\\Tarvo").value(), u"C:\\Tarvo");
    EXPECT_EQ(make_absolute(os, u"LCkapta").error(), error);
    EXPECT_EQ(same_path(os, u"C:\\Tarvo", u"x").error(), error);
    EXPECT_EQ(is_within(os, u"x", u"C:\\Tarvo").error(), error);
    EXPECT_EQ(ensure_within(os, u"C:\\Tarvo", u"x").error(), error);
}

}  // namespace
}  // namespace tu
