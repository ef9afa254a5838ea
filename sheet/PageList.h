// The printed sheets in print order: rows top to bottom, columns left to right, optionally without
// blank sheets.
#pragma once

#include "model/Document.h"
#include "sheet/Paper.h"

#include <vector>

namespace tsm {

struct SheetIndex {
    int32_t column = 0;
    int32_t row = 0;
};

// A sheet is blank when no edge segment of any part has an end inside its printable rectangle or
// crosses it.
bool IsSheetBlank(const Development& development, const Paper& paper, int column, int row);
std::vector<SheetIndex> BuildPageList(const Document& document, const Paper& paper, bool skipBlankSheets);

} // namespace tsm
