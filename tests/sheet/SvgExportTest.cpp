// The SVG export: parsed back with Qt's XML reader for structure, sizes, layers and colours, checked under
// a comma-decimal locale, and rendered by Inkscape.
#include "sheet/SvgExport.h"

#include "model/Settings.h"
#include "tests/sheet/ExportFixtures.h"
#include "tests/sheet/GoldenFiles.h"
#include "tests/sheet/InkscapeRender.h"
#include "tests/sheet/VectorFixture.h"
#include "tools/lib/ModelBuilder.h"

#include <gtest/gtest.h>

#include <QString>
#include <QXmlStreamReader>

#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

using namespace tsm;

namespace {

const QString kInkscapeNs = "http://www.inkscape.org/namespaces/inkscape";

struct Element {
    std::string name;
    std::string layer; // id of the enclosing group, empty at the top
    std::map<std::string, std::string> attributes;
};

struct ParsedSvg {
    bool ok = false;
    std::string error;
    Element root;
    std::vector<std::string> layerOrder;
    std::map<std::string, Element> layers;
    std::vector<Element> shapes; // lines and polygons
    std::string title;

    std::vector<Element> In(const std::string& layer, const std::string& name) const {
        std::vector<Element> out;
        for (const Element& e : shapes)
            if (e.layer == layer && e.name == name) out.push_back(e);
        return out;
    }
};

ParsedSvg Parse(const std::string& text) {
    ParsedSvg svg;
    QXmlStreamReader xml(QString::fromStdString(text));
    std::vector<std::string> groups;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            Element e;
            e.name = xml.name().toString().toStdString();
            e.layer = groups.empty() ? "" : groups.back();
            for (const QXmlStreamAttribute& a : xml.attributes()) {
                std::string key = a.name().toString().toStdString();
                if (a.namespaceUri() == kInkscapeNs) key = "inkscape:" + key;
                e.attributes[key] = a.value().toString().toStdString();
            }
            if (e.name == "svg") svg.root = e;
            if (e.name == "g") {
                groups.push_back(e.attributes["id"]);
                svg.layerOrder.push_back(e.attributes["id"]);
                svg.layers[e.attributes["id"]] = e;
            }
            if (e.name == "line" || e.name == "polygon") svg.shapes.push_back(e);
            if (e.name == "title") svg.title = xml.readElementText().toStdString();
        } else if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("g")) {
            groups.pop_back();
        }
    }
    svg.ok = !xml.hasError();
    svg.error = xml.errorString().toStdString();
    return svg;
}

// The element's attributes of the given names, joined by blanks.
std::string Attributes(const Element& e, const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names) out += (out.empty() ? "" : " ") + e.attributes.at(name);
    return out;
}

} // namespace

TEST(SvgExport, NumbersAndEscaping) {
    EXPECT_EQ(SvgNumber(1.23456), "1.2346");
    EXPECT_EQ(SvgNumber(-12.5), "-12.5");
    EXPECT_EQ(SvgNumber(-0.00001), "0"); // no "-0"
    EXPECT_EQ(SvgNumber(30.000000000000004), "30");
    EXPECT_EQ(SvgNumber(NAN), "0");
    EXPECT_EQ(SvgNumber(-INFINITY), "0");
    EXPECT_EQ(SvgNumber(1e20), "100000000000000000000");

    EXPECT_EQ(EscapeXml("R&D <1> \"a\" 'b'"), "R&amp;D &lt;1&gt; &quot;a&quot; &apos;b&apos;");
    // Valid UTF-8 is kept; stray bytes, overlong forms, surrogates and control characters are not.
    EXPECT_EQ(EscapeXml("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\x90"),
              "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\x90");
    EXPECT_EQ(EscapeXml("a\xFF"
                        "b\xC0\xAF"
                        "c\xED\xA0\x80"
                        "d\x01\te"),
              "a?b??c???d?\te");
    // A sequence cut off at the end of the text.
    EXPECT_EQ(EscapeXml("x\xE2\x82"), "x??");
    EXPECT_EQ(EscapeXml("\xEF\xBF\xBF"), "???");
}

TEST(SvgExport, StructureSizeAndLayers) {
    test::TinyDevelopment tiny;
    tiny.doc.path = "/models/R&D <draft>\xFF.tsm";
    const ParsedSvg svg = Parse(RenderSvg(tiny.doc, Settings(), {}));
    ASSERT_TRUE(svg.ok) << svg.error;
    EXPECT_EQ(svg.title, "R&D <draft>?.tsm");

    // The frame (16, 10, 14, 10) in millimetres.
    EXPECT_EQ(Attributes(svg.root, {"width", "height", "viewBox"}), "14mm 10mm 16 10 14 10");

    // Fills first (flaps under faces), then the four line layers, each an Inkscape layer.
    EXPECT_EQ(svg.layerOrder,
              (std::vector<std::string>{"flaps", "faces", "cut", "mountain", "valley", "flap-outlines"}));
    const std::tuple<std::string, std::string, std::string, size_t> layers[] = {
        {"flaps", "", "polygon", 1},           {"faces", "", "polygon", 2},
        {"cut", "Cut lines", "line", 3},       {"mountain", "Mountain folds", "line", 4},
        {"valley", "Valley folds", "line", 5}, {"flap-outlines", "Flap outlines", "line", 3}};
    for (const auto& [id, label, shape, count] : layers) {
        const Element& layer = svg.layers.at(id);
        EXPECT_EQ(layer.attributes.at("inkscape:groupmode"), "layer") << id;
        EXPECT_FALSE(layer.attributes.at("inkscape:label").empty()) << id;
        if (!label.empty()) {
            EXPECT_EQ(layer.attributes.at("inkscape:label"), label);
        }
        EXPECT_EQ(svg.In(id, shape).size(), count) << id;
    }
    EXPECT_EQ(svg.shapes.size(), 18u);

    // The last cut line is the red top edge from (30, 10) to (20, 10), at the vector pen's width.
    EXPECT_EQ(Attributes(svg.In("cut", "line").back(), {"x1", "y1", "x2", "y2", "stroke", "stroke-width"}),
              "30 10 20 10 #ff0000 " + SvgNumber(3 * 25.4 / 96));
    // The first mountain dash: sqrt(2) mm long, the vector renderer's dash scale.
    EXPECT_EQ(Attributes(svg.In("mountain", "line").front(), {"y1", "y2", "stroke"}), "10 11.4142 #000000");
    // The flap outline in its own colour; the flap fill is the flap polygon from the base to the tips.
    EXPECT_EQ(svg.In("flap-outlines", "line")[0].attributes.at("stroke"), "#007f00");
    EXPECT_EQ(svg.In("flaps", "polygon")[0].attributes.at("points"), "20,10 16,14 16,16 20,20");
    EXPECT_EQ(svg.layers.at("flaps").attributes.at("fill"), "#ffffff");
}

TEST(SvgExport, FillOptionsAndSettings) {
    Settings settings;
    test::TinyDevelopment tiny;
    // No faces and no flap fills when switched off; the line layers stay.
    ParsedSvg svg = Parse(RenderSvg(tiny.doc, settings, {false, false}));
    ASSERT_TRUE(svg.ok) << svg.error;
    EXPECT_EQ(svg.layers.count("faces"), 0u);
    EXPECT_EQ(svg.layers.count("flaps"), 0u);
    EXPECT_EQ(svg.In("", "polygon").size() + svg.In("faces", "polygon").size(), 0u);
    EXPECT_EQ(svg.shapes.size(), 15u);
    svg = Parse(RenderSvg(tiny.doc, settings, {true, false}));
    EXPECT_EQ(svg.layers.count("faces"), 1u);
    EXPECT_EQ(svg.layers.count("flaps"), 0u);

    // Flaps not drawn: neither their fill nor their outline.
    settings.drawFlaps = false;
    svg = Parse(RenderSvg(tiny.doc, settings, {}));
    EXPECT_EQ(svg.layers.count("flaps"), 0u);
    EXPECT_TRUE(svg.In("flap-outlines", "line").empty());
    settings.drawFlaps = true;

    // White underlays join their line's layer: one more line under each of the two dashed folds.
    settings.whiteLinesUnderFolds = true;
    svg = Parse(RenderSvg(tiny.doc, settings, {}));
    ASSERT_EQ(svg.In("mountain", "line").size(), 5u);
    EXPECT_EQ(svg.In("mountain", "line")[0].attributes.at("stroke"), "#ffffff");
    EXPECT_EQ(svg.In("valley", "line").size(), 6u);
    EXPECT_EQ(svg.In("cut", "line").size(), 3u) << "solid lines get no underlay";
    settings.whiteLinesUnderFolds = false;

    // Style "none" empties a layer.
    settings.valleyLineStyle = 1;
    EXPECT_TRUE(Parse(RenderSvg(tiny.doc, settings, {})).In("valley", "line").empty());
}

TEST(SvgExport, FaceFillsFollowTheMaterials) {
    Settings settings;
    test::TinyDevelopment tiny;
    AddMaterial(tiny.doc, "Plain", {0.2f, 0.4f, 0.6f});
    AddMaterial(tiny.doc, "Textured", {0.2f, 0.4f, 0.6f}, MakeCheckerboard(4, 4, 2, {0, 0, 0}, {1, 1, 1}));
    tiny.face0->materialIndex = 0;
    tiny.face1->materialIndex = 1;
    const auto fills = [&]() {
        std::vector<std::string> out;
        for (const Element& e : Parse(RenderSvg(tiny.doc, settings, {})).In("faces", "polygon"))
            out.push_back(e.attributes.at("fill"));
        return out;
    };
    // The flat colour (channels times 255, truncated); a textured material is white.
    EXPECT_EQ(fills(), (std::vector<std::string>{"#336699", "#ffffff"}));
    // Index -1 (and a damaged index) takes the model's default material.
    tiny.Model().defaultMaterial.flatColor[0] = 0.0f;
    tiny.face0->materialIndex = -1;
    tiny.face1->materialIndex = 7;
    EXPECT_EQ(fills(), (std::vector<std::string>{"#00ffff", "#00ffff"}));
    // Without materials every face is white.
    settings.useMaterials = false;
    EXPECT_EQ(fills(), (std::vector<std::string>{"#ffffff", "#ffffff"}));
}

// The complete models of the vector export tests, byte for byte, with the same fill choices as their EPS.
TEST(SvgExportGolden, MatchesTheGoldenFiles) {
    for (const test::ExportCase& c : test::ExportCases()) {
        Document doc;
        const Settings settings = test::PrepareCase(c, doc);
        const SvgOptions options{!c.eps.notFillFaces, !c.eps.notFillFlaps};
        EXPECT_TRUE(test::MatchesGolden(c.name + ".svg", RenderSvg(doc, settings, options)));
    }
}

TEST(SvgExport, InkscapeDrawsTheLayers) {
    if (!test::InkscapeInstalled())
        GTEST_SKIP() << "inkscape is not installed: no real reader checks the SVG";
    test::TinyDevelopment tiny;
    test::ScratchDir dir;
    const std::string path = dir.Path("tiny.svg");
    std::ofstream(path) << RenderSvg(tiny.doc, Settings(), {});
    std::string log;
    const QImage image = test::RenderWithInkscape(path, 384, &log);
    ASSERT_FALSE(image.isNull()) << log;
    // 14 x 10 mm at 384 dpi.
    const double pixelsPerMM = 384 / 25.4;
    EXPECT_NEAR(image.width(), 14 * pixelsPerMM, 1.0);
    EXPECT_NEAR(image.height(), 10 * pixelsPerMM, 1.0);
    test::ExpectTinyDevelopmentDrawn(
        image, [&](double x, double y) { return QPointF((x - 16) * pixelsPerMM, (y - 10) * pixelsPerMM); },
        3);
}
