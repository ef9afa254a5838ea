// The texts of the status bar's two panes.
#pragma once

#include "model/Document.h"

#include <string>

namespace tsm {

extern const char* const kStatusOpenFile;       // "Open a file."
extern const char* const kStatusNavigationHint; // "[3D Rot] L/R [3D Mov] Ctrl+R [2D Pan] L/R [Zoom] Wheel"

// The message pane when nothing else is shown: "Open a file." without a model, the navigation hint with a
// model and a development, nothing with a model alone.
std::string IdleStatusText(const Document* document);

// The second pane: "Assembled size: Height %.1fcm Width %.1fcm Depth %.1fcm" while a development exists,
// the model's extent in Y, X and Z scaled by the development's scale (mm per model unit) and
// `userScale`; empty otherwise.
std::string AssembledSizeText(const Document* document, double userScale = 1.0);

} // namespace tsm
