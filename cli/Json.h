// A streaming JSON writer: objects break lines, arrays of plain values stay on one line.
#pragma once

#include <string>
#include <vector>

namespace tsm {

class JsonWriter {
public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    void Key(const std::string& key);
    void String(const std::string& utf8);
    void Number(double value); // shortest text that reads back as the same double; null if not finite
    void Int(long long value);
    void Bool(bool value);
    void Null();

    const std::string& Text() const { return out_; }

private:
    struct Level {
        bool isObject;
        bool empty = true;
    };
    void BeforeValue(bool opensObject);
    void Indent();

    std::string out_;
    std::vector<Level> levels_;
    bool afterKey_ = false;
};

} // namespace tsm
