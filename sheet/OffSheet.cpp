#include "sheet/OffSheet.h"

#include <algorithm>
#include <cmath>

namespace tsm {

namespace {

// Rounding of a layout that puts a part exactly against a sheet's edge must not flag it.
constexpr double kToleranceMM = 1e-6;

std::string Counted(int count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace

bool InsideOneSheet(const double box[4], const Paper& paper, int columns, int rows) {
    const double pw = paper.PrintableWidth();
    const double ph = paper.PrintableHeight();
    const double x0 = std::min(box[0], box[0] + box[2]), x1 = std::max(box[0], box[0] + box[2]);
    const double y0 = std::min(box[1], box[1] + box[3]), y1 = std::max(box[1], box[1] + box[3]);
    if (!(pw > 0) || !(ph > 0) || !std::isfinite(x0 + x1 + y0 + y1)) return false;
    // The sheet that holds the box's first corner is the only one that can hold it whole.
    const double column = std::floor((x0 + kToleranceMM) / pw);
    const double row = std::floor((y0 + kToleranceMM) / ph);
    if (column < 0 || row < 0 || column >= columns || row >= rows) return false;
    return x1 <= (column + 1) * pw + kToleranceMM && y1 <= (row + 1) * ph + kToleranceMM;
}

bool PartOffSheet(const Part& part, const Document& document, const Paper& paper) {
    const double box[4] = {part.x, part.y, part.width, part.height};
    return !InsideOneSheet(box, paper, document.sheetColumns, document.sheetRows);
}

bool TextOffSheet(const TextBlock& text, const Document& document, const Paper& paper) {
    return !InsideOneSheet(text.rect, paper, document.sheetColumns, document.sheetRows);
}

OffSheetCount CountOffSheet(const Document& document, const Paper& paper) {
    OffSheetCount count;
    if (!document.development) return count;
    for (const auto& part : document.development->parts)
        if (part && PartOffSheet(*part, document, paper)) ++count.parts;
    for (const auto& text : document.development->texts)
        if (text && TextOffSheet(*text, document, paper)) ++count.texts;
    return count;
}

std::string OffSheetText(const OffSheetCount& count) {
    if (count.total() == 0) return {};
    std::string text;
    if (count.parts > 0) text = Counted(count.parts, "part", "parts");
    if (count.texts > 0) text += (text.empty() ? "" : " and ") + Counted(count.texts, "text", "texts");
    return text + (count.total() == 1 ? " lies" : " lie") + " outside the sheets.";
}

bool ConfirmOffSheet(const Document& document, const Paper& paper, IPrompt& prompt,
                     const std::string& goOnLabel) {
    const OffSheetCount count = CountOffSheet(document, paper);
    if (count.total() == 0) return true;
    return prompt.AskGoOnOrCancel(OffSheetText(count) +
                                      "\nPrinting clips them or cuts them apart; Model > Recalculate Parts "
                                      "Layout places every part on the sheets again.",
                                  goOnLabel);
}

} // namespace tsm
