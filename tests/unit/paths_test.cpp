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
// name, so that a link in the entry's place does not carry the approval along.
TEST_F(PathsTest, ApprovalIsTheResolvedFolderAndTheNameAsWritten) {
    os.add_junction(u"C:\\Tarvo\\Via", u"C:\\Tarvo\\LCkapta");
    os.add_symlink(u"C:\\Tarvo\\Alias", u"C:\\Tarvo\\LCkapta", true);
    EXPECT_EQ(approve(os, u"c:/tarvo/x/../LCkapta/").value().location, "c:\\tarvo\\lckapta");
    EXPECT_EQ(approve(os, u"C:\\Tarvo\\Via\\app.exe").value().location, "c:\\tarvo\\lckapta\\app.exe");
    EXPECT_EQ(approve(os, u"C:\\Tarvo\\Alias").value().location, "c:\\tarvo\\alias");
    EXPECT_EQ(approve(os, u"C:\\Tarvo\\LCkapta. ").value().location, "c:\\tarvo\\lckapta");
    EXPECT_EQ(approve(os, u"C:\\").value().location, "c:");
    const ApprovedPath entry = approve_entry(os, u"C:\\Tarvo\\Via", u"CON.12345").value();
    EXPECT_EQ(entry.path, u"\\\\?\\C:\\Tarvo\\LCkapta\\CON.12345");
    EXPECT_EQ(entry.shown, u"C:\\Tarvo\\Via\\CON.12345");
    EXPECT_EQ(entry.location, "c:\\tarvo\\lckapta\\con.12345");
    // A link that leads inside from a folder outside: where it leads is inside, where its
    // deletion would act is not.
    os.add_symlink(u"C:\\Elsewhere\\in", u"C:\\Tarvo\\LCkapta", true);
    EXPECT_EQ(ensure_within(os, u"C:\\Tarvo", u"C:\\Elsewhere\\in").error(),
              "unsafe path outside expected directory: C:\\Elsewhere\\in");
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
