// Reading real .lnk files, made here the way the shell makes them.
#include <objbase.h>

#include <thread>

#include "platform/win32/win32_platform.h"
#include "win32_test_support.h"

namespace tu::win32::test {
namespace {

Platform& os() { return platform(); }

TEST(Win32ShellLink, ReadsTheTargetAsSaved) {
    ScratchFolder scratch;
    const PString app = scratch.file(u"App Folder\\App.exe");
    struct Case {
        PString target;
        PString expected;
    };
    PString mixed = app;  // different case, forward slashes
    for (auto& c : mixed) {
        if (c == u'\\') c = u'/';
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    }
    PString mixed_read = mixed;
    for (auto& c : mixed_read) c = c == u'/' ? u'\\' : c;
    const std::vector<Case> cases = {
        {app, app},
        {mixed, mixed_read},
        // Wine keeps link paths in the ANSI code page (U+0159 comes back as 'r'), so only
        // letters of that page are read back unchanged here.
        {scratch / u"P\u00EDklad\\Ne\u00FApln\u00E9.exe", scratch / u"P\u00EDklad\\Ne\u00FApln\u00E9.exe"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const PString link = scratch / (u"link" + PString(1, static_cast<char16_t>(u'0' + n++)) + u".lnk");
        ASSERT_EQ(make_shortcut(link, c.target), S_OK) << utf8(c.target);
        auto target = os().read_shortcut_target(link);
        ASSERT_TRUE(target.has_value()) << utf8(c.target) << ": step " << static_cast<int>(target.error().step)
                                        << " status " << std::hex << target.error().status;
        EXPECT_EQ(*target, c.expected);
    }
}

TEST(Win32ShellLink, LinkWithoutFileSystemPathReadsEmpty) {
    ScratchFolder scratch;
    const PString link = scratch / u"computer.lnk";
    ASSERT_EQ(make_shortcut(link, u""), S_OK);
    auto target = os().read_shortcut_target(link);
    ASSERT_TRUE(target.has_value()) << static_cast<int>(target.error().step);
    EXPECT_EQ(*target, u"");
}

TEST(Win32ShellLink, UnreadableFilesFailToLoad) {
    ScratchFolder scratch;
    struct Case {
        PString path;
        std::uint32_t status;
    };
    const std::vector<Case> cases = {
        {scratch.file(u"corrupt.lnk", "this is not a shell link, only some text"), 0x80004005u},
        {scratch.file(u"empty.lnk", ""), 0x80004005u},
        {scratch / u"missing.lnk", 0x80070002u},
        {scratch.dir(u"folder.lnk"), 0x80070005u},
    };
    for (const auto& c : cases) {
        auto target = os().read_shortcut_target(c.path);
        ASSERT_FALSE(target.has_value()) << utf8(c.path);
        EXPECT_EQ(target.error().step, ShortcutStep::load) << utf8(c.path);
        EXPECT_EQ(target.error().status, c.status) << utf8(c.path);
    }
}

// CoInitializeEx on a thread tells how many initialisations are still open on it: S_OK
// for the first, S_FALSE for every further one.
TEST(Win32ShellLink, LeavesTheThreadsComStateAsItFoundIt) {
    ScratchFolder scratch;
    const PString app = scratch.file(u"app.exe");
    const PString link = scratch / u"app.lnk";
    ASSERT_EQ(make_shortcut(link, app), S_OK);

    std::thread([&] {
        // Not initialised before: not initialised after.
        EXPECT_EQ(os().read_shortcut_target(link).value_or(u"?"), app);
        EXPECT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        ::CoUninitialize();
    }).join();

    std::thread([&] {
        // Already a single-threaded apartment: the read initialises once more and undoes
        // only its own initialisation.
        ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        EXPECT_EQ(os().read_shortcut_target(link).value_or(u"?"), app);
        EXPECT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
        ::CoUninitialize();
        ::CoUninitialize();
    }).join();

    std::thread([&] {
        // A multi-threaded apartment refuses the single-threaded one: the read fails at
        // initialisation and must not uninitialise what it did not initialise.
        ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        auto target = os().read_shortcut_target(link);
        ASSERT_FALSE(target.has_value());
        EXPECT_EQ(target.error().step, ShortcutStep::initialize);
        EXPECT_EQ(target.error().status, static_cast<std::uint32_t>(RPC_E_CHANGED_MODE));
        EXPECT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        ::CoUninitialize();
        ::CoUninitialize();
    }).join();
}

}  // namespace
}  // namespace tu::win32::test
