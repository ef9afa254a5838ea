// Models and settings for the vector export tests: each case builds a complete document in code and sets
// the display settings it is exported under, so that the golden files and the reader checks share them.
#pragma once

#include "engine/Classify.h"
#include "engine/Extents.h"
#include "model/Settings.h"
#include "sheet/ExporterEPS.h"
#include "tests/sheet/GoldenFiles.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"
#include "tools/lib/Samples.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tsm::test {

// The index of the solid's edge between its vertices a and b, -1 when there is none.
inline int EdgeIndex(const Solid& solid, int a, int b) {
    const Vertex* va = solid.vertices[a].get();
    const Vertex* vb = solid.vertices[b].get();
    for (size_t e = 0; e < solid.edges.size(); ++e) {
        const Edge& edge = *solid.edges[e];
        if ((edge.vertex1 == va && edge.vertex2 == vb) || (edge.vertex1 == vb && edge.vertex2 == va))
            return static_cast<int>(e);
    }
    return -1;
}

// A plus-shaped prism (arms 10 mm wide, 8 mm high): four concave vertical edges, so its development has
// valley folds as well as mountain folds. The twelve sides stay one strip, cut open at a concave edge,
// with the top hanging from side 0 and the bottom from side 6.
inline std::vector<std::string> BuildCrossPrism(Document& doc) {
    const double outline[12][2] = {{10, 0},  {20, 0},  {20, 10}, {30, 10}, {30, 20}, {20, 20},
                                   {20, 30}, {10, 30}, {10, 20}, {0, 20},  {0, 10},  {10, 10}};
    std::vector<Vec3> vertices;
    for (double z : {0.0, 8.0})
        for (const auto& p : outline) vertices.push_back({p[0], p[1], z});
    std::vector<std::vector<int>> faces;
    faces.push_back({12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23}); // top, face 0: the unfolding's root
    faces.push_back({11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0});           // bottom
    for (int i = 0; i < 12; ++i) faces.push_back({i, (i + 1) % 12, 12 + (i + 1) % 12, 12 + i});
    Solid& solid = AddSolid(doc, "Cross", vertices, faces);
    AddMaterial(doc, "Sky", {0.55f, 0.75f, 0.95f});
    solid.faces[0]->materialIndex = 0;

    std::vector<std::pair<int, int>> cuts;
    for (int i = 1; i < 12; ++i) cuts.push_back({0, EdgeIndex(solid, 12 + i, 12 + (i + 1) % 12)});
    for (int i = 0; i < 12; ++i)
        if (i != 6) cuts.push_back({0, EdgeIndex(solid, i, (i + 1) % 12)});
    cuts.push_back({0, EdgeIndex(solid, 2, 14)}); // the concave edge at (20, 10)
    return UnfoldForFixture(doc, cuts);
}

// The drawn kinds after the display settings have changed, as the "Show Flaps" command does: the document
// keeps the new display block.
inline void Reclassify(Document& doc, const DisplaySettings& display) {
    doc.display = display;
    ClassifyPartLines(*doc.development, *doc.model, display);
}

// Each edge ID n becomes 9 n, so that one development shows numbers of one, two and three digits.
inline void SpreadEdgeIds(Document& doc) {
    for (auto& solid : doc.model->solids)
        for (auto& edge : solid->edges)
            if (edge->edgeId != -1) edge->edgeId *= 9;
}

// Both sides of the first flapped cut edge carry a flap, as after the user adds the second one by hand.
inline void GiveFirstCutFlapsOnBothSides(Development& dev) {
    for (auto& part : dev.parts)
        for (auto& line : part->lines) {
            HalfEdge* h = line->first;
            if (h->twin != nullptr && h->Joined() == nullptr && h->hasFlap) {
                h->twin->hasFlap = true;
                return;
            }
        }
}

struct ExportCase {
    std::string name;                              // golden file base name
    std::function<void(DisplaySettings&)> display; // applied to the defaults before the model is built
    std::function<void(Document&)> build;          // builds the document under those settings
    EpsOptions eps;
};

inline std::vector<ExportCase> ExportCases() {
    std::vector<ExportCase> cases;
    // The cube sample with everything at its default and the edge IDs shown: flaps, mountain folds with
    // the mountain dashes, solid cuts, default-material faces.
    cases.push_back({"cube",
                     [](DisplaySettings& s) { s.drawEdgeIds = true; },
                     [](Document& doc) { BuildSampleCube(doc); },
                     {}});
    // Several parts and materials, one textured (filled white), white underlays under the dashes, edge
    // IDs inverted.
    cases.push_back({"house",
                     [](DisplaySettings& s) {
                         s.drawEdgeIds = true;
                         s.whiteLinesUnderFolds = true;
                         s.invertEdgeIds = true;
                     },
                     [](Document& doc) { BuildSampleHouse(doc); },
                     {}});
    // Valley folds and valley flaps, flaps on both sides of one edge, hidden lines, three-digit IDs,
    // custom dash patterns (one cut short by a non-positive length), dashed cuts, inverted IDs, flaps
    // outlined but not filled.
    cases.push_back({"cross",
                     [](DisplaySettings& s) {
                         s.drawEdgeIds = true;
                         s.cutLineStyle = 2;
                         s.mountainLineStyle = 0;
                         s.valleyLineStyle = 3;
                         const double mountain[6] = {3.0, 1.5, 0.5, 1.5, 0.5, 1.5};
                         const double valley[6] = {1.0, 0.5, 0.0, 2.0, 4.0, 4.0};
                         std::copy(mountain, mountain + 6, s.mountainDash);
                         std::copy(valley, valley + 6, s.valleyDash);
                         s.edgeIdFontSizePt = 4;
                         s.invertEdgeIds = true;
                     },
                     [](Document& doc) {
                         BuildCrossPrism(doc);
                         Development& dev = *doc.development;
                         GiveFirstCutFlapsOnBothSides(dev);
                         ComputeDevelopmentExtent(dev, true);
                         Reclassify(doc, doc.display);
                         SpreadEdgeIds(doc);
                         // One fold and one flapped cut are hidden: neither line is written, the flap is.
                         for (DrawKind kind : {DrawKind::Mountain, DrawKind::FlapMountain})
                             for (auto& line : dev.parts[0]->lines)
                                 if (line->drawKind == kind) {
                                     line->hidden = true;
                                     break;
                                 }
                     },
                     {false, true}});
    // The same shape with flaps hidden, no cut lines (style none), no fills and materials off; the
    // development mirrored, which puts the numbers on the other side of each edge.
    cases.push_back({"cross-plain",
                     [](DisplaySettings& s) {
                         s.drawFlaps = false;
                         s.drawEdgeIds = true;
                         s.useMaterials = false;
                         s.cutLineStyle = 1;
                     },
                     [](Document& doc) {
                         BuildCrossPrism(doc);
                         doc.development->reversed = true;
                         ComputeDevelopmentExtent(*doc.development, true);
                         Reclassify(doc, doc.display);
                     },
                     {true, true}});
    // A development without parts.
    cases.push_back({"empty", [](DisplaySettings&) {}, [](Document& doc) { EnsureDevelopment(doc); }, {}});
    return cases;
}

// Builds the case's document with its display block; returns the settings it is exported under.
inline Settings PrepareCase(const ExportCase& c, Document& doc) {
    c.display(doc.display);
    c.build(doc);
    return WithDisplay(Settings(), doc.display);
}

} // namespace tsm::test
