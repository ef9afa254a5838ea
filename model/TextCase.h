// Case-blind comparisons of file names, extensions and option words: ASCII only, whatever the locale says,
// so that a name matches the same way on every machine.
#pragma once

#include <string>
#include <string_view>

namespace tsm {

inline char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

inline std::string AsciiLower(std::string text) {
    for (char& c : text) c = AsciiLower(c);
    return text;
}

// Whether `text` ends with `lowerEnding` (given in lower case), in any case.
inline bool EndsWithAsciiLower(std::string_view text, std::string_view lowerEnding) {
    if (text.size() < lowerEnding.size()) return false;
    const std::string_view tail = text.substr(text.size() - lowerEnding.size());
    for (size_t i = 0; i < tail.size(); ++i)
        if (AsciiLower(tail[i]) != lowerEnding[i]) return false;
    return true;
}

// Whether `text` is `lower` (given in lower case) in any case.
inline bool EqualsAsciiLower(std::string_view text, std::string_view lower) {
    return text.size() == lower.size() && EndsWithAsciiLower(text, lower);
}

} // namespace tsm
