// Texture Configuration: the model's materials, a preview of the selected one's texture, and the buttons
// that give it an image file or take its image away. Modeless; the main window rebuilds its list with the
// other panels whenever a model is opened.
#pragma once

#include "app/DesktopServices.h"
#include "model/Document.h"
#include "model/Prompt.h"
#include "model/Settings.h"
#include "model/UpdateHint.h"

#include <QDialog>

#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

namespace tsm {

extern const char* const kTextureFileFilter; // "texture file(*.bmp;*.jpg;*.jpeg)|*.bmp;*.jpg;*.jpeg||"

struct TextureConfigServices {
    std::function<Document*()> document; // the current one, may be null
    Settings& settings;                  // the application's: the texture limit and the last folder
    IPrompt& prompt;
    IFileChooser& chooser;
    std::function<void(UpdateHint)> updateAllViews;
};

// Gives `material` the image at `path` within the settings' texture limit and remembers its folder.
// False when no image could be loaded (the loader has said why).
bool SetMaterialTexture(Material& material, const std::string& path, Settings& settings, IPrompt& prompt);

class TextureConfigDialog : public QDialog {
public:
    TextureConfigDialog(QWidget* parent, TextureConfigServices services);

    // The list again from the current model, the first material selected.
    void Refresh();
    // The material whose line is selected; null without one.
    Material* SelectedMaterial() const;
    void SelectMaterial(int row);
    void SpecifyTexture();
    void ResetTexture();

    QListWidget* MaterialList() const { return list_; }
    QLabel* Preview() const { return preview_; }
    QPushButton* SpecifyButton() const { return specify_; }
    QPushButton* ResetButton() const { return reset_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void ShowSelection();
    Mesh* Model() const;

    TextureConfigServices s_;
    QListWidget* list_ = nullptr;
    QLabel* preview_ = nullptr;
    QPushButton* specify_ = nullptr;
    QPushButton* reset_ = nullptr;
};

} // namespace tsm
