#include "app/TextureConfigDialog.h"

#include "tests/app/AppTestSupport.h"

#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <fstream>

using namespace tsm;

namespace {

struct TextureHarness {
    TextureHarness() {
        AddMaterial(document, "Plain", Rgb{0.5f, 0.5f, 0.5f});
        AddMaterial(document, "Checked", Rgb{1, 1, 1},
                    MakeCheckerboard(64, 64, 8, Rgb{1, 0, 0}, Rgb{0, 0, 1}));
        settings.lastTextureFolder = "/start/";
        dialog = std::make_unique<TextureConfigDialog>(
            nullptr, TextureConfigServices{[this] { return &document; }, settings, prompt, chooser,
                                           [this](UpdateHint hint) { hints.push_back(hint); }});
    }
    Material& MaterialAt(size_t i) { return *document.model->materials[i]; }

    Document document;
    Settings settings;
    RecordingPrompt prompt;
    test::ScriptedChooser chooser;
    std::vector<UpdateHint> hints;
    std::unique_ptr<TextureConfigDialog> dialog;
};

} // namespace

TEST(TextureConfigDialog, ShowingSelectsTheFirstMaterialAndOutlinesTheSelectedOne) {
    TextureHarness h;
    EXPECT_EQ(h.document.model->highlightMaterial, nullptr);
    h.dialog->show();
    ASSERT_EQ(h.dialog->MaterialList()->count(), 2);
    EXPECT_EQ(h.dialog->SelectedMaterial(), &h.MaterialAt(0));
    EXPECT_EQ(h.document.model->highlightMaterial, &h.MaterialAt(0));
    // Reset Texture only for a material with a texture; the preview shows it.
    EXPECT_FALSE(h.dialog->ResetButton()->isEnabled());
    h.dialog->SelectMaterial(1);
    EXPECT_TRUE(h.dialog->ResetButton()->isEnabled());
    EXPECT_FALSE(h.dialog->Preview()->pixmap().isNull());
    EXPECT_EQ(h.document.model->highlightMaterial, &h.MaterialAt(1));
    EXPECT_EQ(h.hints.back(), UpdateHint::Redraw);
    h.dialog->hide();
    EXPECT_EQ(h.document.model->highlightMaterial, nullptr);
}

TEST(TextureConfigDialog, SpecifyLoadsTheImageAndResetRemovesIt) {
    test::TempFolder folder;
    const std::string bmp = folder.File("wood.bmp");
    QImage image(300, 200, QImage::Format_RGB888);
    image.fill(QColor(200, 120, 40));
    ASSERT_TRUE(image.save(QString::fromStdString(bmp), "BMP"));
    TextureHarness h;
    h.dialog->show();
    h.hints.clear();
    h.chooser.answers = {bmp};
    h.dialog->SpecifyTexture();
    EXPECT_EQ(h.chooser.startFolders.back(), "/start/");
    const Material& plain = h.MaterialAt(0);
    ASSERT_NE(plain.texture, nullptr);
    EXPECT_EQ(plain.imageWidth, 300);
    EXPECT_EQ(plain.textureFileName, bmp);
    EXPECT_LE(plain.texture->width, TextureSizeLimit(h.settings));
    EXPECT_EQ(h.settings.lastTextureFolder, folder.path() + "/");
    EXPECT_TRUE(h.dialog->ResetButton()->isEnabled());
    EXPECT_EQ(h.hints, std::vector<UpdateHint>{UpdateHint::TextureFilterChanged});
    EXPECT_TRUE(h.document.modified);

    h.dialog->ResetTexture();
    EXPECT_EQ(plain.texture, nullptr);
    EXPECT_EQ(plain.bitmap, nullptr);
    EXPECT_EQ(plain.textureFileName, "");
    EXPECT_FALSE(h.dialog->ResetButton()->isEnabled());
    EXPECT_EQ(h.hints.back(), UpdateHint::TextureFilterChanged);
    // A file that is no image is reported and leaves no texture.
    std::ofstream(folder.File("broken.bmp")) << "not a bitmap";
    h.chooser.answers = {folder.File("broken.bmp")};
    h.prompt.texts.clear();
    h.dialog->SpecifyTexture();
    EXPECT_EQ(plain.texture, nullptr);
    EXPECT_FALSE(h.prompt.texts.empty());
}
