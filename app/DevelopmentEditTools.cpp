#include "app/DevelopmentEditTools.h"

#include "app/CommandTable.h"
#include "app/EditDialogs.h"
#include "app/FailureReport.h"
#include "model/Settings.h"
#include "sheet/CodePage.h"
#include "sheet/Paper.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStringList>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <optional>

namespace tsm {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kArrowStepMM = 2.0;
// The rotation centre's marker.
constexpr double kCentreRadiusPixels = 5.0;
constexpr double kCentreCrossPixels = 8.0;
const QColor kSelectionColour(0, 120, 215);
const QColor kHighlightColour(255, 128, 0);
const QColor kPendingJoinColour(220, 0, 220);

const int kFlapSizesMM[] = {1, 2, 3, 5, 7, 10, 15, 20, 30, 50};
const char* const kTextNotInCodePageText =
    "The text has characters that this file's character set cannot hold.";

Point2 Centre(const std::array<double, 4>& rect) {
    return {rect[0] + rect[2] / 2, rect[1] + rect[3] / 2};
}

bool Toggles(const QMouseEvent& event) {
    return event.modifiers() & (Qt::ControlModifier | Qt::ShiftModifier);
}

bool CanCutOrJoin(const PartLine& line) {
    return IsFoldLine(line) || IsJoinableCutLine(line);
}

bool CanCarryFlap(const PartLine& line) {
    return !IsFoldLine(line) && line.first != nullptr;
}

template <typename T> bool Holds(const std::vector<std::unique_ptr<T>>& list, const T* item) {
    return std::any_of(list.begin(), list.end(), [item](const auto& held) { return held.get() == item; });
}

Qt::CursorShape HandleCursor(int handle) {
    switch (handle) {
    case 0:
    case 4:
        return Qt::SizeFDiagCursor;
    case 2:
    case 6:
        return Qt::SizeBDiagCursor;
    case 1:
    case 5:
        return Qt::SizeVerCursor;
    default:
        return Qt::SizeHorCursor;
    }
}

} // namespace

DevelopmentEditTools::DevelopmentEditTools(IViewHost& host, const DevelopmentViewState& state)
    : host_(host), state_(state) {}

EditMode DevelopmentEditTools::Mode() const {
    return host_.ViewSettings().editMode;
}

Development* DevelopmentEditTools::CurrentDevelopment() const {
    Document* document = host_.CurrentDocument();
    return document ? document->development.get() : nullptr;
}

SheetLayout DevelopmentEditTools::Layout() const {
    return CurrentSheetLayout(host_.CurrentDocument(), host_.ViewSettings());
}

Point2 DevelopmentEditTools::ToMM(const QPointF& pixel) const {
    return state_.ScreenToDevelopment(pixel.x(), pixel.y(), Layout());
}

QPointF DevelopmentEditTools::ToPixel(const Point2& mm) const {
    const Point2 p = state_.DevelopmentToScreen(mm, Layout());
    return QPointF(p.x, p.y);
}

double DevelopmentEditTools::PixelsToMM(double pixels) const {
    const SheetLayout layout = Layout();
    const Point2 a = state_.ScreenToDevelopment(0, 0, layout);
    const Point2 b = state_.ScreenToDevelopment(pixels, 0, layout);
    return Length(b - a);
}

void DevelopmentEditTools::Run(const std::function<EditResult(EditContext&)>& command) {
    Document* document = host_.CurrentDocument();
    if (document == nullptr || document->development == nullptr) return;
    const Settings settings = host_.ViewSettings();
    EditContext context{*document, settings, Paper::FromSettings(settings).PrintableWidth()};
    const EditResult result = command(context);
    if (result.ok())
        host_.UpdateAllViews(*result);
    else
        ReportFailure(host_.Prompt(), result.outcome());
}

void DevelopmentEditTools::Commit(UpdateHint hint) {
    PendingEdit pending = std::move(pending_);
    pending_ = PendingEdit{};
    Run([&](EditContext& context) { return CommitEdit(context, std::move(pending), hint); });
}

void DevelopmentEditTools::DropStaleSelection() {
    const Development* development = CurrentDevelopment();
    if (development == nullptr) {
        selection_ = EditSelection{};
        return;
    }
    auto& parts = selection_.parts;
    parts.erase(std::remove_if(parts.begin(), parts.end(),
                               [&](Part* part) { return !Holds(development->parts, part); }),
                parts.end());
    auto& texts = selection_.texts;
    texts.erase(std::remove_if(texts.begin(), texts.end(),
                               [&](TextBlock* text) { return !Holds(development->texts, text); }),
                texts.end());
    auto& pictures = selection_.pictures;
    pictures.erase(std::remove_if(pictures.begin(), pictures.end(),
                                  [&](ImageBlock* picture) {
                                      return !Holds(development->imagesA, picture) &&
                                             !Holds(development->imagesB, picture);
                                  }),
                   pictures.end());
}

void DevelopmentEditTools::DocumentChanged(bool clearSelection) {
    hoverLine_ = nullptr;
    if (clearSelection) {
        selection_ = EditSelection{};
        joinLine_ = nullptr;
        rotatePart_ = nullptr;
        centre_.reset();
        rotatePressArmed_ = false;
        // A drag in progress ends without its undo step: its objects may be gone.
        owner_ = Drag::None;
        pending_ = PendingEdit{};
    }
    DropStaleSelection();
}

bool DevelopmentEditTools::Press(const QMouseEvent& event) {
    Development* development = CurrentDevelopment();
    if (development == nullptr) return false;
    const Point2 mm = ToMM(event.position());
    pressMM_ = mm;
    pressPixel_ = bandEnd_ = event.position();
    pastThreshold_ = false;

    if (event.button() == Qt::RightButton) {
        rightClickSpent_ = false;
        if (Mode() == EditMode::RotatePart && (centre_ || owner_ == Drag::Rotate)) {
            CancelRotation();
            rightClickSpent_ = true;
        }
        if (Mode() == EditMode::JoinFace && joinLine_ != nullptr) {
            joinLine_ = nullptr;
            rightClickSpent_ = true;
            host_.Repaint();
        }
        return false;
    }
    if (event.button() != Qt::LeftButton) return false;

    switch (Mode()) {
    case EditMode::SelectMove:
        if (host_.Widget()) host_.Widget()->setFocus();
        SelectPress(event, mm);
        break;
    case EditMode::ColorEdge:
        owner_ = Drag::Band;
        break;
    case EditMode::RotatePart:
        if (centre_ && rotatePart_ != nullptr && Holds(development->parts, rotatePart_)) {
            owner_ = Drag::Rotate;
            pending_ = BeginEdit(*host_.CurrentDocument());
            appliedDegrees_ = 0.0;
            rotatePressArmed_ = false;
        } else {
            const DevObject object = ObjectAt(*development, mm);
            rotatePart_ = object.kind == DevObject::Kind::Part ? object.part : nullptr;
            rotatePressArmed_ = rotatePart_ != nullptr;
        }
        break;
    default:
        break;
    }
    return OwnsDrag();
}

void DevelopmentEditTools::SelectPress(const QMouseEvent& event, const Point2& mm) {
    Development& development = *CurrentDevelopment();
    toggleModifier_ = Toggles(event);
    const DevObject single = SingleTextOrPicture(selection_);
    if (single) {
        const int handle = HandleAt(ObjectRect(single), mm, PixelsToMM(kHandleHalfPixels + 0.5));
        if (handle >= 0) {
            owner_ = Drag::Resize;
            handle_ = handle;
            rectAtPress_ = ObjectRect(single);
            resized_ = single.text ? single.text->rect : single.picture->rect;
            flipX_ = resized_[2] < 0;
            flipY_ = resized_[3] < 0;
            pending_ = BeginEdit(*host_.CurrentDocument());
            return;
        }
    }
    const DevObject object = ObjectAt(development, mm);
    if (object) {
        wasSelected_ = IsSelected(selection_, object);
        pressed_ = object;
        if (!toggleModifier_ && !wasSelected_) selection_ = EditSelection{};
        Select(selection_, object);
        owner_ = Drag::Move;
        appliedMove_ = Point2{};
        pending_ = BeginEdit(*host_.CurrentDocument());
    } else {
        pressed_ = DevObject{};
        if (!toggleModifier_) selection_ = EditSelection{};
        owner_ = Drag::Band;
    }
    host_.Repaint();
}

void DevelopmentEditTools::Move(const QMouseEvent& event) {
    const QPointF pixel = event.position();
    const Point2 mm = ToMM(pixel);
    if (owner_ == Drag::None || !(event.buttons() & Qt::LeftButton)) {
        UpdateHover(event, mm);
        return;
    }
    if (!pastThreshold_ && !state_.IsClick(static_cast<int>(pixel.x()), static_cast<int>(pixel.y())))
        pastThreshold_ = true;
    if (!pastThreshold_) return;
    if (owner_ == Drag::Rotate)
        RotateDrag(mm);
    else if (owner_ == Drag::Band)
        bandEnd_ = pixel;
    else
        SelectDrag(pixel, mm);
    host_.Repaint();
}

void DevelopmentEditTools::SelectDrag(const QPointF& pixel, const Point2& mm) {
    const Point2 by = mm - pressMM_;
    switch (owner_) {
    case Drag::Move: {
        // The objects follow the mouse as it goes; the undo copy taken at the press covers the whole drag.
        const Point2 step = by - appliedMove_;
        for (Part* part : selection_.parts) MovePart(*part, step);
        for (TextBlock* text : selection_.texts) MoveText(*text, step);
        for (ImageBlock* picture : selection_.pictures) MovePicture(*picture, step);
        appliedMove_ = by;
        break;
    }
    case Drag::Resize: {
        std::array<double, 4> rect = DragHandle(rectAtPress_, handle_, by);
        // A mirrored picture keeps its mirroring: its rectangle runs the other way.
        if (flipX_) rect = {rect[0] + rect[2], rect[1], -rect[2], rect[3]};
        if (flipY_) rect = {rect[0], rect[1] + rect[3], rect[2], -rect[3]};
        ResizeRect(resized_, rect);
        break;
    }
    case Drag::Band:
        bandEnd_ = pixel;
        break;
    default:
        break;
    }
}

void DevelopmentEditTools::Release(const QMouseEvent& event, bool click) {
    Development* development = CurrentDevelopment();
    if (development == nullptr) {
        owner_ = Drag::None;
        return;
    }
    const Point2 mm = ToMM(event.position());
    const Drag owner = owner_;
    owner_ = Drag::None;
    switch (Mode()) {
    case EditMode::SelectMove:
        owner_ = owner;
        SelectRelease(event, click);
        owner_ = Drag::None;
        break;
    case EditMode::EditFlaps:
        if (click) FlapClick(mm, event.globalPosition().toPoint());
        break;
    case EditMode::JoinFace:
        if (click) JoinClick(mm);
        break;
    case EditMode::InputText:
        if (click) TextClick(mm);
        break;
    case EditMode::ColorEdge:
        if (click)
            ColorClick(mm);
        else if (owner == Drag::Band)
            ColorLinesIn(pressMM_, mm);
        host_.Repaint();
        break;
    case EditMode::RotatePart:
        if (owner == Drag::Rotate) {
            if (appliedDegrees_ != 0.0) {
                centre_.reset();
                rotatePart_ = nullptr;
                Commit(UpdateHint::KeepGridInPlace);
            } else {
                pending_ = PendingEdit{};
            }
        } else if (click && rotatePressArmed_ && rotatePart_ != nullptr) {
            centre_ = NearestCorner(*rotatePart_, mm);
        }
        rotatePressArmed_ = false;
        host_.Repaint();
        break;
    default:
        break;
    }
}

void DevelopmentEditTools::SelectRelease(const QMouseEvent& event, bool click) {
    Development& development = *CurrentDevelopment();
    switch (owner_) {
    case Drag::Move:
    case Drag::Resize:
        if (pastThreshold_ && !click) {
            Commit(UpdateHint::KeepGridInPlace);
            return;
        }
        pending_ = PendingEdit{};
        if (owner_ == Drag::Move && toggleModifier_ && wasSelected_) Deselect(selection_, pressed_);
        break;
    case Drag::Band:
        if (!click)
            ToggleSelected(selection_, ObjectsMeetingRect(development, pressMM_, ToMM(event.position())));
        break;
    default:
        break;
    }
    host_.Repaint();
}

void DevelopmentEditTools::KeyRelease(const QKeyEvent& event) {
    if (Mode() != EditMode::SelectMove || CurrentDevelopment() == nullptr || OwnsDrag()) return;
    DropStaleSelection();
    if (selection_.empty()) return;
    Point2 by;
    switch (event.key()) {
    case Qt::Key_Left:
        by = {-kArrowStepMM, 0};
        break;
    case Qt::Key_Right:
        by = {kArrowStepMM, 0};
        break;
    case Qt::Key_Up:
        by = {0, -kArrowStepMM};
        break;
    case Qt::Key_Down:
        by = {0, kArrowStepMM};
        break;
    case Qt::Key_Delete:
        DeleteSelection();
        return;
    default:
        return;
    }
    Run([&](EditContext& context) { return MoveSelection(context, selection_, by); });
}

bool DevelopmentEditTools::CanDeleteSelection() const {
    return Mode() == EditMode::SelectMove && CurrentDevelopment() != nullptr && !OwnsDrag() &&
           (!selection_.texts.empty() || !selection_.pictures.empty());
}

void DevelopmentEditTools::DeleteSelection() {
    DropStaleSelection();
    if (!CanDeleteSelection()) return;
    Run([this](EditContext& context) { return tsm::DeleteSelection(context, selection_); });
}

void DevelopmentEditTools::FlapClick(const Point2& mm, const QPoint& global) {
    PartLine* line = LineNear(*CurrentDevelopment(), mm, PixelsToMM(kLineHitPixels), CanCarryFlap);
    if (line == nullptr) return;
    hoverLine_ = line;
    host_.Repaint();

    enum class Choice { None, Switch, Size, Details, Mountain, Valley, Flat };
    Choice choice = Choice::None;
    int size = 0;
    QMenu menu(host_.Widget());
    menu.setObjectName(QStringLiteral("FlapMenu"));
    const auto add = [&](const QString& text, Choice which, int mm = 0) {
        QObject::connect(menu.addAction(text), &QAction::triggered, &menu, [&choice, &size, which, mm] {
            choice = which;
            size = mm;
        });
    };
    const bool hasFlap = line->first->twin != nullptr || line->lineKind != LineKind::NoFlap;
    if (hasFlap) {
        add(QStringLiteral("&Switch Flap Position"), Choice::Switch);
        menu.addSeparator();
        for (int mm : kFlapSizesMM) add(QStringLiteral("%1 mm").arg(mm), Choice::Size, mm);
        menu.addSeparator();
        add(QStringLiteral("&Details..."), Choice::Details);
    } else {
        add(QStringLiteral("Add Flap(&Mountain)"), Choice::Mountain);
        add(QStringLiteral("Add Flap(&Valley)"), Choice::Valley);
        add(QStringLiteral("Add Flap(&Flat)"), Choice::Flat);
    }
    menu.exec(global);
    hoverLine_ = nullptr;

    switch (choice) {
    case Choice::Switch:
        Run([line](EditContext& context) { return SwitchFlap(context, *line); });
        break;
    case Choice::Size:
        Run([line, size](EditContext& context) { return ChangeFlapHeight(context, *line, size); });
        break;
    case Choice::Details: {
        FlapValues values;
        values.widthMM = line->first->flapHeight;
        values.angle1Degrees = static_cast<int>(std::lround(line->first->flapAngle1 * 180.0 / kPi));
        values.angle2Degrees = static_cast<int>(std::lround(line->first->flapAngle2 * 180.0 / kPi));
        const std::optional<FlapValues> chosen = AskFlapValues(host_.Widget(), values, host_.Prompt());
        if (!chosen) break;
        Run([line, &chosen](EditContext& context) {
            return ChangeFlapDetails(context, *line, chosen->widthMM, chosen->angle1Degrees,
                                     chosen->angle2Degrees);
        });
        break;
    }
    case Choice::Mountain:
    case Choice::Valley:
    case Choice::Flat: {
        const LineKind kind = choice == Choice::Mountain ? LineKind::MountainFlap
                              : choice == Choice::Valley ? LineKind::ValleyFlap
                                                         : LineKind::FlatFlap;
        Run([line, kind](EditContext& context) { return AddFlapTo(context, *line, kind); });
        break;
    }
    case Choice::None:
        break;
    }
    host_.Repaint();
}

void DevelopmentEditTools::JoinClick(const Point2& mm) {
    if (joinLine_ != nullptr) {
        // The second click chooses the side that stays where it is.
        PartLine* line = joinLine_;
        joinLine_ = nullptr;
        Run([line, mm](EditContext& context) { return JoinCutEdge(context, *line, mm); });
        return;
    }
    PartLine* line = LineNear(*CurrentDevelopment(), mm, PixelsToMM(kLineHitPixels), CanCutOrJoin);
    if (line == nullptr) return;
    if (IsFoldLine(*line)) {
        Run([line](EditContext& context) { return CutFold(context, *line); });
    } else {
        joinLine_ = line;
        host_.Repaint();
    }
}

void DevelopmentEditTools::RotateDrag(const Point2& mm) {
    if (!centre_ || rotatePart_ == nullptr) return;
    // Angles counter-clockwise as seen, with y growing downwards.
    const auto seen = [this](const Point2& p) { return std::atan2(-(p.y - centre_->y), p.x - centre_->x); };
    const Point2 away = mm - *centre_;
    const Point2 from = pressMM_ - *centre_;
    if (Length(away) < 1e-9 || Length(from) < 1e-9) return;
    const double degrees = (seen(mm) - seen(pressMM_)) * 180.0 / kPi;
    RotatePart(*rotatePart_, *centre_, degrees - appliedDegrees_);
    appliedDegrees_ = degrees;
}

void DevelopmentEditTools::CancelRotation() {
    if (owner_ == Drag::Rotate && rotatePart_ != nullptr && appliedDegrees_ != 0.0)
        RotatePart(*rotatePart_, *centre_, -appliedDegrees_);
    if (owner_ == Drag::Rotate) owner_ = Drag::None;
    pending_ = PendingEdit{};
    appliedDegrees_ = 0.0;
    centre_.reset();
    rotatePart_ = nullptr;
    rotatePressArmed_ = false;
    host_.Repaint();
}

void DevelopmentEditTools::UpdateHover(const QMouseEvent& event, const Point2& mm) {
    Development* development = CurrentDevelopment();
    QWidget* widget = host_.Widget();
    if (development == nullptr) return;
    const EditMode mode = Mode();
    PartLine* line = nullptr;
    if (event.buttons() == Qt::NoButton) {
        if (mode == EditMode::JoinFace && joinLine_ == nullptr)
            line = LineNear(*development, mm, PixelsToMM(kLineHitPixels), CanCutOrJoin);
        else if (mode == EditMode::EditFlaps)
            line = LineNear(*development, mm, PixelsToMM(kLineHitPixels), CanCarryFlap);
        else if (mode == EditMode::ColorEdge)
            line = LineNear(*development, mm, PixelsToMM(kLineHitPixels), ColorAccept());
    }
    if (line != hoverLine_) {
        hoverLine_ = line;
        host_.Repaint();
    }
    if (widget == nullptr) return;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    if (mode == EditMode::SelectMove) {
        const DevObject single = SingleTextOrPicture(selection_);
        if (single) {
            const int handle = HandleAt(ObjectRect(single), mm, PixelsToMM(kHandleHalfPixels + 0.5));
            if (handle >= 0)
                cursor = HandleCursor(handle);
            else if (ObjectAt(*development, mm) == single)
                cursor = Qt::SizeAllCursor;
        }
    } else if (mode == EditMode::RotatePart) {
        cursor = Qt::CrossCursor;
    } else if (mode == EditMode::InputText) {
        cursor = Qt::IBeamCursor;
    }
    widget->setCursor(cursor);
}

void DevelopmentEditTools::Draw(QPainter& painter) const {
    if (CurrentDevelopment() == nullptr) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    const auto screenRect = [this](const std::array<double, 4>& rect) {
        return QRectF(ToPixel({rect[0], rect[1]}), ToPixel({rect[0] + rect[2], rect[1] + rect[3]}))
            .normalized();
    };
    if (Mode() == EditMode::SelectMove) {
        painter.setPen(QPen(kSelectionColour, 2, Qt::DashLine));
        for (const DevObject& object : SelectedObjects(selection_))
            painter.drawRect(screenRect(ObjectRect(object)));
        if (const DevObject single = SingleTextOrPicture(selection_)) {
            painter.setPen(QPen(Qt::black, 1));
            painter.setBrush(Qt::white);
            for (const Point2& point : HandlePoints(ObjectRect(single))) {
                const QPointF p = ToPixel(point);
                painter.drawRect(QRectF(p.x() - kHandleHalfPixels, p.y() - kHandleHalfPixels,
                                        2 * kHandleHalfPixels, 2 * kHandleHalfPixels));
            }
            painter.setBrush(Qt::NoBrush);
        }
    }
    if (owner_ == Drag::Band && pastThreshold_) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(QRectF(pressPixel_, bandEnd_).normalized());
    }
    const auto drawLine = [&](const PartLine* line, const QColor& colour) {
        if (line == nullptr || line->first == nullptr) return;
        const std::array<Point2, 2> ends = LineEnds(*line);
        painter.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(ToPixel(ends[0]), ToPixel(ends[1]));
    };
    drawLine(hoverLine_, kHighlightColour);
    drawLine(joinLine_, kPendingJoinColour);
    if (centre_ && Mode() == EditMode::RotatePart) {
        const QPointF c = ToPixel(*centre_);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(Qt::red, 1));
        painter.drawEllipse(c, kCentreRadiusPixels, kCentreRadiusPixels);
        painter.drawLine(c - QPointF(kCentreCrossPixels, 0), c + QPointF(kCentreCrossPixels, 0));
        painter.drawLine(c - QPointF(0, kCentreCrossPixels), c + QPointF(0, kCentreCrossPixels));
    }
    painter.restore();
}

std::function<bool(const PartLine&)> DevelopmentEditTools::ColorAccept() const {
    const EdgeColorTargets targets = colorChoice_.targets;
    const DisplaySettings display = host_.CurrentDocument()->display;
    return [targets, display](const PartLine& line) { return CanColorLine(line, targets, display); };
}

void DevelopmentEditTools::ColorClick(const Point2& mm) {
    PartLine* line = LineNear(*CurrentDevelopment(), mm, PixelsToMM(kLineHitPixels), ColorAccept());
    if (line == nullptr) return;
    if (colorChoice_.CurrentAction() == EdgeColorChoice::Action::Pick) {
        colorChoice_.custom[colorChoice_.current - EdgeColorChoice::kFirstCustom] = LineColor(*line);
        if (colorDialog_) colorDialog_->Refresh();
        return;
    }
    Run([this, line](EditContext& context) { return ColorLines(context, {line}, ColorAction()); });
}

void DevelopmentEditTools::ColorLinesIn(const Point2& a, const Point2& b) {
    if (colorChoice_.CurrentAction() == EdgeColorChoice::Action::Pick) return;
    const std::vector<PartLine*> lines =
        LinesInRect(*CurrentDevelopment(), a, b, colorChoice_.targets, host_.CurrentDocument()->display);
    if (lines.empty()) return;
    Run([this, &lines](EditContext& context) { return ColorLines(context, lines, ColorAction()); });
}

EdgeColorAction DevelopmentEditTools::ColorAction() const {
    EdgeColorAction action;
    action.hide = colorChoice_.CurrentAction() == EdgeColorChoice::Action::Hide;
    action.rgb = colorChoice_.Swatch(colorChoice_.current);
    return action;
}

void DevelopmentEditTools::ModeMaybeChanged() {
    const bool wanted = Mode() == EditMode::ColorEdge && CurrentDevelopment() != nullptr;
    if (wanted && colorDialog_ == nullptr && host_.Widget() != nullptr) {
        colorDialog_ = new EdgeColorDialog(host_.Widget(), colorChoice_);
        colorDialog_->setModal(false);
    }
    if (colorDialog_ == nullptr) return;
    if (wanted && !colorDialog_->isVisible()) {
        colorChoice_ = EdgeColorChoice{};
        colorDialog_->Refresh();
        colorDialog_->show();
    } else if (!wanted && colorDialog_->isVisible()) {
        colorDialog_->hide();
    }
}

void DevelopmentEditTools::TextClick(const Point2& mm) {
    Document* document = host_.CurrentDocument();
    Development& development = *document->development;
    const DevObject object = ObjectAt(development, mm);
    TextValues values;
    std::optional<size_t> index;
    if (object.kind == DevObject::Kind::Text) {
        for (size_t i = 0; i < development.texts.size(); ++i)
            if (development.texts[i].get() == object.text) index = i;
        const TextBlock& text = *object.text;
        QStringList lines;
        for (const std::string& line : text.lines) lines << DecodeModelString(line, document->writerLocale);
        values.text = lines.join(QLatin1Char('\n'));
        values.fontName = DecodeModelString(text.fontName, document->writerLocale);
        values.sizePoints = text.fontSize;
        values.color = text.color;
        values.lineSpacingMM = text.lineSpacing;
    }
    const std::optional<TextValues> chosen = AskTextValues(host_.Widget(), values, host_.Prompt());
    if (!chosen) return;
    std::vector<std::string> lines;
    for (const QString& line : chosen->text.split(QLatin1Char('\n'))) {
        const std::optional<std::string> bytes = EncodeModelString(line, document->writerLocale);
        if (!bytes) {
            host_.Prompt().Message(kTextNotInCodePageText);
            return;
        }
        lines.push_back(*bytes);
    }
    const std::string font = EncodeModelString(chosen->fontName, document->writerLocale).value_or("Arial");
    TextBlock text = MakeText(
        object.kind == DevObject::Kind::Text ? Point2{object.text->rect[0], object.text->rect[1]} : mm,
        std::move(lines), font, chosen->sizePoints, chosen->color);
    text.lineSpacing = chosen->lineSpacingMM;
    EstimateTextSize(text);
    if (index)
        Run([&](EditContext& context) { return EditText(context, *index, text); });
    else
        Run([&](EditContext& context) { return AddTextAt(context, std::move(text)); });
}

void DevelopmentEditTools::RightClick(const QMouseEvent& event) {
    Development* development = CurrentDevelopment();
    const QPoint global = event.globalPosition().toPoint();
    if (development == nullptr) return;
    // The right click that cancelled a rotation or a join is spent.
    if (rightClickSpent_) {
        rightClickSpent_ = false;
        return;
    }
    const EditMode mode = Mode();
    const DevObject object = ObjectAt(*development, ToMM(event.position()));
    if ((mode == EditMode::SelectMove || mode == EditMode::InputText) &&
        (object.kind == DevObject::Kind::Text || object.kind == DevObject::Kind::Picture))
        ObjectMenu(object, global);
    else
        ViewMenu(global);
}

void DevelopmentEditTools::ObjectMenu(const DevObject& object, const QPoint& global) {
    Development& development = *CurrentDevelopment();
    enum class Choice { None, Edit, Delete, Duplicate, Order };
    Choice choice = Choice::None;
    StackOrder order = StackOrder::Top;
    QMenu menu(host_.Widget());
    menu.setObjectName(QStringLiteral("ObjectMenu"));
    const auto add = [&](const QString& text, Choice which, StackOrder how = StackOrder::Top) {
        QObject::connect(menu.addAction(text), &QAction::triggered, &menu, [&choice, &order, which, how] {
            choice = which;
            order = how;
        });
    };
    const auto addOrders = [&](bool pictures) {
        add(QStringLiteral("Top"), Choice::Order, StackOrder::Top);
        add(QStringLiteral("Upper"), Choice::Order, StackOrder::Upper);
        add(QStringLiteral("Lower"), Choice::Order, StackOrder::Lower);
        add(QStringLiteral("Bottom"), Choice::Order, StackOrder::Bottom);
        if (!pictures) return;
        add(QStringLiteral("Under Development"), Choice::Order, StackOrder::UnderDevelopment);
        add(QStringLiteral("Above Development"), Choice::Order, StackOrder::AboveDevelopment);
    };
    if (object.kind == DevObject::Kind::Text) {
        add(QStringLiteral("&Edit"), Choice::Edit);
        add(QStringLiteral("&Delete"), Choice::Delete);
        add(QStringLiteral("D&uplicate"), Choice::Duplicate);
        menu.addSeparator();
        addOrders(false);
    } else {
        addOrders(true);
        menu.addSeparator();
        add(QStringLiteral("Delete"), Choice::Delete);
    }
    menu.exec(global);

    size_t index = 0;
    bool above = false;
    if (object.text) {
        while (index < development.texts.size() && development.texts[index].get() != object.text) ++index;
    } else {
        const auto find = [&](const auto& list) {
            size_t i = 0;
            while (i < list.size() && list[i].get() != object.picture) ++i;
            return i;
        };
        index = find(development.imagesA);
        if (index == development.imagesA.size()) {
            above = true;
            index = find(development.imagesB);
        }
    }
    switch (choice) {
    case Choice::Edit:
        TextClick(Centre(ObjectRect(object)));
        break;
    case Choice::Delete: {
        EditSelection doomed;
        Select(doomed, object);
        Run([&doomed](EditContext& context) { return tsm::DeleteSelection(context, doomed); });
        break;
    }
    case Choice::Duplicate:
        Run([index](EditContext& context) { return DuplicateTextAt(context, index); });
        break;
    case Choice::Order:
        if (object.text)
            Run([index, order](EditContext& context) { return OrderText(context, index, order); });
        else
            Run([above, index, order](EditContext& context) {
                return OrderPicture(context, above, index, order);
            });
        break;
    case Choice::None:
        break;
    }
}

void DevelopmentEditTools::ViewMenu(const QPoint& global) {
    const Settings settings = host_.ViewSettings();
    std::optional<CommandId> chosen;
    QMenu menu(host_.Widget());
    menu.setObjectName(QStringLiteral("ViewMenu"));
    const auto add = [&](CommandId id) {
        const CommandInfo* command = FindCommand(id);
        if (command == nullptr) return;
        QAction* action = menu.addAction(QString::fromUtf8(command->text));
        if (command->check == CheckRule::EditMode) {
            action->setCheckable(true);
            action->setChecked(IsCommandChecked(*command, settings));
        }
        QObject::connect(action, &QAction::triggered, &menu, [&chosen, id] { chosen = id; });
    };
    for (CommandId id :
         {CommandId::ModeSelectMove, CommandId::ModeEditFlaps, CommandId::ModeRotatePart,
          CommandId::ModeJoinFace, CommandId::ModeInputText, CommandId::CheckFace, CommandId::ModeColorEdge})
        add(id);
    menu.addSeparator();
    add(CommandId::ResetView);
    menu.addSeparator();
    for (CommandId id : {CommandId::ExportBitmap, CommandId::ExportSheetBitmaps, CommandId::ExportEps,
                         CommandId::ExportDxf, CommandId::ExportEmf, CommandId::ExportTextureBitmap})
        add(id);
    menu.exec(global);
    // The frame runs the command, as from its own menus, once this menu is gone.
    if (chosen) host_.ExecuteCommand(*chosen);
}

} // namespace tsm
