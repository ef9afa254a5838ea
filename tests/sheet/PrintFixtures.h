// Developments for the printing tests: small square parts placed in chosen sheets of the A4 grid.
#pragma once

#include "engine/Classify.h"
#include "engine/Extents.h"
#include "sheet/PageList.h"
#include "tests/engine/DevelopmentFixture.h"

#include <algorithm>
#include <vector>

namespace tsm::test {

// A 10 mm square part at (50, 50) mm inside each listed sheet of the A4 grid (180 x 267 printable), its
// outline as cut lines.
inline void SquaresIn(DevelopmentFixture& fx, const std::vector<SheetIndex>& sheets) {
    int columns = 1, rows = 1;
    for (const SheetIndex& s : sheets) {
        std::vector<CVertex*> v;
        for (int i = 0; i < 4; ++i) v.push_back(fx.Vertex(i, s.column * 10 + s.row));
        CFace* face = fx.Face(v, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
        CPart* part = fx.Part({face});
        part->x = s.column * 180.0 + 50;
        part->y = s.row * 267.0 + 50;
        columns = std::max(columns, s.column + 1);
        rows = std::max(rows, s.row + 1);
    }
    fx.PairEdges();
    for (auto& part : fx.Dev().parts) DevelopmentFixture::MakeLines(part.get());
    ComputeDevelopmentExtent(fx.Dev(), true);
    ClassifyPartLines(fx.Dev(), fx.Model(), fx.doc.display);
    fx.doc.sheetColumns = columns;
    fx.doc.sheetRows = rows;
}

} // namespace tsm::test
