// "Change Model Coordinates": four small dialogs that turn the model until its front faces +Z and its
// bottom faces -Y, optionally flipping its faces first and mirroring it last. The steps and what each
// answer does are here without windows; the dialogs come in as one function.
#pragma once

#include "model/Document.h"
#include "model/Settings.h"
#include "model/UpdateHint.h"

#include <QDialog>

#include <cstdint>
#include <functional>

namespace tsm {

enum class WizardStep { FlipFaces = 1, Front = 2, Bottom = 3, Invert = 4 };

// How a step's dialog ended. Colour answers carry the index of the colour button pressed.
enum class WizardAnswer { Flip, NoFlip, Colour, Next, Back, Finish, Invert, Close };
struct WizardChoice {
    WizardAnswer answer = WizardAnswer::Close;
    int colour = -1;
};

// The guide colours as COLORREF: light green, red, blue, yellow, magenta, matching the guide's sides
// x = -1, x = +1, y = +1, y = -1 and z = -1. Step 2 offers all five, step 3 the first three.
extern const int32_t kGuideColors[5];
int ColourCount(WizardStep step);
const char* StepTitle(WizardStep step);
const char* StepQuestion(WizardStep step);
int GuideModeOf(WizardStep step);
UpdateHint HintOf(WizardStep step);

struct CoordinateWizardHost {
    std::function<WizardChoice(WizardStep)> ask;
    std::function<void(int guideMode)> setGuide;
    std::function<void(UpdateHint)> updateAllViews;
};

// Runs the steps on the document's model. The whole run is one undo step: Undo in the Edit menu puts the
// model back as it was before the wizard. Returns whether the model changed.
bool RunCoordinateWizard(Document& document, const Settings& settings, const CoordinateWizardHost& host);

// The modal dialog of one step over `parent`.
WizardChoice AskWizardStep(QWidget* parent, WizardStep step);

// The dialog itself, for the tests: its buttons end it with the answers above.
class WizardStepDialog : public QDialog {
public:
    WizardStepDialog(QWidget* parent, WizardStep step);
    WizardChoice Choice() const { return choice_; }

private:
    void Finish(WizardAnswer answer, int colour = -1);
    WizardChoice choice_;
};

} // namespace tsm
