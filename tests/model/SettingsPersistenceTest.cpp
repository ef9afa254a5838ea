#include "model/SettingsPersistence.h"
#include "model/SettingsTable.h"
#include "tests/model/ImageTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <tuple>

using namespace tsm;
namespace fs = std::filesystem;

namespace {

const std::string kProgramDir = "/opt/tessaly/bin/";
const std::string kWindowKey = FrameworkKeyPath() + "Window";

// The expected state after a load from an empty store: compiled-in defaults, paths under the program folder.
Settings DefaultsUnder(const std::string& programDir) {
    Settings s;
    ResetSettingsToDefaults(s, programDir);
    return s;
}

void ExpectSameSettings(const Settings& actual, const Settings& expected) {
    for (const SettingEntry& entry : SettingsTable()) {
        EXPECT_EQ(FormatSettingValue(GetSetting(entry, actual)),
                  FormatSettingValue(GetSetting(entry, expected)))
            << entry.name;
    }
}

std::vector<std::string> StoredNamesUnder(SettingKey key) {
    std::vector<std::string> names;
    for (const SettingEntry& entry : SettingsTable()) {
        if (entry.key == key) names.push_back(entry.name);
    }
    return names;
}

} // namespace

TEST(SettingsPersistence, FirstStartUsesDefaultsAndCreatesBothKeysAtClose) {
    testimage::TempFolder dir;
    const std::string path = dir.File("config/tessaly/settings.reg");
    SettingsSession session(path);
    ASSERT_TRUE(session.ReadStore().ok()); // no file yet
    Settings s;
    LoadSettings(session, s, kProgramDir);
    ExpectSameSettings(s, DefaultsUnder(kProgramDir));
    EXPECT_EQ(s.viewerPath, "/opt/tessaly/bin/../viewer/tessaly_vuvoza2");

    s.lastModelFolder = "/home/u/models";
    s.gridSizeMM = -3;
    s.lineAlpha = 0.1 + 0.2;
    s.colors[6] = 0x00010203;
    s.drawFlaps = false; // a model-file value: not stored
    const Outcome saved = SaveSettings(session, s);
    ASSERT_TRUE(saved.ok()) << saved.reason();
    EXPECT_FALSE(s.firstLaunch);
    // The file holds both keys with every value, in table order.
    SettingsSession next(path);
    const Outcome read = next.ReadStore();
    ASSERT_TRUE(read.ok()) << read.reason();
    EXPECT_EQ(next.store().ValueNames(kSettingsKeyPath), StoredNamesUnder(SettingKey::Settings));
    EXPECT_EQ(next.store().ValueNames(kOptionsKeyPath), StoredNamesUnder(SettingKey::Options));
    StoredValue value;
    ASSERT_TRUE(next.store().QueryValue(kSettingsKeyPath, "bFirstLaunch", &value));
    EXPECT_EQ(value.bytes, std::string(1, '\0'));
    ASSERT_TRUE(next.store().QueryValue(kOptionsKeyPath, "dDefaultFlapHeightMM", &value));
    EXPECT_EQ(value.type, StoreValueType::Binary);
    EXPECT_EQ(value.bytes, DoubleValue(5.0).bytes);
    ASSERT_TRUE(next.store().QueryValue(kSettingsKeyPath, "sLastDataOpenedDir", &value));
    EXPECT_EQ(value.type, StoreValueType::String);
    // The next run reads them back, stored paths before those under its own folder.
    Settings loaded;
    LoadSettings(next, loaded, "/elsewhere/");
    s.drawFlaps = true;
    ExpectSameSettings(loaded, s);
}

TEST(SettingsPersistence, StoredTextureLimitIsReplacedByItsChoiceIndex) {
    SettingsSession session("");
    ASSERT_TRUE(session.store().CreateKey(kOptionsKeyPath));
    session.store().SetValue(kOptionsKeyPath, "iTextureLimitSizeUser", Int32Value(300));
    // Index 3 picks 512; with nothing stored for the index its default (2) picks 256; an index outside the
    // list keeps the stored limit instead of reading past the list.
    for (const auto& [index, limit] :
         std::vector<std::pair<int32_t, int32_t>>{{3, 512}, {-1, 256}, {5, 300}}) {
        if (index < 0) {
            session.store().DeleteValue(kOptionsKeyPath, "iTtextureLimitSizeID");
        } else {
            session.store().SetValue(kOptionsKeyPath, "iTtextureLimitSizeID", Int32Value(index));
        }
        Settings s;
        LoadSettings(session, s, kProgramDir);
        EXPECT_EQ(s.textureSizeLimitPixels, limit) << index;
        EXPECT_EQ(s.textureLimitChoice, index < 0 ? 2 : index);
    }
}

TEST(SettingsPersistence, ValuesOfTheWrongTypeOrSizeKeepTheDefault) {
    SettingsSession session("");
    SettingsStore& store = session.store();
    ASSERT_TRUE(store.CreateKey(kOptionsKeyPath));
    ASSERT_TRUE(store.CreateKey(kSettingsKeyPath));
    // A boolean stored as a dword is ignored.
    store.SetValue(kOptionsKeyPath, "bSoundForPick", DwordValue(1));
    store.SetValue(kOptionsKeyPath, "bDrawOpenedModel", DwordValue(0));
    // Binary values longer or shorter than the variable are ignored.
    store.SetValue(kOptionsKeyPath, "bTextureSmooth", BinaryValue(std::string("\0\0\0\0", 4)));
    store.SetValue(kOptionsKeyPath, "iGridSizeMM", BinaryValue(std::string("\x09\0", 2)));
    store.SetValue(kOptionsKeyPath, "iFlatEdgeAngle", DoubleValue(1.0));
    store.SetValue(kOptionsKeyPath, "dLineAlphaValue", Int32Value(1));
    store.SetValue(kOptionsKeyPath, "color_0", BinaryValue(std::string("\1\2\3", 3)));
    // Numbers stored as text and text stored as numbers are ignored.
    store.SetValue(kOptionsKeyPath, "iResolutionID", StringValue("3"));
    store.SetValue(kSettingsKeyPath, "sViewerPath", BinaryValue("/bin/x"));
    // A NaN length is refused.
    store.SetValue(kOptionsKeyPath, "dDefaultFlapHeightMM",
                   DoubleValue(std::numeric_limits<double>::quiet_NaN()));
    // The right encodings are taken, whatever the spelling of the name; expand strings count as text.
    store.SetValue(kOptionsKeyPath, "BSNAPTOGRID", BoolValue(false));
    store.SetValue(kOptionsKeyPath, "iLineWidthID", Int32Value(9));
    // Texts are cut to 259 characters, and a zero byte ends them as it would in a C string buffer.
    store.SetValue(kSettingsKeyPath, "sLastTextureOpenedDir",
                   {StoreValueType::ExpandString, std::string("/tex\0/b", 7)});
    store.SetValue(kSettingsKeyPath, "sLastDataOpenedDir", StringValue("/" + std::string(400, 'd')));

    Settings s;
    LoadSettings(session, s, kProgramDir);
    Settings expected = DefaultsUnder(kProgramDir);
    expected.snapToGrid = false;
    expected.lineWidthChoice = 9;
    expected.lastTextureFolder = "/tex";
    expected.lastModelFolder = "/" + std::string(258, 'd');
    ExpectSameSettings(s, expected);
}

TEST(SettingsPersistence, LastTextValuesAreReadOnlyWhenEnabled) {
    SettingsSession session("");
    SettingsStore& store = session.store();
    ASSERT_TRUE(store.CreateKey(kOptionsKeyPath));
    store.SetValue(kOptionsKeyPath, "iLastTextLineSpaceMM", Int32Value(4));
    store.SetValue(kOptionsKeyPath, "iLastTextFontSize", Int32Value(12));
    store.SetValue(kOptionsKeyPath, "sLastTextFontName", StringValue("Serif"));
    store.SetValue(kOptionsKeyPath, "sLastTextFontColor", Int32Value(0x00FF00));
    const auto lastText = [](const Settings& s) {
        return std::make_tuple(s.lastTextLineSpacingMM, s.lastTextFontSize, s.lastTextFontName,
                               s.lastTextColor);
    };
    // Not stored: the default false holds, even when the value in memory was true before the load.
    Settings off;
    off.rememberLastText = true;
    store.SetValue(kOptionsKeyPath, "bLoadLastTextInfo", BoolValue(false));
    LoadSettings(session, off, kProgramDir);
    EXPECT_FALSE(off.rememberLastText);
    EXPECT_EQ(lastText(off), std::make_tuple(2, 36, std::string(), 0));
    store.SetValue(kOptionsKeyPath, "bLoadLastTextInfo", BoolValue(true));
    Settings on;
    LoadSettings(session, on, kProgramDir);
    EXPECT_EQ(lastText(on), std::make_tuple(4, 12, std::string("Serif"), 0x00FF00));
}

// The application's tests take the question both ways; these are the failures it reports.
TEST(SettingsPersistence, ResetReportsFailures) {
    testimage::TempFolder dir;
    SettingsSession session(dir.File("settings.reg"));
    ASSERT_TRUE(session.store().CreateKey(kOptionsKeyPath));
    ASSERT_TRUE(session.store().CreateKey(kWindowKey));
    // Keys that are already absent count as deleted: no error on a fresh store.
    SettingsSession fresh(dir.File("fresh.reg"));
    RecordingPrompt ok(true);
    ResetConfigurations(fresh, ok);
    EXPECT_EQ(ok.texts.size(), 1u);
    EXPECT_TRUE(fresh.resetPending());

    // "Options" with a subkey cannot be deleted by a plain deletion: the error is shown, the reset still
    // becomes pending so that nothing is written at close.
    ASSERT_TRUE(session.store().CreateKey(std::string(kOptionsKeyPath) + "\\Sub"));
    RecordingPrompt failing(true);
    ResetConfigurations(session, failing);
    ASSERT_EQ(failing.texts.size(), 2u);
    EXPECT_EQ(failing.texts[1], "Can not Open Registry");
    EXPECT_TRUE(session.resetPending());
    EXPECT_FALSE(session.store().KeyExists(kWindowKey));

    // A store file that cannot be written is a failure too.
    std::ofstream(dir.File("plain")) << "x";
    SettingsSession unwritable(dir.File("plain/settings.reg"));
    RecordingPrompt unwritablePrompt(true);
    ResetConfigurations(unwritable, unwritablePrompt);
    ASSERT_EQ(unwritablePrompt.texts.size(), 2u);
    EXPECT_EQ(unwritablePrompt.texts[1], "Can not Open Registry");
}
