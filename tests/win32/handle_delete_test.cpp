// The handle primitives of the tree removal, on real folders in the Wine prefix: what only
// the Win32 platform does. The Windows facts the logic relies on are held by the platform
// contract (tests/contract).
#include <algorithm>

#include "platform/win32/win32_platform.h"
#include "win32_test_support.h"

namespace tu::win32::test {
namespace {

Platform& os() { return platform(); }

OwnedHandle open(HandleId parent, PStringView name, OpenFor purpose) {
    auto opened = os().open_no_follow(parent, name, purpose);
    EXPECT_TRUE(opened.has_value()) << utf8(name) << ": " << (opened ? 0u : opened.error().code);
    return opened ? OwnedHandle(os(), *opened) : OwnedHandle();
}

std::vector<std::string> names(const std::vector<DirEntry>& entries) {
    std::vector<std::string> result;
    for (const auto& entry : entries) result.push_back(utf8(entry.name));
    std::sort(result.begin(), result.end());
    return result;
}

TEST(Win32HandleDelete, ListingSpansSeveralCallsAndRestarts) {
    // Long names overflow the 64 KiB listing buffer several times.
    ScratchFolder scratch;
    const PString folder = scratch.dir(u"many");
    std::vector<std::string> expected;
    for (int i = 0; i < 600; ++i) {
        const std::string name = std::to_string(100000 + i) + std::string(150, 'n');
        scratch.file(u"many\\" + PString(name.begin(), name.end()), "");
        expected.push_back(name);
    }
    std::sort(expected.begin(), expected.end());

    OwnedHandle handle = open(HandleId{}, folder, OpenFor::list_and_delete);
    auto first = os().list_handle(handle.get());
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(names(*first), expected);
    auto again = os().list_handle(handle.get());
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(names(*again), expected);
}

TEST(Win32HandleDelete, ClearReadOnlyKeepsOtherAttributesAndTimes) {
    ScratchFolder scratch;
    const PString path = scratch.file(u"ro.txt", "x", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    const DWORD before = attributes(path);
    WIN32_FILE_ATTRIBUTE_DATA times_before{};
    ASSERT_TRUE(::GetFileAttributesExW(w(path).c_str(), GetFileExInfoStandard, &times_before));
    {
        OwnedHandle file = open(HandleId{}, path, OpenFor::delete_only);
        ASSERT_EQ(code_of(os().clear_readonly(file.get())), 0u);
    }
    const DWORD after = attributes(path);
    EXPECT_EQ(after & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(after & FILE_ATTRIBUTE_HIDDEN, before & FILE_ATTRIBUTE_HIDDEN);
    WIN32_FILE_ATTRIBUTE_DATA times_after{};
    ASSERT_TRUE(::GetFileAttributesExW(w(path).c_str(), GetFileExInfoStandard, &times_after));
    EXPECT_EQ(CompareFileTime(&times_before.ftLastWriteTime, &times_after.ftLastWriteTime), 0);
    EXPECT_EQ(CompareFileTime(&times_before.ftCreationTime, &times_after.ftCreationTime), 0);
}

}  // namespace
}  // namespace tu::win32::test
