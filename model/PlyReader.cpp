// PLY in its three encodings: ASCII, binary little endian and binary big endian. The header declares
// elements and their properties; the vertices give x, y and z (of any numeric type), the faces a list of
// vertex indices (any count and index type). Every other property and element is read past by its size.
#include "model/PlyReader.h"
#include "model/MeshText.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <utility>

namespace tsm {

namespace {

using namespace meshtext;

enum class Encoding { Ascii, LittleEndian, BigEndian };
enum class Scalar { Int8, Uint8, Int16, Uint16, Int32, Uint32, Float32, Float64 };

struct Property {
    std::string name;
    bool isList = false;
    Scalar countType = Scalar::Uint8;
    Scalar valueType = Scalar::Float32;
};

struct Element {
    std::string name;
    uint64_t count = 0;
    std::vector<Property> properties;
    size_t headerLine = 0;
};

bool ParseScalar(std::string_view name, Scalar& type) {
    static const struct {
        const char* name;
        Scalar type;
    } kTypes[] = {{"char", Scalar::Int8},      {"int8", Scalar::Int8},       {"uchar", Scalar::Uint8},
                  {"uint8", Scalar::Uint8},    {"short", Scalar::Int16},     {"int16", Scalar::Int16},
                  {"ushort", Scalar::Uint16},  {"uint16", Scalar::Uint16},   {"int", Scalar::Int32},
                  {"int32", Scalar::Int32},    {"uint", Scalar::Uint32},     {"uint32", Scalar::Uint32},
                  {"float", Scalar::Float32},  {"float32", Scalar::Float32}, {"double", Scalar::Float64},
                  {"float64", Scalar::Float64}};
    for (const auto& known : kTypes)
        if (name == known.name) {
            type = known.type;
            return true;
        }
    return false;
}

size_t SizeOf(Scalar type) {
    switch (type) {
    case Scalar::Int8:
    case Scalar::Uint8:
        return 1;
    case Scalar::Int16:
    case Scalar::Uint16:
        return 2;
    case Scalar::Int32:
    case Scalar::Uint32:
    case Scalar::Float32:
        return 4;
    case Scalar::Float64:
        return 8;
    }
    return 1;
}

// The value source of the body: tokens of the ASCII encoding or bytes of a binary one. Every read
// reports the end of the data instead of reading past it.
class Body {
public:
    Body(std::string_view bytes, size_t offset, size_t firstLine, Encoding encoding)
        : bytes_(bytes), pos_(offset), line_(firstLine), encoding_(encoding) {}

    bool Read(Scalar type, double& value) {
        if (encoding_ == Encoding::Ascii) return ReadToken(value);
        const size_t size = SizeOf(type);
        if (bytes_.size() - pos_ < size) return false;
        unsigned char raw[8];
        std::memcpy(raw, bytes_.data() + pos_, size);
        pos_ += size;
        if (encoding_ == Encoding::BigEndian)
            for (size_t i = 0; i < size / 2; ++i) std::swap(raw[i], raw[size - 1 - i]);
        switch (type) {
        case Scalar::Int8:
            value = static_cast<int8_t>(raw[0]);
            break;
        case Scalar::Uint8:
            value = raw[0];
            break;
        case Scalar::Int16: {
            int16_t v;
            std::memcpy(&v, raw, 2);
            value = v;
            break;
        }
        case Scalar::Uint16: {
            uint16_t v;
            std::memcpy(&v, raw, 2);
            value = v;
            break;
        }
        case Scalar::Int32: {
            int32_t v;
            std::memcpy(&v, raw, 4);
            value = v;
            break;
        }
        case Scalar::Uint32: {
            uint32_t v;
            std::memcpy(&v, raw, 4);
            value = v;
            break;
        }
        case Scalar::Float32: {
            float v;
            std::memcpy(&v, raw, 4);
            value = v;
            break;
        }
        case Scalar::Float64:
            std::memcpy(&value, raw, 8);
            break;
        }
        return true;
    }

    // Skips `count` values of `type`; false when the data ends first.
    bool Skip(Scalar type, uint64_t count) {
        if (encoding_ != Encoding::Ascii) {
            const uint64_t size = SizeOf(type);
            if (count > (bytes_.size() - pos_) / size) return false;
            pos_ += static_cast<size_t>(count * size);
            return true;
        }
        double ignored;
        for (uint64_t i = 0; i < count; ++i)
            if (!ReadToken(ignored)) return false;
        return true;
    }

    size_t BytesLeft() const { return bytes_.size() - pos_; }
    size_t Line() const { return line_; }
    // Set when the last ASCII read failed on a token that is not a number (rather than at the end).
    std::string_view BadToken() const { return badToken_; }

    // Moves to the next ASCII token, so that Line() names the line the next record starts on.
    void SkipSpace() {
        if (encoding_ != Encoding::Ascii) return;
        while (pos_ < bytes_.size()) {
            const char c = bytes_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f') {
                ++pos_;
            } else {
                break;
            }
        }
    }

private:
    bool ReadToken(double& value) {
        SkipSpace();
        if (pos_ >= bytes_.size()) return false;
        const size_t start = pos_;
        while (pos_ < bytes_.size() && !std::isspace(static_cast<unsigned char>(bytes_[pos_]))) ++pos_;
        const std::string_view token = bytes_.substr(start, pos_ - start);
        if (!ParseDouble(token, value)) {
            badToken_ = token;
            return false;
        }
        return true;
    }

    std::string_view bytes_;
    size_t pos_;
    size_t line_;
    Encoding encoding_;
    std::string_view badToken_;
};

bool IsIndexList(const Property& property) {
    return property.isList && (property.name == "vertex_indices" || property.name == "vertex_index");
}

} // namespace

Outcome ReadPly(std::string_view bytes, const std::string& fileName, MeshBuilder& builder) {
    LineCursor cursor(bytes);
    std::string_view line;
    std::vector<std::string_view> tokens;
    if (!cursor.Next(line) || line != "ply")
        return Outcome::Failed(fileName + ", line 1: the file does not begin with \"ply\"");

    bool haveFormat = false;
    Encoding encoding = Encoding::Ascii;
    std::vector<Element> elements;
    bool ended = false;
    while (!ended && cursor.Next(line)) {
        Tokenise(line, tokens, 0);
        const size_t lineNumber = cursor.LineNumber();
        if (tokens.empty() || tokens[0] == "comment" || tokens[0] == "obj_info") continue;
        if (tokens[0] == "format") {
            if (tokens.size() < 3)
                return FailedAtLine(fileName, lineNumber, "the format line needs a kind and a version");
            if (tokens[1] == "ascii")
                encoding = Encoding::Ascii;
            else if (tokens[1] == "binary_little_endian")
                encoding = Encoding::LittleEndian;
            else if (tokens[1] == "binary_big_endian")
                encoding = Encoding::BigEndian;
            else
                return FailedAtLine(fileName, lineNumber, Quote(tokens[1]) + " is not a PLY format");
            haveFormat = true;
        } else if (tokens[0] == "element") {
            long long count = 0;
            if (tokens.size() < 3 || !ParseInteger(tokens[2], count) || count < 0)
                return FailedAtLine(fileName, lineNumber, "an element needs a name and a count");
            elements.push_back({std::string(tokens[1]), static_cast<uint64_t>(count), {}, lineNumber});
        } else if (tokens[0] == "property") {
            if (elements.empty())
                return FailedAtLine(fileName, lineNumber, "a property comes before any element");
            Property property;
            bool valid = false;
            if (tokens.size() >= 5 && tokens[1] == "list") {
                property.isList = true;
                property.name = std::string(tokens[4]);
                valid =
                    ParseScalar(tokens[2], property.countType) && ParseScalar(tokens[3], property.valueType);
            } else if (tokens.size() >= 3) {
                property.name = std::string(tokens[2]);
                valid = ParseScalar(tokens[1], property.valueType);
            }
            if (!valid) return FailedAtLine(fileName, lineNumber, "the property has no known type and name");
            elements.back().properties.push_back(property);
        } else if (tokens[0] == "end_header") {
            ended = true;
        } else {
            return FailedAtLine(fileName, lineNumber, Quote(tokens[0]) + " is not a PLY header keyword");
        }
    }
    if (!ended) return FailedAtLine(fileName, cursor.LineNumber(), "the file ends before \"end_header\"");
    if (!haveFormat) return FailedAtLine(fileName, cursor.LineNumber(), "the header has no format line");

    // Declared counts are weighed against the bytes left before anything is reserved: a binary record
    // takes at least its fixed-size values, an ASCII value at least a digit and a separator.
    uint64_t needed = 0;
    const uint64_t left = cursor.BytesLeft() + 1;
    for (const Element& element : elements) {
        uint64_t minBytes = 0;
        for (const Property& property : element.properties)
            minBytes += encoding == Encoding::Ascii
                            ? 2
                            : SizeOf(property.isList ? property.countType : property.valueType);
        if (!MeshBuilder::CountFits(element.count, minBytes, left - needed))
            return FailedAtLine(fileName, element.headerLine,
                                "the element \"" + element.name + "\" declares " +
                                    std::to_string(element.count) +
                                    " records, more than the file's remaining " +
                                    std::to_string(cursor.BytesLeft()) + " bytes can hold");
        needed += element.count * minBytes;
    }

    const Element* vertexElement = nullptr;
    const Element* faceElement = nullptr;
    int xyzIndex[3] = {-1, -1, -1};
    for (const Element& element : elements) {
        if (element.name == "vertex" && !vertexElement) {
            vertexElement = &element;
            for (size_t p = 0; p < element.properties.size(); ++p) {
                const Property& property = element.properties[p];
                if (property.isList) continue;
                if (property.name == "x") xyzIndex[0] = static_cast<int>(p);
                if (property.name == "y") xyzIndex[1] = static_cast<int>(p);
                if (property.name == "z") xyzIndex[2] = static_cast<int>(p);
            }
            if (xyzIndex[0] < 0 || xyzIndex[1] < 0 || xyzIndex[2] < 0)
                return FailedAtLine(fileName, element.headerLine,
                                    "the vertex element lacks an x, y or z property");
        } else if (element.name == "face" && !faceElement) {
            faceElement = &element;
            bool hasList = false;
            for (const Property& property : element.properties) hasList = hasList || IsIndexList(property);
            if (!hasList)
                return FailedAtLine(fileName, element.headerLine,
                                    "the face element has no vertex index list");
        }
    }
    if (!vertexElement || !faceElement)
        return Outcome::Failed(fileName + ": the file declares no vertex or no face element");
    builder.ReserveVertices(static_cast<size_t>(vertexElement->count));

    Body body(bytes, cursor.Offset(), cursor.LineNumber() + 1, encoding);
    // Faces may come before the vertices they use; they are checked once all vertices are known.
    std::vector<int> faceCorners;
    std::vector<size_t> faceStarts;
    std::vector<size_t> faceLines;
    for (const Element& element : elements) {
        const bool isVertex = &element == vertexElement;
        const bool isFace = &element == faceElement;
        for (uint64_t r = 0; r < element.count; ++r) {
            body.SkipSpace();
            const size_t recordLine = body.Line();
            auto fail = [&](const std::string& what) {
                if (encoding == Encoding::Ascii)
                    return FailedAtLine(
                        fileName, body.Line(),
                        body.BadToken().empty() ? what : Quote(body.BadToken()) + " is not a number");
                return FailedAtRecord(fileName, element.name, r + 1, what);
            };
            double xyz[3] = {0, 0, 0};
            bool indicesRead = false;
            for (size_t p = 0; p < element.properties.size(); ++p) {
                const Property& property = element.properties[p];
                if (property.isList) {
                    double countValue = 0;
                    if (!body.Read(property.countType, countValue))
                        return fail("the file ends inside this record");
                    if (countValue < 0 || countValue > 4294967295.0 || countValue != std::floor(countValue))
                        return fail("a list length is not a count");
                    const uint64_t count = static_cast<uint64_t>(countValue);
                    if (isFace && IsIndexList(property) && !indicesRead) {
                        // Each value takes at least one byte (binary) or two (ASCII).
                        if (count > body.BytesLeft()) return fail("the file ends inside this record");
                        faceStarts.push_back(faceCorners.size());
                        faceLines.push_back(encoding == Encoding::Ascii ? recordLine
                                                                        : static_cast<size_t>(r + 1));
                        for (uint64_t k = 0; k < count; ++k) {
                            double index = 0;
                            if (!body.Read(property.valueType, index))
                                return fail("the file ends inside this record");
                            if (index < 0 || index > 0x7fffffff || index != std::floor(index))
                                return fail("a vertex index is not an index");
                            faceCorners.push_back(static_cast<int>(index));
                        }
                        indicesRead = true;
                    } else if (!body.Skip(property.valueType, count)) {
                        return fail("the file ends inside this record");
                    }
                } else {
                    double value = 0;
                    if (!body.Read(property.valueType, value))
                        return fail("the file ends inside this record");
                    if (isVertex)
                        for (int k = 0; k < 3; ++k)
                            if (static_cast<int>(p) == xyzIndex[k]) {
                                if (!std::isfinite(value)) return fail("a coordinate is not a finite number");
                                xyz[k] = value;
                            }
                }
            }
            if (isVertex) builder.AddVertex({xyz[0], xyz[1], xyz[2]});
        }
    }

    std::vector<int> corners;
    for (size_t f = 0; f < faceStarts.size(); ++f) {
        const size_t end = f + 1 < faceStarts.size() ? faceStarts[f + 1] : faceCorners.size();
        corners.assign(faceCorners.begin() + static_cast<std::ptrdiff_t>(faceStarts[f]),
                       faceCorners.begin() + static_cast<std::ptrdiff_t>(end));
        if (builder.AddFace(corners) == MeshBuilder::FaceOutcome::BadVertex) {
            const std::string what =
                "a vertex index is outside the " + std::to_string(builder.VertexCount()) + " vertices";
            return encoding == Encoding::Ascii ? FailedAtLine(fileName, faceLines[f], what)
                                               : FailedAtRecord(fileName, "face", faceLines[f], what);
        }
    }
    return Outcome::Ok();
}

} // namespace tsm
