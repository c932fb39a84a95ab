// Message texts: their wording is the platform's (Wine's differs from Windows'), so only
// their shape is checked.
#include "platform/win32/win32_platform.h"
#include "win32_test_support.h"

namespace tu::win32::test {
namespace {

Platform& os() { return platform(); }

bool ends_in_white_space(const std::string& text) {
    return !text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\r' || text.back() == '\t');
}

TEST(Win32Messages, SystemMessagesLoseTheirLineEnd) {
    for (std::uint32_t code : {2u, 3u, 5u, 32u, 87u, 145u, 267u}) {
        const std::string message = os().system_message(code);
        EXPECT_FALSE(message.empty()) << code;
        EXPECT_FALSE(ends_in_white_space(message)) << code << ": [" << message << "]";
    }
    EXPECT_EQ(os().system_message(0x0BADC0DE), "");
}

TEST(Win32Messages, StatusMessagesLoseTheirLineEndOrAreEmpty) {
    // COM statuses, Win32 codes as statuses, and an NT status (bit 28) whose text comes from
    // ntdll's table, which Wine does not have.
    for (std::uint32_t status : {0x80004005u, 0x80070002u, 0x80070005u, 0x80010106u, 0xD0000022u}) {
        const std::string message = os().status_message(status);
        EXPECT_FALSE(ends_in_white_space(message)) << std::hex << status << ": [" << message << "]";
    }
    EXPECT_FALSE(os().status_message(0x80004005u).empty());
    EXPECT_EQ(os().status_message(0xD0BADC0Du), "");
    EXPECT_EQ(os().status_message(0x8BADC0DEu), "");
}

}  // namespace
}  // namespace tu::win32::test
