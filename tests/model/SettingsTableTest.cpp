#include "model/SettingsTable.h"

#include "ImageTestSupport.h"

#include <gtest/gtest.h>

using namespace tsm;

namespace {

// A value of the entry's type that differs from `value`.
SettingValue Changed(SettingValue value) {
    value.boolValue = !value.boolValue;
    value.intValue = value.intValue * 3 + 7;
    value.doubleValue = value.doubleValue * 3 + 0.25;
    value.stringValue += "/changed";
    for (double& d : value.dash) d += 0.5;
    return value;
}

} // namespace

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
    for (const auto& c : cases) {
        const SettingEntry& entry = *FindSetting(c.name);
        for (const auto& [text, shown] : c.taken) {
            EXPECT_TRUE(ApplySettingOverride(s, c.name, text).ok()) << c.name << " " << text;
            EXPECT_EQ(FormatSettingValue(GetSetting(entry, s)), shown) << c.name;
        }
        const std::string before = FormatSettingValue(GetSetting(entry, s));
        for (const std::string& bad : c.refused) {
            const Outcome refused = ApplySettingOverride(s, c.name, bad);
            EXPECT_TRUE(refused.failed()) << c.name << " " << bad;
            EXPECT_NE(refused.reason().find(c.name), std::string::npos) << refused.reason();
        }
        EXPECT_EQ(FormatSettingValue(GetSetting(entry, s)), before) << c.name;
    }
    // An unknown name is reported by name.
    EXPECT_EQ(ApplySettingOverride(s, "bNoSuchThing", "1").reason(), "Unknown setting \"bNoSuchThing\"");
    EXPECT_EQ(ApplySettingOverride(s, "iGridSizeMM", "five").reason(),
              "Invalid value \"five\" for setting iGridSizeMM: expected a decimal integer");
}

TEST(SettingsTable, OverridesIgnoreACommaDecimalLocale) {
    testimage::ScopedLocale locale(LC_NUMERIC, "de_DE.UTF-8");
    if (!locale.Active()) GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    Settings s;
    // The user's locale must not change how a number on the command line or in the output reads.
    EXPECT_TRUE(ApplySettingOverride(s, "dLineAlphaValue", "0.125").ok());
    EXPECT_EQ(s.lineAlpha, 0.125);
    EXPECT_TRUE(ApplySettingOverride(s, "dLineAlphaValue", "0,5").failed());
    EXPECT_EQ(FormatSettingValue(GetSetting(*FindSetting("dLineAlphaValue"), s)), "0.125");
    EXPECT_EQ(FormatSettingValue(GetSetting(*FindSetting("valleyDash"), s)), "2,1,0.5,1,-1,-1");
}

TEST(SettingsTable, FormattedValuesReadBackExactly) {
    Settings s;
    s.lineAlpha = 0.1 + 0.2; // needs all 17 digits
    s.colors[3] = int32_t(0x80000001u);
    s.lastTextFontName = "Sans, Bold";
    for (const SettingEntry& entry : SettingsTable()) {
        Settings copy;
        const std::string text = FormatSettingValue(GetSetting(entry, s));
        const Outcome applied = ApplySettingOverride(copy, entry.name, text);
        ASSERT_TRUE(applied.ok()) << applied.reason();
        EXPECT_EQ(FormatSettingValue(GetSetting(entry, copy)), text) << entry.name;
    }
    EXPECT_EQ(FormatSettingValue(GetSetting(*FindSetting("color_3"), s)), "0x80000001");
}
