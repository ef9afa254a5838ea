#include "app/DesktopServices.h"

#include "AppTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace tsm;
using tsm::test::TempFolder;

TEST(DesktopServices, FiltersFromDescriptionPatternPairs) {
    EXPECT_EQ(DialogFilterFromPairs(kModelFileFilter), "Tessaly File (*.tsm)");
    EXPECT_EQ(DialogFilterFromPairs("EPS file(*.eps)|*.eps||"), "EPS file(*.eps)");
    EXPECT_EQ(DialogFilterFromPairs("texture file(*.bmp;*.jpg)|*.bmp;*.jpg|All (*)|*||"),
              "texture file(*.bmp;*.jpg);;All (*)");
    // Damaged filters give what can be read, never more.
    EXPECT_EQ(DialogFilterFromPairs(""), "");
    EXPECT_EQ(DialogFilterFromPairs("Only a description"), "Only a description");
    EXPECT_EQ(DialogFilterFromPairs("||ignored|*.x"), "");
}

TEST(DesktopServices, HelpFileBesideTheProgramOrInTheDataFolder) {
    TempFolder folder;
    const std::string program = folder.path() + "/bin/";
    std::filesystem::create_directories(program);
    EXPECT_EQ(FindHelpFile(program), "");
    const std::string installed = InstalledDataFolder(program) + "help";
    std::filesystem::create_directories(installed);
    std::ofstream(installed + "/index.html") << "<html></html>";
    EXPECT_EQ(FindHelpFile(program),
              std::filesystem::path(installed + "/index.html").lexically_normal().string());
    std::filesystem::create_directories(program + "help");
    std::ofstream(program + "help/index.html") << "<html></html>";
    EXPECT_EQ(FindHelpFile(program), program + "help/index.html");
}

TEST(DesktopServices, OpenDialogStartsInTheLastFolderWhenItExists) {
    TempFolder folder;
    const std::string program = folder.path() + "/bin/";
    std::filesystem::create_directories(program);
    EXPECT_EQ(OpenDialogStartFolder(folder.path(), program), folder.path());
    // A folder that is gone falls back to the installed samples, then to the dialog's own choice.
    EXPECT_EQ(OpenDialogStartFolder(folder.path() + "/gone", program), "");
    const std::string samples = InstalledDataFolder(program) + "samples";
    std::filesystem::create_directories(samples);
    EXPECT_EQ(OpenDialogStartFolder(folder.path() + "/gone", program),
              std::filesystem::path(samples).lexically_normal().string());
    std::ofstream(folder.File("plain")) << "x";
    EXPECT_EQ(OpenDialogStartFolder(folder.File("plain"), ""), "");
}
