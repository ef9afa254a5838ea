#include "model/TextCase.h"

#include <gtest/gtest.h>

namespace tsm {
namespace {

// Only ASCII letters fold: bytes of other scripts match only themselves, whatever the locale.
TEST(TextCaseTest, EndingsAndWholeWordsMatchInAnyAsciiCase) {
    const struct {
        const char* text;
        const char* lower;
        bool ends, equals;
    } cases[] = {
        {"Model.TSM", ".tsm", true, false},
        {".Tsm", ".tsm", true, true},
        {"sm", ".tsm", false, false},
        {"", "", true, true},
        {"a.tsmx", ".tsm", false, false},
        {"EN-us", "en-us", true, true},
        {"\xC3\x89.png", "\xC3\xA9.png", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(EndsWithAsciiLower(c.text, c.lower), c.ends);
        EXPECT_EQ(EqualsAsciiLower(c.text, c.lower), c.equals);
    }
    EXPECT_EQ(AsciiLower("C:\\Users\\X.PNG"), "c:\\users\\x.png");
}

} // namespace
} // namespace tsm
