#include "app/CommandLine.h"

#include <gtest/gtest.h>

using namespace tsm;

TEST(CommandLine, SurroundingQuotesAreDropped) {
    // A quote inside the text is not looked at.
    EXPECT_EQ(PathFromCommandLine("a\"b.tsm"), "a\"b.tsm");
    // Leading quote: the first and last characters go whatever the last one is.
    EXPECT_EQ(PathFromCommandLine("\"box.tsm"), "box.ts");
    // Degenerate quotes give nothing rather than reading out of range.
    EXPECT_EQ(PathFromCommandLine("\""), "");
    EXPECT_EQ(PathFromCommandLine("\"\""), "");
    EXPECT_EQ(PathFromCommandLine(""), "");
}
