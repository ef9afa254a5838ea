#include "app/ModelCommands.h"

#include "app/FailureReport.h"
#include "model/DocumentSettings.h"

#include "app/LayoutMethodDialog.h"
#include "engine/Buildability.h"
#include "engine/DocumentEdits.h"
#include "engine/EdgeSizeWarning.h"
#include "engine/Layout.h"
#include "engine/MeshImportPipeline.h"
#include "engine/MeshSimplify.h"
#include "engine/ModelOperations.h"
#include "engine/Topology.h"
#include "sheet/OffSheet.h"
#include "sheet/Paper.h"

#include <QCheckBox>
#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace tsm {

const char* const kMeshFileFilter =
    "Meshes (*.obj *.gltf *.glb *.off *.stl *.ply *.3ds *.dae *.fbx *.3mf *.lwo *.x *.ac *.ms3d *.ase *.b3d "
    "*.dxf "
    "*.smd *.cob "
    "*.q3o)|*.obj;*.gltf;*.glb;*.off;*.stl;*.ply;*.3ds;*.dae;*.fbx;*.3mf;*.lwo;*.x;*.ac;*.ms3d;*.ase;"
    "*.b3d;*.dxf;*.smd;*.cob;*.q3o|"
    "Wavefront OBJ (*.obj)|*.obj|glTF 2.0 (*.gltf *.glb)|*.gltf;*.glb|"
    "Object File Format (*.off)|*.off|"
    "Stereolithography (*.stl)|*.stl|Polygon File Format (*.ply)|*.ply|"
    "Other formats, converted (*.3ds *.dae *.fbx *.3mf)|*.3ds;*.dae;*.fbx;*.3mf||";

const char* const kOfferWizardQuestion =
    "Meshes from other programs often stand with z up, while unfolding keeps the y axis upright.\n"
    "Adjust the model coordinates now?";
const char* const kStopOfferingWizardText = "Do not ask this after importing a mesh.";

namespace {

class ModelCommands {
public:
    explicit ModelCommands(ModelCommandServices services) : s_(std::move(services)) {}

    void Unfold() {
        Document* document = s_.document.Current();
        if (document == nullptr || document->model == nullptr) return;
        UnfoldOptions options = s_.unfoldOptions;
        const Settings documentSettings = DocumentSettings(s_.settings, document);
        const SheetArea region = PrintableRegion(Paper::FromSettings(documentSettings), documentSettings);
        options.printableWidthMM = region.printableWidthMM;
        options.printableHeightMM = region.printableHeightMM;
        options.keepOuts = region.keepOuts;
        const std::function<bool()> ask = [this, document] {
            if (s_.dialogs.askUnfoldMethod) {
                UnfoldStrategy strategy = UnfoldStrategyOf(s_.settings);
                if (!s_.dialogs.askUnfoldMethod(*document, s_.settings.layoutMethod, strategy)) return false;
                s_.settings.unfoldStrategy = static_cast<int32_t>(strategy);
                return true;
            }
            return !s_.dialogs.askLayoutMethod ||
                   s_.dialogs.askLayoutMethod(*document, s_.settings.layoutMethod);
        };
        std::unique_ptr<IUnfoldProgress> progress =
            s_.dialogs.makeProgress ? s_.dialogs.makeProgress() : std::unique_ptr<IUnfoldProgress>();
        if (!UnfoldDocument(*document, s_.settings, s_.prompt, ask, options, progress.get()).ok()) return;
        // The undo copies describe a development that is gone.
        document->history.Clear();
        Redraw(UpdateHint::DevelopmentReplaced);
        OfferWaysOutIfUnbuildable(*document);
    }

    void UndoUnfold() {
        Document* document = s_.document.Current();
        if (document == nullptr || document->model == nullptr) return;
        std::optional<UndoUnfoldingChoice> choice;
        if (s_.dialogs.askUndoUnfolding)
            choice = s_.dialogs.askUndoUnfolding(CanReuseTexts(*document));
        else
            choice = UndoUnfoldingChoice{CanReuseTexts(*document), true};
        if (!choice) return;
        UndoUnfolding(*document, choice->reuseTexts, choice->applyOpenEdges);
        document->history.Clear();
        Redraw(UpdateHint::DevelopmentReplaced);
    }

    void RecalculateLayout() {
        Document* document = s_.document.Current();
        if (document == nullptr || document->development == nullptr) return;
        // The dialog proposes the layout the development has: its method and its own scale.
        const LayoutMethod proposed = ProposedLayoutMethod(*document, s_.settings.layoutMethod);
        const double scaleBefore = document->documentScale;
        const double currentScale = document->development->scale;
        LayoutMethod method = proposed;
        document->documentScale = currentScale;
        if (s_.dialogs.askLayoutMethod && !s_.dialogs.askLayoutMethod(*document, method)) {
            document->documentScale = scaleBefore;
            return;
        }
        const double chosenScale = document->documentScale;
        document->documentScale = scaleBefore;
        s_.settings.layoutMethod = method;
        const Paper paper = Paper::FromSettings(DocumentSettings(s_.settings, document));
        // OK on the proposal keeps the development as it is, unless something lies off the sheets.
        if (SameLayout(method, chosenScale, proposed, currentScale) &&
            CountOffSheet(*document, paper).total() == 0)
            return;
        const Settings settings = DocumentSettings(s_.settings, document);
        EditContext context{*document, settings, paper.PrintableWidth()};
        const EditResult result = RunDevelopmentEdit(context, UpdateHint::RecomputeSheets, [&] {
            document->documentScale = chosenScale;
            RecalculatePartsLayout(*document, method, PrintableRegion(paper, settings));
        });
        if (result.ok()) Redraw(*result);
    }

    void Flip() {
        Document* document = s_.document.Current();
        if (document == nullptr || document->model == nullptr) return;
        EditResult result = RunModelEdit(*document, [&] {
            FlipFaces(*document->model, true);
            return Outcome::Ok();
        });
        if (result.ok()) Redraw(*result);
    }

    void JoinIsolatedEdges() {
        Document* document = s_.document.Current();
        if (document == nullptr || document->model == nullptr) return;
        // The tolerance follows the model's size, which must describe the model as it is now.
        ComputeBounds(*document->model);
        const EditResult joined = RunModelEdit(*document, [&] {
            return JoinAdjacentIsolatedEdges(*document->model, s_.prompt) > 0 ? Outcome::Ok()
                                                                              : Outcome::Cancelled();
        });
        ReportFailure(s_.prompt, joined.outcome());
        Redraw(UpdateHint::Redraw);
    }

    void Simplify(int suggested) {
        Document* document = s_.document.Current();
        if (document == nullptr || document->model == nullptr) return;
        const int current = ModelFaceCount(*document->model);
        const std::optional<int> target =
            s_.dialogs.askFaceCount ? s_.dialogs.askFaceCount(current, suggested) : suggested;
        if (!target) return;
        const Settings settings = DocumentSettings(s_.settings, document);
        EditContext context{*document, settings};
        const EditResult result = SimplifyMesh(context, *target);
        if (!result.ok()) return ReportFailure(s_.prompt, result.outcome(), PromptIcon::Warning);
        Redraw(*result);
    }

    // Half the faces, at most the count the import suggests.
    void SimplifyFromMenu() {
        Document* document = s_.document.Current();
        if (document == nullptr || document->model == nullptr) return;
        Simplify(std::max(kSimplifyFewestFaces,
                          std::min(kSuggestedFaceCount, ModelFaceCount(*document->model) / 2)));
    }

    void ImportMesh() {
        if (s_.chooser == nullptr) return;
        const std::string start = OpenDialogStartFolder(s_.settings.lastModelFolder, s_.programDir);
        if (s_.confirmSetAside && !s_.confirmSetAside()) return;
        const std::optional<std::string> chosen = s_.chooser->ChooseOpenFile(kMeshFileFilter, start);
        if (!chosen) return;
        // The new document brings its own views update; only the idle text needs a nudge.
        if (!ImportMeshFile(s_.document, *chosen, s_.prompt).ok()) return;
        s_.frame.RefreshIdleText();
        const Document* imported = s_.document.Current();
        if (imported && imported->model && ModelFaceCount(*imported->model) > kSimplifyOfferAbove &&
            s_.prompt.AskYesNo(SimplifyOfferText(*imported)))
            Simplify(kSuggestedFaceCount);
        if (!s_.settings.offerCoordinateWizard || !s_.dialogs.offerCoordinateWizard || !s_.changeCoordinates)
            return;
        const WizardOffer offer = s_.dialogs.offerCoordinateWizard();
        if (offer.stopOffering) s_.settings.offerCoordinateWizard = false;
        if (offer.run) s_.changeCoordinates();
    }

private:
    // Said once, right after the unfold that made the development.
    void OfferWaysOutIfUnbuildable(const Document& document) {
        const std::string warning = UnbuildableWarning(document);
        if (warning.empty()) return;
        if (!s_.dialogs.offerWaysOut) {
            s_.prompt.Message(warning, PromptIcon::Warning);
            return;
        }
        switch (s_.dialogs.offerWaysOut(warning, static_cast<bool>(s_.simplifyMesh))) {
        case UnbuildableWayOut::LargerSize:
            RecalculateLayout();
            break;
        case UnbuildableWayOut::SimplifyMesh:
            if (s_.simplifyMesh) s_.simplifyMesh();
            break;
        case UnbuildableWayOut::Keep:
            break;
        }
    }

    EditResult RunModelEdit(Document& document, const std::function<Outcome()>& change) {
        const Settings settings = DocumentSettings(s_.settings, &document);
        EditContext context{document, settings};
        return tsm::RunModelEdit(context, UpdateHint::Redraw, change);
    }

    void Redraw(UpdateHint hint) {
        s_.frame.UpdateAllViews(hint);
        // The idle text depends on whether a development exists.
        s_.frame.RefreshIdleText();
    }

    ModelCommandServices s_;
};

} // namespace

void WindowUnfoldProgress::Start(const std::string& caption, int stepCount) {
    window_ = std::make_unique<ProgressWindow>(mainWindow_, profile_, caption);
    window_->SetRange(0, stepCount);
    window_->GoModal();
    report_ = MakeProgressReport(*window_);
}

bool WindowUnfoldProgress::Step(int position, const std::string& text) {
    return report_ ? report_(position, text) : true;
}

void WindowUnfoldProgress::Finish() {
    report_ = nullptr;
    window_.reset();
}

ModelCommandDialogs WindowModelCommandDialogs(QWidget* parent, SettingsStore* profile) {
    ModelCommandDialogs dialogs;
    dialogs.askLayoutMethod = [parent](Document& document, LayoutMethod& method) {
        return AskLayoutMethod(parent, document, method);
    };
    dialogs.askUnfoldMethod = [parent](Document& document, LayoutMethod& method, UnfoldStrategy& strategy) {
        return AskLayoutMethod(parent, document, method, &strategy);
    };
    dialogs.askUndoUnfolding = [parent](bool hasTexts) -> std::optional<UndoUnfoldingChoice> {
        UndoUnfoldingDialog dialog(parent, hasTexts);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.Choice();
    };
    dialogs.offerCoordinateWizard = [parent] {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Change Model Coordinates"),
                        QString::fromLatin1(kOfferWizardQuestion), QMessageBox::Yes | QMessageBox::No,
                        parent);
        auto* stop = new QCheckBox(QString::fromLatin1(kStopOfferingWizardText), &box);
        box.setCheckBox(stop);
        const bool yes = box.exec() == QMessageBox::Yes;
        return WizardOffer{yes, stop->isChecked()};
    };
    dialogs.askFaceCount = [parent](int current, int suggested) -> std::optional<int> {
        bool ok = false;
        const int faces = QInputDialog::getInt(
            parent, QStringLiteral("Simplify Mesh"),
            QStringLiteral("The mesh has %1 faces. Faces to keep:").arg(current), suggested,
            kSimplifyFewestFaces, std::max(kSimplifyFewestFaces, current - 1), 100, &ok);
        return ok ? std::optional<int>(faces) : std::nullopt;
    };
    dialogs.offerWaysOut = [parent](const std::string& text, bool canSimplify) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Unfold"), QString::fromUtf8(text.c_str()),
                        QMessageBox::NoButton, parent);
        QPushButton* larger = box.addButton(QStringLiteral("Larger Size..."), QMessageBox::AcceptRole);
        QPushButton* simplify =
            canSimplify ? box.addButton(QStringLiteral("Simplify Mesh..."), QMessageBox::AcceptRole)
                        : nullptr;
        QPushButton* keep = box.addButton(QStringLiteral("Keep"), QMessageBox::RejectRole);
        box.setDefaultButton(larger);
        box.setEscapeButton(keep);
        box.exec();
        if (box.clickedButton() == larger) return UnbuildableWayOut::LargerSize;
        if (simplify != nullptr && box.clickedButton() == simplify) return UnbuildableWayOut::SimplifyMesh;
        return UnbuildableWayOut::Keep;
    };
    dialogs.makeProgress = [parent, profile]() -> std::unique_ptr<IUnfoldProgress> {
        return std::make_unique<WindowUnfoldProgress>(parent, profile);
    };
    return dialogs;
}

void InstallModelCommands(CommandController& controller, ModelCommandServices services) {
    DocumentController& document = services.document;
    auto commands = std::make_shared<ModelCommands>(std::move(services));
    controller.SetExternalHandler(CommandId::Unfold, [commands] { commands->Unfold(); });
    // Undo Unfolding has nothing to take back without a development.
    controller.SetExternalHandler(
        CommandId::UndoUnfold, [commands] { commands->UndoUnfold(); },
        [&document] { return document.Current() != nullptr && document.Current()->development != nullptr; });
    controller.SetExternalHandler(CommandId::RecalculateLayout,
                                  [commands] { commands->RecalculateLayout(); });
    controller.SetExternalHandler(CommandId::FlipFaces, [commands] { commands->Flip(); });
    controller.SetExternalHandler(CommandId::JoinIsolatedEdges,
                                  [commands] { commands->JoinIsolatedEdges(); });
    controller.SetExternalHandler(CommandId::ImportMesh, [commands] { commands->ImportMesh(); });
    controller.SetExternalHandler(CommandId::SimplifyMesh, [commands] { commands->SimplifyFromMenu(); });
}

} // namespace tsm
