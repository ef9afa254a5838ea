#include "app/CommandLine.h"

namespace tsm {

std::string CommandLineText(const std::vector<std::string>& arguments) {
    std::string text;
    for (size_t i = 1; i < arguments.size(); ++i) {
        if (i > 1) text += ' ';
        text += arguments[i];
    }
    return text;
}

std::string PathFromCommandLine(const std::string& text) {
    if (text.empty() || text.front() != '"') return text;
    // A lone quote leaves nothing.
    if (text.size() < 2) return {};
    return text.substr(1, text.size() - 2);
}

} // namespace tsm
