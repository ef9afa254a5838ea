#include "app/DevelopmentViewLogic.h"

#include "app/CommandTable.h"
#include "app/PrintCommands.h"
#include "model/Settings.h"
#include "sheet/MarkClearance.h"
#include "sheet/OffSheet.h"
#include "sheet/Paper.h"
#include "sheet/SheetScreen.h"
#include "view3d/GLContextRegistry.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QWheelEvent>
#include <QWidget>

namespace tsm {

namespace {

// A part or text no printed sheet holds whole is tinted and outlined in this warning colour.
const QColor kOffSheetLine(230, 80, 0);
const QColor kOffSheetFill(230, 80, 0, 60);

DevPointer PointerOf(const QMouseEvent& event) {
    DevPointer pointer;
    pointer.x = static_cast<int>(event.position().x());
    pointer.y = static_cast<int>(event.position().y());
    pointer.left = event.buttons() & Qt::LeftButton;
    pointer.right = event.buttons() & Qt::RightButton;
    pointer.middle = event.buttons() & Qt::MiddleButton;
    pointer.shift = event.modifiers() & Qt::ShiftModifier;
    return pointer;
}

} // namespace

DevelopmentViewLogic::DevelopmentViewLogic(IViewHost& host)
    : host_(host), surface_(host.Prompt(), RenderSlot::Development) {
    // The line under the cursor is highlighted before any button is pressed.
    if (host_.Widget() != nullptr) host_.Widget()->setMouseTracking(true);
}

bool DevelopmentViewLogic::HasDevelopment() const {
    const Document* document = host_.CurrentDocument();
    return document != nullptr && document->development != nullptr;
}

bool DevelopmentViewLogic::HandleCommand(CommandId commandId) {
    if ((commandId == CommandId::Print || commandId == CommandId::PrintPreview) &&
        host_.CurrentDocument() != nullptr) {
        // With marks on, the parts in their way move first, as the printed sheets and the cut files must
        // agree; the move is an edit of its own, undone like any other.
        const Settings settings = host_.ViewSettings();
        const EditResult cleared = ClearMarkZonesBeforePrinting(
            *host_.CurrentDocument(), settings, Paper::FromSettings(settings), host_.Prompt());
        if (cleared.ok() && *cleared != UpdateHint::Redraw) host_.UpdateAllViews(*cleared);
    }
    if (commandId == CommandId::Print) {
        RunPrintCommand(host_.Widget(), host_.CurrentDocument(), host_.ViewSettings(), host_.Prompt());
        return true;
    }
    if (commandId == CommandId::PrintPreview) {
        RunPrintPreviewCommand(host_.Widget(), host_.CurrentDocument(), host_.ViewSettings(), host_.Prompt());
        return true;
    }
    return false;
}

void DevelopmentViewLogic::Fit() {
    state_.Fit(CurrentSheetLayout(host_.CurrentDocument(), host_.ViewSettings()), HasDevelopment());
    fittedOnce_ = true;
    host_.Repaint();
}

void DevelopmentViewLogic::UpdateGridInPlace() {
    Document* document = host_.CurrentDocument();
    if (document == nullptr) return;
    const Settings settings = host_.ViewSettings();
    const SheetLayout before = CurrentSheetLayout(document, settings);
    UpdateSheetGrid(*document, Paper::FromSettings(settings), false);
    state_.KeepDrawingInPlace(before, CurrentSheetLayout(document, settings));
}

void DevelopmentViewLogic::OnUpdate(UpdateHint hint) {
    const DevelopmentHintActions actions = DevelopmentActionsForHint(hint);
    Document* document = host_.CurrentDocument();
    // Whatever changed may have been a material's image.
    dropTextures_ = true;
    if (actions.resetEditState) state_.EndDrag();
    tools_.DocumentChanged(actions.clearSelection || actions.resetEditState);
    tools_.ModeMaybeChanged();
    if (actions.recomputeGrid && document != nullptr)
        UpdateSheetGrid(*document, Paper::FromSettings(host_.ViewSettings()), actions.recomputeExtents);
    if (actions.updateGridInPlace) UpdateGridInPlace();
    // The kept textures are made again with the current filter at the next paint.
    if (actions.fit)
        Fit();
    else if (actions.redraw || actions.reapplyTextureFilter)
        host_.Repaint();
}

void DevelopmentViewLogic::Resize(int width, int height) {
    if (width <= 0 || height <= 0) return;
    state_.SetClientSize(width, height);
    if (surface_.Resize(width, height)) glctx::Release();
    // Until the user zooms or pans, the sheets follow the window.
    if (!fittedOnce_ || host_.CurrentDocument() == nullptr || !state_.Navigated()) {
        state_.Fit(CurrentSheetLayout(host_.CurrentDocument(), host_.ViewSettings()), HasDevelopment());
        if (host_.CurrentDocument() != nullptr) fittedOnce_ = true;
    }
}

void DevelopmentViewLogic::Paint(QPainter& painter) {
    Document* document = host_.CurrentDocument();
    const ScreenView& view = state_.View();
    const Settings settings = host_.ViewSettings();
    const SheetLayout layout = CurrentSheetLayout(document, settings);
    if (!surface_.IsReady() || !surface_.MakeCurrent()) {
        painter.fillRect(0, 0, host_.ClientWidth(), host_.ClientHeight(), QColor(128, 128, 128));
        return;
    }
    if (dropTextures_ || document != texturesFor_) {
        textures_.Release();
        texturesFor_ = document;
        dropTextures_ = false;
    }
    DrawScreenRaster(
        document, settings, view, layout, surface_.FontListBase(), [this] { surface_.Finish(); }, &textures_);
    glctx::Release();
    painter.drawImage(0, 0, surface_.Image());
    DrawScreenOverlay(painter, document, settings, view);
    PaintOffSheetMarks(painter, document, settings, layout);
    tools_.Draw(painter);
}

void DevelopmentViewLogic::PaintOffSheetMarks(QPainter& painter, const Document* document,
                                              const Settings& settings, const SheetLayout& layout) const {
    if (document == nullptr || document->development == nullptr) return;
    const Paper paper = Paper::FromSettings(settings);
    const auto mark = [&](const double box[4]) {
        const Point2 a = state_.DevelopmentToScreen({box[0], box[1]}, layout);
        const Point2 b = state_.DevelopmentToScreen({box[0] + box[2], box[1] + box[3]}, layout);
        const QRectF rect = QRectF(QPointF(a.x, a.y), QPointF(b.x, b.y)).normalized().adjusted(-2, -2, 2, 2);
        painter.fillRect(rect, kOffSheetFill);
        painter.drawRect(rect);
    };
    painter.save();
    painter.setPen(QPen(kOffSheetLine, 2));
    for (const auto& part : document->development->parts) {
        if (!part || !PartOffSheet(*part, *document, paper)) continue;
        const double box[4] = {part->x, part->y, part->width, part->height};
        mark(box);
    }
    for (const auto& text : document->development->texts)
        if (text && TextOffSheet(*text, *document, paper)) mark(text->rect);
    painter.restore();
}

void DevelopmentViewLogic::MousePress(QMouseEvent& event) {
    const DevPointer pointer = PointerOf(event);
    state_.ButtonDown(pointer);
    tools_.Press(event);
    if (event.button() == Qt::MiddleButton && host_.Widget() != nullptr) host_.Widget()->setFocus();
}

void DevelopmentViewLogic::MouseRelease(QMouseEvent& event) {
    const DevPointer pointer = PointerOf(event);
    if (event.button() == Qt::RightButton && state_.IsClick(pointer.x, pointer.y)) tools_.RightClick(event);
    if (event.button() != Qt::LeftButton) return;
    const bool click = state_.IsClick(pointer.x, pointer.y);
    tools_.Release(event, click);
    if (click && host_.ViewSettings().editMode == EditMode::CheckFace) CheckFaceAt(pointer.x, pointer.y);
}

void DevelopmentViewLogic::KeyRelease(QKeyEvent& event) {
    tools_.KeyRelease(event);
}

void DevelopmentViewLogic::MouseMove(QMouseEvent& event) {
    // A drag the edit mode took does not pan.
    tools_.Move(event);
    if (tools_.OwnsDrag() && (event.buttons() & Qt::LeftButton)) return;
    if (state_.MouseMoved(PointerOf(event),
                          CurrentSheetLayout(host_.CurrentDocument(), host_.ViewSettings())))
        host_.Repaint();
}

void DevelopmentViewLogic::Wheel(QWheelEvent& event) {
    const int delta = event.angleDelta().y();
    if (delta == 0) return;
    const Point2 pointer{event.position().x(), event.position().y()};
    if (state_.WheelTurned(delta, host_.ViewSettings().invertWheelZoom,
                           CurrentSheetLayout(host_.CurrentDocument(), host_.ViewSettings()), pointer))
        host_.Repaint();
    event.accept();
}

bool DevelopmentViewLogic::CheckFaceAt(int x, int y) {
    Document* document = host_.CurrentDocument();
    if (document == nullptr || document->development == nullptr) return false;
    const Settings settings = host_.ViewSettings();
    const Point2 mm = state_.ScreenToDevelopment(x, y, CurrentSheetLayout(document, settings));
    const std::vector<Face*> group = CheckCorrespondingFace(*document->development, document->display, mm);
    if (!group.empty() && settings.animateFaceCheck && faceCheckListener_)
        faceCheckListener_(std::vector<const Face*>(group.begin(), group.end()));
    // A click beside every face still clears the marks, so both views redraw either way.
    host_.UpdateAllViews(UpdateHint::Redraw);
    return !group.empty();
}

} // namespace tsm
