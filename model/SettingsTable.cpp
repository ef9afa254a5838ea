#include "model/SettingsTable.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace tsm {

namespace {

SettingEntry Bool(const char* name, SettingKey key, bool Settings::*member) {
    SettingEntry e{name, key, SettingType::Bool};
    e.boolMember = member;
    return e;
}

SettingEntry Int(const char* name, SettingKey key, int32_t Settings::*member) {
    SettingEntry e{name, key, SettingType::Int};
    e.intMember = member;
    return e;
}

SettingEntry Double(const char* name, SettingKey key, double Settings::*member) {
    SettingEntry e{name, key, SettingType::Double};
    e.doubleMember = member;
    return e;
}

SettingEntry String(const char* name, SettingKey key, std::string Settings::*member) {
    SettingEntry e{name, key, SettingType::String};
    e.stringMember = member;
    return e;
}

SettingEntry Path(const char* name, std::string Settings::*member, const char* programDirSuffix) {
    SettingEntry e = String(name, SettingKey::Settings, member);
    e.programDirSuffix = programDirSuffix;
    return e;
}

SettingEntry LastText(SettingEntry e) {
    e.lastTextValue = true;
    return e;
}

SettingEntry TableColour(const char* name, int index) {
    SettingEntry e{name, SettingKey::Options, SettingType::Colour};
    e.colourIndex = index;
    return e;
}

SettingEntry Dash(const char* name, double (Settings::*member)[6]) {
    SettingEntry e{name, SettingKey::None, SettingType::DashPattern};
    e.dashMember = member;
    return e;
}

std::vector<SettingEntry> BuildTable() {
    constexpr SettingKey S = SettingKey::Settings;
    constexpr SettingKey O = SettingKey::Options;
    constexpr SettingKey N = SettingKey::None;
    SettingEntry lastTextColour{"sLastTextFontColor", O, SettingType::Colour};
    lastTextColour.intMember = &Settings::lastTextColor;
    return {
        Path("sLastDataOpenedDir", &Settings::lastModelFolder, "sample"),
        Path("sLastTextureOpenedDir", &Settings::lastTextureFolder, "sample"),
        Path("sViewerPath", &Settings::viewerPath, "../viewer/tessaly_vuvoza2"),
        Bool("bFirstLaunch", S, &Settings::firstLaunch),

        Bool("bDrawOpenedModel", O, &Settings::drawModelOnOpen),
        Bool("bUseEdgeColor", O, &Settings::useEdgeColors),
        Bool("bSoundForPick", O, &Settings::soundOnPick),
        Bool("bZoomWheelInvert", O, &Settings::invertWheelZoom),
        Bool("bTextureSmooth", O, &Settings::smoothTextures),
        Bool("bLimitTextureSizeByUser", O, &Settings::limitTextureSize),
        Int("iTextureLimitSizeUser", O, &Settings::textureSizeLimitPixels),
        Bool("bSlideColorToWhite", O, &Settings::lightenColorsToWhite),
        Bool("bNoPrintBrankPage", O, &Settings::skipBlankPages),
        Bool("bUseAnimationForFaceCheck", O, &Settings::animateFaceCheck),
        Bool("bSnapToGrid", O, &Settings::snapToGrid),
        Int("iGridSizeMM", O, &Settings::gridSizeMM),
        Int("iTtextureLimitSizeID", O, &Settings::textureLimitChoice),
        Bool("bSetFlapAngleAutoForOldTSM", O, &Settings::autoFlapAnglesForOldFiles),
        Int("iFaceCheckAnimationSpeedIndex", O, &Settings::faceCheckAnimationSpeed),
        Bool("bCheckNewVersionAtStart", O, &Settings::checkForUpdatesAtStart),
        String("sUpdateServerURL", O, &Settings::updateServerUrl),
        Bool("bOfferCoordinateWizard", O, &Settings::offerCoordinateWizard),
        Double("dRecoveryIntervalMinutes", O, &Settings::recoveryIntervalMinutes),
        Bool("bUseOpenGLToDrawEdgeID", O, &Settings::drawEdgeIdsWithGL),
        Int("iMaxFlapBaseAngle", O, &Settings::maxFlapBaseAngleDegrees),
        Int("iEdgeIDfontSizePoint", O, &Settings::edgeIdFontSizePt),
        Bool("bInvertEdgeID", O, &Settings::invertEdgeIds),
        Double("dDefaultFlapHeightMM", O, &Settings::defaultFlapHeightMM),
        Bool("bLineAlpha", O, &Settings::translucentLines),
        Double("dLineAlphaValue", O, &Settings::lineAlpha),
        Bool("bPrintPageNumber", O, &Settings::printPageNumbers),
        Bool("bPrintTombo", O, &Settings::printCropMarks),
        Int("iResolutionID", O, &Settings::resolutionChoice),
        Int("iLineWidthID", O, &Settings::lineWidthChoice),
        Bool("bOmitFlatEdge", O, &Settings::omitFlatFolds),
        Int("iFlatEdgeAngle", O, &Settings::flatFoldAngleDegrees),
        Int("iUnfoldStrategy", O, &Settings::unfoldStrategy),
        Int("iRegistrationMarks", O, &Settings::marksKind),
        Bool("bEdgeLabelAsWritten", O, &Settings::edgeLabelsAsWritten),
        Bool("bEdgeLabelOnFlap", O, &Settings::edgeLabelsOnFlaps),
        Bool("bEdgeLabelPartEdge", O, &Settings::edgeLabelsWithPart),
        Double("dEdgeLabelMinCapMM", O, &Settings::edgeLabelMinCapMM),
        Bool("bDrawPartNumber", O, &Settings::drawPartNumbers),
        Bool("bLoadLastTextInfo", O, &Settings::rememberLastText),
        LastText(Int("iLastTextLineSpaceMM", O, &Settings::lastTextLineSpacingMM)),
        LastText(Int("iLastTextFontSize", O, &Settings::lastTextFontSize)),
        LastText(String("sLastTextFontName", O, &Settings::lastTextFontName)),
        LastText(lastTextColour),
        TableColour("color_0", 0),
        TableColour("color_1", 1),
        TableColour("color_2", 2),
        TableColour("color_3", 3),
        TableColour("color_4", 4),
        TableColour("color_5", 5),
        TableColour("color_6", 6),
        TableColour("color_7", 7),

        Int("systemTextureLimit", N, &Settings::systemTextureLimit),
        Bool("bDrawFace", N, &Settings::drawFaces),
        Bool("bDrawEdge", N, &Settings::drawEdges),
        Bool("bTurnOnLight", N, &Settings::lighting),
        Bool("bDrawPageNumber", N, &Settings::drawPageNumbers),
        Bool("bDrawFlap", N, &Settings::drawFlaps),
        Bool("bDrawNumber", N, &Settings::drawEdgeIds),
        Bool("bUseMaterial", N, &Settings::useMaterials),
        Bool("bDrawWhiteBkLine", N, &Settings::whiteLinesUnderFolds),
        Int("iMountainLineStyle", N, &Settings::mountainLineStyle),
        Int("iValleyLineStyle", N, &Settings::valleyLineStyle),
        Int("iCutLineStyle", N, &Settings::cutLineStyle),
        Int("iPaperSize", N, &Settings::paperSize),
        Int("iPaperOrientation", N, &Settings::paperOrientation),
        Int("iMarginSide", N, &Settings::marginSideMM),
        Int("iMarginTop", N, &Settings::marginTopMM),
        Dash("mountainDash", &Settings::mountainDash),
        Dash("valleyDash", &Settings::valleyDash),
        Bool("bColorFlapWithFace", N, &Settings::colorFlapsLikeFaces),
    };
}

// Colours in a colour table slot live in Settings::colors, the others in their own member.
int32_t& ColourRef(const SettingEntry& entry, Settings& settings) {
    return entry.colourIndex >= 0 ? settings.colors[entry.colourIndex] : settings.*entry.intMember;
}

int32_t ColourOf(const SettingEntry& entry, const Settings& settings) {
    return entry.colourIndex >= 0 ? settings.colors[entry.colourIndex] : settings.*entry.intMember;
}

bool WholeMatch(const std::from_chars_result& result, const std::string& text) {
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

bool ParseInt32(const std::string& text, int32_t* out) {
    return !text.empty() && WholeMatch(std::from_chars(text.data(), text.data() + text.size(), *out), text);
}

// COLORREF values are unsigned 32-bit patterns; decimal accepts the signed range too, since that is how
// an int holds them.
bool ParseColour(const std::string& text, int32_t* out) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        uint32_t bits = 0;
        const char* first = text.data() + 2;
        if (!WholeMatch(std::from_chars(first, text.data() + text.size(), bits, 16), text)) return false;
        *out = static_cast<int32_t>(bits);
        return true;
    }
    int64_t wide = 0;
    if (text.empty() || !WholeMatch(std::from_chars(text.data(), text.data() + text.size(), wide), text)) {
        return false;
    }
    if (wide < INT32_MIN || wide > int64_t(UINT32_MAX)) return false;
    *out = static_cast<int32_t>(static_cast<uint32_t>(wide));
    return true;
}

// std::from_chars ignores the locale, so "0.5" reads the same under a comma-decimal locale.
bool ParseDouble(const std::string& text, double* out) {
    double value = 0;
    if (text.empty() || !WholeMatch(std::from_chars(text.data(), text.data() + text.size(), value), text)) {
        return false;
    }
    if (!std::isfinite(value)) return false;
    *out = value;
    return true;
}

bool ParseDash(const std::string& text, double (&out)[6]) {
    double values[6];
    size_t start = 0;
    for (int i = 0; i < 6; ++i) {
        const size_t comma = text.find(',', start);
        const bool last = i == 5;
        if (last != (comma == std::string::npos)) return false;
        const size_t end = last ? text.size() : comma;
        if (!ParseDouble(text.substr(start, end - start), &values[i])) return false;
        start = end + 1;
    }
    std::memcpy(out, values, sizeof values);
    return true;
}

std::string FormatDouble(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

const char* ExpectedText(SettingType type) {
    switch (type) {
    case SettingType::Bool:
        return "expected 0 or 1";
    case SettingType::Int:
        return "expected a decimal integer";
    case SettingType::Double:
        return "expected a finite number with '.' as the decimal point";
    case SettingType::String:
        return "expected text";
    case SettingType::Colour:
        return "expected a colour as a decimal or 0x hexadecimal integer";
    case SettingType::DashPattern:
        return "expected six comma-separated numbers";
    }
    return "";
}

} // namespace

const std::vector<SettingEntry>& SettingsTable() {
    static const std::vector<SettingEntry> table = BuildTable();
    return table;
}

const SettingEntry* FindSetting(const std::string& name) {
    for (const SettingEntry& entry : SettingsTable()) {
        if (name == entry.name) return &entry;
    }
    return nullptr;
}

SettingValue GetSetting(const SettingEntry& entry, const Settings& settings) {
    SettingValue value;
    value.type = entry.type;
    switch (entry.type) {
    case SettingType::Bool:
        value.boolValue = settings.*entry.boolMember;
        break;
    case SettingType::Int:
        value.intValue = settings.*entry.intMember;
        break;
    case SettingType::Double:
        value.doubleValue = settings.*entry.doubleMember;
        break;
    case SettingType::String:
        value.stringValue = settings.*entry.stringMember;
        break;
    case SettingType::Colour:
        value.intValue = ColourOf(entry, settings);
        break;
    case SettingType::DashPattern:
        std::memcpy(value.dash, settings.*entry.dashMember, sizeof value.dash);
        break;
    }
    return value;
}

void SetSetting(const SettingEntry& entry, Settings& settings, const SettingValue& value) {
    switch (entry.type) {
    case SettingType::Bool:
        settings.*entry.boolMember = value.boolValue;
        break;
    case SettingType::Int:
        settings.*entry.intMember = value.intValue;
        break;
    case SettingType::Double:
        settings.*entry.doubleMember = value.doubleValue;
        break;
    case SettingType::String:
        settings.*entry.stringMember = value.stringValue;
        break;
    case SettingType::Colour:
        ColourRef(entry, settings) = value.intValue;
        break;
    case SettingType::DashPattern:
        std::memcpy(settings.*entry.dashMember, value.dash, sizeof value.dash);
        break;
    }
}

SettingValue DefaultSetting(const SettingEntry& entry, const std::string& programDir) {
    static const Settings defaults;
    SettingValue value = GetSetting(entry, defaults);
    if (entry.programDirSuffix) value.stringValue = programDir + entry.programDirSuffix;
    return value;
}

void ResetSettingsToDefaults(Settings& settings, const std::string& programDir) {
    for (const SettingEntry& entry : SettingsTable())
        SetSetting(entry, settings, DefaultSetting(entry, programDir));
}

std::string FormatSettingValue(const SettingValue& value) {
    switch (value.type) {
    case SettingType::Bool:
        return value.boolValue ? "1" : "0";
    case SettingType::Int:
        return std::to_string(value.intValue);
    case SettingType::Double:
        return FormatDouble(value.doubleValue);
    case SettingType::String:
        return value.stringValue;
    case SettingType::Colour: {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "0x%08X",
                      static_cast<unsigned>(static_cast<uint32_t>(value.intValue)));
        return buffer;
    }
    case SettingType::DashPattern: {
        std::string text;
        for (int i = 0; i < 6; ++i) {
            if (i) text += ',';
            text += FormatDouble(value.dash[i]);
        }
        return text;
    }
    }
    return {};
}

const char* SettingTypeName(SettingType type) {
    switch (type) {
    case SettingType::Bool:
        return "bool";
    case SettingType::Int:
        return "int";
    case SettingType::Double:
        return "double";
    case SettingType::String:
        return "string";
    case SettingType::Colour:
        return "colour";
    case SettingType::DashPattern:
        return "dash";
    }
    return "";
}

Outcome ApplySettingOverride(Settings& settings, const std::string& name, const std::string& value) {
    const SettingEntry* entry = FindSetting(name);
    if (!entry) return Outcome::Failed("Unknown setting \"" + name + "\"");
    SettingValue parsed;
    parsed.type = entry->type;
    bool ok = false;
    switch (entry->type) {
    case SettingType::Bool:
        ok = value == "0" || value == "1";
        parsed.boolValue = value == "1";
        break;
    case SettingType::Int:
        ok = ParseInt32(value, &parsed.intValue);
        break;
    case SettingType::Double:
        ok = ParseDouble(value, &parsed.doubleValue);
        break;
    case SettingType::String:
        ok = true;
        parsed.stringValue = value;
        break;
    case SettingType::Colour:
        ok = ParseColour(value, &parsed.intValue);
        break;
    case SettingType::DashPattern:
        ok = ParseDash(value, parsed.dash);
        break;
    }
    if (!ok)
        return Outcome::Failed("Invalid value \"" + value + "\" for setting " + name + ": " +
                               ExpectedText(entry->type));
    SetSetting(*entry, settings, parsed);
    return Outcome::Ok();
}

std::vector<NamedSettingValue> ModelDisplaySettingValues(const Settings& settings) {
    static const char* const kNames[] = {"bDrawFlap",          "bDrawNumber",          "bInvertEdgeID",
                                         "bUseMaterial",       "bOmitFlatEdge",        "iFlatEdgeAngle",
                                         "bDrawWhiteBkLine",   "iMountainLineStyle",   "iValleyLineStyle",
                                         "iCutLineStyle",      "iEdgeIDfontSizePoint", "iPaperSize",
                                         "iPaperOrientation",  "iMarginSide",          "iMarginTop",
                                         "bColorFlapWithFace", "dDefaultFlapHeightMM"};
    std::vector<NamedSettingValue> values;
    for (const char* name : kNames) {
        const SettingEntry* entry = FindSetting(name);
        if (entry) values.push_back({entry->name, GetSetting(*entry, settings)});
    }
    return values;
}

} // namespace tsm
