#include "cli/InfoReport.h"

#include "cli/Json.h"
#include "engine/BuildOrder.h"
#include "engine/Buildability.h"
#include "engine/Flaps.h"
#include "engine/Unfolder.h"
#include "model/Settings.h"
#include "model/SettingsTable.h"
#include "sheet/CodePage.h"
#include "sheet/PageList.h"
#include "sheet/Paper.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>

namespace tsm {

namespace {

// The colour the development fills the material's faces with, as RRGGBB.
std::string ColourText(const Material& material) {
    char text[8];
    int channels[3];
    for (int i = 0; i < 3; ++i)
        channels[i] = static_cast<int>(std::lround(std::clamp(material.flatColor[i], 0.0f, 1.0f) * 255.0f));
    std::snprintf(text, sizeof text, "%02X%02X%02X", channels[0], channels[1], channels[2]);
    return text;
}

template <typename T, typename Release>
std::unordered_map<const T*, int> IndexOf(const std::vector<std::unique_ptr<T, Release>>& items) {
    std::unordered_map<const T*, int> index;
    index.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i) index.emplace(items[i].get(), static_cast<int>(i));
    return index;
}

template <typename T> int Find(const std::unordered_map<const T*, int>& index, const T* item) {
    const auto it = index.find(item);
    return it == index.end() ? -1 : it->second;
}

class Report {
public:
    Report(JsonWriter& json, const Document& document, const Settings& settings)
        : json_(json), doc_(document), settings_(settings) {}

    void Text(const std::string& bytes) { json_.String(DecodeModelStringToUtf8(bytes, doc_.writerLocale)); }

    void Numbers(const double* values, int count) {
        json_.BeginArray();
        for (int i = 0; i < count; ++i) json_.Number(values[i]);
        json_.EndArray();
    }
    void Vector(const Vec3& v) {
        const double values[3] = {v.x, v.y, v.z};
        Numbers(values, 3);
    }
    void Point(const Point2& p) {
        const double values[2] = {p.x, p.y};
        Numbers(values, 2);
    }

    void Model(bool detail) {
        const Mesh& model = *doc_.model;
        json_.BeginObject();
        json_.Key("size");
        json_.Number(model.size);
        json_.Key("center");
        Vector(model.center);
        json_.Key("boundsMin");
        Vector(model.boundsMin);
        json_.Key("boundsMax");
        Vector(model.boundsMax);
        json_.Key("dominantAxis");
        json_.Int(model.dominantAxis);
        json_.Key("solids");
        json_.BeginArray();
        for (const auto& solid : model.solids) SolidEntry(*solid, detail);
        json_.EndArray();
        json_.Key("materials");
        json_.BeginArray();
        for (const auto& material : model.materials) {
            json_.BeginObject();
            json_.Key("name");
            Text(material->name);
            json_.Key("color");
            json_.String(ColourText(*material));
            json_.Key("texture");
            if (material->texture) {
                json_.BeginArray();
                json_.Int(material->texture->width);
                json_.Int(material->texture->height);
                json_.EndArray();
            } else {
                json_.Null();
            }
            json_.EndObject();
        }
        json_.EndArray();
        json_.EndObject();
    }

    void SolidEntry(const Solid& solid, bool detail) {
        json_.BeginObject();
        json_.Key("name");
        Text(solid.name);
        json_.Key("inDevelopment");
        json_.Bool(solid.inDevelopment);
        json_.Key("shown");
        json_.Bool(solid.shown);
        json_.Key("vertices");
        json_.Int(static_cast<long long>(solid.vertices.size()));
        json_.Key("faces");
        json_.Int(static_cast<long long>(solid.faces.size()));
        json_.Key("edges");
        json_.Int(static_cast<long long>(solid.edges.size()));
        if (detail) SolidDetail(solid);
        json_.EndObject();
    }

    void SolidDetail(const Solid& solid) {
        const auto vertexIndex = IndexOf(solid.vertices);
        const auto edgeIndex = IndexOf(solid.edges);
        std::unordered_map<const Part*, int> partIndex;
        if (doc_.development) partIndex = IndexOf(doc_.development->parts);

        json_.Key("faceList");
        json_.BeginArray();
        for (const auto& face : solid.faces) {
            json_.BeginObject();
            json_.Key("material");
            json_.Int(face->materialIndex);
            json_.Key("part");
            json_.Int(face->part ? Find(partIndex, static_cast<const Part*>(face->part)) : -1);
            json_.Key("plane");
            Numbers(face->plane, 4);
            json_.Key("corners");
            json_.BeginArray();
            for (const auto& h : face->halfEdges) Corner(*h, vertexIndex);
            json_.EndArray();
            json_.EndObject();
        }
        json_.EndArray();

        json_.Key("edgeList");
        json_.BeginArray();
        for (const auto& edge : solid.edges) {
            json_.BeginObject();
            json_.Key("v1");
            json_.Int(Find(vertexIndex, static_cast<const Vertex*>(edge->vertex1)));
            json_.Key("v2");
            json_.Int(Find(vertexIndex, static_cast<const Vertex*>(edge->vertex2)));
            json_.Key("length");
            json_.Number(edge->length);
            json_.Key("foldAngle");
            json_.Number(edge->foldAngle);
            json_.Key("foldSense");
            json_.Bool(edge->foldSense);
            json_.Key("edgeId");
            json_.Int(edge->edgeId);
            json_.Key("edgeClass");
            json_.Int(static_cast<int32_t>(edge->edgeClass));
            json_.Key("symmetric");
            const int symmetric = Find(edgeIndex, static_cast<const Edge*>(edge->symmetricEdge));
            if (symmetric >= 0)
                json_.Int(symmetric);
            else
                json_.Null();
            json_.EndObject();
        }
        json_.EndArray();
    }

    void Corner(const HalfEdge& h, const std::unordered_map<const Vertex*, int>& vertexIndex) {
        json_.BeginObject();
        json_.Key("vertex");
        json_.Int(Find(vertexIndex, static_cast<const Vertex*>(h.vertex)));
        json_.Key("x2d");
        json_.Number(h.x2d);
        json_.Key("y2d");
        json_.Number(h.y2d);
        json_.Key("u");
        json_.Number(h.u);
        json_.Key("v");
        json_.Number(h.v);
        json_.Key("hasFlap");
        json_.Bool(h.hasFlap);
        json_.Key("flapHeight");
        json_.Number(h.flapHeight);
        json_.Key("flapAngle1");
        json_.Number(h.flapAngle1);
        json_.Key("flapAngle2");
        json_.Number(h.flapAngle2);
        // A corner outside every part has no place on paper, and so no flap either.
        const FlapShape flap =
            h.face != nullptr && h.face->part != nullptr ? ComputeFlapShape(h, FlapSideFlag(h)) : FlapShape{};
        json_.Key("tipStart");
        Point(flap.tipStart);
        json_.Key("tipEnd");
        Point(flap.tipEnd);
        json_.Key("displayPos");
        Vector(h.displayPos);
        json_.Key("twin");
        json_.Bool(h.twin != nullptr);
        json_.Key("joined");
        json_.Bool(h.Joined() != nullptr);
        json_.EndObject();
    }

    void DevelopmentObject(bool detail) {
        const Development& dev = *doc_.development;
        const auto solidIndex = IndexOf(doc_.model->solids);
        json_.BeginObject();
        json_.Key("scale");
        json_.Number(dev.scale);
        json_.Key("reversed");
        json_.Bool(dev.reversed);
        json_.Key("frame");
        Numbers(dev.frame, 4);
        json_.Key("sheetColumns");
        json_.Int(doc_.sheetColumns);
        json_.Key("sheetRows");
        json_.Int(doc_.sheetRows);
        json_.Key("pages");
        json_.BeginArray();
        const Paper paper = Paper::FromSettings(settings_);
        for (const SheetIndex& page : BuildPageList(doc_, paper, settings_.skipBlankPages)) {
            json_.BeginArray();
            json_.Int(page.column);
            json_.Int(page.row);
            json_.EndArray();
        }
        json_.EndArray();
        const std::vector<BuildStep> order = DocumentBuildOrder(dev);
        const std::vector<int> numbers = PartNumbers(order, dev.parts.size());
        json_.Key("parts");
        json_.BeginArray();
        for (size_t p = 0; p < dev.parts.size(); ++p)
            PartEntry(*dev.parts[p], solidIndex, detail, numbers[p]);
        json_.EndArray();
        if (detail) BuildOrderEntry(order);
        const DevelopmentSummary summary = SummariseDevelopment(dev);
        json_.Key("partCount");
        json_.Int(summary.parts);
        json_.Key("cutLengthMM");
        json_.Number(summary.cutLengthMM);
        json_.Key("flaps");
        json_.Int(summary.flaps);
        const Buildability build = MeasureBuildability(dev, PrintableRegion(paper, settings_));
        json_.Key("partsNotFitting");
        json_.Int(build.partsNotFitting);
        json_.Key("faceFaceOverlaps");
        json_.Int(build.faceFaceOverlaps);
        json_.Key("flapFaceOverlaps");
        json_.Int(build.flapFaceOverlaps);
        json_.Key("flapFlapOverlaps");
        json_.Int(build.flapFlapOverlaps);
        json_.Key("flapsShortened");
        json_.Int(build.flapsShortened);
        json_.Key("flapsTooSmall");
        json_.Int(build.flapsTooSmall);
        json_.Key("texts");
        json_.BeginArray();
        for (const auto& text : dev.texts) TextEntry(*text, detail);
        json_.EndArray();
        json_.Key("imagesA");
        json_.Int(static_cast<long long>(dev.imagesA.size()));
        json_.Key("imagesB");
        json_.Int(static_cast<long long>(dev.imagesB.size()));
        json_.EndObject();
    }

    void BuildOrderEntry(const std::vector<BuildStep>& order) {
        json_.Key("buildOrder");
        json_.BeginArray();
        for (size_t step = 0; step < order.size(); ++step) {
            json_.BeginObject();
            json_.Key("step");
            json_.Int(static_cast<long long>(step) + 1);
            json_.Key("part");
            json_.Int(order[step].part);
            json_.Key("joins");
            json_.BeginArray();
            for (int part : order[step].joins) json_.Int(part);
            json_.EndArray();
            json_.EndObject();
        }
        json_.EndArray();
    }

    void PartEntry(const Part& part, const std::unordered_map<const Solid*, int>& solidIndex, bool detail,
                   int number) {
        json_.BeginObject();
        if (detail) {
            json_.Key("number");
            json_.Int(number);
        }
        json_.Key("solid");
        json_.Int(Find(solidIndex, static_cast<const Solid*>(part.solid)));
        json_.Key("x");
        json_.Number(part.x);
        json_.Key("y");
        json_.Number(part.y);
        json_.Key("width");
        json_.Number(part.width);
        json_.Key("height");
        json_.Number(part.height);
        json_.Key("faces");
        json_.Int(static_cast<long long>(part.faces.size()));
        json_.Key("lines");
        json_.BeginArray();
        for (const auto& line : part.lines) {
            json_.BeginObject();
            json_.Key("drawKind");
            json_.Int(static_cast<int32_t>(line->drawKind));
            json_.Key("hidden");
            json_.Bool(line->hidden);
            json_.Key("lineKind");
            json_.Int(static_cast<int32_t>(line->lineKind));
            json_.Key("edgeId");
            json_.Int(line->edge ? line->edge->edgeId : -1);
            if (detail) LineDetail(part, *line, solidIndex);
            json_.EndObject();
        }
        json_.EndArray();
        json_.EndObject();
    }

    // Where a corner is: [solid, face, corner], the indices the edit operations and faceList use.
    void CornerPlace(const HalfEdge* h, const std::unordered_map<const Solid*, int>& solidIndex) {
        if (h == nullptr || h->face == nullptr || h->face->solid == nullptr) {
            json_.Null();
            return;
        }
        const Solid* solid = h->face->solid;
        auto& faces = faceIndex_[solid];
        if (faces.empty()) faces = IndexOf(solid->faces);
        int corner = -1;
        for (size_t i = 0; i < h->face->halfEdges.size(); ++i)
            if (h->face->Corner(i) == h) corner = static_cast<int>(i);
        json_.BeginArray();
        json_.Int(Find(solidIndex, solid));
        json_.Int(Find(faces, static_cast<const Face*>(h->face)));
        json_.Int(corner);
        json_.EndArray();
    }

    void LineDetail(const Part& part, const PartLine& line,
                    const std::unordered_map<const Solid*, int>& solidIndex) {
        json_.Key("first");
        CornerPlace(line.first, solidIndex);
        json_.Key("second");
        CornerPlace(line.second, solidIndex);
        if (line.first == nullptr || line.first->next == nullptr) return;
        const Point2 offset{part.x, part.y};
        json_.Key("from");
        Point(line.first->Pos2D() + offset);
        json_.Key("to");
        Point(line.first->next->Pos2D() + offset);
        json_.Key("color");
        char rgb[8];
        const auto channel = [&](int i) {
            return static_cast<unsigned>(std::lround(std::clamp(line.first->sideColor[i], 0.0f, 1.0f) * 255));
        };
        std::snprintf(rgb, sizeof rgb, "%02X%02X%02X", channel(0), channel(1), channel(2));
        json_.String(rgb);
    }

    void TextEntry(const TextBlock& text, bool detail) {
        json_.BeginObject();
        json_.Key("rect");
        Numbers(text.rect, 4);
        json_.Key("font");
        Text(text.fontName);
        json_.Key("size");
        json_.Int(text.fontSize);
        json_.Key("lineSpacing");
        json_.Int(text.lineSpacing);
        json_.Key("color");
        json_.Int(text.color);
        json_.Key("lines");
        json_.BeginArray();
        for (const std::string& line : text.lines) Text(line);
        json_.EndArray();
        if (detail) {
            json_.Key("position");
            Point({text.rect[0], text.rect[1]});
            json_.Key("string");
            std::string joined;
            for (size_t i = 0; i < text.lines.size(); ++i) joined += (i ? "\n" : "") + text.lines[i];
            Text(joined);
        }
        json_.EndObject();
    }

private:
    JsonWriter& json_;
    const Document& doc_;
    const Settings& settings_;
    std::unordered_map<const Solid*, std::unordered_map<const Face*, int>> faceIndex_;
};

void SettingsObject(JsonWriter& json, const Settings& settings) {
    json.BeginObject();
    for (const NamedSettingValue& named : ModelDisplaySettingValues(settings)) {
        json.Key(named.name);
        const SettingValue& value = named.value;
        switch (value.type) {
        case SettingType::Bool:
            json.Bool(value.boolValue);
            break;
        case SettingType::Double:
            json.Number(value.doubleValue);
            break;
        default:
            json.Int(value.intValue);
            break;
        }
    }
    json.Key("mountainDash");
    json.BeginArray();
    for (double d : settings.mountainDash) json.Number(d);
    json.EndArray();
    json.Key("valleyDash");
    json.BeginArray();
    for (double d : settings.valleyDash) json.Number(d);
    json.EndArray();
    json.EndObject();
}

} // namespace

std::string BuildInfoJson(const OpenOutcome& outcome, bool detail) {
    JsonWriter json;
    json.BeginObject();
    json.Key("opened");
    json.Bool(outcome.opened);
    // The numbers the reports have always carried: result 0 read, 1 failed, 3 refused; format 2 text,
    // 3 binary.
    json.Key("result");
    switch (outcome.result) {
    case ReaderResult::Read:
        json.Int(0);
        break;
    case ReaderResult::Failed:
        json.Int(1);
        break;
    case ReaderResult::Refused:
        json.Int(3);
        break;
    case ReaderResult::None:
        json.Null();
        break;
    }
    json.Key("format");
    if (outcome.format == FileFormat::None)
        json.Null();
    else
        json.Int(outcome.format == FileFormat::Binary ? 3 : 2);
    json.Key("title");
    if (outcome.opened)
        json.String(outcome.title);
    else
        json.Null();
    json.Key("messages");
    json.BeginArray();
    // Message texts are the system's own or name paths; paths on Linux are UTF-8 already.
    for (const std::string& message : outcome.messages) json.String(message);
    json.EndArray();

    json.Key("model");
    if (outcome.document)
        Report(json, *outcome.document, outcome.settings).Model(detail);
    else
        json.Null();
    json.Key("development");
    if (outcome.document && outcome.document->development)
        Report(json, *outcome.document, outcome.settings).DevelopmentObject(detail);
    else
        json.Null();
    json.Key("settings");
    SettingsObject(json, outcome.settings);
    json.EndObject();
    return json.Text() + "\n";
}

} // namespace tsm
