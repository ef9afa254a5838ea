// Clearing the registration marks' keep-out zones on a development laid out without marks: the parts that
// reach into a zone are moved, whole and unturned, to free room on a printed sheet, as one undoable edit.
#pragma once

#include "engine/DocumentEdits.h"
#include "model/Document.h"
#include "model/Prompt.h"
#include "sheet/Paper.h"
#include "sheet/RegistrationMarks.h"

#include <string>
#include <vector>

namespace tsm {

// Keeps cut outlines this far (mm) from one another and from the zones when a part is placed anew.
constexpr double kClearanceGapMM = 2.0;

struct PartMove {
    size_t partIndex = 0;
    Point2 by;
    bool placed = false; // false: no free room was found on any printed sheet; the part stays
};

// The parts whose cut outline's box meets a keep-out zone of the sheet it is cut from, each with the shift
// that puts its box into free room inside a printable area, clear of the zones and of every other part's
// box (moved parts included). Tries the part's own sheet first, then the other printed sheets in print
// order, scanning rows from the top in steps of a millimetre.
std::vector<PartMove> PlanMarkClearance(const Document& document, const Settings& settings,
                                        const Paper& paper, MarksKind marks);

// Moves the placed parts of the plan as one document edit (undo gives the old places back). Nothing is
// done, and no undo copy taken, when no part is placed.
EditResult ApplyMarkClearance(EditContext& context, const std::vector<PartMove>& plan);

// "Parts 1, 4 were moved away from the registration marks." and, for those that could not be placed,
// "Part 2 lies within 20 mm of a registration mark and found no free room; move it before cutting."
// Empty for an empty plan.
std::string MarkClearanceMessage(const std::vector<PartMove>& plan);

// Before printing with the marks setting on: the parts in the marks' way moved as one edit, the user told
// which, and the sheet grid computed again, so that the printed sheet registers with its cut file. The
// edit's update hint when parts were moved; Redraw when nothing needed to move.
EditResult ClearMarkZonesBeforePrinting(Document& document, const Settings& settings, const Paper& paper,
                                        IPrompt& prompt);

} // namespace tsm
