// Line and number scanning shared by the text mesh readers, with the wording of their failure messages.
#pragma once

#include "model/Outcome.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tsm::meshtext {

// Walks the bytes line by line; a line ends at "\n", "\r\n" or a lone "\r".
class LineCursor {
public:
    explicit LineCursor(std::string_view bytes) : bytes_(bytes) {}
    // The next line without its end; false at the end of the bytes.
    bool Next(std::string_view& line);
    // 1-based number of the line Next gave last.
    size_t LineNumber() const { return line_; }
    size_t Offset() const { return pos_; }
    size_t BytesLeft() const { return bytes_.size() - pos_; }

private:
    std::string_view bytes_;
    size_t pos_ = 0;
    size_t line_ = 0;
};

// Splits at spaces and tabs; text from `comment` on is dropped when `comment` is not 0.
void Tokenise(std::string_view line, std::vector<std::string_view>& tokens, char comment = '#');

// A finite number in C notation, the whole token; false otherwise.
bool ParseDouble(std::string_view token, double& value);
// A whole-token integer in the range of long long; false otherwise.
bool ParseInteger(std::string_view token, long long& value);

// A reader's failure at a place: "<file>, line <n>: <what>".
Outcome FailedAtLine(const std::string& fileName, size_t line, const std::string& what);
// "<file>, <record> <n>: <what>", n 1-based ("triangle 3", "vertex 12").
Outcome FailedAtRecord(const std::string& fileName, const std::string& record, size_t number,
                       const std::string& what);
// Shortens a token for quoting in a message.
std::string Quote(std::string_view token);

} // namespace tsm::meshtext
