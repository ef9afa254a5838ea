// The engine's implementation of the completion steps the readers and the open pipeline call.
#pragma once

#include "model/ModelCompletion.h"
#include "model/Settings.h"

namespace tsm {

class EngineCompletion : public IModelCompletion {
public:
    EngineCompletion() = default;
    // Automatic flap angles stop at the settings' maxFlapBaseAngleDegrees.
    explicit EngineCompletion(const Settings& settings)
        : maxFlapBaseAngle_(settings.maxFlapBaseAngleDegrees) {}

    void LinkFaceRing(Face& face) override;
    void ComputeFacePlane(Face& face) override;
    void UpdateEdgeGeometry(Edge& edge) override;
    void RebuildVertexIncidence(Solid& solid) override;
    void ComputeBounds(Mesh& model) override;
    void FindSymmetricEdges(Mesh& model) override;
    void AutoFlapAnglesAll(Mesh& model) override;
    void ComputePartExtent(Part& part) override;
    void ComputeDevelopmentExtent(Development& development, bool recomputeParts) override;
    double ScaleDevelopment(Development& development, double targetScale, bool scaleTexts) override;
    void ClassifyPartLines(Development& development, Mesh& model, const DisplaySettings& display) override;
    void ClassifyPartLines(Part& part, const DisplaySettings& display, int& nextEdgeId) override;

private:
    int32_t maxFlapBaseAngle_ = Settings().maxFlapBaseAngleDegrees;
};

} // namespace tsm
