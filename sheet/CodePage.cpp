#include "sheet/CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
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

} // namespace

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

std::optional<std::string> EncodeModelString(const QString& text, const std::string& writerLocale) {
    const char* codePage = CodePageForLocale(writerLocale);
    if (std::strcmp(codePage, "windows-1252") == 0) {
        std::string out;
        for (QChar c : text) {
            const char16_t u = c.unicode();
            const char16_t* high = std::find(std::begin(kCp1252High), std::end(kCp1252High), u);
            if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
                out.push_back(static_cast<char>(u));
            else if (high != std::end(kCp1252High))
                out.push_back(static_cast<char>(0x80 + (high - std::begin(kCp1252High))));
            else
                return std::nullopt;
        }
        return out;
    }
    QStringEncoder encoder(codePage);
    if (!encoder.isValid()) return std::nullopt;
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError()) return std::nullopt;
    std::string out(bytes.constData(), static_cast<size_t>(bytes.size()));
    // Encoders replace what the code page lacks by '?'; reading back tells such a loss apart.
    if (DecodeModelString(out, writerLocale) != text) return std::nullopt;
    return out;
}

} // namespace tsm
