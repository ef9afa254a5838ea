// Models shared by the benchmarks, built once per process.
#pragma once

#include "model/Document.h"
#include "model/TextureImage.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"

#include <memory>
#include <string>

namespace tsm::bench {

// `parts` cubes of 20 mm, each unfolded into one cross-shaped part with flaps, their faces spread over
// four checkerboard textures of `textureSide` pixels square with full-size bitmaps. `rowWidthMM` sets how
// many parts share a row: 4400 gives about 58, so that 2,000 parts come out near 4 : 3.
inline std::unique_ptr<Document> TexturedCubesDevelopment(int parts, double rowWidthMM,
                                                          int textureSide = 256) {
    auto document = std::make_unique<Document>();
    const Rgb colours[4][2] = {{{0.9f, 0.3f, 0.2f}, {1.0f, 0.9f, 0.8f}},
                               {{0.2f, 0.5f, 0.9f}, {0.9f, 0.95f, 1.0f}},
                               {{0.2f, 0.7f, 0.3f}, {0.9f, 1.0f, 0.9f}},
                               {{0.6f, 0.4f, 0.2f}, {0.95f, 0.9f, 0.8f}}};
    for (int m = 0; m < 4; ++m) {
        Material& material = AddMaterial(
            *document, "Texture " + std::to_string(m), colours[m][0],
            MakeCheckerboard(textureSide, textureSide, textureSide / 8, colours[m][0], colours[m][1]));
        MakeBitmap(material);
    }
    const MeshData cube = Cube(20);
    for (int i = 0; i < parts; ++i) {
        Solid& solid = AddSolid(*document, "Cube " + std::to_string(i), cube.vertices, cube.faces, i % 4);
        AssignFaceUV(solid);
    }
    FixtureUnfoldOptions options;
    options.rowWidthMM = rowWidthMM;
    UnfoldForFixture(*document, {}, options);
    return document;
}

} // namespace tsm::bench
