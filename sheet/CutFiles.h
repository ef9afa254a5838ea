// Print-and-cut files: one file per printed sheet, at the paper's size in paper millimetres, holding what
// the sheet prints, the outline of each part on it to cut, its folds to score and the registration marks,
// each in a layer of its own so that a cutting program can map layers to tools.
#pragma once

#include "engine/CutOutline.h"
#include "model/Document.h"
#include "model/Outcome.h"
#include "model/Prompt.h"
#include "sheet/PageList.h"
#include "sheet/Paper.h"
#include "sheet/RegistrationMarks.h"

#include <string>
#include <vector>

namespace tsm {

enum class CutFileFormat { Svg, Dxf };

struct CutFileOptions {
    CutFileFormat format = CutFileFormat::Svg;
    MarksKind marks = MarksKind::None;
};

// What one sheet's file holds, in paper millimetres (y down from the paper's top left corner).
struct CutSheet {
    SheetIndex sheet;
    int pageNumber = 1; // from 1, in print order
    int pageCount = 1;
    std::vector<PartCutOutline> cuts; // each part once, on the sheet that holds the middle of its outline
    std::vector<FoldSegment> folds;   // those of the parts cut here
    std::vector<std::vector<Point2>> marks;
};

// Development millimetres plus this are the sheet's paper millimetres.
Point2 SheetShift(const Paper& paper, const SheetIndex& sheet);

// The printed sheets (the page list, blank sheets left out as the print leaves them) with their content.
std::vector<CutSheet> BuildCutSheets(const Document& document, const Settings& settings, const Paper& paper,
                                     MarksKind marks);

// The parts whose cut outline comes within a keep-out zone of the marks on the sheet it is cut from, as
// indices into development.parts, ascending.
std::vector<size_t> PartsInMarkZones(const std::vector<CutSheet>& sheets, const Paper& paper,
                                     MarksKind marks);

// The sheet's SVG: layers Print (the sheet as printed, in paper coordinates), Cut (one closed path per part,
// its holes as further subpaths), Mountain and Valley (open paths) and Registration.
std::string CutSheetSvg(const Document& document, const Settings& settings, const Paper& paper,
                        const CutSheet& sheet, MarksKind marks);
// The same without the print as DXF: layers CUT (closed LWPOLYLINEs), MOUNTAIN, VALLEY, REGISTRATION,
// millimetres ($INSUNITS 4), y up from the paper's bottom left corner.
std::string CutSheetDxf(const Paper& paper, const CutSheet& sheet);

// "name.svg" and page 7 give "name_007.svg" (".dxf" for DXF) in the same folder.
std::string CutFilePath(const std::string& chosenPath, int pageNumber, CutFileFormat format);

// Writes every sheet's file through WriteWholeFile. Refuses without a development ("No data for
// development."). With marks, parts that lie in a keep-out zone are first moved to free room as one
// undoable edit and named in a message (MarkClearanceMessage); when one finds no room, nothing is written.
Outcome ExportCutFiles(Document& document, const Settings& settings, const std::string& chosenPath,
                       const CutFileOptions& options, IPrompt& prompt,
                       std::vector<std::string>* written = nullptr);

} // namespace tsm
