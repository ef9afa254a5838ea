// The window side of the Model menu (Unfold, Undo Unfolding, Recalculate Parts Layout, Flip Faces, Join
// Adjacent Isolated Edges, Simplify Mesh) and of File > Import Mesh: the dialogs and the progress window
// around the engine's operations, and the redraw afterwards. The dialogs come in as functions so that the
// commands run in tests without a person.
#pragma once

#include "app/CommandController.h"
#include "app/ProgressWindow.h"
#include "app/UndoUnfoldingDialog.h"
#include "engine/Unfolder.h"

#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace tsm {

extern const char* const kOfferWizardQuestion;
extern const char* const kStopOfferingWizardText;

struct WizardOffer {
    bool run = false;
    bool stopOffering = false;
};

// The ways out of an unfold too small to build.
enum class UnbuildableWayOut { Keep, LargerSize, SimplifyMesh };

struct ModelCommandDialogs {
    // "Development Layout Method": may change the layout method and the document's scale; false on Cancel.
    std::function<bool(Document&, LayoutMethod&)> askLayoutMethod;
    // The same dialog before unfolding, where it also offers the unfolding strategy; when unset, Unfold
    // asks askLayoutMethod and the strategy stays as it is.
    std::function<bool(Document&, LayoutMethod&, UnfoldStrategy&)> askUnfoldMethod;
    // "Undo Unfolding": nothing on Cancel.
    std::function<std::optional<UndoUnfoldingChoice>(bool developmentHasTexts)> askUndoUnfolding;
    // The unfolding's progress display, made afresh for each run; null (or a null function) for none.
    std::function<std::unique_ptr<IUnfoldProgress>()> makeProgress;
    // "Simplify Mesh": the faces to keep, `suggested` offered, the model having `current`; nothing on
    // Cancel. When unset, the suggestion is taken.
    std::function<std::optional<int>(int current, int suggested)> askFaceCount;
    // After Import Mesh: whether to run "Change Model Coordinates" now, and whether to stop offering it.
    std::function<WizardOffer()> offerCoordinateWizard;
    // After an unfold too small to build: the warning with its ways out (Simplify Mesh only when
    // `canSimplify`). When unset the warning is a plain message.
    std::function<UnbuildableWayOut(const std::string& text, bool canSimplify)> offerWaysOut;
};

// The modal dialogs and the progress window over `parent`, which remembers its position in `profile`.
ModelCommandDialogs WindowModelCommandDialogs(QWidget* parent, SettingsStore* profile);

// The progress window as the unfolder's progress: opened modal by Start, one step per report, pumping
// events so that Cancel and Esc work, destroyed by Finish.
class WindowUnfoldProgress : public IUnfoldProgress {
public:
    WindowUnfoldProgress(QWidget* mainWindow, SettingsStore* profile)
        : mainWindow_(mainWindow), profile_(profile) {}
    void Start(const std::string& caption, int stepCount) override;
    bool Step(int position, const std::string& text) override;
    void Finish() override;

    // The open window, null outside Start .. Finish.
    ProgressWindow* Window() const { return window_.get(); }

private:
    QWidget* mainWindow_;
    SettingsStore* profile_;
    std::unique_ptr<ProgressWindow> window_;
    ProgressReport report_;
};

// The File Open dialog filter of "Import Mesh...": all four kinds together, then each on its own.
extern const char* const kMeshFileFilter;

struct ModelCommandServices {
    DocumentController& document;
    Settings& settings; // the application's
    IPrompt& prompt;
    IFrameActions& frame;
    ModelCommandDialogs dialogs;
    UnfoldOptions unfoldOptions;     // the printable area is taken from the paper at each run
    IFileChooser* chooser = nullptr; // "Import Mesh..." is installed only with a chooser
    std::string programDir;          // ending in '/': where the file dialog starts without a last folder
    // Asked before Import Mesh replaces the document; false keeps it.
    std::function<bool()> confirmSetAside;
    // "Change Model Coordinates", offered after Import Mesh while offerCoordinateWizard is on.
    std::function<void()> changeCoordinates;
    // "Simplify Mesh", the second way out of an unfold too small to build; not offered while unset.
    std::function<void()> simplifyMesh;
};

// Installs the Model menu's handlers, and Import Mesh's, on `controller`.
void InstallModelCommands(CommandController& controller, ModelCommandServices services);

} // namespace tsm
