#include "model/MeshText.h"

#include <gtest/gtest.h>

using namespace tsm::meshtext;

namespace {

std::vector<std::string> Lines(std::string_view text, std::vector<size_t>* numbers = nullptr) {
    LineCursor cursor(text);
    std::string_view line;
    std::vector<std::string> lines;
    while (cursor.Next(line)) {
        lines.emplace_back(line);
        if (numbers) numbers->push_back(cursor.LineNumber());
    }
    return lines;
}

TEST(MeshTextTest, LinesEndAtEveryKindOfLineEnd) {
    std::vector<size_t> numbers;
    EXPECT_EQ(Lines("a\nb\r\nc\rd", &numbers), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(numbers, (std::vector<size_t>{1, 2, 3, 4}));
    // Empty lines count, and "\n\r" is two line ends.
    EXPECT_EQ(Lines("\n\nx\n"), (std::vector<std::string>{"", "", "x"}));
    EXPECT_EQ(Lines("a\n\rb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(Lines("").empty());
}

TEST(MeshTextTest, NumbersAreWholeFiniteTokensAndQuotesAreSafe) {
    double d = 0;
    long long i = 0;
    for (const char* bad : {"", "1.5x", "nan", "inf", "-inf", "1e400", "+", "--1", "0x10"})
        EXPECT_FALSE(ParseDouble(bad, d)) << bad;
    for (const char* bad : {"", "4.0", "1e3", "99999999999999999999", "x"})
        EXPECT_FALSE(ParseInteger(bad, i)) << bad;
    EXPECT_TRUE(ParseInteger("+42", i));
    EXPECT_EQ(i, 42);
    // Quoted tokens are shortened and never carry control bytes into a message box.
    EXPECT_EQ(Quote("ab\x01"), "\"ab?\"");
    EXPECT_EQ(Quote(std::string(30, 'x')), "\"" + std::string(24, 'x') + "...\"");
}

TEST(MeshTextTest, TokensStopAtComments) {
    std::vector<std::string_view> tokens;
    Tokenise("  v\t1  2 #3 4", tokens);
    EXPECT_EQ(tokens, (std::vector<std::string_view>{"v", "1", "2"}));
    Tokenise("a#b", tokens);
    EXPECT_EQ(tokens, (std::vector<std::string_view>{"a"}));
    Tokenise("a#b", tokens, 0);
    EXPECT_EQ(tokens, (std::vector<std::string_view>{"a#b"}));
    Tokenise("   ", tokens);
    EXPECT_TRUE(tokens.empty());
}

} // namespace
