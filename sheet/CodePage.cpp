#include "sheet/CodePage.h"

#include <QStringDecoder>

#include <cctype>
#include <cstring>

namespace tsm {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. The five bytes it leaves undefined keep their C1
// code points, as web browsers do, so that no byte disappears.
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString DecodeCp1252(const std::string& bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (unsigned char b : bytes)
        text.append(QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b)));
    return text;
}

std::string Language(const std::string& locale) {
    std::string language;
    for (char c : locale) {
        if (c == '-' || c == '_') break;
        language.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    return language;
}

} // namespace

const char* CodePageForLocale(const std::string& writerLocale) {
    const std::string language = Language(writerLocale);
    std::string region;
    const size_t dash = writerLocale.find_first_of("-_");
    if (dash != std::string::npos)
        for (char c : writerLocale.substr(dash + 1)) region.push_back(static_cast<char>(std::toupper(c)));

    if (language == "ja") return "Shift_JIS";
    if (language == "zh") return (region == "TW" || region == "HK" || region == "MO") ? "Big5" : "GBK";
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

QString DecodeModelString(const std::string& bytes, const std::string& writerLocale) {
    const char* codePage = CodePageForLocale(writerLocale);
    if (std::strcmp(codePage, "windows-1252") == 0) return DecodeCp1252(bytes);
    QStringDecoder decoder(codePage);
    if (!decoder.isValid()) return DecodeCp1252(bytes);
    QString text = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return decoder.hasError() ? DecodeCp1252(bytes) : text;
}

std::string DecodeModelStringToUtf8(const std::string& bytes, const std::string& writerLocale) {
    return DecodeModelString(bytes, writerLocale).toStdString();
}

} // namespace tsm
