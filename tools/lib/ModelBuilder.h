// Building complete documents in code: solids from vertex and face lists, materials with generated
// textures, texts and pictures, and a simple deterministic development for fixtures and samples.
//
// The development made here is not the unfolder's: it lays out a breadth-first spanning tree of each solid
// (or the parts left by an explicit list of cut edges) without any overlap test, so it suits small convex
// fixtures, the sample files and the benchmarks. Its result satisfies every link invariant of a document
// that a reader would give (see Invariants.h).
#pragma once

#include "model/Document.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tsm {

struct Rgb {
    float r = 1, g = 1, b = 1;
};

// Appends a solid: one vertex per position, one face per index list (corners counter-clockwise as seen
// from outside), with rings, planes, edges, edge geometry and vertex incidence completed. Indices outside
// `vertices` and faces with fewer than 3 corners are skipped, so bad input never builds broken links.
Solid& AddSolid(Document& document, const std::string& name, const std::vector<Vec3>& vertices,
                const std::vector<std::vector<int>>& faces, int materialIndex = -1);

// Gives every corner of the solid texture coordinates that map the whole texture onto each face's box.
void AssignFaceUV(Solid& solid);

// A w x h texture of square cells of `cellPixels`, alternating between the two colours, starting with
// `first` at the top left. Sizes below 1 give an empty texture.
std::unique_ptr<TextureImage> MakeCheckerboard(int width, int height, int cellPixels, Rgb first, Rgb second);

// Appends a material whose ambient, diffuse and flat colours are `colour`; `texture` may be null.
Material& AddMaterial(Document& document, const std::string& name, Rgb colour,
                      std::unique_ptr<TextureImage> texture = nullptr);

// Creates the development when the document has none yet.
Development& EnsureDevelopment(Document& document);

// Appends a free text; `rectMM` is x, y, width, height on the development.
TextBlock& AddText(Document& document, const double (&rectMM)[4], const std::vector<std::string>& lines,
                   int32_t fontSize = 10, int32_t colour = 0, const std::string& fontName = "MS Sans Serif",
                   int32_t lineSpacingMM = 2);

// Appends a picture to imagesA (listB false, drawn under the parts) or imagesB (drawn above them); its
// material goes to imageMaterials.
ImageBlock& AddPicture(Document& document, bool listB, const double (&rectMM)[4],
                       std::unique_ptr<TextureImage> image);

struct FixtureUnfoldOptions {
    double scale = 1.0;         // development mm per model unit
    double rowWidthMM = 180.0;  // parts wrap to a new row beyond this width (A4 printable width)
    double gapMM = 5.0;         // between parts and rows
    double flapHeightMM = -1;   // every corner's flap height; <= 0 keeps defaultFlapHeightMM
    bool autoFlapAngles = true; // base angles from the neighbouring faces, as the Unfold command does
};

// Replaces the document's parts (texts and pictures stay) with a development of every solid whose
// inDevelopment is set. `cutEdges` holds (solid index, edge index) pairs: a solid named in it is cut exactly
// there, and the faces joined by the remaining edges form its parts (a remaining edge that cannot close
// in the plane, because it is not part of the spanning tree and its ends do not meet, is cut too). A solid
// not named is cut along every edge outside a breadth-first spanning tree grown from face 0.
// Returns what went wrong (bad cut-edge pairs, broken invariants); empty on success.
std::vector<std::string> UnfoldForFixture(Document& document,
                                          const std::vector<std::pair<int, int>>& cutEdges = {},
                                          const FixtureUnfoldOptions& options = {});

// Adds three 50 mm cubes side by side and unfolds them one per row of parts, so that the development runs
// over several sheets of A4: a model that prints on more than one page. Returns what UnfoldForFixture
// returns.
std::vector<std::string> UnfoldThreeCubesInRows(Document& document);

} // namespace tsm
