// The settings a document is shown with: the owner's settings with the document's display block in place,
// and the way back after a command or dialog changed them.
#pragma once

#include "model/Document.h"
#include "model/Settings.h"

namespace tsm {

// `settings` with the document's display block in place; `settings` itself without a document.
Settings DocumentSettings(const Settings& settings, const Document* document);

// Takes `changed` (made by DocumentSettings and then edited) back: the display block goes to the document,
// and everything, the display values included, to `settings`, so that the next new model starts with them.
void KeepSettings(const Settings& changed, Settings& settings, Document* document);

} // namespace tsm
