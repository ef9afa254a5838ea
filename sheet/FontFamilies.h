// The font families a model's texts may name and still be drawn as meant.
#pragma once

#include <string>
#include <vector>

namespace tsm {

// Qt's installed families, plus the Windows names that fontconfig serves with a metric-compatible
// face (Arial, Times New Roman, Courier New by the Liberation fonts). Needs a QGuiApplication.
std::vector<std::string> InstalledFontFamilies();

} // namespace tsm
