// Bad input to the model's readers, one row each: what a person might hand us, and the exact words they read
// back. Every refusal here is a failure (no question was asked). The name the reader was given begins every
// message but the model file's, whose window names the file itself.
#include "ImageTestSupport.h"
#include "MeshReaderTestSupport.h"
#include "model/BinaryReader.h"
#include "model/ImageDecoder.h"
#include "tests/support/BinaryFixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <zlib.h>

namespace tsm {
namespace {

using namespace test;
using namespace testimage;

// The mesh formats read from bytes; a mesh file or an image file from its path; image and model bytes.
enum class Reader { Obj, Off, Ply, Stl, MeshFile, Image, ImageFile, Model };

struct Row {
    Reader reader;
    std::string input;
    std::string reason;
};

MeshFormat FormatOf(Reader reader) {
    switch (reader) {
    case Reader::Obj:
        return MeshFormat::Obj;
    case Reader::Off:
        return MeshFormat::Off;
    case Reader::Ply:
        return MeshFormat::Ply;
    default:
        return MeshFormat::Stl;
    }
}

Outcome Run(const Row& row, Document& doc, RecordingPrompt& prompt) {
    const std::string name = row.reason.substr(0, row.reason.find_first_of(",:"));
    std::unique_ptr<TextureImage> image;
    RecordingCompletion completion;
    switch (row.reader) {
    case Reader::MeshFile:
        return ReadMeshFile(row.input, doc).outcome();
    case Reader::Image:
        return DecodeImage(row.input, name, image);
    case Reader::ImageFile:
        return DecodeImageFile(row.input, image);
    case Reader::Model:
        return BinaryReader("broken.tsm", doc, ImportKind::Open, prompt, completion).LoadFromBytes(row.input);
    default:
        return ReadMeshBytes(row.input, name, FormatOf(row.reader), doc, &completion).outcome();
    }
}

// A PNG that announces `w` x `h` pixels and holds no image data after its header.
std::string PngHeaderOnly(uint32_t w, uint32_t h) {
    std::string chunk = "IHDR";
    for (uint32_t v : {w, h})
        for (int shift = 24; shift >= 0; shift -= 8) chunk += char(v >> shift);
    chunk += std::string("\x08\x02\x00\x00\x00", 5);
    const uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(chunk.data()), uInt(chunk.size())));
    std::string png("\x89PNG\r\n\x1a\n\x00\x00\x00\x0d", 12);
    png += chunk;
    for (int shift = 24; shift >= 0; shift -= 8) png += char(crc >> shift);
    return png;
}

// The row's input is refused with exactly its reason, no question asked and nothing kept. A reason that ends
// in " (" goes on with the decoding library's own words, one that ends in ", " with where the file ended.
void ExpectRefused(const Row& row) {
    SCOPED_TRACE(row.reason);
    Document doc;
    RecordingPrompt prompt;
    const Outcome outcome = Run(row, doc, prompt);
    EXPECT_EQ(outcome.kind(), Outcome::Kind::Failed);
    if (row.reason.back() == '(' || row.reason.back() == ' ')
        EXPECT_EQ(outcome.reason().substr(0, row.reason.size()), row.reason);
    else
        EXPECT_EQ(outcome.reason(), row.reason);
    // A model file is read into a document of its own, which the caller drops on failure.
    EXPECT_TRUE(row.reader == Reader::Model || (doc.model->solids.empty() && doc.model->materials.empty()));
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(ModelFailures, BadInputIsRefusedWithItsReason) {
    const std::string square = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";
    const std::string off = "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n";
    // Room for the declared counts, so that the line itself is what fails.
    const std::string offPadding = "\n# ........................................\n";
    const std::string vertex = "element vertex 3\nproperty float x\nproperty float y\nproperty float z\n";
    const std::string face = "element face 1\nproperty list uchar int vertex_indices\n";
    const std::string ply = "ply\nformat ascii 1.0\n" + vertex + face + "end_header\n";
    const std::string plyBody = "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    const std::string facet = "solid s\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\n";
    std::string hugeStl(80, ' ');
    PutLE32(hugeStl, 0xFFFFFFFFu);
    const double inf = std::numeric_limits<double>::infinity();
    std::string cutPng = Png(2, 2, Checker(1));
    cutPng.resize(cutPng.size() - 20);
    std::string hugeTga = Tga(1, 1, {1, 2, 3}, false);
    hugeTga[12] = hugeTga[14] = char(0x20);
    hugeTga[13] = hugeTga[15] = char(0x4E); // 20000 x 20000
    TempFolder folder;
    std::filesystem::create_directory(folder.File("x.obj"));
    // A version-1 model cut inside its locale: all five header fields are read before the version test.
    TriangleFile old;
    old.version = 1;
    BuiltFile oldCut = BuildTriangleFile(old);
    oldCut.bytes.resize(oldCut.at.at("version") + 14);
    const BuiltFile model = BuildTriangleFile();
    const std::string& full = model.bytes;
    const std::string house = LoadFile(std::string(TESSALY_SOURCE_DIR) + "/samples/house.tsm");
    // Vertex records are 25 bytes, face records 19 (a count, four ints, a short): 100 bytes into the faces
    // ends inside the sixth face, with enough bytes left for the declared counts.
    const std::string little = WritePly(CubeMesh(), PlyEncoding::Little),
                      big = WritePly(CubeMesh(), PlyEncoding::Big);
    const size_t faces = little.find("end_header\n") + 11 + 8 * 25;

    const Row rows[] = {
        {Reader::Obj, "v 0 0 0\nv 1 x 0\n", "model.obj, line 2: \"x\" is not a number"},
        {Reader::Obj, "v 0 0\n", "model.obj, line 1: a vertex needs three coordinates"},
        {Reader::Obj, "v 0 0 1e999\n", "model.obj, line 1: \"1e999\" is not a number"},
        {Reader::Obj, "vt\n", "model.obj, line 1: a texture coordinate needs at least one value"},
        {Reader::Obj, square + "\n\nf 1 2 9\n",
         "model.obj, line 7: a face refers to a vertex that is not defined (4 vertices so far)"},
        // 0 is no OBJ index; a relative one may not reach before the first vertex.
        {Reader::Obj, square + "f 0 1 2\n", "model.obj, line 5: \"0\" is not a vertex index"},
        {Reader::Obj, square + "f -5 1 2\n",
         "model.obj, line 5: a face refers to a vertex that is not defined (4 vertices so far)"},
        // A face may only use vertices given before it.
        {Reader::Obj, "v 0 0 0\nv 1 0 0\nf 1 2 3\nv 0 1 0\n",
         "model.obj, line 3: a face refers to a vertex that is not defined (2 vertices so far)"},
        {Reader::Obj, square + "vt 0 0\nf 1/2 2/1 3/1\n",
         "model.obj, line 6: a face refers to a texture coordinate that is not defined"},
        {Reader::Obj, square + "f 1/a 2 3\n",
         "model.obj, line 5: \"1/a\" refers to a texture coordinate that is not defined"},
        {Reader::Obj, square + "f 1 2 3.5\n", "model.obj, line 5: \"3.5\" is not a vertex index"},
        {Reader::Obj, square + "f 1 2 99999999999999999999\n",
         "model.obj, line 5: \"99999999999999999999\" is not a vertex index"},

        {Reader::Off, "", "shape.off: the file holds no OFF header"},
        {Reader::Off, "# only a comment\n", "shape.off: the file holds no OFF header"},
        {Reader::Off, "PLY\n", "shape.off, line 1: \"PLY\" is not an OFF header"},
        {Reader::Off, "4OFF\n3 1 0\n", "shape.off, line 1: only three-dimensional OFF files can be read"},
        {Reader::Off, "OFF\n", "shape.off, line 1: the file ends before the vertex and face counts"},
        {Reader::Off, "OFF\n3\n", "shape.off, line 2: the vertex and face counts are not two counts"},
        {Reader::Off, "OFF\n-3 1 0\n", "shape.off, line 2: the vertex and face counts are not two counts"},
        {Reader::Off, "OFF\n3 1 0\n0 0 0\n1 0" + offPadding,
         "shape.off, line 4: a vertex needs three coordinates"},
        {Reader::Off, "OFF\n3 1 0\n0 0 0\n1 0 zero" + offPadding,
         "shape.off, line 4: \"zero\" is not a number"},
        {Reader::Off, off + "3 0 1 3\n", "shape.off, line 6: vertex index 3 is outside the 3 vertices"},
        {Reader::Off, off + "3 0 1 -1\n", "shape.off, line 6: vertex index -1 is outside the 3 vertices"},
        {Reader::Off, off + "4 0 1 2\n",
         "shape.off, line 6: the face lists 4 corners but the line holds only 3 indices"},
        {Reader::Off, off + "three 0 1 2\n", "shape.off, line 6: \"three\" is not a corner count"},
        {Reader::Off, off + "3 0 1.5 2\n", "shape.off, line 6: \"1.5\" is not a vertex index"},
        // With room for the counts, the end of the file itself is the failure, at the last line read.
        {Reader::Off, "OFF\n3 2 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2" + offPadding,
         "shape.off, line 7: the file ends after 1 of 2 faces"},
        {Reader::Off, "OFF\n3 1 0\n0 0 0" + offPadding,
         "shape.off, line 4: the file ends after 1 of 3 vertices"},
        // Huge declared counts are refused before any room is reserved; beyond 32 bits they are no counts.
        {Reader::Off, "OFF\n2000000000 1 0\n0 0 0\n",
         "shape.off, line 2: the file declares 2000000000 vertices and 1 faces, more than its 6 remaining "
         "bytes can hold"},
        {Reader::Off, "OFF\n3 2000000000 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n",
         "shape.off, line 2: the file declares 3 vertices and 2000000000 faces, more than its 26 remaining "
         "bytes can hold"},
        {Reader::Off, "OFF\n99999999999 1 0\n",
         "shape.off, line 2: the vertex and face counts are not two counts"},

        {Reader::Ply, "", "box.ply, line 1: the file does not begin with \"ply\""},
        {Reader::Ply, "ply\nformat ascii 1.0\n" + vertex + face,
         "box.ply, line 8: the file ends before \"end_header\""},
        {Reader::Ply, "ply\n" + vertex + face + "end_header\n" + plyBody,
         "box.ply, line 8: the header has no format line"},
        {Reader::Ply, "ply\nformat text 1.0\n", "box.ply, line 2: \"text\" is not a PLY format"},
        {Reader::Ply, "ply\nformat ascii\n", "box.ply, line 2: the format line needs a kind and a version"},
        {Reader::Ply, "ply\nformat ascii 1.0\nproperty float x\n",
         "box.ply, line 3: a property comes before any element"},
        {Reader::Ply, "ply\nformat ascii 1.0\nelement vertex -1\n",
         "box.ply, line 3: an element needs a name and a count"},
        {Reader::Ply, "ply\nformat ascii 1.0\nelement vertex 3\nproperty real x\n",
         "box.ply, line 4: the property has no known type and name"},
        {Reader::Ply, "ply\nformat ascii 1.0\nbogus\n",
         "box.ply, line 3: \"bogus\" is not a PLY header keyword"},
        {Reader::Ply,
         "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n" + face +
             "end_header\n" + plyBody,
         "box.ply, line 3: the vertex element lacks an x, y or z property"},
        {Reader::Ply,
         "ply\nformat ascii 1.0\n" + vertex +
             "element face 1\nproperty list uchar int corners\nend_header\n" + plyBody,
         "box.ply, line 7: the face element has no vertex index list"},
        {Reader::Ply, "ply\nformat ascii 1.0\n" + vertex + "end_header\n" + plyBody,
         "box.ply: the file declares no vertex or no face element"},
        {Reader::Ply, ply + "0 0 0\n1 x 0\n0 1 0\n3 0 1 2\n", "box.ply, line 11: \"x\" is not a number"},
        {Reader::Ply, ply + "0 0 0\n1 0 0\n0 1 0\n3 0 1 3\n",
         "box.ply, line 13: a vertex index is outside the 3 vertices"},
        {Reader::Ply, ply + "0 0 0\n1 0 0\n0 1 0\n3 0 1 -2\n",
         "box.ply, line 13: a vertex index is not an index"},
        {Reader::Ply, ply + "0 0 0\n1 0 0\n0 1 0\n3 0 1.5 2\n",
         "box.ply, line 13: a vertex index is not an index"},
        {Reader::Ply, ply + "0 0 0\n1 0 0\n0 1 0\n2.5 0 1 2\n",
         "box.ply, line 13: a list length is not a count"},
        // A length beyond any count must not be converted to an integer at all.
        {Reader::Ply, ply + "0 0 0\n1 0 0\n0 1 0\n1e300 0 1 2\n",
         "box.ply, line 13: a list length is not a count"},
        {Reader::Ply, ply + "0 0 0\n1 0 0\n0 1 0\n3 0 1\n\n\n\n\n\n\n\n\n\n",
         "box.ply, line 23: the file ends inside this record"},
        // Huge declared counts are refused before any room is reserved: the records', and a face list's.
        {Reader::Ply,
         "ply\nformat binary_little_endian 1.0\nelement vertex 4000000000\n" + vertex.substr(17) + face +
             "end_header\n0123",
         "box.ply, line 3: the element \"vertex\" declares 4000000000 records, more than the file's "
         "remaining 4 "
         "bytes can hold"},
        {Reader::Ply,
         "ply\nformat binary_little_endian 1.0\nelement vertex 0\n" + vertex.substr(17) +
             "element face 1\nproperty list uint int vertex_indices\nend_header\n\xF0\xFF\xFF\xFF" + "abcd",
         "box.ply, face 1: the file ends inside this record"},
        {Reader::Ply, little.substr(0, faces + 100), "box.ply, face 6: the file ends inside this record"},
        {Reader::Ply, big.substr(0, faces + 100), "box.ply, face 6: the file ends inside this record"},
        {Reader::Ply, little.substr(0, little.size() - 1),
         "box.ply, edge 1: the file ends inside this record"},
        {Reader::Ply, big.substr(0, big.size() - 1), "box.ply, edge 1: the file ends inside this record"},

        {Reader::Stl, facet + "vertex 0 1 zero\nendloop\nendfacet\nendsolid s\n",
         "part.stl, line 6: \"zero\" is not a number"},
        {Reader::Stl, facet + "vertex 0 1\nendloop\nendfacet\nendsolid s\n",
         "part.stl, line 6: a vertex needs three coordinates"},
        {Reader::Stl, facet + "endfacet\n", "part.stl, line 6: \"endfacet\" is not expected here"},
        {Reader::Stl, "solid s\nvertex 0 0 0\nendsolid s\n",
         "part.stl, line 2: \"vertex\" is not expected here"},
        {Reader::Stl, "solid s\nfacet normal 0 0 1\nloop\n",
         "part.stl, line 3: \"loop\" is not expected here"},
        // Truncated text: inside a facet, or before "endsolid".
        {Reader::Stl, facet, "part.stl, line 5: the file ends inside a facet or before \"endsolid\""},
        {Reader::Stl, facet + "vertex 0 1 0\nendloop\nendfacet\n",
         "part.stl, line 8: the file ends inside a facet or before \"endsolid\""},
        {Reader::Stl, BinaryStl({{{0, 0, 0}, {1, 0, 0}, {0, inf, 0}}, {{0, 1, 2}}}),
         "part.stl, triangle 1: a corner has a coordinate that is not a finite number"},
        // A huge declared count is refused before any room is reserved.
        {Reader::Stl, hugeStl + std::string(50, '\0'),
         "part.stl, triangle 2: the file ends inside this record (4294967295 triangles declared)"},

        {Reader::MeshFile, "/nonexistent/dir/gone.obj", "gone.obj: the file cannot be opened"},
        // A folder is no file, whatever its name.
        {Reader::MeshFile, folder.File("x.obj"), "x.obj: the file cannot be opened"},
        // Neither extension nor content names a mesh format.
        {Reader::MeshFile, folder.Write("notes.txt", "hello world\n"),
         "notes.txt: the file is not an OBJ, glTF, OFF, STL or PLY mesh"},
        {Reader::MeshFile, folder.Write("empty.obj", ""),
         "empty.obj: the file holds no face with three or more distinct corners"},

        {Reader::Image, PngHeaderOnly(20000, 20000),
         "big.png: the image is 20000 x 20000 pixels, more than 16384 x 16384"},
        {Reader::Image, hugeTga, "big.tga: the image is 20000 x 20000 pixels, more than 16384 x 16384"},
        {Reader::Image, cutPng, "big.png: the PNG image cannot be read ("},
        {Reader::Image, "plain text", "big.png: the file is not a PNG, JPEG, BMP or TGA image"},
        {Reader::Image, "\xFF\xD8\xFF\xE0 broken", "big.png: the JPEG image cannot be read ("},
        {Reader::Image, "BM", "big.png: the BMP image cannot be read ("},
        {Reader::ImageFile, "/nonexistent/t.png", "/nonexistent/t.png: the image file cannot be read"},

        {Reader::Model, "", "the file is empty"},
        {Reader::Model, oldCut.bytes, "the file ends inside the header fields"},
        // Where a cut lands is named; a count the rest cannot hold is caught before the records it counts.
        {Reader::Model, full.substr(0, model.at.at("solidCount") + 2),
         "the file ends inside the solid count"},
        {Reader::Model, full.substr(0, model.at.at("textCount") + 3), "the file ends inside the text count"},
        {Reader::Model, full.substr(0, model.at.at("materialCount") + 1),
         "the file ends inside the material count"},
        {Reader::Model, full.substr(0, full.size() - 2), "the file ends inside the end marker"},
        {Reader::Model, full.substr(0, full.size() - 10), "the file ends inside the display settings"},
        {Reader::Model, house.substr(0, 400), "the file is too short for the 6 faces of solid 0"},
        {Reader::Model, house.substr(0, 700), "the file ends inside face 1 of solid 0"},
    };
    for (const Row& row : rows) ExpectRefused(row);
}

// Every cut of a binary mesh fails, naming where it ends.
TEST(ModelFailures, EveryCutOfABinaryMeshFails) {
    const std::string stl = BinaryStl(CubeMesh());
    for (size_t length = 0; length < stl.size(); ++length)
        ExpectRefused({Reader::Stl, stl.substr(0, length),
                       length < 84 ? "part.stl: the file ends inside the 84-byte header of a binary STL file"
                                   : "part.stl, triangle " + std::to_string((length - 84) / 50 + 1) +
                                         ": the file ends inside this record (12 triangles declared)"});
    for (PlyEncoding encoding : {PlyEncoding::Little, PlyEncoding::Big}) {
        const std::string ply = WritePly(CubeMesh(), encoding);
        for (size_t length = 0; length < ply.size(); ++length)
            ExpectRefused({Reader::Ply, ply.substr(0, length), "box.ply, "});
    }
}

} // namespace
} // namespace tsm
