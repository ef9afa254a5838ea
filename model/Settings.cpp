#include "model/Settings.h"

namespace tsm {

const int32_t kDefaultColors[8] = {0x00FFD9D9, 0x00FF0000, 0x00FFFF00, 0x000000FF,
                                   0x000064FF, 0x0000D9D9, 0x000000FF, 0x00FFFFFF};

Settings WithDisplay(const Settings& settings, const DisplaySettings& display) {
    Settings result = settings;
    result.display() = display;
    return result;
}

int32_t TextureSizeLimit(const Settings& s) {
    static const int32_t kUserLimits[5] = {64, 128, 256, 512, 1024};
    if (!s.limitTextureSize) return s.systemTextureLimit;
    const int id = s.textureLimitChoice;
    return (id >= 0 && id < 5) ? kUserLimits[id] : s.textureSizeLimitPixels;
}

UnfoldStrategy UnfoldStrategyOf(const Settings& s) {
    return s.unfoldStrategy == static_cast<int32_t>(UnfoldStrategy::FewestParts) ? UnfoldStrategy::FewestParts
                                                                                 : UnfoldStrategy::Upright;
}

MarksKind MarksKindOf(const Settings& s) {
    return s.marksKind == static_cast<int32_t>(MarksKind::Silhouette) ? MarksKind::Silhouette
                                                                      : MarksKind::None;
}

} // namespace tsm
