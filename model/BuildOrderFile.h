// A user's build order, kept beside the model file as `MODEL.tsm.order` so that the model file itself
// stays as every reader of it expects. The file is text, one line each:
//
//     tessaly build order 1
//     parts N
//     P F S        one line per step, first step first
//
// P is the part's index in the model file (0-based), F its number of faces and S the index of its first
// face in its solid's face list: a file whose parts no longer have those faces was left behind by another
// development and is not used. Without the file the order is the derived one.
#pragma once

#include "model/Development.h"
#include "model/Outcome.h"

#include <string>
#include <string_view>

namespace tsm {

// "The assembly order stored beside the model does not fit it; the derived order is used."
extern const char* const kBuildOrderIgnoredText;

std::string BuildOrderPath(const std::string& modelPath);

// The sidecar's text for the parts' steps; empty when the order is derived (no part has a step).
std::string BuildOrderText(const Development& development);

// Sets the parts' steps from a sidecar's text. Failed, every step left as it was, when the text is
// damaged or names other parts than the development's; the reason says which line.
Outcome ApplyBuildOrderText(Development& development, std::string_view text);

// After the model file at `modelPath` was written: the sidecar written through the atomic writer, or an
// old one removed when the order is derived. Only beside a regular file (not beside a device or a pipe).
Outcome SaveBuildOrderBeside(const std::string& modelPath, const Development* development);

// Reads the sidecar beside `modelPath`, when there is one, into the development. Ok without a sidecar;
// Failed (nothing changed) for a damaged, oversized or stale one.
Outcome LoadBuildOrderBeside(const std::string& modelPath, Development& development);

} // namespace tsm
