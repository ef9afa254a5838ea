// Windows bitmap files decoded into texture pixels: 1, 4, 8, 16, 24 and 32 bits per pixel, uncompressed,
// run-length encoded (4 and 8 bits) or with bit-field masks (16 and 32 bits), with the 12-byte core header
// or the 40-byte info header, with or without the 14-byte file header.
#pragma once

#include "model/Mesh.h"
#include "model/Prompt.h"
#include "model/Result.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tsm {

enum class BmpStatus {
    Ok,
    ReadFailed,       // the file cannot be opened, or ends inside its headers
    UnknownFormat,    // an info header of a size other than 12 or 40 bytes
    ConversionFailed, // the headers and the pixel data do not make an image
    OutOfMemory,      // the image is too large to hold
};

// The text shown for a failed decode of the file at `path`; empty for Ok.
std::string BmpStatusMessage(BmpStatus status, const std::string& path);

// A decoded image (never null), or the failure with the text BmpStatusMessage gives.
using BmpImage = Result<std::unique_ptr<TextureImage>>;

// Decodes a bitmap held in memory, without messages; `path` only names it in the failure's text. Pixels
// come out as R, G, B rows top to bottom. Never reads outside [data, data + size); the image size is
// checked against the bytes present before anything is allocated.
BmpImage DecodeBmp(const uint8_t* data, size_t size, const std::string& path = {});

// Reads and decodes the file; a failure is reported in a box titled "Error" and gives null.
std::unique_ptr<TextureImage> LoadBmpFile(const std::string& path, IPrompt& prompt);

} // namespace tsm
