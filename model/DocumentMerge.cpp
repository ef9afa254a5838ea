#include "model/DocumentMerge.h"

namespace tsm {

namespace {

template <typename T>
void MoveAll(std::vector<std::unique_ptr<T>>& from, std::vector<std::unique_ptr<T>>& to) {
    for (auto& item : from) to.push_back(std::move(item));
    from.clear();
}

// A line from the source development's blocks would go with them; it moves as a line of its own, and its
// corners follow it.
void TakeOutOfBlocks(Part& part) {
    for (LinePtr& line : part.lines) {
        if (!line || !line->home.inBlock) continue;
        LinePtr own(new PartLine(*line));
        for (HalfEdge* side : {own->first, own->second})
            if (side && side->line == line.get()) side->line = own.get();
        line = std::move(own);
    }
}

void Offset(double rect[4], double dx, double dy) {
    rect[0] += dx;
    rect[1] += dy;
}

} // namespace

void MergeDocuments(Document& current, Document& imported, IModelCompletion& completion) {
    Mesh& model = *current.model;
    const int materialShift = static_cast<int>(model.materials.size());
    for (auto& solid : imported.model->solids) {
        solid->model = &model;
        for (auto& face : solid->faces)
            if (face->materialIndex != -1) face->materialIndex += materialShift;
    }
    MoveAll(imported.model->solids, model.solids);
    MoveAll(imported.model->materials, model.materials);

    if (current.development && imported.development) {
        Development& target = *current.development;
        Development& source = *imported.development;
        current.display.defaultFlapHeightMM *= completion.ScaleDevelopment(source, target.scale, true);
        const double right = target.frame[0] + target.frame[2];
        const double bottom = target.frame[1] + target.frame[3];
        // Beside the current development when that keeps the whole squarer, else below it.
        const double dx = right <= bottom ? right : 0.0;
        const double dy = right <= bottom ? 0.0 : bottom;
        for (auto& part : source.parts) {
            part->x += dx;
            part->y += dy;
            part->development = &target;
            TakeOutOfBlocks(*part);
        }
        for (auto& text : source.texts) Offset(text->rect, dx, dy);
        for (auto& picture : source.imagesA) Offset(picture->rect, dx, dy);
        for (auto& picture : source.imagesB) Offset(picture->rect, dx, dy);
        MoveAll(source.imageMaterials, target.imageMaterials);
        MoveAll(source.parts, target.parts);
        MoveAll(source.texts, target.texts);
        MoveAll(source.imagesA, target.imagesA);
        MoveAll(source.imagesB, target.imagesB);
    }
}

} // namespace tsm
