// Words, lines and numbers of the text model file, read from its bytes in memory.
//
// Numbers follow the C library's atoi and atof rules but never consult the process locale: a file written
// with a decimal point must read the same under a comma-decimal locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tsm {

// atoi rules: optional sign, then decimal digits up to the first other character; no digits read as 0.
// Values beyond the int32 range saturate.
int32_t ParseTextInt(std::string_view word);

// atof rules for decimal numbers: optional sign, digits with an optional decimal point, optional exponent;
// the longest such prefix counts and anything else reads as 0. Values that are not finite (overflow,
// "inf", "nan") also read as 0: they would poison every computation that uses them.
double ParseTextReal(std::string_view word);

// Reads the bytes in place: they must outlive the stream.
class TextStream {
public:
    explicit TextStream(std::string_view bytes) : bytes_(bytes) {}

    // True when nothing but whitespace is left; the whitespace is consumed.
    bool NoWordLeft();
    size_t Remaining() const { return bytes_.size() - pos_; }

    // The next maximal run of non-whitespace bytes after skipping whitespace; empty at the end.
    std::string_view Word();
    // True, and the word consumed, when the next word equals `expected`; otherwise nothing is consumed.
    bool TakeWordIf(std::string_view expected);
    // Reads words up to and including `expected`; false when the end comes first.
    bool SkipPastWord(std::string_view expected);
    int32_t Int() { return ParseTextInt(Word()); }
    double Real() { return ParseTextReal(Word()); }

    // Skips up to and including the next line feed.
    void SkipRestOfLine();
    // Skips up to and including the next line feed, but no more than `maxBytes` bytes.
    void SkipLineBytes(size_t maxBytes);
    // The next whole line without its line end (a carriage return before the line feed is dropped),
    // cut to its first `maxChars` characters.
    std::string Line(size_t maxChars);
    // The next `count` raw bytes, or null (nothing consumed) when fewer remain.
    const char* TakeBytes(size_t count);

private:
    std::string_view bytes_;
    size_t pos_ = 0;
};

} // namespace tsm
