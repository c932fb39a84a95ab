// Shortcut reading and removal on the in-memory Windows: the two message sets, which
// shortcuts are deleted and which are kept, the scans' filters and their order of work.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run_log.h"
#include "platform/fake/fake_platform.h"
#include "platform/text.h"
#include "removal/shortcuts.h"

namespace tu {
namespace {

using fake::FakePlatform;
using Lines = std::vector<std::string>;

constexpr char16_t exe[] = u"C:\\Tarvo\\App\\app.exe";
constexpr char16_t log_path[] = u"C:\\logs\\run.log";
const std::string desktop = "C:\\Users\\Public\\Desktop";
const std::string corrupt = "failed to load shortcut: Unspecified error (0x80004005)";

PString at(const std::string& dir, const std::string& name) { return to_utf16(dir + "\\" + name); }

struct World {
    FakePlatform os;
    RunLog log{os, log_path, LogWriter::create_dirs};
    World() {
        os.add_file(exe, "exe");
        os.add_file(u"C:\\Tarvo\\Other\\other.exe");
        os.add_dir(to_utf16(desktop));
    }
    Lines lines() const { return os.lines(log_path); }
};

TEST(ReadShortcutTarget, EveryFailureInBothMessageSets) {
    struct Case {
        ShortcutStep step;
        std::uint32_t status;
        std::string description;
        std::string set_a;
        std::string set_b;
    };
    const std::vector<Case> cases = {
        {ShortcutStep::initialize, 0x80010106, "", "failed to initialize COM: 0x80010106",
         "failed to initialize COM: 0x80010106"},
        {ShortcutStep::create, 0x80040154, "Class not registered", "failed to create shell link: Class not registered (0x80040154)",
         "failed to create IShellLinkW: Class not registered (0x80040154)"},
        {ShortcutStep::cast, 0x80004002, "", "failed to cast shell link: 0x80004002",
         "failed to cast shortcut COM object: 0x80004002"},
        {ShortcutStep::load, 0x80070002, "", "failed to load shortcut: The system cannot find the file specified. (0x80070002)",
         "failed to load shortcut: The system cannot find the file specified. (0x80070002)"},
        {ShortcutStep::get_path, 0x80004005, "", "failed to read shortcut target: Unspecified error (0x80004005)",
         "failed to read shortcut target: Unspecified error (0x80004005)"},
    };
    for (const Case& c : cases) {
        World w;
        w.os.add_shortcut(u"C:\\s.lnk", exe);
        w.os.shortcut_failure = ShortcutError{c.step, c.status, c.description};
        EXPECT_EQ(read_shortcut_target(w.os, u"C:\\s.lnk", MessageSet::A).error(), c.set_a);
        EXPECT_EQ(read_shortcut_target(w.os, u"C:\\s.lnk", MessageSet::B).error(), c.set_b);
    }
}

TEST(ReadShortcutTarget, TargetEmptyCorruptOrRead) {
    World w;
    w.os.add_shortcut(u"C:\\virtual.lnk", u"");
    w.os.add_file(u"C:\\corrupt.lnk", "garbage");
    w.os.add_shortcut(u"C:\\good.lnk", u"C:\\Tarvo\\\u010Cesk\u00FD\\app.exe");
    for (const MessageSet set : {MessageSet::A, MessageSet::B}) {
        EXPECT_EQ(read_shortcut_target(w.os, u"C:\\virtual.lnk", set).error(), "shortcut target is empty");
        EXPECT_EQ(read_shortcut_target(w.os, u"C:\\corrupt.lnk", set).error(), corrupt);
        EXPECT_EQ(read_shortcut_target(w.os, u"C:\\good.lnk", set).value(), "C:\\Tarvo\\\u010Cesk\u00FD\\app.exe");
    }
}

// The single-shortcut operations share their steps; the table says where they differ.
TEST(SingleShortcut, WhatIsRemovedAndWhatIsLogged) {
    enum class Op { named, candidate, candidate_quiet };
    struct Case {
        const char* what;
        const char* name;  // on the desktop; nullptr: absent
        const char16_t* target;  // nullptr: a corrupt file
        Op op;
        Lines lines;  // "{}" stands for the shortcut's path
        bool removed;
    };
    const std::vector<Case> cases = {
        {"absent", nullptr, nullptr, Op::named, {"skip missing shortcut: {}"}, false},
        {"absent, candidate", nullptr, nullptr, Op::candidate_quiet, {"skip missing shortcut: {}"}, false},
        {"upper-case extension", "App.LNK", exe, Op::named, {}, false},
        {"upper-case extension, candidate", "App.LNK", exe, Op::candidate, {"skip non-lnk shortcut candidate: {}"}, false},
        {"no extension", "App", exe, Op::named, {}, false},
        {"no extension, candidate", "App", exe, Op::candidate_quiet, {"skip non-lnk shortcut candidate: {}"}, false},
        {"corrupt", "App.lnk", nullptr, Op::named, {"skip unreadable shortcut {}: " + corrupt}, false},
        {"virtual folder", "App.lnk", u"", Op::candidate, {"skip unreadable shortcut {}: shortcut target is empty"}, false},
        {"other target", "App.lnk", u"C:\\Tarvo\\Other\\other.exe", Op::named,
         {"skip shortcut with different target: {} -> C:\\Tarvo\\Other\\other.exe"}, false},
        {"other target, candidate", "App.lnk", u"C:\\Tarvo\\App\\app.exe.bak", Op::candidate_quiet,
         {"skip shortcut with different target: {} -> C:\\Tarvo\\App\\app.exe.bak"}, false},
        {"same target in other case and separators", "App.lnk", u"c:/TARVO/app/APP.EXE", Op::named, {"removed file: {}"}, true},
        {"same target with trailing backslash", "App.lnk", u"C:\\Tarvo\\App\\app.exe\\", Op::candidate,
         {"removed file: {}"}, true},
        {"same target, quiet", "App.lnk", exe, Op::candidate_quiet, {"removed file: {}"}, true},
    };
    for (const Case& c : cases) {
        World w;
        const PString shortcut = at(desktop, c.name ? c.name : "App.lnk");
        if (c.name && c.target) w.os.add_shortcut(shortcut, c.target);
        if (c.name && !c.target) w.os.add_file(shortcut, "garbage");
        const auto result = c.op == Op::named ? remove_named_shortcut(w.os, shortcut, exe, w.log)
                                              : remove_shortcut_candidate(w.os, shortcut, exe, w.log,
                                                                          c.op == Op::candidate ? Flavour::logged
                                                                                                : Flavour::quiet);
        EXPECT_TRUE(result) << c.what;
        Lines expected;
        for (std::string line : c.lines) {
            line.replace(line.find("{}"), 2, to_utf8(shortcut));
            expected.push_back(line);
        }
        EXPECT_EQ(w.lines(), expected) << c.what;
        EXPECT_EQ(w.os.exists(shortcut), c.name && !c.removed) << c.what;
        EXPECT_TRUE(w.os.exists(exe)) << c.what;
    }
}

TEST(SingleShortcut, MessageSetsFollowTheOperation) {
    World w;
    const PString shortcut = at(desktop, "App.lnk");
    w.os.add_shortcut(shortcut, exe);
    w.os.shortcut_failure = ShortcutError{ShortcutStep::create, 0x80040154, "Class not registered"};
    ASSERT_TRUE(remove_named_shortcut(w.os, shortcut, exe, w.log));
    ASSERT_TRUE(remove_shortcut_candidate(w.os, shortcut, exe, w.log, Flavour::logged));
    const std::string shown = to_utf8(shortcut);
    EXPECT_EQ(w.lines(), (Lines{"skip unreadable shortcut " + shown + ": failed to create shell link: Class not registered (0x80040154)",
                                "skip unreadable shortcut " + shown + ": failed to create IShellLinkW: Class not registered (0x80040154)"}));
}

TEST(SingleShortcut, QuietFlagSelectsTheRemovalFlavour) {
    for (const Flavour flavour : {Flavour::logged, Flavour::quiet}) {
        World w;
        const PString shortcut = at(desktop, "App.lnk");
        w.os.add_shortcut(shortcut, exe);
        // Deleted by someone else just as the removal starts.
        w.os.fault = [](fake::Op op, PStringView) -> std::optional<std::uint32_t> {
            return op == fake::Op::open_no_follow ? std::optional(win32_error::file_not_found) : std::nullopt;
        };
        ASSERT_TRUE(remove_shortcut_candidate(w.os, shortcut, exe, w.log, flavour));
        EXPECT_EQ(w.lines(), flavour == Flavour::logged ? Lines{"skip missing file: " + to_utf8(shortcut)} : Lines{});
    }
}

TEST(SingleShortcut, ComparisonFailureEndsTheRun) {
    World w;
    const PString shortcut = at(desktop, "App.lnk");
    w.os.add_shortcut(shortcut, u"app.exe");  // relative: needs the current directory
    w.os.fault = [](fake::Op op, PStringView) -> std::optional<std::uint32_t> {
        return op == fake::Op::current_dir ? std::optional(win32_error::access_denied) : std::nullopt;
    };
    const auto result = remove_named_shortcut(w.os, shortcut, exe, w.log);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), "failed to read current dir: Access is denied. (os error 5)");
    EXPECT_TRUE(w.os.exists(shortcut));
}

// The application may be gone before its shortcuts are handled: a shortcut that names it,
// however spelt, still matches.
TEST(SingleShortcut, TargetGoneBeforeItsShortcutStillMatches) {
    World w;
    const PString shortcut = at(desktop, "App.lnk");
    w.os.add_shortcut(shortcut, u"c:/TARVO/app/APP.EXE");
    ASSERT_TRUE(w.os.delete_file(exe));
    ASSERT_TRUE(remove_named_shortcut(w.os, shortcut, exe, w.log));
    EXPECT_EQ(w.lines(), (Lines{"removed file: " + to_utf8(shortcut)}));
}

// A desktop holding the precinct shortcuts of the application and assorted neighbours.
void fill_desktop(World& w) {
    w.os.add_shortcut(at(desktop, "Okrsek 12345.lnk"), exe);
    w.os.add_shortcut(at(desktop, "Okrsek 23456.LNK"), exe);
    w.os.add_shortcut(at(desktop, "Okrsek12345.lnk"), exe);
    w.os.add_shortcut(at(desktop, "okrsek 34567.lnk"), exe);
    w.os.add_shortcut(at(desktop, "Okrsek 45678.lnk"), u"C:\\Tarvo\\Other\\other.exe");
    w.os.add_shortcut(at(desktop, "Okrsek 56789.lnk.txt"), exe);
    w.os.add_dir(at(desktop, "Okrsek dir.lnk"));
    w.os.add_shortcut(to_utf16(desktop) + u"\\Okrsek \xD800.lnk", exe);
}

std::string on_desktop(const std::string& name) { return desktop + "\\" + name; }

Result<> scan_desktop(World& w, Flavour flavour) {
    return scan_prefixed_shortcuts(w.os, to_utf16(desktop), "Okrsek", exe, w.log, flavour);
}

TEST(PrefixedScan, FiltersAndOrderOfWork) {
    for (const Flavour flavour : {Flavour::logged, Flavour::quiet}) {
        World w;
        fill_desktop(w);
        ASSERT_TRUE(scan_desktop(w, flavour));
        EXPECT_EQ(w.lines(), (Lines{
                                 "removed file: " + on_desktop("Okrsek 12345.lnk"),
                                 "skip non-lnk shortcut candidate: " + on_desktop("Okrsek 23456.LNK"),
                                 "skip shortcut with different target: " + on_desktop("Okrsek 45678.lnk") +
                                     " -> C:\\Tarvo\\Other\\other.exe",
                                 "skip unreadable shortcut " + on_desktop("Okrsek dir.lnk") +
                                     ": failed to load shortcut: Access is denied. (0x80070005)",
                             }));
        EXPECT_EQ(w.os.tree(to_utf16(desktop)).size(), 7u);
        EXPECT_FALSE(w.os.exists(at(desktop, "Okrsek 12345.lnk")));
        EXPECT_TRUE(w.os.exists(to_utf16(desktop) + u"\\Okrsek \xD800.lnk"));
    }
}

TEST(PrefixedScan, MissingOrVanishedDirectory) {
    struct Case {
        const char* what;
        bool absent;
        std::uint32_t list_error;
        Flavour flavour;
        Lines lines;
        std::string error;
    };
    const std::string gone = desktop + "\\Gone";
    const std::vector<Case> cases = {
        {"absent, logged", true, 0, Flavour::logged, {"skip missing shortcut dir: " + gone}, ""},
        {"absent, quiet", true, 0, Flavour::quiet, {"skip missing shortcut dir: " + gone}, ""},
        {"vanished before listing, logged", false, 3, Flavour::logged, {"skip missing shortcut dir: " + desktop}, ""},
        {"vanished before listing, quiet", false, 3, Flavour::quiet, {}, ""},
        {"unreadable", false, 5, Flavour::quiet, {},
         "failed to read shortcut dir " + desktop + ": Access is denied. (os error 5)"},
    };
    for (const Case& c : cases) {
        World w;
        fill_desktop(w);
        const std::uint32_t code = c.list_error;
        w.os.fault = [code](fake::Op op, PStringView) -> std::optional<std::uint32_t> {
            return op == fake::Op::list_dir && code ? std::optional(code) : std::nullopt;
        };
        const auto result =
            scan_prefixed_shortcuts(w.os, to_utf16(c.absent ? gone : desktop), "Okrsek", exe, w.log, c.flavour);
        EXPECT_EQ(result ? std::string() : result.error(), c.error) << c.what;
        EXPECT_EQ(w.lines(), c.lines) << c.what;
        EXPECT_TRUE(w.os.exists(at(desktop, "Okrsek 12345.lnk"))) << c.what;
    }
}

TEST(PrefixedScan, EntryErrors) {
    struct Case {
        std::uint32_t code;
        Flavour flavour;
        std::string first_line;
        std::string error;
    };
    const std::vector<Case> cases = {
        {2, Flavour::logged, "skip vanished shortcut entry", ""},
        {2, Flavour::quiet, "skip non-lnk shortcut candidate: " + on_desktop("Okrsek 23456.LNK"), ""},
        {5, Flavour::logged, "", "failed to read shortcut entry: Access is denied. (os error 5)"},
    };
    for (const Case& c : cases) {
        World w;
        fill_desktop(w);
        const std::uint32_t code = c.code;
        w.os.fault = [code](fake::Op op, PStringView p) -> std::optional<std::uint32_t> {
            return op == fake::Op::list_entry && to_utf8(p).ends_with("Okrsek 12345.lnk") ? std::optional(code) : std::nullopt;
        };
        const auto result = scan_desktop(w, c.flavour);
        EXPECT_EQ(result ? std::string() : result.error(), c.error) << c.code;
        const Lines lines = w.lines();
        EXPECT_EQ(lines.empty() ? std::string() : lines.front(), c.first_line) << c.code;
        // An unreadable entry ends the scan before any later shortcut is looked at.
        if (!c.error.empty()) {
            EXPECT_TRUE(lines.empty());
        }
    }
}

TEST(PrefixedScan, FailedRemovalEndsTheScan) {
    World w;
    fill_desktop(w);
    w.os.hold_open(at(desktop, "Okrsek 12345.lnk"));
    const auto result = scan_desktop(w, Flavour::quiet);
    ASSERT_FALSE(result);
    EXPECT_TRUE(result.error().starts_with("failed to remove file " + on_desktop("Okrsek 12345.lnk") + " after 30 attempts"));
    // Nothing after the failing shortcut was looked at.
    EXPECT_EQ(w.lines().size(), 29u);
    EXPECT_TRUE(w.lines().back().starts_with("retry file delete 29/30: "));
}

TEST(ShortcutDirScan, FiltersAndOrderOfWork) {
    World w;
    const std::string menu = "C:\\ProgramData\\Menu\\Tarvo";
    w.os.add_shortcut(at(menu, "App.LNK"), u"c:\\tarvo\\app\\app.exe");
    w.os.add_shortcut(at(menu, "Other.lnk"), u"C:\\Tarvo\\Other\\other.exe");
    w.os.add_dir(at(menu, "Folder.lnk"));
    w.os.add_symlink(at(menu, "Linked.lnk"), at(menu, "App.LNK"), false);
    w.os.add_file(at(menu, "bad.lnk"), "garbage");
    w.os.add_shortcut(at(menu, "readme.txt"), exe);
    w.os.add_shortcut(at(menu, "noext"), exe);
    w.os.add_shortcut(to_utf16(menu) + u"\\Weird.\xD800", exe);

    ASSERT_TRUE(scan_shortcut_dir(w.os, to_utf16(menu), exe, w.log));
    EXPECT_EQ(w.lines(), (Lines{"removed file: " + menu + "\\App.LNK",
                                "skip unreadable shortcut " + menu + "\\bad.lnk: " + corrupt}));
    EXPECT_FALSE(w.os.exists(at(menu, "App.LNK")));
    EXPECT_EQ(w.os.tree(to_utf16(menu)).size(), 7u);
}

TEST(ShortcutDirScan, ListingAndEntryFailures) {
    struct Case {
        const char* what;
        std::optional<fake::Op> op;
        std::uint32_t code;
        std::string error;
    };
    const std::string menu = "C:\\ProgramData\\Menu\\Tarvo";
    const std::vector<Case> cases = {
        {"missing directory", std::nullopt, 0, ""},
        {"directory vanished", fake::Op::list_dir, 3, ""},
        {"unreadable directory", fake::Op::list_dir, 5, "failed to read shortcut directory " + menu + ": Access is denied. (os error 5)"},
        {"entry vanished", fake::Op::list_entry, 2, ""},
        {"unreadable entry", fake::Op::list_entry, 5, "failed to read shortcut entry: Access is denied. (os error 5)"},
    };
    for (const Case& c : cases) {
        World w;
        if (c.code) w.os.add_shortcut(at(menu, "App.lnk"), exe);
        w.os.fault = [&c](fake::Op op, PStringView) -> std::optional<std::uint32_t> {
            return op == c.op ? std::optional(c.code) : std::nullopt;
        };
        const auto result = scan_shortcut_dir(w.os, to_utf16(menu), exe, w.log);
        EXPECT_EQ(result ? std::string() : result.error(), c.error) << c.what;
        EXPECT_TRUE(w.lines().empty()) << c.what;
        if (c.code) {
            EXPECT_TRUE(w.os.exists(at(menu, "App.lnk"))) << c.what;
        }
    }
}

}  // namespace
}  // namespace tu
