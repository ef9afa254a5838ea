#include "app/AssemblyStepDialog.h"

#include "guide/AssemblyInstructions.h"
#include "view3d/AssemblyStep.h"

#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include <memory>
#include <utility>

namespace tsm {

AssemblyStepDialog::AssemblyStepDialog(QWidget* parent, std::function<void(int step)> show)
    : QDialog(parent), slider_(new QSlider(Qt::Horizontal, this)), caption_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Assembly Step"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
    layout->addWidget(slider_);
    slider_->setTickPosition(QSlider::TicksBelow);
    slider_->setPageStep(1);
    resize(360, sizeHint().height());
    connect(slider_, &QSlider::valueChanged, this, [show](int step) { show(step); });
    // Closing shows the whole model again.
    connect(this, &QDialog::finished, this, [show] { show(0); });
}

void AssemblyStepDialog::SetStepCount(int steps) {
    const QSignalBlocker quiet(slider_);
    slider_->setRange(0, std::max(0, steps));
    slider_->setValue(0);
}

void AssemblyStepDialog::SetCaption(const QString& text) {
    caption_->setText(text);
}

void InstallAssemblyStepView(CommandController& controller, QWidget* parent, DocumentController& documents,
                             std::function<ModelViewLogic*()> view) {
    auto dialog = std::make_shared<AssemblyStepDialog*>(nullptr);
    const auto show = [dialog, &documents, view](int step) {
        ModelViewLogic* logic = view();
        Document* document = documents.Current();
        if (logic == nullptr || *dialog == nullptr) return;
        if (step <= 0 || document == nullptr || document->development == nullptr) {
            (*dialog)->SetCaption(QStringLiteral("The whole model"));
            logic->SetAssemblyStep({});
            return;
        }
        const Development& development = *document->development;
        const std::vector<BuildStep> order = DocumentBuildOrder(development);
        const size_t index = std::min(static_cast<size_t>(step), order.size()) - 1;
        if (order.empty()) return;
        const StepCaption caption = CaptionOf(order, PartNumbers(order, development.parts.size()), index);
        (*dialog)->SetCaption(QString::fromStdString(caption.step + " of " + std::to_string(order.size()) +
                                                     ": " + caption.part + ", " + caption.joins));
        TurnTowardsPart(*document->model, *development.parts[order[index].part], logic->Camera());
        logic->CameraChanged();
        logic->SetAssemblyStep(StepView(development, order, index));
    };
    controller.SetExternalHandler(CommandId::ViewAssemblyStep, [dialog, parent, &documents, show] {
        if (*dialog == nullptr) *dialog = new AssemblyStepDialog(parent, show);
        const Document* document = documents.Current();
        const int parts = document != nullptr && document->development != nullptr
                              ? static_cast<int>(document->development->parts.size())
                              : 0;
        (*dialog)->SetStepCount(parts);
        show(0);
        (*dialog)->show();
        (*dialog)->raise();
    });
}

} // namespace tsm
