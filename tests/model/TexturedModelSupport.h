// Checks shared by the textured import tests: the colour a face shows at its texture centre.
#pragma once

#include "model/Mesh.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace tsm::testimage {

// The texel at (u, v) of a texture drawn repeated, v down the image (row 0 at v = 0).
inline std::array<uint8_t, 3> SampleRepeated(const uint8_t* rgb, int w, int h, double u, double v) {
    const int x = int(std::floor((u - std::floor(u)) * w));
    const int y = int(std::floor((v - std::floor(v)) * h));
    const uint8_t* p = rgb + (size_t(y) * size_t(w) + size_t(x)) * 3;
    return {p[0], p[1], p[2]};
}

inline std::array<double, 2> UvCentre(const Face& face) {
    std::array<double, 2> centre{0, 0};
    for (const auto& corner : face.halfEdges) {
        centre[0] += corner->u / double(face.halfEdges.size());
        centre[1] += corner->v / double(face.halfEdges.size());
    }
    return centre;
}

// The colour the model shows at the face's texture centre.
inline std::array<uint8_t, 3> FaceColour(const Mesh& model, const Face& face) {
    const Material& material = *model.materials.at(size_t(face.materialIndex));
    const auto [u, v] = UvCentre(face);
    return SampleRepeated(material.texture->pixels.data(), material.texture->width, material.texture->height,
                          u, v);
}

} // namespace tsm::testimage
