// Writer of the binary model file: everything the binary reader reads, saved atomically.
#pragma once

#include "model/Document.h"
#include "model/Outcome.h"
#include "model/Settings.h"

#include <string>

namespace tsm {

struct BinaryWriteOptions {
    int32_t version = 4;
    int32_t minorVersion = 0;
    int32_t writerLevel = 101;
    std::string writerLocale = "en-US";
    std::string writerCharset = "windows-1252";
};

// The options that keep what the document came with: its writer locale and that locale's code page, so
// that its texts read back as they were.
BinaryWriteOptions SaveOptionsFor(const Document& document);

// Serialises the document and the display settings a model file carries (taken from `display`).
std::string SerializeBinaryModel(const Document& document, const DisplaySettings& display,
                                 const BinaryWriteOptions& options = {});

// Writes through WriteWholeFile, so that a failure never leaves a half-written model.
Outcome WriteBinaryModel(const Document& document, const DisplaySettings& display, const std::string& path,
                         const BinaryWriteOptions& options = {});

} // namespace tsm
