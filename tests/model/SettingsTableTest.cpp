#include "model/SettingsTable.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

using namespace tsm;

namespace {

std::vector<std::string> Split(const std::string& words) {
    std::istringstream in(words);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

const std::vector<std::string> kSettingsKeyNames =
    Split("sLastDataOpenedDir sLastTextureOpenedDir sViewerPath bFirstLaunch");
const std::vector<std::string> kOptionsKeyNames = Split(
    "bDrawOpenedModel bUseEdgeColor bSoundForPick bZoomWheelInvert bTextureSmooth bLimitTextureSizeByUser "
    "iTextureLimitSizeUser bSlideColorToWhite bNoPrintBrankPage bUseAnimationForFaceCheck bSnapToGrid "
    "iGridSizeMM iTtextureLimitSizeID bSetFlapAngleAutoForOldTSM iFaceCheckAnimationSpeedIndex "
    "bCheckNewVersionAtStart sUpdateServerURL bOfferCoordinateWizard bUseOpenGLToDrawEdgeID "
    "iMaxFlapBaseAngle "
    "iEdgeIDfontSizePoint bInvertEdgeID dDefaultFlapHeightMM bLineAlpha dLineAlphaValue bPrintPageNumber "
    "bPrintTombo iResolutionID iLineWidthID bOmitFlatEdge iFlatEdgeAngle iUnfoldStrategy bLoadLastTextInfo "
    "iLastTextLineSpaceMM iLastTextFontSize sLastTextFontName sLastTextFontColor color_0 color_1 color_2 "
    "color_3 color_4 color_5 color_6 color_7");
// Display values carried by model files and run-time switches: never in the store.
const std::vector<std::string> kUnstoredNames = Split(
    "bDrawFlap bDrawNumber bUseMaterial bDrawWhiteBkLine iMountainLineStyle iValleyLineStyle iCutLineStyle "
    "iPaperSize iPaperOrientation iMarginSide iMarginTop bColorFlapWithFace bDrawFace bDrawEdge bTurnOnLight "
    "bDrawPageNumber mountainDash valleyDash systemTextureLimit");

std::vector<std::string> NamesUnder(SettingKey key) {
    std::vector<std::string> names;
    for (const SettingEntry& entry : SettingsTable()) {
        if (entry.key == key) names.push_back(entry.name);
    }
    return names;
}

// A value of the entry's type that differs from `value`.
SettingValue Changed(SettingValue value) {
    value.boolValue = !value.boolValue;
    value.intValue = value.intValue * 3 + 7;
    value.doubleValue = value.doubleValue * 3 + 0.25;
    value.stringValue += "/changed";
    for (double& d : value.dash) d += 0.5;
    return value;
}

// Restores the numeric locale at scope exit.
class ScopedNumericLocale {
public:
    ScopedNumericLocale() : saved_(std::setlocale(LC_NUMERIC, nullptr)) {}
    ~ScopedNumericLocale() { std::setlocale(LC_NUMERIC, saved_.c_str()); }

private:
    std::string saved_;
};

} // namespace

TEST(SettingsTable, HoldsEveryStoredNameOnceInStoreOrder) {
    EXPECT_EQ(NamesUnder(SettingKey::Settings), kSettingsKeyNames);
    EXPECT_EQ(NamesUnder(SettingKey::Options), kOptionsKeyNames);
    std::set<std::string> unstored;
    for (const std::string& name : NamesUnder(SettingKey::None)) unstored.insert(name);
    EXPECT_EQ(unstored, std::set<std::string>(kUnstoredNames.begin(), kUnstoredNames.end()));
    // No name twice, and every name is found by its own spelling only.
    std::set<std::string> seen;
    for (const SettingEntry& entry : SettingsTable()) {
        EXPECT_TRUE(seen.insert(entry.name).second) << entry.name;
        EXPECT_EQ(FindSetting(entry.name), &entry);
    }
    EXPECT_EQ(FindSetting("bdrawflap"), nullptr);
    // Only the four last-text values wait for bLoadLastTextInfo.
    std::vector<std::string> lastText;
    for (const SettingEntry& entry : SettingsTable()) {
        if (entry.lastTextValue) lastText.push_back(entry.name);
    }
    EXPECT_EQ(lastText, (std::vector<std::string>{"iLastTextLineSpaceMM", "iLastTextFontSize",
                                                  "sLastTextFontName", "sLastTextFontColor"}));
}

TEST(SettingsTable, TypesAndDefaultsMatchTheStoredEncoding) {
    for (const SettingEntry& entry : SettingsTable()) {
        const std::string name = entry.name;
        SettingType expected = SettingType::Int;
        if (name.rfind("color_", 0) == 0 || name == "sLastTextFontColor") {
            expected = SettingType::Colour;
        } else if (name == "mountainDash" || name == "valleyDash") {
            expected = SettingType::DashPattern;
        } else if (name == "systemTextureLimit") {
            expected = SettingType::Int;
        } else {
            // The name's prefix tells the type.
            const std::map<char, SettingType> byPrefix = {{'b', SettingType::Bool},
                                                          {'i', SettingType::Int},
                                                          {'d', SettingType::Double},
                                                          {'s', SettingType::String}};
            ASSERT_TRUE(byPrefix.count(name[0])) << name;
            expected = byPrefix.at(name[0]);
        }
        EXPECT_EQ(entry.type, expected) << name;
    }
    // Defaults are the compiled-in values; the paths hang off the program folder.
    const std::string dir = "/opt/tessaly/bin/";
    EXPECT_EQ(DefaultSetting(*FindSetting("sLastDataOpenedDir"), dir).stringValue, "/opt/tessaly/bin/sample");
    EXPECT_EQ(DefaultSetting(*FindSetting("sLastTextureOpenedDir"), dir).stringValue,
              "/opt/tessaly/bin/sample");
    EXPECT_EQ(DefaultSetting(*FindSetting("sViewerPath"), dir).stringValue,
              "/opt/tessaly/bin/../viewer/tessaly_vuvoza2");
    EXPECT_EQ(DefaultSetting(*FindSetting("iFlatEdgeAngle"), dir).intValue, 175);
    EXPECT_EQ(DefaultSetting(*FindSetting("dDefaultFlapHeightMM"), dir).doubleValue, 5.0);
    EXPECT_EQ(DefaultSetting(*FindSetting("bFirstLaunch"), dir).boolValue, true);
    const int32_t colours[8] = {0x00FFD9D9, 0x00FF0000, 0x00FFFF00, 0x000000FF,
                                0x000064FF, 0x0000D9D9, 0x000000FF, 0x00FFFFFF};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(DefaultSetting(*FindSetting("color_" + std::to_string(i)), dir).intValue, colours[i]);
    }
}

TEST(SettingsTable, EachEntryReachesItsOwnMember) {
    // Changing one entry must change that entry only: catches two entries sharing a member.
    const Settings defaults;
    for (const SettingEntry& entry : SettingsTable()) {
        Settings s;
        SetSetting(entry, s, Changed(GetSetting(entry, s)));
        for (const SettingEntry& other : SettingsTable()) {
            const bool same =
                FormatSettingValue(GetSetting(other, s)) == FormatSettingValue(GetSetting(other, defaults));
            EXPECT_EQ(same, &other != &entry) << entry.name << " changed " << other.name;
        }
    }
}

TEST(SettingsTable, ResetRestoresEveryDefault) {
    Settings s;
    for (const SettingEntry& entry : SettingsTable()) SetSetting(entry, s, Changed(GetSetting(entry, s)));
    ResetSettingsToDefaults(s, "/p/");
    const Settings defaults;
    for (const SettingEntry& entry : SettingsTable()) {
        const std::string expected = entry.programDirSuffix ? "/p/" + std::string(entry.programDirSuffix)
                                                            : FormatSettingValue(GetSetting(entry, defaults));
        EXPECT_EQ(FormatSettingValue(GetSetting(entry, s)), expected) << entry.name;
    }
}

TEST(SettingsTable, OverridesParseStrictly) {
    // Each setting with the values it takes (shown as they read back) and the ones it refuses, which change
    // nothing and name the setting. Bools take exactly 0 or 1; ints are decimal and must fit 32 bits (hex is
    // for colours only); colours take hex or decimal up to the full 32-bit pattern; doubles use '.', accept
    // exponents and refuse non-finite values; strings are taken as they are; dash patterns need all six
    // numbers.
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> taken;
        std::vector<std::string> refused;
    } cases[] = {
        {"bDrawFlap", {{"0", "0"}}, {"true", "2", "", " 1", "01", "-0"}},
        {"iFlatEdgeAngle", {{"-170", "-170"}}, {"12abc", "0x10", "2147483648", "1.0", "", "+5"}},
        {"color_7", {{"0x00123456", "0x00123456"}}, {}},
        {"color_0", {{"255", "0x000000FF"}}, {}},
        {"sLastTextFontColor", {{"0xFFFFFFFF", "0xFFFFFFFF"}}, {}},
        {"color_1", {}, {"0x", "0x100000000", "red"}},
        {"dLineAlphaValue", {{"0.25", "0.25"}}, {"0,5", "nan", "inf", "1.5mm", ""}},
        {"dDefaultFlapHeightMM", {{"7.5e-1", "0.75"}}, {}},
        {"sLastTextFontName", {{"Serif = Bold", "Serif = Bold"}}, {}},
        {"mountainDash", {{"3,1.5,-1,-1,-1,-1", "3,1.5,-1,-1,-1,-1"}}, {}},
        {"valleyDash", {}, {"1,1,-1,-1,-1", "1,1,-1,-1,-1,-1,", "1,1,-1,-1,-1,-1,2", "1,,1,1,1,1"}},
    };
    Settings s;
    std::string error;
    for (const auto& c : cases) {
        const SettingEntry& entry = *FindSetting(c.name);
        for (const auto& [text, shown] : c.taken) {
            EXPECT_TRUE(ApplySettingOverride(s, c.name, text, &error)) << c.name << " " << text;
            EXPECT_EQ(FormatSettingValue(GetSetting(entry, s)), shown) << c.name;
        }
        const std::string before = FormatSettingValue(GetSetting(entry, s));
        for (const std::string& bad : c.refused) {
            EXPECT_FALSE(ApplySettingOverride(s, c.name, bad, &error)) << c.name << " " << bad;
            EXPECT_NE(error.find(c.name), std::string::npos) << error;
        }
        EXPECT_EQ(FormatSettingValue(GetSetting(entry, s)), before) << c.name;
    }
    // An unknown name is reported by name; the error argument may be omitted.
    EXPECT_FALSE(ApplySettingOverride(s, "bNoSuchThing", "1", &error));
    EXPECT_EQ(error, "Unknown setting \"bNoSuchThing\"");
    EXPECT_FALSE(ApplySettingOverride(s, "iGridSizeMM", "x", nullptr));
    ApplySettingOverride(s, "iGridSizeMM", "five", &error);
    EXPECT_EQ(error, "Invalid value \"five\" for setting iGridSizeMM: expected a decimal integer");
}

TEST(SettingsTable, OverridesIgnoreACommaDecimalLocale) {
    ScopedNumericLocale restore;
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    Settings s;
    std::string error;
    // The user's locale must not change how a number on the command line or in the output reads.
    EXPECT_TRUE(ApplySettingOverride(s, "dLineAlphaValue", "0.125", &error)) << error;
    EXPECT_EQ(s.dLineAlphaValue, 0.125);
    EXPECT_FALSE(ApplySettingOverride(s, "dLineAlphaValue", "0,5", &error));
    EXPECT_EQ(FormatSettingValue(GetSetting(*FindSetting("dLineAlphaValue"), s)), "0.125");
    EXPECT_EQ(FormatSettingValue(GetSetting(*FindSetting("valleyDash"), s)), "2,1,0.5,1,-1,-1");
}

TEST(SettingsTable, FormattedValuesReadBackExactly) {
    Settings s;
    s.dLineAlphaValue = 0.1 + 0.2; // needs all 17 digits
    s.colors[3] = int32_t(0x80000001u);
    s.sLastTextFontName = "Sans, Bold";
    for (const SettingEntry& entry : SettingsTable()) {
        Settings copy;
        std::string error;
        const std::string text = FormatSettingValue(GetSetting(entry, s));
        ASSERT_TRUE(ApplySettingOverride(copy, entry.name, text, &error)) << error;
        EXPECT_EQ(FormatSettingValue(GetSetting(entry, copy)), text) << entry.name;
    }
    EXPECT_EQ(FormatSettingValue(GetSetting(*FindSetting("color_3"), s)), "0x80000001");
    EXPECT_EQ(FormatSettingValue(GetSetting(*FindSetting("bDrawFace"), s)), "1");
    EXPECT_EQ(SettingTypeName(SettingType::Colour), std::string("colour"));
}

TEST(SettingsTable, ModelDisplaySettingsComeInModelFileOrder) {
    Settings s;
    s.iMarginTop = 22;
    s.dDefaultFlapHeightMM = 3.5;
    s.bDrawNumber = true;
    const auto values = ModelDisplaySettingValues(s);
    const std::vector<std::string> expected = Split(
        "bDrawFlap bDrawNumber bInvertEdgeID bUseMaterial bOmitFlatEdge iFlatEdgeAngle bDrawWhiteBkLine "
        "iMountainLineStyle iValleyLineStyle iCutLineStyle iEdgeIDfontSizePoint iPaperSize "
        "iPaperOrientation iMarginSide iMarginTop bColorFlapWithFace dDefaultFlapHeightMM");
    ASSERT_EQ(values.size(), expected.size());
    for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(values[i].name, expected[i]);
    // The values are the current ones, with their types.
    EXPECT_EQ(values[1].value.type, SettingType::Bool);
    EXPECT_TRUE(values[1].value.boolValue);
    EXPECT_EQ(values[14].value.intValue, 22);
    EXPECT_EQ(values[16].value.type, SettingType::Double);
    EXPECT_EQ(values[16].value.doubleValue, 3.5);
}
