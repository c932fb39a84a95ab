// Files and folders by name, on real files in the Wine prefix.
#include <algorithm>

#include "platform/winpath.h"
#include "platform/win32/win32_platform.h"
#include "win32_test_support.h"

namespace tu::win32::test {
namespace {

Platform& os() { return platform(); }

TEST(Win32Files, CreateDirAllMakesEveryMissingParent) {
    ScratchFolder scratch;
    const PString deep = scratch / u"a\\b/c\\";
    ASSERT_EQ(code_of(os().create_dir_all(deep)), 0u);
    EXPECT_NE(attributes(scratch / u"a\\b\\c") & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(code_of(os().create_dir_all(deep)), 0u) << "an existing folder is fine";

    // Relative to the current directory, as a relative log folder is.
    const PString before = os().current_dir().value();
    ASSERT_TRUE(os().set_current_dir(scratch.path()).has_value());
    EXPECT_EQ(code_of(os().create_dir_all(u"rel\\x\\y")), 0u);
    ASSERT_TRUE(os().set_current_dir(before).has_value());
    EXPECT_NE(attributes(scratch / u"rel\\x\\y") & FILE_ATTRIBUTE_DIRECTORY, 0u);

    // A file where a folder should be.
    const PString file = scratch.file(u"plain.txt");
    EXPECT_EQ(code_of(os().create_dir_all(file)), 183u);
    EXPECT_NE(code_of(os().create_dir_all(file + u"\\sub\\deeper")), 0u);
}

TEST(Win32Files, AppendCreatesAndAppendsTruncateEmpties) {
    ScratchFolder scratch;
    const PString log = scratch / u"run.log";
    ASSERT_EQ(code_of(os().append_to_file(log, "first\n")), 0u);
    ASSERT_EQ(code_of(os().append_to_file(log, "second \xC3\xA9\n")), 0u);
    EXPECT_EQ(os().read_file(log).value(), "first\nsecond \xC3\xA9\n");

    // Another program reading the log meanwhile, sharing read, write and delete, as the
    // helper itself shares it.
    HANDLE reader = ::CreateFileW(w(log).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(code_of(os().append_to_file(log, "third\n")), 0u);
    ::CloseHandle(reader);

    ASSERT_EQ(code_of(os().create_truncate_file(log)), 0u);
    EXPECT_EQ(os().read_file(log).value(), "");
    ASSERT_EQ(code_of(os().create_truncate_file(scratch / u"new.log")), 0u);
    EXPECT_TRUE(exists(scratch / u"new.log"));
}

TEST(Win32Files, ReadsWholeFilesLargerThanOneChunk) {
    ScratchFolder scratch;
    std::string content(200'000, 'x');
    for (std::size_t i = 0; i < content.size(); i += 997) content[i] = static_cast<char>('a' + i % 26);
    const PString path = scratch.file(u"big.bin", content);
    EXPECT_EQ(os().read_file(path).value(), content);
}

TEST(Win32Files, FailuresCarryTheirCodes) {
    ScratchFolder scratch;
    const PString readonly = scratch.file(u"ro.log", "kept", FILE_ATTRIBUTE_READONLY);
    const PString folder = scratch.dir(u"folder");
    const PString missing = scratch / u"missing.txt";
    const PString missing_parent = scratch / u"nowhere\\missing.txt";

    // Wine keeps the read-only attribute in the Unix permissions, which do not stop root:
    // there, writers open read-only files, and so do these calls.
    HANDLE probe = ::CreateFileW(w(readonly).c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool system_refuses_writers = probe == INVALID_HANDLE_VALUE;
    if (!system_refuses_writers) ::CloseHandle(probe);
    if (system_refuses_writers) {
        EXPECT_EQ(code_of(os().append_to_file(readonly, "x")), 5u);
        EXPECT_EQ(code_of(os().create_truncate_file(readonly)), 5u);
        EXPECT_EQ(os().read_file(readonly).value(), "kept");
    }
    EXPECT_EQ(code_of(os().append_to_file(missing_parent, "x")), 3u);
    EXPECT_EQ(code_of(os().read_file(missing)), 2u);
    EXPECT_EQ(code_of(os().read_file(missing_parent)), 3u);

    // Whether an entry is there: no failure for what is missing, whatever the kind.
    EXPECT_EQ(os().entry_exists(missing), false);
    EXPECT_EQ(os().entry_exists(missing_parent), false);
    EXPECT_EQ(os().entry_exists(folder), true);
    EXPECT_EQ(os().entry_exists(readonly), true);
}

TEST(Win32Files, FileInfoReportsKindAndReadOnly) {
    ScratchFolder scratch;
    const PString folder = scratch.dir(u"folder");
    const PString file = scratch.file(u"file.txt");
    const PString readonly = scratch.file(u"ro.txt", "x", FILE_ATTRIBUTE_READONLY);

    for (bool follow : {true, false}) {
        auto dir_info = os().file_info(folder, follow);
        ASSERT_TRUE(dir_info.has_value());
        EXPECT_TRUE(dir_info->directory);
        EXPECT_FALSE(dir_info->reparse_point);

        auto file_info = os().file_info(file, follow);
        ASSERT_TRUE(file_info.has_value());
        EXPECT_TRUE(file_info->regular_file());
        EXPECT_FALSE(file_info->readonly);

        auto ro_info = os().file_info(readonly, follow);
        ASSERT_TRUE(ro_info.has_value());
        EXPECT_TRUE(ro_info->regular_file());
        EXPECT_TRUE(ro_info->readonly);

        EXPECT_EQ(code_of(os().file_info(scratch / u"missing", follow)), 2u);
        EXPECT_EQ(code_of(os().file_info(scratch / u"missing\\x", follow)), 3u);
    }
}

TEST(Win32Files, FinalPathIgnoresCaseSeparatorsAndDotDot) {
    ScratchFolder scratch;
    const PString file = scratch.file(u"Sub Dir\\File.TXT");
    const PString folder = scratch / u"Sub Dir";
    auto exact = os().final_path(file);
    ASSERT_TRUE(exact.has_value()) << exact.error().code;
    EXPECT_TRUE(exact->starts_with(u"\\\\?\\C:\\")) << utf8(*exact);
    EXPECT_TRUE(exact->ends_with(u"\\Sub Dir\\File.TXT")) << utf8(*exact);

    PString lower = file;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; });
    PString slashes = file;
    std::replace(slashes.begin(), slashes.end(), u'\\', u'/');
    const PString dotdot = scratch / u"Sub Dir\\..\\Sub Dir\\.\\File.TXT";
    for (const PString& variant : {lower, slashes, dotdot}) {
        auto resolved = os().final_path(variant);
        ASSERT_TRUE(resolved.has_value()) << utf8(variant);
        EXPECT_EQ(*resolved, *exact) << utf8(variant);
    }

    auto folder_path = os().final_path(folder + u"\\");
    ASSERT_TRUE(folder_path.has_value());
    EXPECT_TRUE(folder_path->ends_with(u"\\Sub Dir")) << utf8(*folder_path);

    EXPECT_EQ(code_of(os().final_path(scratch / u"missing")), 2u);
}

TEST(Win32Files, ListDirReportsEveryEntryButDots) {
    ScratchFolder scratch;
    scratch.file(u"list\\a.txt");
    scratch.file(u"list\\ro.txt", "x", FILE_ATTRIBUTE_READONLY);
    scratch.dir(u"list\\sub");
    scratch.file(u"list\\sub\\below.txt");
    const PString empty = scratch.dir(u"empty");

    auto listing = os().list_dir(scratch / u"list");
    ASSERT_TRUE(listing.has_value()) << listing.error().code;
    std::vector<std::pair<std::string, std::string>> seen;
    for (const auto& entry : *listing) {
        ASSERT_TRUE(entry.has_value()) << entry.error().code;
        const std::string kind = entry->info.directory ? "dir" : (entry->info.readonly ? "ro" : "file");
        seen.emplace_back(utf8(entry->name), kind);
    }
    std::sort(seen.begin(), seen.end());
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"a.txt", "file"}, {"ro.txt", "ro"}, {"sub", "dir"}};
    EXPECT_EQ(seen, expected);

    auto nothing = os().list_dir(empty);
    ASSERT_TRUE(nothing.has_value());
    EXPECT_TRUE(nothing->empty());
    // A trailing separator is fine too.
    EXPECT_TRUE(os().list_dir(empty + u"\\").has_value());

    EXPECT_EQ(code_of(os().list_dir(scratch / u"missing")), 3u);
    // A file is no folder; the code differs between systems (Wine: 123, invalid name).
    EXPECT_NE(code_of(os().list_dir(scratch / u"list\\a.txt")), 0u);
}

TEST(Win32Files, FileHeldByAnotherProcessIsDeletedOnceReleased) {
    ScratchFolder scratch;
    const PString file = scratch.file(u"held.txt");
    Holder holder(file);
    ASSERT_TRUE(holder.holding());

    EXPECT_EQ(code_of(os().open_no_follow(HandleId{}, file, OpenFor::delete_only)), 32u);
    // Still present for the presence test, which asks for no access rights.
    EXPECT_TRUE(os().file_info(file, true).has_value());
    ASSERT_EQ(holder.release(), 0u);
    EXPECT_EQ(code_of(os().open_no_follow(HandleId{}, file, OpenFor::delete_only)), 0u);
}

// A holder that shares delete lets the deletion through, and the file stays in its folder
// until it lets go: only the folder's listing still shows it.
TEST(Win32Files, FileHeldWithDeleteSharingStaysUntilReleased) {
    ScratchFolder scratch;
    const PString file = scratch.file(u"shared.txt");
    Holder holder(file, true);
    ASSERT_TRUE(holder.holding());
    bool posix = false;  // POSIX semantics (Windows 10 and later) unlink the name at once
    {
        auto opened = os().open_no_follow(HandleId{}, file, OpenFor::delete_only);
        ASSERT_TRUE(opened.has_value());
        OwnedHandle handle(os(), *opened);
        posix = os().set_disposition(handle.get(), Disposition::extended).has_value();
        if (!posix) {
            ASSERT_EQ(code_of(os().set_disposition(handle.get(), Disposition::classic)), 0u);
        }
    }
    EXPECT_EQ(os().entry_exists(file), !posix);
    ASSERT_EQ(holder.release(), 0u);
    EXPECT_EQ(os().entry_exists(file), false);
}

}  // namespace
}  // namespace tu::win32::test
