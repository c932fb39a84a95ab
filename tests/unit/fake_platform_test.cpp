// The fake's own machinery. What it says about Windows is held to Windows by the platform
// contract (tests/contract); here, what only the fake has: scripted faults.
#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "platform/text.h"

namespace tu::fake {
namespace {

TEST(FakePlatform, FaultsAndPerEntryListingErrors) {
    FakePlatform os;
    os.add_file(u"C:\\d\\a.txt");
    os.add_file(u"C:\\d\\b.txt");
    os.fault = [](Op op, PStringView path) -> std::optional<std::uint32_t> {
        if (op == Op::list_entry && path.ends_with(u"a.txt")) return win32_error::file_not_found;
        return std::nullopt;
    };
    auto listing = os.list_dir(u"C:\\d").value();
    ASSERT_EQ(listing.size(), 2u);
    EXPECT_EQ(listing[0].error().code, win32_error::file_not_found);
    EXPECT_EQ(to_utf8(listing[1].value().name), "b.txt");
}

}  // namespace
}  // namespace tu::fake
