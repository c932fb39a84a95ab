// A test program that ends half way with status 0, as a test program that closes its own
// output or calls exit() deep in support code would. It exists only to prove that
// tools/judge.sh fails such a run; it is never a test of the helper.
#include <gtest/gtest.h>

#include <cstdlib>

TEST(EarlyExit, RunsBeforeTheEnd) { SUCCEED(); }

TEST(EarlyExit, EndsTheProgram) { std::exit(0); }

TEST(EarlyExit, NeverRuns) { SUCCEED(); }
