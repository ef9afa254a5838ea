#include "app/RecentFileList.h"

#include "model/SettingsPersistence.h"

#include <QString>

#include <gtest/gtest.h>

using namespace tsm;

TEST(RecentFileList, NewestFirstWithoutDuplicatesAndAtMostTen) {
    RecentFileList list;
    for (int i = 1; i <= 12; ++i) list.Add("/m/" + std::to_string(i) + ".tsm");
    ASSERT_EQ(list.Files().size(), 10u);
    EXPECT_EQ(list.Files().front(), "/m/12.tsm");
    EXPECT_EQ(list.Files().back(), "/m/3.tsm");
    // Opening a listed file again moves it up instead of adding it twice.
    list.Add("/m/5.tsm");
    EXPECT_EQ(list.Files()[0], "/m/5.tsm");
    EXPECT_EQ(std::count(list.Files().begin(), list.Files().end(), "/m/5.tsm"), 1);
    // Empty paths and removals past the end change nothing.
    list.Add("");
    list.Remove(99);
    EXPECT_EQ(list.Files().size(), 10u);
    list.Remove(0);
    EXPECT_EQ(list.Files()[0], "/m/12.tsm");
}

TEST(RecentFileList, StoreRoundTripAndDamagedValues) {
    RecentFileList list;
    list.Add("/a.tsm");
    list.Add("/b c.tsm");
    SettingsStore store;
    list.Save(store);
    RecentFileList read;
    read.Load(store);
    EXPECT_EQ(read.Files(), list.Files());

    // A shorter list deletes the values it no longer uses.
    RecentFileList shorter;
    shorter.Add("/only.tsm");
    shorter.Save(store);
    StoredValue value;
    EXPECT_FALSE(store.QueryValue(RecentFileListKeyPath(), "File2", &value));

    // Values of another type, empty values and gaps are skipped; duplicates are read once.
    const std::string key = RecentFileListKeyPath();
    store.SetValue(key, "File1", DwordValue(7));
    store.SetValue(key, "File2", StringValue(""));
    store.SetValue(key, "File4", StringValue("/x.tsm"));
    store.SetValue(key, "File5", StringValue("/x.tsm"));
    store.SetValue(key, "File11", StringValue("/beyond.tsm"));
    read.Load(store);
    EXPECT_EQ(read.Files(), std::vector<std::string>{"/x.tsm"});
}

TEST(RecentFileList, MenuTexts) {
    // Numbered with a mnemonic, the home folder shortened, ampersands doubled.
    EXPECT_EQ(RecentFileList::MenuText(0, "/home/ann/R&D/box.tsm", "/home/ann"), "&1 ~/R&&D/box.tsm");
    // A folder that merely starts like the home folder is not shortened.
    EXPECT_EQ(RecentFileList::MenuText(1, "/home/anna/box.tsm", "/home/ann"), "&2 /home/anna/box.tsm");
    EXPECT_EQ(RecentFileList::MenuText(9, "/a.tsm", ""), "1&0 /a.tsm");
    // A long path keeps its start and its file name.
    const std::string longPath = "/data/" + std::string(100, 'x') + "/model-name.tsm";
    const std::string text = RecentFileList::MenuText(2, longPath, "");
    EXPECT_LT(text.size(), 70u);
    EXPECT_EQ(text.rfind("&3 /data/", 0), 0u);
    EXPECT_NE(text.find("..."), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 15), "/model-name.tsm");
    // Shortening never cuts a UTF-8 character in two.
    std::string accents;
    for (int i = 0; i < 40; ++i) accents += "\xC3\xA9"; // é
    const std::string cut = RecentFileList::MenuText(0, "/" + accents + "/f.tsm", "");
    EXPECT_LT(cut.size(), 70u);
    // Bytes that are no UTF-8 would come back as replacement characters.
    EXPECT_EQ(QString::fromUtf8(cut.data(), qsizetype(cut.size())).toStdString(), cut);
}
