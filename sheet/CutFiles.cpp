#include "sheet/CutFiles.h"

#include "engine/Extents.h"
#include "model/AtomicFile.h"
#include "sheet/ExportCommands.h"
#include "sheet/MarkClearance.h"
#include "sheet/PartNumberLabels.h"
#include "sheet/PrintJob.h"
#include "sheet/SvgAnnotations.h"
#include "sheet/SvgExport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tsm {

namespace {

// Cut, scored and mark lines: hairlines in colours cutting programs tell apart.
constexpr const char* kCutStroke = " fill=\"none\" stroke=\"#ff0000\" stroke-width=\"0.1\"";
constexpr const char* kMountainStroke = " fill=\"none\" stroke=\"#0000ff\" stroke-width=\"0.1\"";
constexpr const char* kValleyStroke = " fill=\"none\" stroke=\"#00a000\" stroke-width=\"0.1\"";
// The page label's font size: 10 points in millimetres.
constexpr double kPageLabelMM = 10.0 * 25.4 / 72.0;

Point2 BoxMiddle(const ClosedPath& path) {
    double left = path[0].x, right = path[0].x, top = path[0].y, bottom = path[0].y;
    for (const Point2& p : path) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    return {(left + right) / 2, (top + bottom) / 2};
}

void Shift(ClosedPath& path, const Point2& by) {
    for (Point2& p : path) p = p + by;
}

std::string PathData(const ClosedPath& path) {
    std::string d;
    for (size_t i = 0; i < path.size(); ++i) {
        d += i == 0 ? "M " : " L ";
        d += SvgNumber(path[i].x) + ',' + SvgNumber(path[i].y);
    }
    return d + " Z";
}

void OpenLayer(std::string& out, const char* id, const char* label, const char* extra = "") {
    out += "<g id=\"" + std::string(id) + "\" inkscape:groupmode=\"layer\" inkscape:label=\"" + label + '"' +
           extra + ">\n";
}

// The printed crosses of a multi-page job, as the print draws them, without those in a keep-out zone.
std::string CrossesSvg(const Paper& paper, const std::vector<PaperRect>& zones) {
    PrintState state;
    state.originXMM = paper.sideMarginMM;
    state.originYMM = paper.topMarginMM;
    const std::vector<StrokeMM> strokes = AlignmentCrossStrokes(state, paper);
    std::string out;
    for (size_t i = 0; i + 1 < strokes.size(); i += 2) {
        const Point2 corner{(strokes[i].from.x + strokes[i].to.x) / 2,
                            (strokes[i].from.y + strokes[i].to.y) / 2};
        const bool hidden = std::any_of(zones.begin(), zones.end(),
                                        [&](const PaperRect& zone) { return zone.Contains(corner); });
        if (hidden) continue;
        for (size_t k = i; k < i + 2; ++k)
            out += "<path d=\"M " + SvgNumber(strokes[k].from.x) + ',' + SvgNumber(strokes[k].from.y) +
                   " L " + SvgNumber(strokes[k].to.x) + ',' + SvgNumber(strokes[k].to.y) + "\"/>\n";
    }
    return out;
}

std::string DxfNumber(double value) {
    return SvgNumber(value);
}

void DxfPair(std::string& out, int code, const std::string& value) {
    char head[8];
    std::snprintf(head, sizeof head, "%3d\n", code);
    out += head;
    out += value;
    out += '\n';
}

} // namespace

Point2 SheetShift(const Paper& paper, const SheetIndex& sheet) {
    return {paper.sideMarginMM - sheet.column * paper.PrintableWidth(),
            paper.topMarginMM - sheet.row * paper.PrintableHeight()};
}

std::vector<CutSheet> BuildCutSheets(const Document& document, const Settings& settings, const Paper& paper,
                                     MarksKind marks) {
    std::vector<CutSheet> sheets;
    if (document.development == nullptr) return sheets;
    const Development& development = *document.development;
    const std::vector<SheetIndex> pages = BuildPageList(document, paper, settings.skipBlankPages);
    const double pw = paper.PrintableWidth(), ph = paper.PrintableHeight();
    for (size_t n = 0; n < pages.size(); ++n) {
        CutSheet sheet;
        sheet.sheet = pages[n];
        sheet.pageNumber = static_cast<int>(n + 1);
        sheet.pageCount = static_cast<int>(pages.size());
        sheet.marks = RegistrationMarkShapes(marks, paper.PaperWidth(), paper.PaperHeight());
        sheets.push_back(std::move(sheet));
    }
    if (sheets.empty() || !(pw > 0) || !(ph > 0)) return sheets;

    // A part is cut from the sheet that holds the middle of its outline's box; one straddling sheets whose
    // middle falls on a blank sheet goes to the first printed sheet instead.
    const auto sheetOf = [&](const Point2& middle) -> CutSheet& {
        const int column = static_cast<int>(std::floor(middle.x / pw));
        const int row = static_cast<int>(std::floor(middle.y / ph));
        for (CutSheet& sheet : sheets)
            if (sheet.sheet.column == column && sheet.sheet.row == row) return sheet;
        return sheets.front();
    };
    std::vector<CutSheet*> partSheet(development.parts.size(), nullptr);
    for (PartCutOutline& outline : CutOutlines(development, settings.drawFlaps)) {
        CutSheet& sheet = sheetOf(BoxMiddle(outline.outer));
        const Point2 shift = SheetShift(paper, sheet.sheet);
        Shift(outline.outer, shift);
        for (ClosedPath& hole : outline.holes) Shift(hole, shift);
        if (partSheet[outline.partIndex] == nullptr) partSheet[outline.partIndex] = &sheet;
        sheet.cuts.push_back(std::move(outline));
    }
    for (FoldSegment fold : FoldSegments(development)) {
        CutSheet* sheet = partSheet[fold.partIndex];
        if (sheet == nullptr) continue;
        const Point2 shift = SheetShift(paper, sheet->sheet);
        fold.a = fold.a + shift;
        fold.b = fold.b + shift;
        sheet->folds.push_back(fold);
    }
    return sheets;
}

std::vector<size_t> PartsInMarkZones(const std::vector<CutSheet>& sheets, const Paper& paper,
                                     MarksKind marks) {
    const std::vector<PaperRect> zones = MarkKeepOutZones(marks, paper);
    std::vector<size_t> parts;
    for (const CutSheet& sheet : sheets)
        for (const PartCutOutline& cut : sheet.cuts) {
            PaperRect box{cut.outer[0].x, cut.outer[0].y, cut.outer[0].x, cut.outer[0].y};
            for (const Point2& p : cut.outer) {
                box.left = std::min(box.left, p.x);
                box.right = std::max(box.right, p.x);
                box.top = std::min(box.top, p.y);
                box.bottom = std::max(box.bottom, p.y);
            }
            for (const PaperRect& zone : zones)
                if (zone.Meets(box)) parts.push_back(cut.partIndex);
        }
    std::sort(parts.begin(), parts.end());
    parts.erase(std::unique(parts.begin(), parts.end()), parts.end());
    return parts;
}

std::string CutSheetSvg(const Document& document, const Settings& settings, const Paper& paper,
                        const CutSheet& sheet, MarksKind marks) {
    const double w = paper.PaperWidth(), h = paper.PaperHeight();
    const double pw = paper.PrintableWidth(), ph = paper.PrintableHeight();
    const Point2 shift = SheetShift(paper, sheet.sheet);
    std::string out;
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" "
           "xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" version=\"1.1\"";
    out += " width=\"" + SvgNumber(w) + "mm\" height=\"" + SvgNumber(h) + "mm\" viewBox=\"0 0 " +
           SvgNumber(w) + ' ' + SvgNumber(h) + "\">\n";
    char title[64];
    std::snprintf(title, sizeof title, "Sheet %d of %d", sheet.pageNumber, sheet.pageCount);
    out += "<title>" + std::string(title) + "</title>\n";

    // The print shows the printable area only, and nothing near a mark.
    const std::vector<PaperRect> zones = MarkKeepOutZones(marks, paper);
    const PaperRect printable{static_cast<double>(paper.sideMarginMM), static_cast<double>(paper.topMarginMM),
                              paper.sideMarginMM + pw, paper.topMarginMM + ph};
    std::string clip = "M " + SvgNumber(printable.left) + ',' + SvgNumber(printable.top) + " H " +
                       SvgNumber(printable.right) + " V " + SvgNumber(printable.bottom) + " H " +
                       SvgNumber(printable.left) + " Z";
    for (const PaperRect& zone : zones) {
        // Zones do not overlap one another; inside the printable area each takes its piece out (even-odd).
        const PaperRect cut{std::max(zone.left, printable.left), std::max(zone.top, printable.top),
                            std::min(zone.right, printable.right), std::min(zone.bottom, printable.bottom)};
        if (cut.left >= cut.right || cut.top >= cut.bottom) continue;
        clip += " M " + SvgNumber(cut.left) + ',' + SvgNumber(cut.top) + " H " + SvgNumber(cut.right) +
                " V " + SvgNumber(cut.bottom) + " H " + SvgNumber(cut.left) + " Z";
    }
    std::string paperClip = "M 0,0 H " + SvgNumber(w) + " V " + SvgNumber(h) + " H 0 Z";
    for (const PaperRect& zone : zones)
        paperClip += " M " + SvgNumber(zone.left) + ',' + SvgNumber(zone.top) + " H " +
                     SvgNumber(zone.right) + " V " + SvgNumber(zone.bottom) + " H " + SvgNumber(zone.left) +
                     " Z";
    out +=
        "<defs><clipPath id=\"printable\" clipPathUnits=\"userSpaceOnUse\"><path clip-rule=\"evenodd\" d=\"" +
        clip +
        "\"/></clipPath><clipPath id=\"paper\" clipPathUnits=\"userSpaceOnUse\"><path clip-rule=\"evenodd\" "
        "d=\"" +
        paperClip + "\"/></clipPath></defs>\n";

    OpenLayer(out, "print", "Print");
    out += "<g clip-path=\"url(#printable)\">\n";
    out += "<g transform=\"translate(" + SvgNumber(shift.x) + ' ' + SvgNumber(shift.y) + ")\">\n";
    SvgOptions drawing;
    drawing.overlay = false;
    drawing.printDpi = kDefaultPrintDpi;
    out += SvgDrawingGroups(document, settings, drawing, false);
    out += "</g>\n</g>\n";
    // Texts and numbers are drawn on the page, not into the printable area's picture: only the paper
    // (and the marks' zones) bound them.
    out +=
        "<g clip-path=\"url(#paper)\">\n<g transform=\"translate(" + SvgNumber(shift.x) + ' ' +
        SvgNumber(shift.y) + ")\">\n" + SvgTexts(document) +
        (document.development != nullptr ? SvgEdgeIds(*document.development, settings) : std::string()) +
        (document.development != nullptr && settings.drawPartNumbers ? SvgPartNumbers(*document.development)
                                                                     : std::string()) +
        "</g>\n</g>\n";
    if (settings.printCropMarks && sheet.pageCount != 1) {
        // 5 pixels of a 600 dpi printer.
        out += "<g fill=\"none\" stroke=\"#000000\" stroke-width=\"" + SvgNumber(5 * 25.4 / 600) +
               "\" stroke-linecap=\"round\">\n";
        out += CrossesSvg(paper, zones);
        out += "</g>\n";
    }
    if (settings.printPageNumbers) {
        out += "<text x=\"" + SvgNumber(paper.sideMarginMM + pw / 2) + "\" y=\"" +
               SvgNumber(paper.topMarginMM + ph + 2 + kPageLabelMM * 0.8) +
               "\" font-family=\"sans-serif\" font-size=\"" + SvgNumber(kPageLabelMM) +
               "\" text-anchor=\"middle\" fill=\"#000000\">" +
               EscapeXml(PageLabelText(sheet.pageNumber, sheet.pageCount, sheet.sheet)) + "</text>\n";
    }
    out += "</g>\n";

    OpenLayer(out, "cut", "Cut", kCutStroke);
    for (const PartCutOutline& cut : sheet.cuts) {
        std::string d = PathData(cut.outer);
        for (const ClosedPath& hole : cut.holes) d += ' ' + PathData(hole);
        char id[32];
        std::snprintf(id, sizeof id, "part-%zu", cut.partIndex + 1);
        out += "<path id=\"" + std::string(id) + "\" d=\"" + d + "\"/>\n";
    }
    out += "</g>\n";
    const struct {
        FoldKind kind;
        const char* id;
        const char* label;
        const char* stroke;
    } folds[] = {{FoldKind::Mountain, "mountain", "Mountain", kMountainStroke},
                 {FoldKind::Valley, "valley", "Valley", kValleyStroke}};
    for (const auto& layer : folds) {
        OpenLayer(out, layer.id, layer.label, layer.stroke);
        for (const FoldSegment& fold : sheet.folds)
            if (fold.kind == layer.kind)
                out += "<path d=\"M " + SvgNumber(fold.a.x) + ',' + SvgNumber(fold.a.y) + " L " +
                       SvgNumber(fold.b.x) + ',' + SvgNumber(fold.b.y) + "\"/>\n";
        out += "</g>\n";
    }
    OpenLayer(out, "registration", "Registration", " fill=\"#000000\" stroke=\"none\"");
    for (const std::vector<Point2>& mark : sheet.marks) out += "<path d=\"" + PathData(mark) + "\"/>\n";
    out += "</g>\n";
    out += "</svg>\n";
    return out;
}

std::string CutSheetDxf(const Paper& paper, const CutSheet& sheet) {
    const double h = paper.PaperHeight();
    std::string out;
    int handle = 0x20;
    const auto nextHandle = [&handle]() {
        char text[16];
        std::snprintf(text, sizeof text, "%X", handle++);
        return std::string(text);
    };
    DxfPair(out, 0, "SECTION");
    DxfPair(out, 2, "HEADER");
    DxfPair(out, 9, "$ACADVER");
    DxfPair(out, 1, "AC1015");
    DxfPair(out, 9, "$INSUNITS");
    DxfPair(out, 70, "4");
    DxfPair(out, 0, "ENDSEC");

    // Layers with the colours cutting programs are set up for: red cut, blue and green scores, black marks.
    const struct {
        const char* name;
        const char* colour;
    } layers[] = {{"CUT", "1"}, {"MOUNTAIN", "5"}, {"VALLEY", "3"}, {"REGISTRATION", "7"}};
    DxfPair(out, 0, "SECTION");
    DxfPair(out, 2, "TABLES");
    DxfPair(out, 0, "TABLE");
    DxfPair(out, 2, "LAYER");
    DxfPair(out, 5, "2");
    DxfPair(out, 100, "AcDbSymbolTable");
    DxfPair(out, 70, "4");
    for (const auto& layer : layers) {
        DxfPair(out, 0, "LAYER");
        DxfPair(out, 5, nextHandle());
        DxfPair(out, 100, "AcDbSymbolTableRecord");
        DxfPair(out, 100, "AcDbLayerTableRecord");
        DxfPair(out, 2, layer.name);
        DxfPair(out, 70, "0");
        DxfPair(out, 62, layer.colour);
        DxfPair(out, 6, "CONTINUOUS");
    }
    DxfPair(out, 0, "ENDTAB");
    DxfPair(out, 0, "ENDSEC");

    DxfPair(out, 0, "SECTION");
    DxfPair(out, 2, "ENTITIES");
    const auto polyline = [&](const char* layer, const std::vector<Point2>& points, bool closed) {
        DxfPair(out, 0, "LWPOLYLINE");
        DxfPair(out, 5, nextHandle());
        DxfPair(out, 100, "AcDbEntity");
        DxfPair(out, 8, layer);
        DxfPair(out, 100, "AcDbPolyline");
        DxfPair(out, 90, std::to_string(points.size()));
        DxfPair(out, 70, closed ? "1" : "0");
        for (const Point2& p : points) {
            DxfPair(out, 10, DxfNumber(p.x));
            DxfPair(out, 20, DxfNumber(h - p.y));
        }
    };
    for (const PartCutOutline& cut : sheet.cuts) {
        polyline("CUT", cut.outer, true);
        for (const ClosedPath& hole : cut.holes) polyline("CUT", hole, true);
    }
    for (const FoldSegment& fold : sheet.folds)
        polyline(fold.kind == FoldKind::Mountain ? "MOUNTAIN" : "VALLEY", {fold.a, fold.b}, false);
    for (const std::vector<Point2>& mark : sheet.marks) polyline("REGISTRATION", mark, true);
    DxfPair(out, 0, "ENDSEC");
    DxfPair(out, 0, "EOF");
    return out;
}

std::string CutFilePath(const std::string& chosenPath, int pageNumber, CutFileFormat format) {
    const size_t slash = chosenPath.find_last_of('/');
    const size_t dot = chosenPath.find_last_of('.');
    const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                                 ? chosenPath.substr(0, dot)
                                 : chosenPath;
    char number[16];
    std::snprintf(number, sizeof number, "_%03d", pageNumber);
    return stem + number + (format == CutFileFormat::Dxf ? ".dxf" : ".svg");
}

Outcome ExportCutFiles(Document& document, const Settings& settings, const std::string& chosenPath,
                       const CutFileOptions& options, IPrompt& prompt, std::vector<std::string>* written) {
    if (document.development == nullptr) {
        prompt.Message(kMessageNoDevelopment);
        return Outcome::Cancelled();
    }
    const Paper paper = Paper::FromSettings(settings);
    UpdateSheetGrid(document, paper, true);
    // A development laid out without marks: what lies in their way is moved first, as an edit of its own.
    const std::vector<PartMove> plan = PlanMarkClearance(document, settings, paper, options.marks);
    if (!plan.empty()) {
        EditContext context{document, settings, paper.PrintableWidth()};
        const EditResult moved = ApplyMarkClearance(context, plan);
        const std::string text = MarkClearanceMessage(plan);
        prompt.Message(text);
        if (!moved.ok()) return moved.outcome();
        if (std::any_of(plan.begin(), plan.end(), [](const PartMove& m) { return !m.placed; }))
            return Outcome::Failed(text);
        UpdateSheetGrid(document, paper, true);
    }
    const std::vector<CutSheet> sheets = BuildCutSheets(document, settings, paper, options.marks);
    for (const CutSheet& sheet : sheets) {
        const std::string path = CutFilePath(chosenPath, sheet.pageNumber, options.format);
        const std::string bytes = options.format == CutFileFormat::Dxf
                                      ? CutSheetDxf(paper, sheet)
                                      : CutSheetSvg(document, settings, paper, sheet, options.marks);
        Outcome outcome = WriteWholeFile(path, bytes);
        if (outcome.failed()) {
            prompt.Message(kMessageExportFailed);
            return outcome;
        }
        if (written != nullptr) written->push_back(path);
    }
    return Outcome::Ok();
}

} // namespace tsm
