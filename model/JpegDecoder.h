// JPEG files decoded into texture pixels with libjpeg (version 6b interface). Grey images are expanded to
// R = G = B; CMYK and YCCK images are turned into RGB by their inks alone (no colour profile).
#pragma once

#include "model/Mesh.h"
#include "model/Prompt.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tsm {

// Decodes the file into R, G, B rows top to bottom. Every failure is reported through `prompt` and gives
// null: an unopenable file ("JPEG :\nCan't open <path>\n"), an error of the library (its own text, in a
// box titled "JPEG Error"), an unsupported colour model, or an image too large to hold
// ("JpegFile :\nOut of memory").
std::unique_ptr<TextureImage> LoadJpegFile(const std::string& path, IPrompt& prompt);
// The same for a file already in memory.
std::unique_ptr<TextureImage> DecodeJpeg(const uint8_t* data, size_t size, IPrompt& prompt);

} // namespace tsm
