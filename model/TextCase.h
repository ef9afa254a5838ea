// Case-blind comparisons of file names, extensions and option words: ASCII only, whatever the locale says,
// so that a name matches the same way on every machine.
#pragma once

#include <string>

namespace tsm {

inline std::string AsciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return text;
}

} // namespace tsm
