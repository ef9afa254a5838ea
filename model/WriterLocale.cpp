#include "model/WriterLocale.h"

#include "model/TextCase.h"

#include <cstring>

namespace tsm {

namespace {

std::string Language(const std::string& locale) {
    std::string language;
    for (char c : locale) {
        if (c == '-' || c == '_') break;
        language.push_back(AsciiLower(c));
    }
    return language;
}

} // namespace

const char* CodePageForLocale(const std::string& writerLocale) {
    const std::string language = Language(writerLocale);
    const size_t dash = writerLocale.find_first_of("-_");
    const std::string region = dash != std::string::npos ? AsciiLower(writerLocale.substr(dash + 1)) : "";

    if (language == "ja") return "Shift_JIS";
    if (language == "zh") return (region == "tw" || region == "hk" || region == "mo") ? "Big5" : "GBK";
    if (language == "ko") return "EUC-KR";
    if (language == "th") return "windows-874";
    static const struct {
        const char* languages;
        const char* codePage;
    } kTable[] = {
        {" ru uk be bg sr mk kk ky tt mn ", "windows-1251"},
        {" pl cs sk hu hr sl ro sq bs ", "windows-1250"},
        {" el ", "windows-1253"},
        {" tr az uz ", "windows-1254"},
        {" he yi ", "windows-1255"},
        {" ar fa ur ", "windows-1256"},
        {" lt lv et ", "windows-1257"},
        {" vi ", "windows-1258"},
    };
    const std::string needle = " " + language + " ";
    for (const auto& row : kTable)
        if (!language.empty() && std::strstr(row.languages, needle.c_str())) return row.codePage;
    return "windows-1252";
}

} // namespace tsm
