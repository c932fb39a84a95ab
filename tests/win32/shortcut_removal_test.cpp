// Shortcut removal on real .lnk files, made the way the shell makes them and read back
// through the shell-link component: only a shortcut whose target is the expected file goes.
#include <algorithm>

#include "platform/text.h"
#include "platform/win32/win32_platform.h"
#include "removal/shortcuts.h"
#include "run_log_file.h"
#include "win32_test_support.h"

namespace tu::win32::test {
namespace {

Platform& os() { return platform(); }

Lines sorted(Lines lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The same path as the shell would never write it: upper case, forward slashes.
PString shouted_with_slashes(PString path) {
    for (auto& c : path) {
        if (c == u'\\') c = u'/';
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    }
    return path;
}

// The installed application and the shortcuts around it. Letters of the ANSI code page
// only: Wine keeps link targets in it and loses every other letter.
struct Installed {
    ScratchFolder scratch;
    PString app = scratch.file(u"Tarvo Volby\\Tarvo P\u00EDklad.exe", "MZ");
    PString other = scratch.file(u"Jin\u00E9\\other.exe", "MZ");
    PString links = scratch.dir(u"Start Menu");

    PString in_links(PStringView name) const { return links + u"\\" + PString(name); }
    PString link(PStringView name, PStringView target) const {
        const PString path = in_links(name);
        EXPECT_EQ(make_shortcut(path, target), S_OK) << utf8(path);
        return path;
    }
    PString corrupt(PStringView name) const {
        return scratch.file(u"Start Menu\\" + PString(name), "not a shell link, only some text");
    }
};

// A load failure as the status form writes it: "MESSAGE (0x80004005)", or the status alone
// when the platform has no message; the message is the platform's own and is not checked.
bool ends_with_status(const std::string& text, std::string_view status) {
    return text.ends_with(" (" + std::string(status) + ")") || text.ends_with(": " + std::string(status));
}

// "skip unreadable shortcut PATH: failed to load shortcut: MESSAGE (STATUS)".
void expect_unreadable_line(const std::string& line, const PString& shortcut, std::string_view status = "0x80004005") {
    EXPECT_TRUE(line.starts_with("skip unreadable shortcut " + utf8(shortcut) + ": failed to load shortcut: "))
        << line;
    EXPECT_TRUE(ends_with_status(line, status)) << line;
}

TEST(Win32ShortcutRemoval, ReadsTargetsAndLoadFailures) {
    Installed at;
    const PString link = at.link(u"Tarvo.lnk", at.app);
    const PString corrupt = at.corrupt(u"Broken.lnk");
    for (const MessageSet set : {MessageSet::A, MessageSet::B}) {
        const auto target = read_shortcut_target(os(), link, set);
        ASSERT_TRUE(target.has_value()) << target.error();
        EXPECT_EQ(*target, utf8(at.app));

        const auto unreadable = read_shortcut_target(os(), corrupt, set);
        ASSERT_FALSE(unreadable.has_value());
        EXPECT_TRUE(unreadable.error().starts_with("failed to load shortcut: ")) << unreadable.error();
        EXPECT_TRUE(ends_with_status(unreadable.error(), "0x80004005")) << unreadable.error();
    }
}

// The two single-shortcut removals share every rule but the extension one and their
// messages; each runs through the same real files.
enum class Single { named, candidate_logged, candidate_quiet };

Result<> remove_single(Single which, PStringView link, PStringView expected, const RunLog& log) {
    switch (which) {
    case Single::named: return remove_named_shortcut(os(), link, expected, log);
    case Single::candidate_logged: return remove_shortcut_candidate(os(), link, expected, log, Flavour::logged);
    case Single::candidate_quiet: return remove_shortcut_candidate(os(), link, expected, log, Flavour::quiet);
    }
    return {};
}

TEST(Win32ShortcutRemoval, SingleShortcutGoesOnlyWhenItNamesTheExpectedFile) {
    for (const Single which : {Single::named, Single::candidate_logged, Single::candidate_quiet}) {
        SCOPED_TRACE(static_cast<int>(which));
        Installed at;
        RunLogFile log(at.scratch);
        // Saved with the path written differently: the same file all the same.
        const PString same = at.link(u"Tarvo.lnk", shouted_with_slashes(at.app));
        const PString elsewhere = at.link(u"Other.lnk", at.other);
        const PString corrupt = at.corrupt(u"Broken.lnk");
        const PString upper = at.link(u"Tarvo Upper.LNK", at.app);
        const PString missing = at.in_links(u"Missing.lnk");

        for (const PString& link : {same, elsewhere, corrupt, upper, missing}) {
            const auto removed = remove_single(which, link, at.app, log.log());
            ASSERT_TRUE(removed.has_value()) << utf8(link) << ": " << removed.error();
        }

        EXPECT_FALSE(exists(same));
        EXPECT_TRUE(exists(elsewhere));
        EXPECT_TRUE(exists(corrupt));
        EXPECT_TRUE(exists(upper));
        EXPECT_TRUE(exists(at.app));
        const Lines lines = log.lines();
        ASSERT_EQ(lines.size(), which == Single::named ? 4u : 5u) << ::testing::PrintToString(lines);
        EXPECT_EQ(lines[0], "removed file: " + utf8(same));
        // The target as the shell reads it back, with backslashes, not as expected.
        EXPECT_EQ(lines[1], "skip shortcut with different target: " + utf8(elsewhere) + " -> " + utf8(at.other));
        expect_unreadable_line(lines[2], corrupt);
        // The named removal passes over a non-lnk name without a word.
        std::size_t next = 3;
        if (which != Single::named) {
            EXPECT_EQ(lines[next++], "skip non-lnk shortcut candidate: " + utf8(upper));
        }
        EXPECT_EQ(lines[next], "skip missing shortcut: " + utf8(missing));
    }
}

TEST(Win32ShortcutRemoval, TargetGoneBeforeItsShortcutStillMatches) {
    // The application folder may already be gone when its shortcuts are handled; the
    // shortcut still names the expected path, only no longer an existing file.
    Installed at;
    RunLogFile log(at.scratch);
    const PString link = at.link(u"Tarvo.lnk", shouted_with_slashes(at.app));
    ASSERT_TRUE(::DeleteFileW(w(at.app).c_str()));
    ASSERT_TRUE(remove_named_shortcut(os(), link, at.app, log.log()).has_value());
    EXPECT_FALSE(exists(link));
    EXPECT_EQ(log.lines(), (Lines{"removed file: " + utf8(link)}));
}

TEST(Win32ShortcutRemoval, PrefixedScanTurnsDownUpperCaseExtension) {
    for (const Flavour flavour : {Flavour::logged, Flavour::quiet}) {
        Installed at;
        RunLogFile log(at.scratch);
        const PString same = at.link(u"Tarvo Volby.lnk", shouted_with_slashes(at.app));
        const PString same_too = at.link(u"Tarvo N\u00E1pov\u011Bda.lnk", at.app);
        const PString upper = at.link(u"Tarvo Upper.LNK", at.app);
        const PString elsewhere = at.link(u"Tarvo Other.lnk", at.other);
        const PString corrupt = at.corrupt(u"Tarvo Broken.lnk");
        const PString unprefixed = at.link(u"Volby.lnk", at.app);
        const PString bare_prefix = at.link(u"Tarvo.lnk", at.app);  // the prefix needs its space
        const PString text = at.scratch.file(u"Start Menu\\Tarvo notes.txt");
        // Folders are candidates too; the shell cannot load one, so it stays.
        const PString folder = at.scratch.dir(u"Start Menu\\Tarvo Folder.lnk");

        const auto scanned = scan_prefixed_shortcuts(os(), at.links, "Tarvo", at.app, log.log(), flavour);
        ASSERT_TRUE(scanned.has_value()) << scanned.error();

        EXPECT_FALSE(exists(same));
        EXPECT_FALSE(exists(same_too));
        for (const PString& kept : {upper, elsewhere, corrupt, unprefixed, bare_prefix, text, folder})
            EXPECT_TRUE(exists(kept)) << utf8(kept);
        Lines lines = log.sorted_lines();
        ASSERT_EQ(lines.size(), 6u) << ::testing::PrintToString(lines);
        expect_unreadable_line(lines[4], corrupt);
        expect_unreadable_line(lines[5], folder, "0x80070005");
        lines.resize(4);
        EXPECT_EQ(lines, sorted({
                             "removed file: " + utf8(same),
                             "removed file: " + utf8(same_too),
                             "skip non-lnk shortcut candidate: " + utf8(upper),
                             "skip shortcut with different target: " + utf8(elsewhere) + " -> " + utf8(at.other),
                         }));
    }
}

TEST(Win32ShortcutRemoval, DirScanReadsEveryLnkWhateverItsCase) {
    Installed at;
    RunLogFile log(at.scratch);
    const PString upper = at.link(u"Tarvo.LNK", shouted_with_slashes(at.app));
    // Read-only, as some installers leave their shortcuts: removed all the same.
    const PString lower = at.link(u"Help.lnk", at.app);
    ASSERT_TRUE(::SetFileAttributesW(w(lower).c_str(), FILE_ATTRIBUTE_READONLY));
    const PString elsewhere = at.link(u"Other.lnk", at.other);
    const PString corrupt = at.corrupt(u"Broken.Lnk");
    const PString folder = at.scratch.dir(u"Start Menu\\Folder.lnk");
    const PString text = at.scratch.file(u"Start Menu\\notes.txt");

    const auto scanned = scan_shortcut_dir(os(), at.links, at.app, log.log());
    ASSERT_TRUE(scanned.has_value()) << scanned.error();

    EXPECT_FALSE(exists(upper));
    EXPECT_FALSE(exists(lower));
    for (const PString& kept : {elsewhere, corrupt, folder, text}) EXPECT_TRUE(exists(kept)) << utf8(kept);
    // A shortcut pointing elsewhere is passed over without a line here.
    Lines lines = log.sorted_lines();
    ASSERT_EQ(lines.size(), 3u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[0], "removed file: " + utf8(lower));
    EXPECT_EQ(lines[1], "removed file: " + utf8(upper));
    expect_unreadable_line(lines[2], corrupt);
}

}  // namespace
}  // namespace tu::win32::test
