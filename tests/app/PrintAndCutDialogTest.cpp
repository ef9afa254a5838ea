// The Print and Cut dialog: the files it lists follow the folder and the format; its choice is what the
// fields show.
#include "app/PrintAndCutDialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>

using namespace tsm;

TEST(PrintAndCutDialog, ListsOneFilePerSheetAndGivesTheChoice) {
    EXPECT_EQ(PrintAndCutFileNames("/tmp/a/", "house", 2, CutFileFormat::Dxf),
              (std::vector<std::string>{"/tmp/a/house_001.dxf", "/tmp/a/house_002.dxf"}));
    EXPECT_TRUE(PrintAndCutFileNames("/tmp", "house", 0, CutFileFormat::Svg).empty());

    PrintAndCutDialog dialog(nullptr, {"/work", CutFileFormat::Svg, MarksKind::Silhouette}, "cube", 3);
    EXPECT_EQ(dialog.ListedFiles(),
              (std::vector<std::string>{"/work/cube_001.svg", "/work/cube_002.svg", "/work/cube_003.svg"}));
    dialog.findChild<QComboBox*>("format")->setCurrentIndex(1);
    dialog.findChild<QLineEdit*>("folder")->setText("/out");
    EXPECT_EQ(dialog.ListedFiles().back(), "/out/cube_003.dxf");
    dialog.findChild<QComboBox*>("marks")->setCurrentIndex(0);
    const PrintAndCutChoice choice = dialog.Choice();
    EXPECT_EQ(choice.folder, "/out");
    EXPECT_EQ(choice.format, CutFileFormat::Dxf);
    EXPECT_EQ(choice.marks, MarksKind::None);
}
