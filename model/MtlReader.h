// Wavefront material libraries (.mtl): the diffuse colour (Kd) and diffuse texture (map_Kd, with its
// options) of each material. The other statements describe lighting a papercraft model does not keep.
#pragma once

#include "model/ImportedTexture.h"

#include <string>
#include <string_view>
#include <vector>

namespace tsm {

struct MtlMaterial {
    std::string name;
    bool hasColour = false;
    float colour[3] = {1, 1, 1};
    std::string texture; // as written: relative to the library's folder unless absolute
    // The -o, -s and -clamp options, already in the model's coordinates (v down the image).
    TextureMapping mapping;
};

// Parses the library; a line it cannot read is skipped, as OBJ readers do with a damaged library, so
// parsing never fails.
std::vector<MtlMaterial> ReadMtl(std::string_view bytes);

} // namespace tsm
