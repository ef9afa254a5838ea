// Wavefront OBJ: v, vt, f (with negative indices), o and g as solids, usemtl as materials, mtllib as the
// libraries their colours and textures come from (model/ObjMaterials.h); a line ending in a backslash
// goes on on the next. Normals, smoothing groups, curves and lines carry nothing a papercraft model
// keeps. OBJ counts v up the image, the model down it: v is turned over here, and only here.
#include "model/ObjReader.h"
#include "model/MeshText.h"

#include <array>
#include <cstdint>

namespace tsm {

namespace {

using namespace meshtext;

std::string JoinRest(const std::vector<std::string_view>& tokens) {
    std::string joined;
    for (size_t i = 1; i < tokens.size(); ++i) {
        if (i > 1) joined += ' ';
        joined += tokens[i];
    }
    return joined;
}

// The next word of `line` from `at` on, split as Tokenise splits (spaces, tabs, '#' ending the line);
// false when none is left. The statements that make up nearly all of a large file are read word by word
// with it, without a list of the line's words.
bool NextWord(std::string_view line, size_t& at, std::string_view& word) {
    // One look-up per character: 1 separates words, 2 ends the line's words ('#'), 0 is part of a word.
    static constexpr auto kKind = [] {
        std::array<uint8_t, 256> kind{};
        for (unsigned char c : {' ', '\t', '\v', '\f'}) kind[c] = 1;
        kind[static_cast<unsigned char>('#')] = 2;
        return kind;
    }();
    const auto kindAt = [&line](size_t i) { return kKind[static_cast<unsigned char>(line[i])]; };
    while (at < line.size() && kindAt(at) == 1) ++at;
    if (at >= line.size() || kindAt(at) == 2) return false;
    const size_t start = at;
    while (at < line.size() && kindAt(at) == 0) ++at;
    word = line.substr(start, at - start);
    return true;
}

// A 1-based index, or a negative one counting back from the last element given so far. Sets `index` to
// the 0-based position, or -1 when that lies before the first element; false when the token is no index
// or 0.
bool ResolveIndex(std::string_view token, int count, int& index) {
    long long value = 0;
    if (!ParseInteger(token, value) || value == 0) return false;
    const long long resolved = value > 0 ? value - 1 : count + value;
    index = resolved < 0 || resolved > 0x7fffffff ? -1 : static_cast<int>(resolved);
    return true;
}

// A statement that goes on past its line ends in a backslash; comments never go on.
bool GoesOn(std::string_view line) {
    const size_t last = line.find_last_not_of(" \t");
    const size_t first = line.find_first_not_of(" \t");
    return last != std::string_view::npos && line[last] == '\\' && line[first] != '#';
}

// The statement that starts with `line`, its lines joined with a space in place of each backslash.
std::string_view JoinStatement(LineCursor& cursor, std::string_view line, std::string& joined) {
    joined.clear();
    while (GoesOn(line)) {
        joined.append(line.substr(0, line.find_last_not_of(" \t"))).push_back(' ');
        if (!cursor.Next(line)) return joined;
    }
    return joined.append(line);
}

} // namespace

Outcome ReadObj(std::string_view bytes, const std::string& fileName, MeshBuilder& builder) {
    LineCursor cursor(bytes);
    std::string_view line;
    std::vector<std::string_view> tokens;
    std::vector<int> vertices;
    std::vector<int> texCoords;
    std::string joined;
    std::string_view words[3];
    while (cursor.Next(line)) {
        if (GoesOn(line)) line = JoinStatement(cursor, line, joined);
        size_t at = 0;
        std::string_view keyword;
        if (!NextWord(line, at, keyword)) continue;
        const size_t lineNumber = cursor.LineNumber();
        if (keyword == "v") {
            double xyz[3];
            for (std::string_view& word : words)
                if (!NextWord(line, at, word))
                    return FailedAtLine(fileName, lineNumber, "a vertex needs three coordinates");
            for (int i = 0; i < 3; ++i)
                if (!ParseDouble(words[i], xyz[i]))
                    return FailedAtLine(fileName, lineNumber, Quote(words[i]) + " is not a number");
            builder.AddVertex({xyz[0], xyz[1], xyz[2]});
            continue;
        }
        if (keyword == "vt") {
            double uv[2] = {0, 0};
            if (!NextWord(line, at, words[0]))
                return FailedAtLine(fileName, lineNumber, "a texture coordinate needs at least one value");
            const int given = NextWord(line, at, words[1]) ? 2 : 1;
            for (int i = 0; i < given; ++i)
                if (!ParseDouble(words[i], uv[i]))
                    return FailedAtLine(fileName, lineNumber, Quote(words[i]) + " is not a number");
            builder.AddTexCoord(uv[0], 1 - uv[1]);
            continue;
        }
        if (keyword == "f") {
            vertices.clear();
            texCoords.clear();
            bool anyTexCoord = false;
            std::string_view corner;
            while (NextWord(line, at, corner)) {
                const size_t slash = corner.find('/');
                const std::string_view vertexPart = corner.substr(0, slash);
                int vertex = 0;
                if (!ResolveIndex(vertexPart, builder.VertexCount(), vertex))
                    return FailedAtLine(fileName, lineNumber, Quote(corner) + " is not a vertex index");
                int texCoord = -1;
                if (slash != std::string_view::npos) {
                    const std::string_view rest = corner.substr(slash + 1);
                    const std::string_view texPart = rest.substr(0, rest.find('/'));
                    if (!texPart.empty()) {
                        if (!ResolveIndex(texPart, builder.TexCoordCount(), texCoord) || texCoord < 0)
                            return FailedAtLine(fileName, lineNumber,
                                                Quote(corner) +
                                                    " refers to a texture coordinate that is not defined");
                        anyTexCoord = true;
                    }
                }
                vertices.push_back(vertex);
                texCoords.push_back(texCoord);
            }
            if (!anyTexCoord) texCoords.clear();
            switch (builder.AddFace(vertices, texCoords)) {
            case MeshBuilder::FaceOutcome::BadVertex:
                return FailedAtLine(fileName, lineNumber,
                                    "a face refers to a vertex that is not defined (" +
                                        std::to_string(builder.VertexCount()) + " vertices so far)");
            case MeshBuilder::FaceOutcome::BadTexCoord:
                return FailedAtLine(fileName, lineNumber,
                                    "a face refers to a texture coordinate that is not defined");
            default:
                break;
            }
            continue;
        }
        // The rarer statements, with the whole line's words.
        Tokenise(line, tokens);
        if (keyword == "o" || keyword == "g") {
            builder.BeginSolid(JoinRest(tokens));
        } else if (keyword == "mtllib" && tokens.size() > 1) {
            const std::string_view first = tokens[1], last = tokens.back();
            builder.AddMaterialLibrary(
                std::string(first.data(), size_t(last.data() + last.size() - first.data())));
        } else if (keyword == "usemtl") {
            builder.UseMaterial(JoinRest(tokens));
        }
    }
    return Outcome::Ok();
}

} // namespace tsm
