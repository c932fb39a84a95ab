// The fake platform must behave like Windows where the logic depends on it; these cases pin
// the behaviours the other tests rely on.
#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "platform/text.h"

namespace tu::fake {
namespace {

TEST(FakePlatform, PathsIgnoreCaseSeparatorsAndDots) {
    FakePlatform os;
    os.add_file(u"C:\\Tarvo\\App\\a.exe");
    EXPECT_TRUE(os.exists(u"c:/tarvo/app/A.EXE"));
    EXPECT_TRUE(os.exists(u"C:\\Tarvo\\x\\..\\App\\a.exe"));
    EXPECT_EQ(os.final_path(u"c:/TARVO/app/./a.exe").value(), u"\\\\?\\C:\\Tarvo\\App\\a.exe");
    EXPECT_EQ(os.final_path(u"C:\\Tarvo\\missing").error().code, win32_error::file_not_found);
    EXPECT_EQ(os.final_path(u"C:\\Tarvo\\missing\\x").error().code, win32_error::path_not_found);
}

TEST(FakePlatform, LinksAreFollowedExceptWhereAskedNotTo) {
    FakePlatform os;
    os.add_file(u"C:\\Outside\\keep.txt", "k");
    os.add_junction(u"C:\\Tarvo\\App\\j", u"C:\\Outside");
    EXPECT_EQ(os.final_path(u"C:\\Tarvo\\App\\j\\keep.txt").value(), u"\\\\?\\C:\\Outside\\keep.txt");
    EXPECT_TRUE(os.file_info(u"C:\\Tarvo\\App\\j", false).value().name_surrogate());
    EXPECT_FALSE(os.file_info(u"C:\\Tarvo\\App\\j", true).value().reparse_point);
    // Removing the junction leaves its target alone.
    ASSERT_TRUE(os.remove_directory(u"C:\\Tarvo\\App\\j"));
    EXPECT_TRUE(os.exists(u"C:\\Outside\\keep.txt"));
}

TEST(FakePlatform, DispositionTakesEffectOnCloseAndRespectsReadOnly) {
    FakePlatform os;
    os.add_file(u"C:\\d\\ro.txt", "x", true);
    auto h = os.open_no_follow(HandleId{}, u"C:\\d\\ro.txt", OpenFor::delete_only).value();
    EXPECT_EQ(os.set_disposition(h, Disposition::classic).error().code, win32_error::access_denied);
    ASSERT_TRUE(os.clear_readonly(h));
    ASSERT_TRUE(os.set_disposition(h, Disposition::classic));
    EXPECT_TRUE(os.exists(u"C:\\d\\ro.txt"));
    os.close(h);
    EXPECT_FALSE(os.exists(u"C:\\d\\ro.txt"));
    EXPECT_EQ(os.open_handles(), 0);
}

TEST(FakePlatform, HeldFilesRefuseDeletionUntilReleased) {
    FakePlatform os;
    os.add_file(u"C:\\d\\busy.txt");
    os.hold_open(u"C:\\d\\busy.txt");
    EXPECT_EQ(os.delete_file(u"C:\\d\\busy.txt").error().code, win32_error::sharing_violation);
    EXPECT_EQ(os.open_no_follow(HandleId{}, u"C:\\d\\busy.txt", OpenFor::delete_only).error().code,
              win32_error::sharing_violation);
    os.release(u"C:\\d\\busy.txt");
    EXPECT_TRUE(os.delete_file(u"C:\\d\\busy.txt"));
}

TEST(FakePlatform, ErrorCodesMatchWindows) {
    FakePlatform os;
    os.add_file(u"C:\\d\\f.txt");
    os.add_file(u"C:\\d\\sub\\g.txt");
    EXPECT_EQ(os.remove_directory(u"C:\\d\\sub").error().code, win32_error::dir_not_empty);
    EXPECT_EQ(os.remove_directory(u"C:\\d\\f.txt").error().code, win32_error::directory_expected);
    EXPECT_EQ(os.delete_file(u"C:\\d\\sub").error().code, win32_error::access_denied);
    EXPECT_EQ(os.delete_file(u"C:\\d\\nope").error().code, win32_error::file_not_found);
    EXPECT_EQ(os.delete_file(u"C:\\nope\\x").error().code, win32_error::path_not_found);
}

TEST(FakePlatform, FaultsAndPerEntryListingErrors) {
    FakePlatform os;
    os.add_file(u"C:\\d\\a.txt");
    os.add_file(u"C:\\d\\b.txt");
    os.fault = [](fake::Op op, PStringView path) -> std::optional<std::uint32_t> {
        if (op == fake::Op::list_entry && path.ends_with(u"a.txt")) return win32_error::file_not_found;
        return std::nullopt;
    };
    auto listing = os.list_dir(u"C:\\d").value();
    ASSERT_EQ(listing.size(), 2u);
    EXPECT_EQ(listing[0].error().code, win32_error::file_not_found);
    EXPECT_EQ(to_utf8(listing[1].value().name), "b.txt");
}

TEST(FakePlatform, CurrentDirectoryKeepsTheLexicalForm) {
    FakePlatform os;
    ASSERT_TRUE(os.set_current_dir(os.temp));
    EXPECT_EQ(os.current_dir().value(), u"C:\\Users\\tester\\AppData\\Local\\Temp");
    os.add_file(u"C:\\Users\\tester\\AppData\\Local\\Temp\\rel.txt");
    EXPECT_TRUE(os.exists(u"rel.txt"));
}

}  // namespace
}  // namespace tu::fake
