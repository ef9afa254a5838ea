// OFF and its variants with colours (COFF), normals (NOFF) or texture coordinates (STOFF): a header
// line, a count line, one line per vertex and one per face. What follows a vertex's three coordinates or
// a face's corner list on its line (normals, colours) is ignored: the model's materials are named
// surface kinds, and a colour per vertex or per face has no place in them.
#include "model/OffReader.h"
#include "model/MeshText.h"

namespace tsm {

namespace {

using namespace meshtext;

// The shortest lines a vertex ("0 0 0\n") and a face ("3 0 1 2\n") can take.
constexpr uint64_t kMinVertexBytes = 6;
constexpr uint64_t kMinFaceBytes = 8;

bool IsOffKeyword(std::string_view token, bool& threeD) {
    if (token.size() < 3 || token.substr(token.size() - 3) != "OFF") return false;
    threeD = true;
    for (char c : token.substr(0, token.size() - 3)) {
        if (c == '4' || c == 'n')
            threeD = false;
        else if (c != 'S' && c != 'T' && c != 'C' && c != 'N')
            return false;
    }
    return true;
}

// The next line that holds anything but a comment; false at the end of the bytes.
bool NextTokens(LineCursor& cursor, std::vector<std::string_view>& tokens) {
    std::string_view line;
    while (cursor.Next(line)) {
        Tokenise(line, tokens);
        if (!tokens.empty()) return true;
    }
    return false;
}

} // namespace

Outcome ReadOff(std::string_view bytes, const std::string& fileName, MeshBuilder& builder) {
    LineCursor cursor(bytes);
    std::vector<std::string_view> tokens;
    if (!NextTokens(cursor, tokens)) return Outcome::Failed(fileName + ": the file holds no OFF header");
    bool threeD = true;
    if (!IsOffKeyword(tokens[0], threeD))
        return FailedAtLine(fileName, cursor.LineNumber(), Quote(tokens[0]) + " is not an OFF header");
    if (!threeD)
        return FailedAtLine(fileName, cursor.LineNumber(), "only three-dimensional OFF files can be read");
    // The counts may follow the keyword on its own line.
    tokens.erase(tokens.begin());
    if (tokens.empty() && !NextTokens(cursor, tokens))
        return FailedAtLine(fileName, cursor.LineNumber(), "the file ends before the vertex and face counts");
    long long vertexCount = 0;
    long long faceCount = 0;
    if (tokens.size() < 2 || !ParseInteger(tokens[0], vertexCount) || !ParseInteger(tokens[1], faceCount) ||
        vertexCount < 0 || faceCount < 0 || vertexCount > 0x7fffffff || faceCount > 0x7fffffff)
        return FailedAtLine(fileName, cursor.LineNumber(), "the vertex and face counts are not two counts");
    // A count the rest of the file cannot hold is refused before anything is reserved for it.
    const uint64_t left = cursor.BytesLeft() + 1;
    const uint64_t vertices = static_cast<uint64_t>(vertexCount);
    const uint64_t faces = static_cast<uint64_t>(faceCount);
    if (!MeshBuilder::CountFits(vertices, kMinVertexBytes, left) ||
        !MeshBuilder::CountFits(faces, kMinFaceBytes, left - vertices * kMinVertexBytes))
        return FailedAtLine(fileName, cursor.LineNumber(),
                            "the file declares " + std::to_string(vertexCount) + " vertices and " +
                                std::to_string(faceCount) + " faces, more than its " +
                                std::to_string(cursor.BytesLeft()) + " remaining bytes can hold");
    builder.ReserveVertices(vertices);

    for (long long i = 0; i < vertexCount; ++i) {
        if (!NextTokens(cursor, tokens))
            return FailedAtLine(fileName, cursor.LineNumber(),
                                "the file ends after " + std::to_string(i) + " of " +
                                    std::to_string(vertexCount) + " vertices");
        double xyz[3];
        if (tokens.size() < 3)
            return FailedAtLine(fileName, cursor.LineNumber(), "a vertex needs three coordinates");
        for (int k = 0; k < 3; ++k)
            if (!ParseDouble(tokens[static_cast<size_t>(k)], xyz[k]))
                return FailedAtLine(fileName, cursor.LineNumber(),
                                    Quote(tokens[static_cast<size_t>(k)]) + " is not a number");
        builder.AddVertex({xyz[0], xyz[1], xyz[2]});
    }

    std::vector<int> corners;
    for (long long i = 0; i < faceCount; ++i) {
        if (!NextTokens(cursor, tokens))
            return FailedAtLine(fileName, cursor.LineNumber(),
                                "the file ends after " + std::to_string(i) + " of " +
                                    std::to_string(faceCount) + " faces");
        long long cornerCount = 0;
        if (!ParseInteger(tokens[0], cornerCount) || cornerCount < 0)
            return FailedAtLine(fileName, cursor.LineNumber(), Quote(tokens[0]) + " is not a corner count");
        if (static_cast<unsigned long long>(cornerCount) > tokens.size() - 1)
            return FailedAtLine(fileName, cursor.LineNumber(),
                                "the face lists " + std::to_string(cornerCount) +
                                    " corners but the line holds only " + std::to_string(tokens.size() - 1) +
                                    " indices");
        corners.clear();
        for (long long k = 1; k <= cornerCount; ++k) {
            long long index = 0;
            const std::string_view token = tokens[static_cast<size_t>(k)];
            if (!ParseInteger(token, index))
                return FailedAtLine(fileName, cursor.LineNumber(), Quote(token) + " is not a vertex index");
            if (index < 0 || index >= vertexCount)
                return FailedAtLine(fileName, cursor.LineNumber(),
                                    "vertex index " + std::to_string(index) + " is outside the " +
                                        std::to_string(vertexCount) + " vertices");
            corners.push_back(static_cast<int>(index));
        }
        builder.AddFace(corners);
    }
    return Outcome::Ok();
}

} // namespace tsm
