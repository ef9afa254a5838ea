#include "model/Settings.h"

namespace tsm {

const int32_t kDefaultColors[8] = {0x00FFD9D9, 0x00FF0000, 0x00FFFF00, 0x000000FF,
                                   0x000064FF, 0x0000D9D9, 0x000000FF, 0x00FFFFFF};

Settings& CurrentSettings() {
    static Settings settings;
    return settings;
}

int32_t TextureSizeLimit() {
    static const int32_t kUserLimits[5] = {64, 128, 256, 512, 1024};
    const Settings& s = CurrentSettings();
    if (!s.bLimitTextureSizeByUser) return s.systemTextureLimit;
    const int id = s.iTtextureLimitSizeID;
    return (id >= 0 && id < 5) ? kUserLimits[id] : s.iTextureLimitSizeUser;
}

} // namespace tsm
