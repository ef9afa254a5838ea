#include "model/MeshText.h"

#include <charconv>
#include <cmath>

namespace tsm::meshtext {

bool LineCursor::Next(std::string_view& line) {
    if (pos_ >= bytes_.size()) return false;
    size_t end = pos_;
    while (end < bytes_.size() && bytes_[end] != '\n' && bytes_[end] != '\r') ++end;
    line = bytes_.substr(pos_, end - pos_);
    if (end < bytes_.size() && bytes_[end] == '\r') ++end;
    if (end < bytes_.size() && bytes_[end] == '\n') ++end;
    pos_ = end;
    ++line_;
    return true;
}

void Tokenise(std::string_view line, std::vector<std::string_view>& tokens, char comment) {
    tokens.clear();
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\v' || line[i] == '\f'))
            ++i;
        if (i >= line.size() || (comment != 0 && line[i] == comment)) return;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\v' && line[i] != '\f' &&
               !(comment != 0 && line[i] == comment))
            ++i;
        tokens.push_back(line.substr(start, i - start));
    }
}

bool ParseDouble(std::string_view token, double& value) {
    if (token.empty()) return false;
    const char* first = token.data();
    const char* last = token.data() + token.size();
    if (*first == '+') ++first; // from_chars takes no plus sign, files often carry one
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last && std::isfinite(value);
}

bool ParseInteger(std::string_view token, long long& value) {
    if (token.empty()) return false;
    const char* first = token.data();
    const char* last = token.data() + token.size();
    if (*first == '+') ++first;
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last;
}

Outcome FailedAtLine(const std::string& fileName, size_t line, const std::string& what) {
    return Outcome::Failed(fileName + ", line " + std::to_string(line) + ": " + what);
}

Outcome FailedAtRecord(const std::string& fileName, const std::string& record, size_t number,
                       const std::string& what) {
    return Outcome::Failed(fileName + ", " + record + " " + std::to_string(number) + ": " + what);
}

std::string Quote(std::string_view token) {
    constexpr size_t kMaxShown = 24;
    std::string shown(token.substr(0, kMaxShown));
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) c = '?';
    if (token.size() > kMaxShown) shown += "...";
    return "\"" + shown + "\"";
}

} // namespace tsm::meshtext
