#include "model/Development.h"

namespace tsm {

Part* Development::AppendPart(std::unique_ptr<Part> part) {
    part->development = this;
    parts.push_back(std::move(part));
    return parts.back().get();
}

void AttachFacesToParts(Mesh& model, Development& development, bool onlySolidsInDevelopment) {
    for (auto& solid : model.solids) {
        if (onlySolidsInDevelopment && !solid->inDevelopment) continue;
        for (auto& face : solid->faces) {
            if (face->partIndex < 0 || face->partIndex >= static_cast<int>(development.parts.size())) {
                face->part = nullptr;
                continue;
            }
            Part* part = development.parts[face->partIndex].get();
            face->part = part;
            part->faces.push_back(face.get());
        }
    }
}

} // namespace tsm
