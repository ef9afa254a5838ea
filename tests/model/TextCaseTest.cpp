#include "model/TextCase.h"
#include "model/WriterLocale.h"

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

// The writer's locale names its code page in any case, and bytes outside ASCII never match a language.
TEST(TextCaseTest, WriterLocaleCodePagesInAnyCase) {
    const struct {
        const char* locale;
        const char* codePage;
    } cases[] = {
        {"ja-JP", "Shift_JIS"},
        {"zh-TW", "Big5"},
        {"ZH_hk", "Big5"},
        {"zh-mo", "Big5"},
        {"zh-CN", "GBK"},
        {"zh", "GBK"},
        {"RU-ru", "windows-1251"},
        {"el", "windows-1253"},
        {"", "windows-1252"},
        {"\xC4\xB1t", "windows-1252"},
        {"tr-\xC4\xB0", "windows-1254"},
    };
    for (const auto& c : cases) EXPECT_STREQ(CodePageForLocale(c.locale), c.codePage) << c.locale;
}

} // namespace
} // namespace tsm
