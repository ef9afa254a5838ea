#include "model/TextStream.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace tsm {

namespace {

// The C locale's isspace, spelled out so that no locale can change it.
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

int32_t ParseTextInt(std::string_view word) {
    size_t i = 0;
    bool negative = false;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) negative = word[i++] == '-';
    // Accumulated as a negative number, whose range reaches INT32_MIN.
    constexpr int64_t kLimit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
    int64_t value = 0;
    for (; i < word.size() && IsDigit(word[i]); ++i) {
        value = value * 10 - (word[i] - '0');
        if (value < -kLimit) value = -kLimit; // saturated; more digits change nothing
    }
    if (!negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return int32_t(value);
}

double ParseTextReal(std::string_view word) {
    size_t i = 0;
    bool negative = false;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) negative = word[i++] == '-';
    const size_t start = i;
    size_t digits = 0;
    for (; i < word.size() && IsDigit(word[i]); ++i) ++digits;
    if (i < word.size() && word[i] == '.') {
        ++i;
        for (; i < word.size() && IsDigit(word[i]); ++i) ++digits;
    }
    if (digits == 0) return 0.0;
    // An exponent counts only when at least one digit follows the letter and its sign.
    if (i < word.size() && (word[i] == 'e' || word[i] == 'E')) {
        size_t j = i + 1;
        if (j < word.size() && (word[j] == '+' || word[j] == '-')) ++j;
        if (j < word.size() && IsDigit(word[j])) {
            while (j < word.size() && IsDigit(word[j])) ++j;
            i = j;
        }
    }
    double value = 0.0;
    const char* first = word.data() + start;
    const char* last = word.data() + i;
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    // Out of range: an underflow is as good as 0, and an overflow is not finite.
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value)) return 0.0;
    return negative ? -value : value;
}

bool TextStream::NoWordLeft() {
    while (pos_ < bytes_.size() && IsSpace(bytes_[pos_])) ++pos_;
    return pos_ >= bytes_.size();
}

std::string_view TextStream::Word() {
    while (pos_ < bytes_.size() && IsSpace(bytes_[pos_])) ++pos_;
    const size_t start = pos_;
    while (pos_ < bytes_.size() && !IsSpace(bytes_[pos_])) ++pos_;
    return bytes_.substr(start, pos_ - start);
}

bool TextStream::TakeWordIf(std::string_view expected) {
    const size_t saved = pos_;
    if (Word() == expected) return true;
    pos_ = saved;
    return false;
}

bool TextStream::SkipPastWord(std::string_view expected) {
    for (std::string_view word = Word(); !word.empty(); word = Word())
        if (word == expected) return true;
    return false;
}

void TextStream::SkipRestOfLine() {
    while (pos_ < bytes_.size() && bytes_[pos_++] != '\n') {
    }
}

void TextStream::SkipLineBytes(size_t maxBytes) {
    for (size_t n = 0; n < maxBytes && pos_ < bytes_.size(); ++n)
        if (bytes_[pos_++] == '\n') break;
}

std::string TextStream::Line(size_t maxChars) {
    const size_t start = pos_;
    while (pos_ < bytes_.size() && bytes_[pos_] != '\n') ++pos_;
    size_t end = pos_;
    if (pos_ < bytes_.size()) ++pos_; // the line feed
    if (end > start && bytes_[end - 1] == '\r') --end;
    const size_t length = end - start < maxChars ? end - start : maxChars;
    return std::string(bytes_.substr(start, length));
}

const char* TextStream::TakeBytes(size_t count) {
    if (count > Remaining()) return nullptr;
    const char* p = bytes_.data() + pos_;
    pos_ += count;
    return p;
}

} // namespace tsm
