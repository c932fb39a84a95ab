// Files by name, on real files in the Wine prefix: what only the Win32 platform does. The
// Windows facts the logic relies on are held by the platform contract (tests/contract).
#include "platform/win32/win32_platform.h"
#include "win32_test_support.h"

namespace tu::win32::test {
namespace {

Platform& os() { return platform(); }

TEST(Win32Files, ReadsWholeFilesLargerThanOneChunk) {
    ScratchFolder scratch;
    std::string content(200'000, 'x');
    for (std::size_t i = 0; i < content.size(); i += 997) content[i] = static_cast<char>('a' + i % 26);
    const PString path = scratch.file(u"big.bin", content);
    EXPECT_EQ(os().read_file(path).value(), content);
}

// Wine keeps the read-only attribute in the Unix permissions, which do not stop root: there,
// writers open read-only files, and so do these calls.
TEST(Win32Files, ReadOnlyFilesRefuseWritersWhereTheSystemDoes) {
    ScratchFolder scratch;
    const PString readonly = scratch.file(u"ro.log", "kept", FILE_ATTRIBUTE_READONLY);
    HANDLE probe = ::CreateFileW(w(readonly).c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool system_refuses_writers = probe == INVALID_HANDLE_VALUE;
    if (!system_refuses_writers) ::CloseHandle(probe);
    if (system_refuses_writers) {
        OwnedHandle folder(os(), os().open_no_follow(HandleId{}, scratch.path(), OpenFor::create_in).value());
        EXPECT_EQ(code_of(os().open_for_writing(folder.get(), u"ro.log")), 5u);
        EXPECT_EQ(os().read_file(readonly).value(), "kept");
    }
}

}  // namespace
}  // namespace tu::win32::test
