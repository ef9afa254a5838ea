// The assembly instructions: a PDF of the build order's steps, a few to a page, each with its step and
// part number as text and a picture of the model as built so far, the new part highlighted and turned
// towards the reader. It draws with the 3D view's off-screen renderer and writes through the streamed
// atomic writer, so a failed export leaves an existing file as it was.
#pragma once

#include "engine/BuildOrder.h"
#include "model/Document.h"
#include "model/Outcome.h"
#include "model/Prompt.h"

#include <string>
#include <vector>

namespace tsm {

constexpr int kStepsPerInstructionPage = 6;

// The words beside a step's picture: "Step 3", "Part 3" and which numbered parts it is glued to.
struct StepCaption {
    std::string step;
    std::string part;
    std::string joins; // "glue to parts 1, 2"; "start here" for a first part
};
StepCaption CaptionOf(const std::vector<BuildStep>& order, const std::vector<int>& numbers, size_t step);

// Writes the instructions of the document's derived build order to `path` (A4 pages). Refuses without a
// development ("No data for development."); a picture the renderer cannot draw fails the export.
Outcome ExportAssemblyInstructions(Document& document, const Settings& settings, const std::string& path,
                                   IPrompt& prompt);

} // namespace tsm
