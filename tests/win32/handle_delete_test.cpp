// The handle primitives of the tree removal, on real folders in the Wine prefix.
#include <algorithm>
#include <set>

#include "platform/winpath.h"
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

// Deletes an open entry the way file systems without the extended disposition need:
// codes 1, 50 and 87 refuse it; a read-only entry then needs its attribute cleared.
void delete_through_handle(HandleId handle) {
    auto extended = os().set_disposition(handle, Disposition::extended);
    if (extended) return;
    const std::set<std::uint32_t> refusals = {1, 50, 87};
    ASSERT_TRUE(refusals.contains(extended.error().code)) << extended.error().code;
    ASSERT_EQ(code_of(os().clear_readonly(handle)), 0u);
    ASSERT_EQ(code_of(os().set_disposition(handle, Disposition::classic)), 0u);
}

TEST(Win32HandleDelete, OpensAndListsRelativeToTheParent) {
    ScratchFolder scratch;
    scratch.file(u"tree\\a.txt");
    scratch.file(u"tree\\sub\\b.txt");
    scratch.dir(u"tree\\sub\\empty");

    OwnedHandle root = open(HandleId{}, scratch / u"tree", OpenFor::list_and_delete);
    ASSERT_TRUE(root.get());
    auto root_info = os().handle_info(root.get());
    ASSERT_TRUE(root_info.has_value());
    EXPECT_TRUE(root_info->directory);

    auto top = os().list_handle(root.get());
    ASSERT_TRUE(top.has_value()) << top.error().code;
    EXPECT_EQ(names(*top), (std::vector<std::string>{"a.txt", "sub"}));
    for (const auto& entry : *top) EXPECT_EQ(entry.info.directory, entry.name == u"sub");

    OwnedHandle sub = open(root.get(), u"sub", OpenFor::list_and_delete);
    ASSERT_TRUE(sub.get());
    EXPECT_TRUE(os().handle_info(sub.get()).value().directory);
    EXPECT_EQ(names(os().list_handle(sub.get()).value()), (std::vector<std::string>{"b.txt", "empty"}));
    OwnedHandle empty = open(sub.get(), u"empty", OpenFor::list_and_delete);
    EXPECT_TRUE(os().list_handle(empty.get()).value().empty());

    OwnedHandle file = open(root.get(), u"a.txt", OpenFor::delete_only);
    auto file_info = os().handle_info(file.get());
    ASSERT_TRUE(file_info.has_value());
    EXPECT_TRUE(file_info->regular_file());

    // A file opened as a tree root opens, and says it is no folder.
    OwnedHandle file_root = open(HandleId{}, scratch / u"tree\\a.txt", OpenFor::list_and_delete);
    EXPECT_FALSE(os().handle_info(file_root.get()).value().directory);

    EXPECT_EQ(code_of(os().open_no_follow(root.get(), u"missing", OpenFor::delete_only)), 2u);
    EXPECT_EQ(code_of(os().open_no_follow(HandleId{}, scratch / u"missing", OpenFor::list_and_delete)), 2u);
    EXPECT_EQ(code_of(os().open_no_follow(HandleId{}, scratch / u"missing\\x", OpenFor::list_and_delete)), 3u);
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

TEST(Win32HandleDelete, ReadOnlyFileIsDeletedThroughItsHandle) {
    // The classic disposition refuses a read-only file; clearing the attribute through the
    // same handle is what lets it through (Wine has no other way: it refuses the extended
    // disposition with 87).
    ScratchFolder scratch;
    const PString path = scratch.file(u"tree\\ro.txt", "x", FILE_ATTRIBUTE_READONLY);
    OwnedHandle root = open(HandleId{}, scratch / u"tree", OpenFor::list_and_delete);
    {
        OwnedHandle file = open(root.get(), u"ro.txt", OpenFor::delete_only);
        ASSERT_TRUE(os().handle_info(file.get()).value().readonly);
        EXPECT_EQ(code_of(os().set_disposition(file.get(), Disposition::classic)), 5u);
        ASSERT_EQ(code_of(os().clear_readonly(file.get())), 0u);
        EXPECT_EQ(attributes(path) & FILE_ATTRIBUTE_READONLY, 0u);
        EXPECT_EQ(code_of(os().set_disposition(file.get(), Disposition::classic)), 0u);
    }
    EXPECT_FALSE(exists(path));
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

TEST(Win32HandleDelete, FolderIsDeletedOnceItsEntriesAre) {
    ScratchFolder scratch;
    scratch.file(u"tree\\sub\\inside.txt");
    OwnedHandle root = open(HandleId{}, scratch / u"tree", OpenFor::list_and_delete);
    {
        OwnedHandle sub = open(root.get(), u"sub", OpenFor::list_and_delete);
        auto refused = os().set_disposition(sub.get(), Disposition::classic);
        EXPECT_EQ(code_of(refused), 145u);
        {
            OwnedHandle inside = open(sub.get(), u"inside.txt", OpenFor::delete_only);
            delete_through_handle(inside.get());
        }
        delete_through_handle(sub.get());
    }
    EXPECT_FALSE(exists(scratch / u"tree\\sub"));
    delete_through_handle(root.get());
    root.reset();
    EXPECT_FALSE(exists(scratch / u"tree"));
}

TEST(Win32HandleDelete, EntryHeldByAnotherProcessIsSharingViolationUntilReleased) {
    ScratchFolder scratch;
    const PString path = scratch.file(u"tree\\held.txt");
    OwnedHandle root = open(HandleId{}, scratch / u"tree", OpenFor::list_and_delete);
    Holder holder(path);
    ASSERT_TRUE(holder.holding());
    EXPECT_EQ(code_of(os().open_no_follow(root.get(), u"held.txt", OpenFor::delete_only)), 32u);
    ASSERT_EQ(holder.release(), 0u);
    {
        OwnedHandle file = open(root.get(), u"held.txt", OpenFor::delete_only);
        delete_through_handle(file.get());
    }
    EXPECT_FALSE(exists(path));
}

}  // namespace
}  // namespace tu::win32::test
