// The helper's own splitting of its command line, row by row as Windows splits it.
#include <gtest/gtest.h>

#include "platform/arguments.h"
#include "platform/text.h"
#include "support/split_command_lines.h"

namespace tu {
namespace {

TEST(SplitArguments, AsWindowsSplitsTheCommandLine) {
    for (const auto& row : test_support::split_command_lines()) {
        SCOPED_TRACE(to_utf8(row.line));
        EXPECT_EQ(split_arguments(row.line), row.args);
    }
    EXPECT_TRUE(split_arguments(u"").empty());
}

}  // namespace
}  // namespace tu
