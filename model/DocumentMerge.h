// Moving a second document into the current one: what importing a model file does once it is read.
#pragma once

#include "model/Document.h"
#include "model/ModelCompletion.h"

namespace tsm {

// Moves everything of `imported` into `current` (solids, materials, and when both have one the
// development rescaled and placed beside or below the current one). `imported` is left empty.
void MergeDocuments(Document& current, Document& imported, IModelCompletion& completion);

} // namespace tsm
