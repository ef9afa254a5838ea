#include "tests/support/DocumentCompare.h"

#include "model/BinaryWriter.h"
#include "model/DevelopmentSnapshot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

namespace tsm::test {

namespace {

std::string S(size_t i) {
    return std::to_string(i);
}

// Names every object of a document by its position, so that links of two documents can be compared.
class Locator {
public:
    explicit Locator(const Document& doc) {
        const Mesh& model = *doc.model;
        for (size_t s = 0; s < model.solids.size(); ++s) {
            const Solid& solid = *model.solids[s];
            names_[&solid] = "solid " + S(s);
            for (size_t v = 0; v < solid.vertices.size(); ++v)
                names_[solid.vertices[v].get()] = "vertex " + S(v) + " of solid " + S(s);
            for (size_t f = 0; f < solid.faces.size(); ++f) {
                const Face& face = *solid.faces[f];
                names_[&face] = "face " + S(f) + " of solid " + S(s);
                for (size_t c = 0; c < face.halfEdges.size(); ++c)
                    names_[face.halfEdges[c].get()] =
                        "corner " + S(c) + " of face " + S(f) + " of solid " + S(s);
            }
            for (size_t e = 0; e < solid.edges.size(); ++e)
                names_[solid.edges[e].get()] = "edge " + S(e) + " of solid " + S(s);
        }
        if (const Development* dev = doc.development.get()) {
            for (size_t p = 0; p < dev->parts.size(); ++p) {
                names_[dev->parts[p].get()] = "part " + S(p);
                for (size_t l = 0; l < dev->parts[p]->lines.size(); ++l)
                    names_[dev->parts[p]->lines[l].get()] = "line " + S(l) + " of part " + S(p);
            }
            for (size_t m = 0; m < dev->imageMaterials.size(); ++m)
                names_[dev->imageMaterials[m].get()] = "picture material " + S(m);
        }
    }
    // "null" for a null link, "elsewhere" for a pointer to something the document does not hold.
    std::string operator()(const void* p) const {
        if (!p) return "null";
        const auto it = names_.find(p);
        return it == names_.end() ? "elsewhere" : it->second;
    }

private:
    std::map<const void*, std::string> names_;
};

template <typename T, size_t N>
void ExpectSameArray(const T (&a)[N], const T (&b)[N], const std::string& what) {
    for (size_t i = 0; i < N; ++i) EXPECT_EQ(a[i], b[i]) << what << " [" << i << "]";
}

void ExpectSameFrame(const double (&a)[4], const double (&b)[4]) {
    // The frame of an empty development may hold infinities; compare the bits so that NaN equals NaN.
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(std::memcmp(&a[i], &b[i], sizeof(double)), 0)
            << "frame [" << i << "]: " << a[i] << " vs " << b[i];
}

void ExpectSameTexture(const TextureImage* a, const TextureImage* b, const std::string& what) {
    ASSERT_EQ(a == nullptr, b == nullptr) << what << ": texture present in one document only";
    if (!a) return;
    EXPECT_EQ(a->width, b->width) << what;
    EXPECT_EQ(a->height, b->height) << what;
    EXPECT_TRUE(a->pixels == b->pixels) << what << ": pixels differ";
}

void ExpectSameMaterial(const Material& a, const Material& b, const std::string& what) {
    EXPECT_EQ(a.name, b.name) << what;
    ExpectSameArray(a.ambient, b.ambient, what + " ambient");
    ExpectSameArray(a.diffuse, b.diffuse, what + " diffuse");
    ExpectSameArray(a.emission, b.emission, what + " emission");
    ExpectSameArray(a.specular, b.specular, what + " specular");
    EXPECT_EQ(a.shininess, b.shininess) << what;
    ExpectSameArray(a.flatColor, b.flatColor, what + " flat colour");
    ExpectSameTexture(a.texture.get(), b.texture.get(), what);
    ASSERT_EQ(a.bitmap == nullptr, b.bitmap == nullptr) << what << ": bitmap present in one document only";
    if (a.bitmap) {
        EXPECT_EQ(a.bitmap->width, b.bitmap->width) << what;
        EXPECT_EQ(a.bitmap->height, b.bitmap->height) << what;
        EXPECT_TRUE(a.bitmap->bits == b.bitmap->bits) << what << ": bitmap bits differ";
    }
}

void ExpectSameSolid(const Solid& a, const Solid& b, const Locator& la, const Locator& lb,
                     const std::string& what) {
    EXPECT_EQ(a.name, b.name) << what;
    EXPECT_EQ(a.inDevelopment, b.inDevelopment) << what;
    ASSERT_EQ(a.vertices.size(), b.vertices.size()) << what << " vertex count";
    for (size_t v = 0; v < a.vertices.size(); ++v) {
        EXPECT_TRUE(a.vertices[v]->position == b.vertices[v]->position)
            << la(a.vertices[v].get()) << " position";
    }
    ASSERT_EQ(a.faces.size(), b.faces.size()) << what << " face count";
    for (size_t f = 0; f < a.faces.size(); ++f) {
        const Face& fa = *a.faces[f];
        const Face& fb = *b.faces[f];
        const std::string face = la(&fa);
        EXPECT_EQ(lb(fb.solid), la(fa.solid)) << face << " solid";
        EXPECT_EQ(fa.materialIndex, fb.materialIndex) << face;
        EXPECT_EQ(fa.partIndex, fb.partIndex) << face;
        ExpectSameArray(fa.plane, fb.plane, face + " plane");
        EXPECT_EQ(la(fa.part), lb(fb.part)) << face << " part";
        ASSERT_EQ(fa.halfEdges.size(), fb.halfEdges.size()) << face << " corner count";
        for (size_t c = 0; c < fa.halfEdges.size(); ++c) {
            const HalfEdge& ha = *fa.halfEdges[c];
            const HalfEdge& hb = *fb.halfEdges[c];
            const std::string corner = la(&ha);
            EXPECT_EQ(la(ha.vertex), lb(hb.vertex)) << corner << " vertex";
            EXPECT_EQ(la(ha.face), lb(hb.face)) << corner << " face";
            EXPECT_EQ(la(ha.edge), lb(hb.edge)) << corner << " edge";
            EXPECT_EQ(la(ha.twin), lb(hb.twin)) << corner << " twin";
            EXPECT_EQ(la(ha.Joined()), lb(hb.Joined())) << corner << " joined";
            EXPECT_EQ(la(ha.line), lb(hb.line)) << corner << " line";
            EXPECT_EQ(ha.x2d, hb.x2d) << corner << " x2d";
            EXPECT_EQ(ha.y2d, hb.y2d) << corner << " y2d";
            EXPECT_EQ(ha.u, hb.u) << corner << " u";
            EXPECT_EQ(ha.v, hb.v) << corner << " v";
            EXPECT_EQ(ha.hasFlap, hb.hasFlap) << corner << " hasFlap";
            EXPECT_EQ(ha.flapHeight, hb.flapHeight) << corner << " flapHeight";
            EXPECT_EQ(ha.flapAngle1, hb.flapAngle1) << corner << " flapAngle1";
            EXPECT_EQ(ha.flapAngle2, hb.flapAngle2) << corner << " flapAngle2";
            ExpectSameArray(ha.flapColor, hb.flapColor, corner + " flapColor");
            ExpectSameArray(ha.sideColor, hb.sideColor, corner + " sideColor");
        }
    }
    ASSERT_EQ(a.edges.size(), b.edges.size()) << what << " edge count";
    for (size_t e = 0; e < a.edges.size(); ++e) {
        const Edge& ea = *a.edges[e];
        const Edge& eb = *b.edges[e];
        const std::string edge = la(&ea);
        EXPECT_EQ(la(ea.halfEdge1), lb(eb.halfEdge1)) << edge << " halfEdge1";
        EXPECT_EQ(la(ea.halfEdge2), lb(eb.halfEdge2)) << edge << " halfEdge2";
        EXPECT_EQ(la(ea.vertex1), lb(eb.vertex1)) << edge << " vertex1";
        EXPECT_EQ(la(ea.vertex2), lb(eb.vertex2)) << edge << " vertex2";
        EXPECT_EQ(ea.edgeFlag, eb.edgeFlag) << edge << " edgeFlag";
        EXPECT_EQ(ea.edgeClass, eb.edgeClass) << edge << " edgeClass";
    }
}

void ExpectSameDevelopment(const Development& a, const Development& b, const Locator& la, const Locator& lb) {
    EXPECT_EQ(a.scale, b.scale) << "development scale";
    EXPECT_EQ(a.reversed, b.reversed) << "development reversed";
    ExpectSameFrame(a.frame, b.frame);
    ASSERT_EQ(a.parts.size(), b.parts.size()) << "part count";
    for (size_t p = 0; p < a.parts.size(); ++p) {
        const Part& pa = *a.parts[p];
        const Part& pb = *b.parts[p];
        const std::string part = "part " + S(p);
        EXPECT_EQ(la(pa.solid), lb(pb.solid)) << part << " solid";
        EXPECT_EQ(pa.development == &a, pb.development == &b) << part << " development";
        EXPECT_EQ(pa.x, pb.x) << part << " x";
        EXPECT_EQ(pa.y, pb.y) << part << " y";
        EXPECT_EQ(pa.width, pb.width) << part << " width";
        EXPECT_EQ(pa.height, pb.height) << part << " height";
        ASSERT_EQ(pa.faces.size(), pb.faces.size()) << part << " face count";
        for (size_t f = 0; f < pa.faces.size(); ++f)
            EXPECT_EQ(la(pa.faces[f]), lb(pb.faces[f])) << part << " face " << f;
        ASSERT_EQ(pa.lines.size(), pb.lines.size()) << part << " line count";
        for (size_t l = 0; l < pa.lines.size(); ++l) {
            const PartLine& a1 = *pa.lines[l];
            const PartLine& b1 = *pb.lines[l];
            const std::string line = "line " + S(l) + " of " + part;
            EXPECT_EQ(a1.hidden, b1.hidden) << line << " hidden";
            EXPECT_EQ(a1.lineKind, b1.lineKind) << line << " lineKind";
            EXPECT_EQ(la(a1.first), lb(b1.first)) << line << " first";
            EXPECT_EQ(la(a1.second), lb(b1.second)) << line << " second";
            EXPECT_EQ(la(a1.edge), lb(b1.edge)) << line << " edge";
        }
    }
    ASSERT_EQ(a.texts.size(), b.texts.size()) << "text count";
    for (size_t t = 0; t < a.texts.size(); ++t) {
        const TextBlock& ta = *a.texts[t];
        const TextBlock& tb = *b.texts[t];
        const std::string text = "text " + S(t);
        ExpectSameArray(ta.rect, tb.rect, text + " rect");
        EXPECT_EQ(ta.lines, tb.lines) << text;
        EXPECT_EQ(ta.fontName, tb.fontName) << text;
        EXPECT_EQ(ta.fontSize, tb.fontSize) << text;
        EXPECT_EQ(ta.lineSpacing, tb.lineSpacing) << text;
        EXPECT_EQ(ta.color, tb.color) << text;
    }
    ASSERT_EQ(a.imageMaterials.size(), b.imageMaterials.size()) << "picture material count";
    for (size_t m = 0; m < a.imageMaterials.size(); ++m)
        ExpectSameMaterial(*a.imageMaterials[m], *b.imageMaterials[m], "picture material " + S(m));
    const std::vector<std::unique_ptr<ImageBlock>>* listsA[2] = {&a.imagesA, &a.imagesB};
    const std::vector<std::unique_ptr<ImageBlock>>* listsB[2] = {&b.imagesA, &b.imagesB};
    for (int k = 0; k < 2; ++k) {
        const std::string list = k == 0 ? "picture A " : "picture B ";
        ASSERT_EQ(listsA[k]->size(), listsB[k]->size()) << list << "count";
        for (size_t i = 0; i < listsA[k]->size(); ++i) {
            const ImageBlock& ia = *(*listsA[k])[i];
            const ImageBlock& ib = *(*listsB[k])[i];
            ExpectSameArray(ia.rect, ib.rect, list + S(i) + " rect");
            EXPECT_EQ(la(ia.material), lb(ib.material)) << list << i << " material";
        }
    }
}

} // namespace

void ExpectSameDocument(const Document& a, const Document& b) {
    ASSERT_TRUE(a.model && b.model);
    const Locator la(a), lb(b);
    const Mesh& ma = *a.model;
    const Mesh& mb = *b.model;
    EXPECT_EQ(ma.size, mb.size) << "model size";
    EXPECT_TRUE(ma.center == mb.center) << "model centre";
    ASSERT_EQ(ma.materials.size(), mb.materials.size()) << "material count";
    for (size_t m = 0; m < ma.materials.size(); ++m)
        ExpectSameMaterial(*ma.materials[m], *mb.materials[m], "material " + S(m));
    ASSERT_EQ(ma.solids.size(), mb.solids.size()) << "solid count";
    for (size_t s = 0; s < ma.solids.size(); ++s)
        ExpectSameSolid(*ma.solids[s], *mb.solids[s], la, lb, "solid " + S(s));
    ASSERT_EQ(a.development == nullptr, b.development == nullptr)
        << "development present in one document only";
    if (a.development) ExpectSameDevelopment(*a.development, *b.development, la, lb);
}

void ExpectSameDisplaySettings(const DisplaySettings& a, const DisplaySettings& b) {
    EXPECT_EQ(a.drawFlaps, b.drawFlaps) << "bDrawFlap";
    EXPECT_EQ(a.drawEdgeIds, b.drawEdgeIds) << "bDrawNumber";
    EXPECT_EQ(a.invertEdgeIds, b.invertEdgeIds) << "bInvertEdgeID";
    EXPECT_EQ(a.useMaterials, b.useMaterials) << "bUseMaterial";
    EXPECT_EQ(a.omitFlatFolds, b.omitFlatFolds) << "bOmitFlatEdge";
    EXPECT_EQ(a.flatFoldAngleDegrees, b.flatFoldAngleDegrees) << "iFlatEdgeAngle";
    EXPECT_EQ(a.whiteLinesUnderFolds, b.whiteLinesUnderFolds) << "bDrawWhiteBkLine";
    EXPECT_EQ(a.mountainLineStyle, b.mountainLineStyle) << "iMountainLineStyle";
    EXPECT_EQ(a.valleyLineStyle, b.valleyLineStyle) << "iValleyLineStyle";
    EXPECT_EQ(a.cutLineStyle, b.cutLineStyle) << "iCutLineStyle";
    EXPECT_EQ(a.edgeIdFontSizePt, b.edgeIdFontSizePt) << "iEdgeIDfontSizePoint";
    EXPECT_EQ(a.paperSize, b.paperSize) << "iPaperSize";
    EXPECT_EQ(a.paperOrientation, b.paperOrientation) << "iPaperOrientation";
    EXPECT_EQ(a.marginSideMM, b.marginSideMM) << "iMarginSide";
    EXPECT_EQ(a.marginTopMM, b.marginTopMM) << "iMarginTop";
    ExpectSameArray(a.mountainDash, b.mountainDash, "mountain dash");
    ExpectSameArray(a.valleyDash, b.valleyDash, "valley dash");
    EXPECT_EQ(a.colorFlapsLikeFaces, b.colorFlapsLikeFaces) << "bColorFlapWithFace";
    EXPECT_EQ(a.defaultFlapHeightMM, b.defaultFlapHeightMM) << "dDefaultFlapHeightMM";
}

std::string DocumentStateBytes(const Document& document) {
    std::string state = SerializeBinaryModel(document, document.display);
    if (document.development) {
        PartPool pool;
        const DevelopmentSnapshot snapshot = TakeDevelopmentSnapshot(document, pool);
        for (const auto& part : snapshot.parts) state += *part;
        state += snapshot.rest;
    }
    return state;
}

} // namespace tsm::test
