// The document commands of the editors: each takes the undo copy first, changes the data through the edit
// operations (CutJoin.h, FlapEdits.h, PartEdits.h, EdgeColor.h), completes what derives from it (corner
// separation, line classification, the development's extent), marks the document modified and names the
// update hint the views need. A command that is refused says why and changes nothing, the history included.
// The development view and `tsmtool edit` call these, never the operations directly.
#pragma once

#include "engine/CutJoin.h"
#include "engine/EdgeColor.h"
#include "engine/FlapEdits.h"
#include "engine/PartEdits.h"
#include "engine/UndoCommands.h"
#include "model/Document.h"
#include "model/Outcome.h"
#include "model/Result.h"
#include "model/Settings.h"
#include "model/UpdateHint.h"

#include <functional>
#include <optional>
#include <vector>

namespace tsm {

extern const char* const kNotAFoldText;    // "Only a fold can be cut."
extern const char* const kNotJoinableText; // "Only a cut edge between two faces can be joined."

// The objects that select-and-move acts on.
struct EditSelection {
    std::vector<Part*> parts;
    std::vector<TextBlock*> texts;
    std::vector<ImageBlock*> pictures;
    bool empty() const { return parts.empty() && texts.empty() && pictures.empty(); }
};

// The Edge Color tool's action: paint with a colour, or hide.
struct EdgeColorAction {
    bool hide = false;
    std::array<uint8_t, 3> rgb = {0, 0, 0};
};

// ---- the commands ----
// Structural edits (parts made or removed, texts or pictures deleted, undo and redo) name
// UpdateHint::Undone, whose receivers clear their selection and keep the drawing in place; edits that move
// or reshape name KeepGridInPlace; colour edits name Redraw.

EditResult CutFold(EditContext& context, PartLine& line);
// `click`: the join tool's second click; the side nearer to it stays. Without it `line`'s part stays.
EditResult JoinCutEdge(EditContext& context, PartLine& line, std::optional<Point2> click = std::nullopt);

EditResult SwitchFlap(EditContext& context, PartLine& line);
EditResult ChangeFlapHeight(EditContext& context, PartLine& line, double heightMM);
EditResult AddFlapTo(EditContext& context, PartLine& line, LineKind kind);
// The flap dialog: height in mm, the two base angles in degrees.
EditResult ChangeFlapDetails(EditContext& context, PartLine& line, double heightMM, double angle1Degrees,
                             double angle2Degrees);

EditResult RotatePartBy(EditContext& context, Part& part, const Point2& centre, double degrees);
EditResult MoveSelection(EditContext& context, const EditSelection& selection, const Point2& by);
EditResult ResizeTextOrPicture(EditContext& context, double rect[4], const std::array<double, 4>& newRect);
EditResult DeleteSelection(EditContext& context, const EditSelection& selection);

EditResult AddTextAt(EditContext& context, TextBlock text);
// Replaces the text's lines, font, size and colour, keeping its position.
EditResult EditText(EditContext& context, size_t index, const TextBlock& replacement);
EditResult DeleteTextAt(EditContext& context, size_t index);
EditResult DuplicateTextAt(EditContext& context, size_t index);
EditResult OrderText(EditContext& context, size_t index, StackOrder order);
EditResult OrderPicture(EditContext& context, bool aboveDevelopment, size_t index, StackOrder order);

EditResult ColorLines(EditContext& context, const std::vector<PartLine*>& lines,
                      const EdgeColorAction& action);

} // namespace tsm
