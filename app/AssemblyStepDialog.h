// View > Assembly Step...: a small window with a slider over the build order's steps. At step k the 3D view
// shows the parts of steps 1 ... k, the newest highlighted and turned towards the viewer; at 0, and when
// the window closes, the whole model again.
#pragma once

#include "app/CommandController.h"
#include "model/DocumentController.h"
#include "view3d/ModelViewLogic.h"

#include <QDialog>

#include <functional>

class QLabel;
class QSlider;

namespace tsm {

class AssemblyStepDialog : public QDialog {
public:
    // `show` is called with each step the slider reaches (0: the whole model).
    AssemblyStepDialog(QWidget* parent, std::function<void(int step)> show);

    // A new range (the document's part count); the slider goes back to 0.
    void SetStepCount(int steps);
    void SetCaption(const QString& text);
    QSlider* Slider() const { return slider_; }

private:
    QSlider* slider_;
    QLabel* caption_;
};

// Installs the command. `view` gives the 3D view's logic (null while there is none).
void InstallAssemblyStepView(CommandController& controller, QWidget* parent, DocumentController& documents,
                             std::function<ModelViewLogic*()> view);

} // namespace tsm
