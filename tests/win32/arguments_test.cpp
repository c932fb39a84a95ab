// The table of command lines the helper splits by itself (tests/unit/arguments_test.cpp),
// held to the shell's own CommandLineToArgvW, which the helper no longer loads to read them.
#include <windows.h>

#include <shellapi.h>

#include "platform/win32/owners.h"
#include "support/split_command_lines.h"
#include "win32_test_support.h"

namespace tu::win32::test {
namespace {

TEST(Win32Arguments, TheTableIsHowTheShellSplits) {
    for (const auto& row : test_support::split_command_lines()) {
        SCOPED_TRACE(utf8(row.line));
        int count = 0;
        LocalBuffer<LPWSTR*> argv(::CommandLineToArgvW(w(row.line).c_str(), &count));
        ASSERT_TRUE(argv);
        std::vector<PString> shell;
        for (int i = 0; i < count; ++i) shell.emplace_back(units(argv.get()[i]));
        EXPECT_EQ(shell, row.args);
    }
}

}  // namespace
}  // namespace tu::win32::test
