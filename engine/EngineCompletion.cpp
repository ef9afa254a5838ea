#include "engine/EngineCompletion.h"

#include "engine/Classify.h"
#include "engine/Extents.h"
#include "engine/Flaps.h"
#include "engine/ModelOperations.h"
#include "engine/Topology.h"

namespace tsm {

void EngineCompletion::LinkFaceRing(Face& face) {
    tsm::LinkFaceRing(face);
}
void EngineCompletion::ComputeFacePlane(Face& face) {
    tsm::ComputeFacePlane(face);
}
void EngineCompletion::UpdateEdgeGeometry(Edge& edge) {
    tsm::UpdateEdgeGeometry(edge);
}
void EngineCompletion::RebuildVertexIncidence(Solid& solid) {
    tsm::RebuildVertexIncidence(solid);
}
void EngineCompletion::ComputeBounds(Mesh& model) {
    tsm::ComputeBounds(model);
}
void EngineCompletion::FindSymmetricEdges(Mesh& model) {
    tsm::FindSymmetricEdges(model);
}
void EngineCompletion::AutoFlapAnglesAll(Mesh& model) {
    tsm::AutoFlapAnglesAll(model, maxFlapBaseAngle_);
}
void EngineCompletion::ComputePartExtent(Part& part) {
    tsm::ComputePartExtent(part);
}
void EngineCompletion::ComputeDevelopmentExtent(Development& development, bool recomputeParts) {
    tsm::ComputeDevelopmentExtent(development, recomputeParts);
}
double EngineCompletion::ScaleDevelopment(Development& development, double targetScale, bool scaleTexts) {
    return tsm::ScaleDevelopment(development, targetScale, scaleTexts);
}
void EngineCompletion::ClassifyPartLines(Development& development, Mesh& model,
                                         const DisplaySettings& display) {
    tsm::ClassifyPartLines(development, model, display);
}
void EngineCompletion::ClassifyPartLines(Part& part, const DisplaySettings& display, int& nextEdgeId) {
    tsm::ClassifyPartLines(part, display, nextEdgeId);
}

} // namespace tsm
