// The engine's implementation of the completion steps the readers and the open pipeline call.
#pragma once

#include "model/ModelCompletion.h"
#include "model/Settings.h"

namespace tsm {

class EngineCompletion : public IModelCompletion {
public:
    EngineCompletion() = default;
    // Automatic flap angles stop at the settings' iMaxFlapBaseAngle.
    explicit EngineCompletion(const Settings& settings) : maxFlapBaseAngle_(settings.iMaxFlapBaseAngle) {}

    void LinkFaceRing(CFace& face) override;
    void ComputeFacePlane(CFace& face) override;
    void UpdateEdgeGeometry(CEdge& edge) override;
    void RebuildVertexIncidence(CSolid& solid) override;
    void ComputeBounds(CMeshModel& model) override;
    void FindSymmetricEdges(CMeshModel& model) override;
    void AutoFlapAnglesAll(CMeshModel& model) override;
    void ComputePartExtent(CPart& part) override;
    void ComputeDevelopmentExtent(Development& development, bool recomputeParts) override;
    double ScaleDevelopment(Development& development, double targetScale, bool scaleTexts) override;
    void ClassifyPartLines(Development& development, CMeshModel& model,
                           const DisplaySettings& display) override;

private:
    int32_t maxFlapBaseAngle_ = Settings().iMaxFlapBaseAngle;
};

} // namespace tsm
