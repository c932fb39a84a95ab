// Process information and the process environment, with real processes. A real parent and
// its image path, and the own module path, are held by the caller check's tests (tests/authz).
#include <ctime>

#include "platform/text.h"
#include "platform/win32/win32_platform.h"
#include "win32_test_support.h"

namespace tu::win32::test {
namespace {

Platform& os() { return platform(); }

std::vector<std::string> lines_of(PStringView path) {
    std::vector<std::string> lines;
    const std::string content = os().read_file(path).value_or("");
    std::size_t start = 0;
    for (std::size_t end; (end = content.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(content.substr(start, end - start));
    }
    return lines;
}

TEST(Win32Process, ImageOfAMissingProcessFailsToOpen) {
    // Process ids are multiples of 4; this one is never handed out.
    auto image = os().process_image_path(0xFFFFFFF0u);
    ASSERT_FALSE(image.has_value());
    EXPECT_EQ(image.error().step, ImageQueryStep::open);
    EXPECT_EQ(image.error().error.code, 87u);
}

TEST(Win32Process, ArgumentsAreSplitAsWindowsSplitsThem) {
    ScratchFolder scratch;
    const PString out = scratch / u"args.txt";
    const std::vector<PString> given = {u"plain", u"two words", u"quote\"inside", u"C:\\ends in\\", u"",
                                        u"Zkou\u0161ka \u010D. 1", u"--app-folder=LCkapta"};
    std::vector<PString> arguments = {u"args", out};
    arguments.insert(arguments.end(), given.begin(), given.end());
    Child child(arguments);
    ASSERT_EQ(child.wait(), 0u);
    std::vector<std::string> expected;
    for (const auto& argument : given) expected.push_back(utf8(argument));
    EXPECT_EQ(lines_of(out), expected);
}

TEST(Win32Environment, TempDirIsTheTempPathWithItsBackslash) {
    auto temp = os().temp_dir();
    ASSERT_TRUE(temp.has_value()) << temp.error().code;
    // Wine exports no GetTempPath2W, so this is the GetTempPathW fallback here; where both
    // exist they agree for a process that is not a system service.
    wchar_t expected[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, expected);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(w(*temp), std::wstring(expected, length));
    EXPECT_TRUE(temp->ends_with(u'\\'));
    EXPECT_NE(attributes(*temp) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

// Setting and reading back, and a missing folder, are in the platform contract.
TEST(Win32Environment, CurrentDirLongerThanTheFirstBufferIsReadWhole) {
    const PString before = os().current_dir().value();
    ScratchFolder scratch;
    const PString deep = scratch.dir(u"first level\\" + PString(120, u'd') + u"\\" + PString(120, u'e'));
    if (auto set = os().set_current_dir(deep); set.has_value()) {
        EXPECT_EQ(os().current_dir().value(), deep);
    } else {
        EXPECT_EQ(set.error().code, 206u);  // a Windows without long-path support
    }
    ASSERT_TRUE(os().set_current_dir(before).has_value());
}

TEST(Win32Clock, UnixTicksAgreeWithTheRuntimeClock) {
    const std::int64_t ticks = os().now_unix_ticks();
    const std::int64_t seconds = static_cast<std::int64_t>(std::time(nullptr));
    EXPECT_LT(std::llabs(ticks / 10'000'000 - seconds), 120);
}

}  // namespace
}  // namespace tu::win32::test
