#include "model/SettingsStore.h"
#include "tests/model/ImageTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

using namespace tsm;
namespace fs = std::filesystem;

namespace {

// Restores an environment variable at scope exit.
class ScopedEnv {
public:
    explicit ScopedEnv(const char* name) : name_(name), had_(std::getenv(name) != nullptr) {
        if (had_) saved_ = std::getenv(name);
    }
    ~ScopedEnv() { had_ ? void(::setenv(name_, saved_.c_str(), 1)) : void(::unsetenv(name_)); }
    void Set(const char* value) { ::setenv(name_, value, 1); }
    void Unset() { ::unsetenv(name_); }

private:
    const char* name_;
    bool had_;
    std::string saved_;
};

const char* kOptions = "Software\\quillonsoft\\tessalyvuvoza2en\\Options";

} // namespace

TEST(SettingsStore, KeysFollowRegistryRules) {
    SettingsStore store;
    ASSERT_TRUE(store.CreateKey(kOptions));
    // Intermediate keys are created with the leaf, and lookups ignore ASCII case.
    EXPECT_TRUE(store.KeyExists("SOFTWARE\\QuillonSoft\\TESSALYVUVOZA2EN\\options"));
    // A trailing backslash or doubled separator names the same key (the reset opens paths that way).
    EXPECT_TRUE(store.KeyExists("Software\\quillonsoft\\tessalyvuvoza2en\\"));
    EXPECT_TRUE(store.KeyExists("Software\\\\quillonsoft"));
    // Re-creating under another case keeps the original spelling.
    EXPECT_TRUE(store.CreateKey("software\\QUILLONSOFT\\Other"));
    EXPECT_EQ(store.SubkeyNames("Software\\quillonsoft"),
              (std::vector<std::string>{"tessalyvuvoza2en", "Other"}));
    // Invalid names are refused rather than stored in a form the file cannot hold.
    // The depth is limited like a registry tree's.
    std::string deep;
    for (int i = 0; i < 512; ++i) deep += "d\\";
    for (const std::string& bad : {std::string(), std::string("\\\\"), std::string("Software\\bad\nname"),
                                   "Software\\" + std::string(256, 'k'), deep + "one more"})
        EXPECT_FALSE(store.CreateKey(bad)) << bad;
    EXPECT_TRUE(store.CreateKey("Software\\" + std::string(255, 'k')));
    EXPECT_TRUE(store.CreateKey(deep));
    EXPECT_FALSE(store.KeyExists(""));
    EXPECT_FALSE(store.KeyExists("Software\\missing"));
    // A key with subkeys goes only with its tree; missing keys and the root cannot be deleted.
    EXPECT_FALSE(store.DeleteKey("Software\\quillonsoft"));
    EXPECT_TRUE(store.DeleteTree("software\\QUILLONSOFT"));
    EXPECT_FALSE(store.KeyExists(kOptions));
    EXPECT_TRUE(store.KeyExists("Software"));
    EXPECT_FALSE(store.DeleteKey("Software\\missing"));
    EXPECT_FALSE(store.DeleteTree("Software\\missing"));
    EXPECT_FALSE(store.DeleteTree(""));
}

TEST(SettingsStore, ValuesAreTypedAndNamedCaseInsensitively) {
    SettingsStore store;
    StoredValue value;
    // Setting a value needs an existing key, as with an opened registry key.
    EXPECT_FALSE(store.SetValue(kOptions, "iGridSizeMM", Int32Value(5)));
    ASSERT_TRUE(store.CreateKey(kOptions));
    ASSERT_TRUE(store.SetValue(kOptions, "iGridSizeMM", Int32Value(0x01020304)));
    ASSERT_TRUE(store.QueryValue(kOptions, "IGRIDSIZEMM", &value));
    EXPECT_EQ(value.type, StoreValueType::Binary);
    EXPECT_EQ(value.bytes, std::string("\x04\x03\x02\x01", 4)); // little-endian
    // Overwriting through another spelling replaces the value and the type.
    ASSERT_TRUE(store.SetValue(kOptions, "igridsizemm", StringValue("x")));
    ASSERT_TRUE(store.QueryValue(kOptions, "iGridSizeMM", &value));
    EXPECT_EQ(value.type, StoreValueType::String);
    EXPECT_EQ(store.ValueNames(kOptions).size(), 1u);
    // A dword always has 4 bytes.
    EXPECT_FALSE(store.SetValue(kOptions, "d", {StoreValueType::Dword, "abc"}));
    EXPECT_TRUE(store.SetValue(kOptions, "d", DwordValue(1)));
    // Value names longer than the registry allows are refused.
    EXPECT_FALSE(store.SetValue(kOptions, std::string(16384, 'n'), BoolValue(true)));
    EXPECT_TRUE(store.DeleteValue(kOptions, "D"));
    EXPECT_FALSE(store.DeleteValue(kOptions, "d"));
    EXPECT_FALSE(store.QueryValue(kOptions, "d", &value));
    EXPECT_FALSE(store.QueryValue("Software\\missing", "d", &value));
    EXPECT_EQ(DoubleValue(0.5).bytes, std::string("\0\0\0\0\0\0\xe0\x3f", 8));
    // A leaf key goes with its values.
    EXPECT_TRUE(store.DeleteKey(kOptions));
    EXPECT_FALSE(store.QueryValue(kOptions, "iGridSizeMM", nullptr));
}

TEST(SettingsStore, FileRoundTripKeepsEveryTypeNameAndByte) {
    testimage::TempFolder dir;
    SettingsStore store;
    ASSERT_TRUE(store.CreateKey(kOptions));
    ASSERT_TRUE(store.CreateKey("Software\\Empty key] with ; marks"));
    std::string allBytes;
    for (int i = 0; i < 256; ++i) allBytes += char(i);
    const std::vector<std::pair<std::string, StoredValue>> values = {
        {"bool", BoolValue(true)},
        {"int", Int32Value(-2)},
        {"double", DoubleValue(-0.1)},
        {"dword", DwordValue(0xDEADBEEF)},
        {"emptyBinary", BinaryValue("")},
        {"allBytes", BinaryValue(allBytes)},
        {"text", StringValue("line1\nline2\r\n\ttab=eq\\back \xc3\xa4\xe2\x82\xac end ")},
        {"zero", StringValue(std::string("a\0b", 3))},
        {"expand", {StoreValueType::ExpandString, "$HOME/x"}},
        {"emptyText", StringValue("")},
        // Names with the separator, newlines, section and comment markers and non-ASCII bytes.
        {"name=with=equals", BoolValue(false)},
        {"name\nwith\nnewlines", BoolValue(true)},
        {"[looks like a section]", BoolValue(true)},
        {";looks like a comment", BoolValue(true)},
        {"#also a comment", BoolValue(true)},
        {"back\\slash \xff\xfe", BoolValue(true)},
        {"", StringValue("default value")},
        {"  spaced  ", StringValue("  spaced  ")},
        {"ends in cr\r", StringValue("value ends in cr\r")},
    };
    for (const auto& [name, value] : values) ASSERT_TRUE(store.SetValue(kOptions, name, value)) << name;

    const std::string path = dir.File("sub/folder/settings.reg");
    const Outcome saved = store.SaveFile(path);
    ASSERT_TRUE(saved.ok()) << saved.reason(); // creates the folders

    SettingsStore loaded;
    const Result<size_t> skipped = loaded.LoadFile(path);
    ASSERT_TRUE(skipped.ok()) << skipped.reason();
    EXPECT_EQ(*skipped, 0u);
    for (const auto& [name, value] : values) {
        StoredValue back;
        ASSERT_TRUE(loaded.QueryValue(kOptions, name, &back)) << name;
        EXPECT_EQ(back.type, value.type) << name;
        EXPECT_EQ(back.bytes, value.bytes) << name;
    }
    // Creation order and empty keys survive, so a second save is byte-identical.
    EXPECT_TRUE(loaded.KeyExists("Software\\Empty key] with ; marks"));
    EXPECT_EQ(loaded.ValueNames(kOptions), store.ValueNames(kOptions));
    EXPECT_EQ(loaded.Serialize(), store.Serialize());
    // The format stays readable for the common types.
    const std::string text = store.Serialize();
    EXPECT_NE(text.find("[Software\\quillonsoft\\tessalyvuvoza2en\\Options]\n"), std::string::npos);
    EXPECT_NE(text.find("\nint=binary:feffffff\n"), std::string::npos);
    EXPECT_NE(text.find("\ndword=dword:deadbeef\n"), std::string::npos);
    EXPECT_NE(text.find("\nexpand=expand_sz:$HOME/x\n"), std::string::npos);
}

TEST(SettingsStore, DamagedTextIsSkippedLineByLine) {
    SettingsStore store;
    const std::string text = "garbage before any section\n"
                             "orphan=binary:01\n"
                             "[Software\\A]\n"
                             "good=binary:0a0B\n"
                             "noequals\n"
                             "oddhex=binary:abc\n"
                             "badhex=binary:zz\n"
                             "shortdword=dword:0001\n"
                             "longdword=dword:000000001\n"
                             "badescape=sz:a\\qb\n"
                             "cutescape=sz:abc\\x4\n"
                             "unknown=qword:0000000000000000\n"
                             "notype=hello\n"
                             "[unterminated\n"
                             "afterbad=binary:01\n"
                             "[]\n"
                             "[Software\\B]\r\n"
                             "crlf=sz:ok\r\n"
                             "[Software\\A]\n"
                             "again=dword:00000002";
    // 14 bad lines, counting the orphan and the value after a bad header, which belong to no key.
    EXPECT_EQ(store.Parse(text), 14u);
    StoredValue value;
    ASSERT_TRUE(store.QueryValue("Software\\A", "good", &value));
    EXPECT_EQ(value.bytes, "\x0a\x0b");
    ASSERT_TRUE(store.QueryValue("Software\\B", "crlf", &value));
    EXPECT_EQ(value.bytes, "ok");                                  // a CRLF file loads like an LF one
    ASSERT_TRUE(store.QueryValue("Software\\A", "again", &value)); // a repeated section adds to its key
    EXPECT_EQ(value.bytes, std::string("\2\0\0\0", 4));
    EXPECT_FALSE(store.QueryValue("Software\\A", "afterbad", nullptr));
    EXPECT_EQ(store.ValueNames("Software\\A").size(), 2u);

    // Near-limit files of pathological shape load in linear time and without deep recursion: lines
    // without '=' (each must not scan the rest of the file) and one header nested a million levels deep.
    std::string noEquals = "[K]\n";
    for (int i = 0; i < 1000000; ++i) noEquals += "novalue\n";
    EXPECT_EQ(store.Parse(noEquals), 1000000u);
    std::string deepHeader = "[";
    for (int i = 0; i < 1000000; ++i) deepHeader += "d\\";
    EXPECT_EQ(store.Parse(deepHeader + "]\nv=binary:01\n"), 2u);

    // Whatever a truncated write or stray bytes leave, what is kept writes out and reads back the same.
    SettingsStore full;
    ASSERT_TRUE(full.CreateKey(kOptions));
    full.SetValue(kOptions, "a", StringValue("text with \\ and \n"));
    full.SetValue(kOptions, "b", DoubleValue(3.5));
    full.SetValue(kOptions, "c", DwordValue(7));
    std::vector<std::string> damaged;
    const std::string good = full.Serialize();
    for (size_t n = 0; n <= good.size(); ++n) damaged.push_back(good.substr(0, n));
    std::mt19937 random(12345);
    for (int i = 0; i < 300; ++i) {
        std::string noise(random() % 400, '\0');
        for (char& c : noise) c = "[]\\=:\nabsxz0189"[random() % 15];
        damaged.push_back("[K]\n" + noise);
    }
    for (const std::string& text : damaged) {
        SettingsStore parsed, again;
        parsed.Parse(text);
        again.Parse(parsed.Serialize());
        ASSERT_EQ(again.Serialize(), parsed.Serialize()) << text;
    }
}

TEST(SettingsStore, LoadFileHandlesMissingLargeAndOddFiles) {
    testimage::TempFolder dir;
    SettingsStore store;
    store.CreateKey("Software\\Old");
    // A first start has no file: an empty store, not an error.
    EXPECT_TRUE(store.LoadFile(dir.File("missing.reg")).ok());
    EXPECT_FALSE(store.KeyExists("Software\\Old"));
    // A folder in place of the file is an error.
    EXPECT_EQ(store.LoadFile(dir.File("")).reason(),
              "Cannot read the settings file \"" + dir.File("") + "\"");

    // A file beyond the limit is refused instead of read whole.
    {
        std::ofstream out(dir.File("big.reg"), std::ios::binary);
        out << "[Software\\H]\n";
        const std::string block(1 << 20, 'x');
        for (size_t i = 0; i <= SettingsStore::kMaxFileBytes / block.size(); ++i) out << block;
    }
    EXPECT_TRUE(store.LoadFile(dir.File("big.reg")).failed());
    EXPECT_TRUE(store.SaveFile("").failed());
    // A file that cannot be saved (its folder is a file) is an error, not a crash.
    std::ofstream(dir.File("plain")) << "x";
    EXPECT_TRUE(store.SaveFile(dir.File("plain/settings.reg")).failed());
}

TEST(SettingsStore, DefaultFileLocationFollowsEnvironment) {
    ScopedEnv file("TESSALY_SETTINGS_FILE");
    ScopedEnv xdg("XDG_CONFIG_HOME");
    ScopedEnv home("HOME");
    home.Set("/home/someone");
    file.Set("/tmp/explicit.reg");
    xdg.Set("/xdg");
    EXPECT_EQ(DefaultSettingsFilePath(), "/tmp/explicit.reg");
    file.Set(""); // empty counts as unset
    EXPECT_EQ(DefaultSettingsFilePath(), "/xdg/tessaly/settings.reg");
    xdg.Set("relative/xdg"); // a relative XDG_CONFIG_HOME is invalid and ignored
    EXPECT_EQ(DefaultSettingsFilePath(), "/home/someone/.config/tessaly/settings.reg");
    xdg.Unset();
    EXPECT_EQ(DefaultSettingsFilePath(), "/home/someone/.config/tessaly/settings.reg");
}
