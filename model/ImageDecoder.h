// Image files of any kind a model may carry its textures in (PNG, JPEG, BMP, TGA), decoded from memory
// into texture pixels. The kind is told by the bytes where they announce one, so a file whose extension
// lies still decodes; TGA, which announces nothing, is taken when the name says so.
#pragma once

#include "model/Mesh.h"
#include "model/Outcome.h"

#include <memory>
#include <string>
#include <string_view>

namespace tsm {

// Decodes `bytes` into R, G, B rows top to bottom; alpha is dropped, colours are kept as stored. An image
// of more than kMaxImagePixels is refused from its header, before anything is allocated for it.
// `name` (a file name or a description) names the image in the failure message.
Outcome DecodeImage(std::string_view bytes, const std::string& name, std::unique_ptr<TextureImage>& image);

// Reads the file and decodes it; a missing file fails with "<name>: the image file cannot be read".
Outcome DecodeImageFile(const std::string& path, std::unique_ptr<TextureImage>& image);

} // namespace tsm
