// Reading a real .lnk file leaves the thread's COM state as it found it. What a read gives
// is held by the platform contract (tests/contract).
#include <objbase.h>

#include <thread>

#include "platform/win32/win32_platform.h"
#include "win32_test_support.h"

namespace tu::win32::test {
namespace {

Platform& os() { return platform(); }

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
