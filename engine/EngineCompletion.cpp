#include "engine/EngineCompletion.h"

#include "engine/Classify.h"
#include "engine/Extents.h"
#include "engine/Flaps.h"
#include "engine/Topology.h"

namespace tsm {

void EngineCompletion::LinkFaceRing(CFace& face) {
    tsm::LinkFaceRing(face);
}
void EngineCompletion::ComputeFacePlane(CFace& face) {
    tsm::ComputeFacePlane(face);
}
void EngineCompletion::UpdateEdgeGeometry(CEdge& edge) {
    tsm::UpdateEdgeGeometry(edge);
}
void EngineCompletion::RebuildVertexIncidence(CSolid& solid) {
    tsm::RebuildVertexIncidence(solid);
}
void EngineCompletion::ComputeBounds(CMeshModel& model) {
    tsm::ComputeBounds(model);
}
void EngineCompletion::FindSymmetricEdges(CMeshModel& model) {
    tsm::FindSymmetricEdges(model);
}
void EngineCompletion::AutoFlapAnglesAll(CMeshModel& model) {
    tsm::AutoFlapAnglesAll(model, maxFlapBaseAngle_);
}
void EngineCompletion::ComputePartExtent(CPart& part) {
    tsm::ComputePartExtent(part);
}
void EngineCompletion::ComputeDevelopmentExtent(Development& development, bool recomputeParts) {
    tsm::ComputeDevelopmentExtent(development, recomputeParts);
}
double EngineCompletion::ScaleDevelopment(Development& development, double targetScale, bool scaleTexts) {
    return tsm::ScaleDevelopment(development, targetScale, scaleTexts);
}
void EngineCompletion::ClassifyPartLines(Development& development, CMeshModel& model,
                                         const DisplaySettings& display) {
    tsm::ClassifyPartLines(development, model, display);
}

} // namespace tsm
