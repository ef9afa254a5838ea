// Numbers for the text exports in the C library's "%f" and "%d" forms, independent of the process locale:
// a viewer running under a locale with a decimal comma must still write files that other programs parse.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>

namespace tsm {

// Appends what printf("%f", value) gives in the C locale: six decimals, rounded to nearest (ties to even
// on the exact binary value), "-0.000000" for negative zero and small negatives, "inf"/"nan" as glibc
// spells them.
inline void AppendFixed6(std::string& out, double value) {
    char buffer[400]; // the longest finite double has 309 integer digits
    const std::to_chars_result result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    out.append(buffer, result.ptr);
}

// Appends what printf("%d") gives.
inline void AppendInt(std::string& out, int64_t value) {
    char buffer[24];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

} // namespace tsm
