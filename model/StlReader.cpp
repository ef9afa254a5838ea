// STL, ASCII ("solid ... facet ... outer loop ... vertex ... endloop ... endfacet ... endsolid") and
// binary (80-byte header, a triangle count, 50 bytes per triangle). STL repeats every corner's
// coordinates in each triangle; corners with exactly equal coordinates become one vertex, so the
// triangles share their edges again. Each "solid" of an ASCII file is a solid of the model.
#include "model/StlReader.h"
#include "model/MeshText.h"

#include <array>
#include <cmath>
#include <cstring>
#include <map>

namespace tsm {

namespace {

using namespace meshtext;

constexpr size_t kBinaryHeaderBytes = 84;
constexpr size_t kBinaryTriangleBytes = 50;

// Exact coordinate equality (0 and -0 are one point); NaN never gets this far.
class VertexMerger {
public:
    explicit VertexMerger(MeshBuilder& builder) : builder_(builder) {}
    int MergedIndex(const Vec3& p) {
        const std::array<double, 3> key{p.x, p.y, p.z};
        auto found = index_.find(key);
        if (found != index_.end()) return found->second;
        const int index = builder_.AddVertex(p);
        index_.emplace(key, index);
        return index;
    }

private:
    MeshBuilder& builder_;
    std::map<std::array<double, 3>, int> index_;
};

float ReadFloatLE(const unsigned char* p) {
    const uint32_t bits = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

uint32_t ReadUint32LE(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool LooksLikeAsciiStl(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    if (bytes.compare(i, 5, "solid") != 0) return false;
    // Binary files may begin their free header with "solid" too; their size then gives them away, and
    // an ASCII file has its keywords and no zero bytes near the start.
    const std::string_view start = bytes.substr(0, 1024);
    if (start.find('\0') != std::string_view::npos) return false;
    if (bytes.size() >= kBinaryHeaderBytes) {
        const uint32_t count = ReadUint32LE(reinterpret_cast<const unsigned char*>(bytes.data()) + 80);
        if (bytes.size() == kBinaryHeaderBytes + uint64_t(count) * kBinaryTriangleBytes) return false;
    }
    return start.find("facet") != std::string_view::npos || start.find("endsolid") != std::string_view::npos;
}

Outcome ReadBinary(std::string_view bytes, const std::string& fileName, MeshBuilder& builder) {
    if (bytes.size() < kBinaryHeaderBytes)
        return Outcome::Failed(fileName + ": the file ends inside the 84-byte header of a binary STL file");
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const uint64_t count = ReadUint32LE(data + 80);
    const uint64_t whole = (bytes.size() - kBinaryHeaderBytes) / kBinaryTriangleBytes;
    if (count > whole)
        return FailedAtRecord(fileName, "triangle", whole + 1,
                              "the file ends inside this record (" + std::to_string(count) +
                                  " triangles declared)");
    builder.ReserveVertices(static_cast<size_t>(count) / 2 + 3);
    VertexMerger merger(builder);
    std::vector<int> corners(3);
    for (uint64_t t = 0; t < count; ++t) {
        const unsigned char* record = data + kBinaryHeaderBytes + t * kBinaryTriangleBytes;
        for (int c = 0; c < 3; ++c) {
            const unsigned char* p = record + 12 + 12 * c;
            const Vec3 position{ReadFloatLE(p), ReadFloatLE(p + 4), ReadFloatLE(p + 8)};
            if (!std::isfinite(position.x) || !std::isfinite(position.y) || !std::isfinite(position.z))
                return FailedAtRecord(fileName, "triangle", t + 1,
                                      "a corner has a coordinate that is not a finite number");
            corners[static_cast<size_t>(c)] = merger.MergedIndex(position);
        }
        builder.AddFace(corners);
    }
    return Outcome::Ok();
}

Outcome ReadAscii(std::string_view bytes, const std::string& fileName, MeshBuilder& builder) {
    LineCursor cursor(bytes);
    std::string_view line;
    std::vector<std::string_view> tokens;
    VertexMerger merger(builder);
    std::vector<int> corners;
    enum class State { Outside, InSolid, InFacet, InLoop } state = State::Outside;
    while (cursor.Next(line)) {
        Tokenise(line, tokens, 0);
        if (tokens.empty()) continue;
        const std::string_view keyword = tokens[0];
        const size_t lineNumber = cursor.LineNumber();
        auto unexpected = [&]() {
            return FailedAtLine(fileName, lineNumber, Quote(keyword) + " is not expected here");
        };
        switch (state) {
        case State::Outside: {
            if (keyword != "solid") return unexpected();
            std::string name;
            for (size_t i = 1; i < tokens.size(); ++i) name += (i > 1 ? " " : "") + std::string(tokens[i]);
            builder.BeginSolid(name);
            state = State::InSolid;
            break;
        }
        case State::InSolid:
            if (keyword == "endsolid")
                state = State::Outside;
            else if (keyword == "facet")
                state = State::InFacet;
            else
                return unexpected();
            break;
        case State::InFacet:
            if (keyword == "outer" && tokens.size() >= 2 && tokens[1] == "loop") {
                corners.clear();
                state = State::InLoop;
            } else if (keyword == "endfacet") {
                state = State::InSolid;
            } else {
                return unexpected();
            }
            break;
        case State::InLoop:
            if (keyword == "vertex") {
                double xyz[3];
                if (tokens.size() < 4)
                    return FailedAtLine(fileName, lineNumber, "a vertex needs three coordinates");
                for (int k = 0; k < 3; ++k)
                    if (!ParseDouble(tokens[1 + static_cast<size_t>(k)], xyz[k]))
                        return FailedAtLine(fileName, lineNumber,
                                            Quote(tokens[1 + static_cast<size_t>(k)]) + " is not a number");
                corners.push_back(merger.MergedIndex({xyz[0], xyz[1], xyz[2]}));
            } else if (keyword == "endloop") {
                builder.AddFace(corners);
                state = State::InFacet;
            } else {
                return unexpected();
            }
            break;
        }
    }
    if (state != State::Outside)
        return FailedAtLine(fileName, cursor.LineNumber(),
                            "the file ends inside a facet or before \"endsolid\"");
    return Outcome::Ok();
}

} // namespace

Outcome ReadStl(std::string_view bytes, const std::string& fileName, MeshBuilder& builder) {
    if (LooksLikeAsciiStl(bytes)) return ReadAscii(bytes, fileName, builder);
    return ReadBinary(bytes, fileName, builder);
}

} // namespace tsm
