#include "app/CoordinateWizard.h"

#include "app/ConfigurationDialogs.h"
#include "engine/DocumentEdits.h"
#include "engine/ModelCoordinates.h"
#include "engine/ModelOperations.h"
#include "engine/Topology.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tsm {

const int32_t kGuideColors[5] = {0x0080FF80, 0x008080FF, 0x00FF8080, 0x0080FFFF, 0x00FF80FF};

int ColourCount(WizardStep step) {
    return step == WizardStep::Front ? 5 : step == WizardStep::Bottom ? 3 : 0;
}

const char* StepTitle(WizardStep step) {
    switch (step) {
    case WizardStep::FlipFaces:
        return "Adjust Model Coordinates(1/4)";
    case WizardStep::Front:
        return "Adjust Model Coordinates(2/4)";
    case WizardStep::Bottom:
        return "Adjust Model Coordinates(3/4)";
    case WizardStep::Invert:
        return "Adjust Model Coordinates(4/4)";
    }
    return "";
}

const char* StepQuestion(WizardStep step) {
    switch (step) {
    case WizardStep::FlipFaces:
        return "Flip faces? (Back faces are colored dark gray)";
    case WizardStep::Front:
        return "Adjust Front by specifying front color.";
    case WizardStep::Bottom:
        return "Adjust Bottom by specifying bottom color.";
    case WizardStep::Invert:
        return "Invert Model?";
    }
    return "";
}

int GuideModeOf(WizardStep step) {
    return step == WizardStep::FlipFaces ? 0 : int(step) - 1;
}

UpdateHint HintOf(WizardStep step) {
    return step == WizardStep::Bottom ? UpdateHint::ViewFromBelow : UpdateHint::CoordinatesChanged;
}

namespace {

// Step 2: the chosen side turns to +Z. Step 3: the chosen side turns to -Y.
void TurnFront(Mesh& model, int colour) {
    switch (colour) {
    case 0:
        RotateModelQuarter(model, Axis::Y, 1);
        break;
    case 1:
        RotateModelQuarter(model, Axis::Y, -1);
        break;
    case 2:
        RotateModelQuarter(model, Axis::X, 1);
        break;
    case 3:
        RotateModelQuarter(model, Axis::X, -1);
        break;
    case 4:
        RotateModelQuarter(model, Axis::Y, 2);
        break;
    default:
        break;
    }
}

void TurnBottom(Mesh& model, int colour) {
    static constexpr int kTurns[3] = {1, -1, 2};
    if (colour >= 0 && colour < 3) RotateModelQuarter(model, Axis::Z, kTurns[colour]);
}

} // namespace

bool RunCoordinateWizard(Document& document, const Settings& settings, const CoordinateWizardHost& host) {
    if (!document.model || !host.ask) return false;
    Mesh& model = *document.model;
    const auto show = [&host](WizardStep step) {
        if (host.setGuide) host.setGuide(GuideModeOf(step));
        if (host.updateAllViews) host.updateAllViews(HintOf(step));
    };
    bool changed = false;
    EditContext context{document, settings};
    const EditResult result = RunModelEdit(context, UpdateHint::CoordinatesChanged, [&] {
        WizardStep step = WizardStep::FlipFaces;
        for (bool running = true; running;) {
            // The 3D view draws the corners' display positions, which follow the vertices.
            if (changed) CompleteDevelopmentEdit(document);
            show(step);
            const WizardChoice choice = host.ask(step);
            switch (choice.answer) {
            case WizardAnswer::Flip:
                FlipFaces(model, false);
                changed = true;
                step = WizardStep::Front;
                break;
            case WizardAnswer::NoFlip:
            case WizardAnswer::Next:
                if (step == WizardStep::Invert)
                    running = false;
                else
                    step = WizardStep(int(step) + 1);
                break;
            case WizardAnswer::Colour:
                if (step == WizardStep::Front) {
                    TurnFront(model, choice.colour);
                    step = WizardStep::Bottom;
                } else if (step == WizardStep::Bottom) {
                    TurnBottom(model, choice.colour);
                    step = WizardStep::Invert;
                }
                changed = true;
                break;
            case WizardAnswer::Back:
                if (step != WizardStep::FlipFaces) step = WizardStep(int(step) - 1);
                break;
            case WizardAnswer::Invert:
                MirrorModelX(model);
                changed = true;
                running = false;
                break;
            case WizardAnswer::Finish:
            case WizardAnswer::Close:
                running = false;
                break;
            }
        }
        return changed ? Outcome::Ok() : Outcome::Cancelled();
    });
    if (host.setGuide) host.setGuide(0);
    if (host.updateAllViews) host.updateAllViews(UpdateHint::CoordinatesChanged);
    return result.ok() && changed;
}

WizardStepDialog::WizardStepDialog(QWidget* parent, WizardStep step) : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(StepTitle(step)));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromLatin1(StepQuestion(step)), this));
    // The layout takes the row only when there are colours: a row left unattached would never be freed.
    auto* colours = ColourCount(step) > 0 ? new QHBoxLayout() : nullptr;
    if (colours) layout->addLayout(colours);
    for (int i = 0; i < ColourCount(step); ++i) {
        auto* button = new QPushButton(this);
        button->setObjectName(QStringLiteral("colour%1").arg(i));
        button->setMinimumSize(40, 30);
        button->setStyleSheet(
            QStringLiteral("background-color: %1;").arg(ColorOfRef(kGuideColors[i]).name()));
        connect(button, &QPushButton::clicked, this, [this, i] { Finish(WizardAnswer::Colour, i); });
        colours->addWidget(button);
    }
    auto* row = new QHBoxLayout();
    const auto add = [this, row](const char* text, WizardAnswer answer) {
        auto* button = new QPushButton(QString::fromLatin1(text), this);
        connect(button, &QPushButton::clicked, this, [this, answer] { Finish(answer); });
        row->addWidget(button);
    };
    switch (step) {
    case WizardStep::FlipFaces:
        add("Flip", WizardAnswer::Flip);
        add("No Flip", WizardAnswer::NoFlip);
        add("Close", WizardAnswer::Close);
        break;
    case WizardStep::Front:
    case WizardStep::Bottom:
        add("<< Back", WizardAnswer::Back);
        add("Next", WizardAnswer::Next);
        add("Finish", WizardAnswer::Finish);
        break;
    case WizardStep::Invert:
        add("<< Back", WizardAnswer::Back);
        add("Invert", WizardAnswer::Invert);
        add("No Invert (Finish)", WizardAnswer::Finish);
        break;
    }
    layout->addLayout(row);
}

void WizardStepDialog::Finish(WizardAnswer answer, int colour) {
    choice_ = WizardChoice{answer, colour};
    accept();
}

WizardChoice AskWizardStep(QWidget* parent, WizardStep step) {
    WizardStepDialog dialog(parent, step);
    // Closing the window is the step's way out.
    if (dialog.exec() != QDialog::Accepted) return WizardChoice{WizardAnswer::Close};
    return dialog.Choice();
}

} // namespace tsm
