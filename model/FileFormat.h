// What the model file readers are told and what they tell: which reader a file takes, and whether the file
// is opened or imported into the open model.
#pragma once

namespace tsm {

// The reader a model file takes by its first line: Binary when it starts "version 3", Text otherwise;
// None when the file cannot be read or is empty.
enum class FileFormat { None, Text, Binary };

// Opening makes the file's display block the document's; importing into the open model discards it.
enum class ImportKind { Open, Import };

} // namespace tsm
