#include "cli/Json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tsm {

void JsonWriter::Indent() {
    out_.push_back('\n');
    out_.append(levels_.size(), ' ');
}

void JsonWriter::BeforeValue(bool opensObject) {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (levels_.empty()) return;
    Level& level = levels_.back();
    if (!level.empty) out_.append(opensObject ? "," : ", ");
    if (opensObject) Indent();
    level.empty = false;
}

void JsonWriter::BeginObject() {
    BeforeValue(true);
    out_.push_back('{');
    levels_.push_back({true});
}

void JsonWriter::EndObject() {
    const bool empty = levels_.back().empty;
    levels_.pop_back();
    if (!empty) Indent();
    out_.push_back('}');
}

void JsonWriter::BeginArray() {
    BeforeValue(false);
    out_.push_back('[');
    levels_.push_back({false});
}

void JsonWriter::EndArray() {
    levels_.pop_back();
    out_.push_back(']');
}

void JsonWriter::Key(const std::string& key) {
    Level& level = levels_.back();
    if (!level.empty) out_.push_back(',');
    level.empty = false;
    Indent();
    afterKey_ = true; // the key is written like a value that needs no separator
    String(key);
    out_.append(": ");
    afterKey_ = true;
}

void JsonWriter::String(const std::string& utf8) {
    BeforeValue(false);
    out_.push_back('"');
    for (unsigned char c : utf8) {
        switch (c) {
        case '"':
            out_.append("\\\"");
            break;
        case '\\':
            out_.append("\\\\");
            break;
        case '\n':
            out_.append("\\n");
            break;
        case '\r':
            out_.append("\\r");
            break;
        case '\t':
            out_.append("\\t");
            break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out_.append(escaped);
            } else {
                out_.push_back(static_cast<char>(c));
            }
        }
    }
    out_.push_back('"');
}

void JsonWriter::Number(double value) {
    if (!std::isfinite(value)) {
        Null();
        return;
    }
    BeforeValue(false);
    // to_chars gives the shortest round-tripping form and ignores the C locale, which Qt sets from the
    // environment.
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out_.append(buffer, result.ptr);
}

void JsonWriter::Int(long long value) {
    BeforeValue(false);
    out_.append(std::to_string(value));
}

void JsonWriter::Bool(bool value) {
    BeforeValue(false);
    out_.append(value ? "true" : "false");
}

void JsonWriter::Null() {
    BeforeValue(false);
    out_.append("null");
}

} // namespace tsm
