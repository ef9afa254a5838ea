// The development view in the main window: its picture, zoom and pan, and its edit modes driven like a person
// would, with synthetic mouse and key events, modal menus and dialogs answered from a timer, and the outcome
// checked on the document and its undo history.

#include "app/DevelopmentViewLogic.h"

#include "AppTestSupport.h"
#include "app/CommandTable.h"
#include "app/EditDialogs.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace tsm;
using namespace tsm::test;

namespace {

// The main window with the real development view, showing `sample` (by default a cube of our own with a
// development; nothing when `open` is false).
struct EditHarness {
    explicit EditHarness(const std::string& sample = "", bool open = true) {
        auto logic = std::make_unique<DevelopmentViewLogic>(*h.frame->DevelopmentView());
        view = logic.get();
        h.frame->DevelopmentView()->SetLogic(std::move(logic));
        widget = h.frame->DevelopmentView();
        // Shown, so that the view keeps its size and the screen positions below stay true.
        h.frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(h.frame.get()));
        if (!open) return;
        EXPECT_TRUE(h.frame->OpenFromCommandLine(
            sample.empty() ? WriteModelWithDevelopment(h.folder.File("cube.tsm")) : SamplePath(sample)));
        document = h.frame->CurrentDocument();
        view->Fit();
    }

    Development& Dev() { return *document->development; }
    QPoint Screen(const Point2& mm) {
        const Point2 p =
            view->State().DevelopmentToScreen(mm, CurrentSheetLayout(document, h.frame->ViewSettings()));
        return QPoint(static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y)));
    }
    Point2 Mm(const QPoint& pixel) {
        return view->State().ScreenToDevelopment(pixel.x(), pixel.y(),
                                                 CurrentSheetLayout(document, h.frame->ViewSettings()));
    }
    void Mode(CommandId command) { h.frame->ExecuteCommand(command); }
    void Click(const QPoint& at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(widget, Qt::LeftButton, modifiers, at);
    }
    void MoveHeld(const QPoint& to, Qt::MouseButtons held = Qt::LeftButton) {
        QMouseEvent move(QEvent::MouseMove, QPointF(to), widget->mapToGlobal(QPointF(to)), Qt::NoButton, held,
                         Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }
    // Presses at `from`, moves through the middle to `to` and releases there unless `release` is false.
    void Drag(const QPoint& from, const QPoint& to, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
              bool release = true) {
        QTest::mousePress(widget, Qt::LeftButton, modifiers, from);
        MoveHeld(from + (to - from) / 2);
        MoveHeld(to);
        if (release) QTest::mouseRelease(widget, Qt::LeftButton, modifiers, to);
    }
    // Adds a text through the document command, as the text tool does, and returns it.
    TextBlock* AddTextNear(const Point2& at) {
        const Settings settings = h.frame->ViewSettings();
        EditContext context{*document, settings, 180.0};
        EXPECT_TRUE(AddTextAt(context, MakeText(at, {"Tab"}, "Sans", 24, 0)).ok());
        h.frame->UpdateAllViews(UpdateHint::KeepGridInPlace);
        return Dev().texts.back().get();
    }
    const EditSelection& Selection() { return view->Tools().Selection(); }
    size_t UndoSteps() { return document->history.UndoCount(); }

    QImage Grab() { return widget->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    FrameHarness h;
    DevelopmentViewLogic* view = nullptr;
    QWidget* widget = nullptr;
    Document* document = nullptr;
};

Point2 Centre(const std::array<double, 4>& rect) {
    return {rect[0] + rect[2] / 2, rect[1] + rect[3] / 2};
}

Point2 LineMiddle(const PartLine& line) {
    const std::array<Point2, 2> ends = LineEnds(line);
    return (ends[0] + ends[1]) * 0.5;
}

Point2 FirstCorner(const Part& part) {
    return Point2{part.x, part.y} + part.faces.front()->Corner(0)->Pos2D();
}

void ChooseFromMenu(const QString& text) {
    QTimer::singleShot(0, [text] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions())
            if (action->text() == text) action->trigger();
        menu->close();
    });
}

} // namespace

TEST(DevelopmentEditTools, SelectsWithClicksModifiersAndTheRubberBand) {
    EditHarness d;
    ASSERT_NE(d.document, nullptr);
    d.Mode(CommandId::ModeSelectMove);
    Part* part = d.Dev().parts.front().get();
    const Point2 below{part->x, part->y + part->height + 20};
    TextBlock* first = d.AddTextNear(below);
    TextBlock* second = d.AddTextNear(below + Point2{40, 0});
    const QPoint onFirst = d.Screen(Centre(ObjectRect(TextObject(first))));
    const QPoint onSecond = d.Screen(Centre(ObjectRect(TextObject(second))));
    const QPoint onPart = d.Screen(InsideFirstFace(*part));
    const QPoint empty = d.Screen(below + Point2{-15, -8});

    struct Step {
        QPoint at;
        Qt::KeyboardModifiers modifiers;
        std::vector<TextBlock*> texts;
        size_t parts;
    };
    const Step steps[] = {
        {onFirst, Qt::NoModifier, {first}, 0},
        {onSecond, Qt::ControlModifier, {first, second}, 0},
        {onFirst, Qt::ControlModifier, {second}, 0}, // already selected: a Ctrl click removes it
        {onPart, Qt::ShiftModifier, {second}, 1},
        {onSecond, Qt::NoModifier, {second}, 1}, // a plain click on a selected object keeps the selection
        {empty, Qt::NoModifier, {}, 0},
    };
    for (const Step& step : steps) {
        d.Click(step.at, step.modifiers);
        EXPECT_EQ(d.Selection().texts, step.texts);
        EXPECT_EQ(d.Selection().parts.size(), step.parts);
    }
    const auto outlined = [](QRgb p) { return QColor(p) == QColor(0, 120, 215); };
    EXPECT_EQ(CountPixels(d.widget->grab().toImage(), outlined), 0);
    d.Click(onPart);
    EXPECT_GT(CountPixels(d.widget->grab().toImage(), outlined), 200);
    d.Click(onFirst);

    // A rubber band toggles what it meets: with Ctrl the selection stays, the first text goes, the
    // second comes.
    const QPoint bandFrom = d.Screen(below + Point2{-10, -5});
    const QPoint bandTo = d.Screen(below + Point2{50, 5});
    d.Drag(bandFrom, bandTo, Qt::ControlModifier);
    EXPECT_EQ(d.Selection().texts, std::vector<TextBlock*>{second});
    // Without a modifier the press on nothing clears the selection first.
    d.Drag(bandFrom, bandTo);
    EXPECT_EQ(d.Selection().texts, (std::vector<TextBlock*>{first, second}));
    EXPECT_EQ(d.UndoSteps(), 2u); // the two texts; selecting is no edit
}

TEST(DevelopmentEditTools, DragsArrowsAndDeleteAreOneUndoStepEach) {
    EditHarness d;
    ASSERT_NE(d.document, nullptr);
    d.Mode(CommandId::ModeSelectMove);
    Part* part = d.Dev().parts.front().get();
    TextBlock* text = d.AddTextNear({part->x, part->y + part->height + 20});
    const size_t steps = d.UndoSteps();
    const Point2 start = FirstCorner(*part);
    const QPoint partCentre = d.Screen(InsideFirstFace(*part));

    // A jitter of 2 pixels is a click: nothing moves, no undo step.
    d.Drag(partCentre, partCentre + QPoint(2, 2));
    EXPECT_EQ(FirstCorner(*part), start);
    EXPECT_EQ(d.UndoSteps(), steps);

    // A drag moves the part with the mouse as one undo step.
    d.Drag(partCentre, partCentre + QPoint(40, 0));
    const Point2 moved = FirstCorner(*part);
    EXPECT_NEAR(moved.x - start.x, d.Mm(QPoint(40, 0)).x - d.Mm(QPoint(0, 0)).x, 1e-6);
    EXPECT_NEAR(moved.y, start.y, 1e-6);
    EXPECT_EQ(d.UndoSteps(), steps + 1);

    // Each release of an arrow key moves the selection 2 mm and is an undo step of its own.
    QTest::keyClick(d.widget, Qt::Key_Right);
    QTest::keyClick(d.widget, Qt::Key_Down);
    EXPECT_NEAR(FirstCorner(*part).x, moved.x + 2, 1e-9);
    EXPECT_NEAR(FirstCorner(*part).y, moved.y + 2, 1e-9);
    EXPECT_EQ(d.UndoSteps(), steps + 3);

    // Edit > Delete is on exactly while Select and Move has a text or picture selected; the Delete key takes
    // the selected texts as one undo step, a selected part stays.
    text = d.Dev().texts.front().get();
    const QPoint onText = d.Screen(Centre(ObjectRect(TextObject(text))));
    const QPoint onPart = d.Screen(InsideFirstFace(*part));
    const struct {
        std::function<void()> step;
        bool enabled;
    } deleteStates[] = {
        {[&] { d.Click(onPart); }, false}, // a part is never deleted
        {[&] { d.Mode(CommandId::ModeEditFlaps); }, false},
        {[&] {
             d.Mode(CommandId::ModeSelectMove);
             d.Click(onText);
             d.Click(onPart, Qt::ShiftModifier);
         },
         true},
    };
    for (size_t i = 0; i < std::size(deleteStates); ++i) {
        deleteStates[i].step();
        d.h.frame->RefreshCommandStates();
        EXPECT_EQ(d.h.Enabled(CommandId::EditDelete), deleteStates[i].enabled) << i;
    }
    const size_t beforeDelete = d.UndoSteps();
    QTest::keyClick(d.widget, Qt::Key_Delete);
    EXPECT_TRUE(d.Dev().texts.empty());
    EXPECT_EQ(d.Dev().parts.size(), 1u);
    EXPECT_TRUE(d.Selection().empty());
    EXPECT_EQ(d.UndoSteps(), beforeDelete + 1);
    d.h.Trigger(CommandId::EditUndo);
    d.Click(onText);
    d.h.frame->RefreshCommandStates();
    d.h.Trigger(CommandId::EditDelete); // the menu's way
    EXPECT_TRUE(d.Dev().texts.empty());
    d.h.Trigger(CommandId::EditUndo);
    ASSERT_EQ(d.Dev().texts.size(), 1u);

    // The bottom right handle of a single selected text sizes it, with the sizing cursor over it, as one
    // undo step.
    text = d.Dev().texts.front().get();
    d.Click(d.Screen(Centre(ObjectRect(TextObject(text)))));
    const std::array<double, 4> before = ObjectRect(TextObject(text));
    const QPoint handle = d.Screen({before[0] + before[2], before[1] + before[3]});
    d.MoveHeld(handle + QPoint(1, 1), Qt::NoButton);
    EXPECT_EQ(d.widget->cursor().shape(), Qt::SizeFDiagCursor);
    const size_t beforeResize = d.UndoSteps();
    d.Drag(handle + QPoint(1, 1), handle + QPoint(31, 1));
    EXPECT_NEAR(text->rect[2] - before[2], d.Mm(QPoint(30, 0)).x - d.Mm(QPoint(0, 0)).x, 1e-6);
    EXPECT_NEAR(text->rect[0], before[0], 1e-9);
    EXPECT_NEAR(text->rect[3], before[3], 1e-9);
    EXPECT_EQ(d.UndoSteps(), beforeResize + 1);
}

TEST(DevelopmentEditTools, CutsAFoldAndJoinsItBackKeepingTheClickedSide) {
    for (const bool keepCut : {true, false}) {
        SCOPED_TRACE(keepCut ? "the clicked line's side stays" : "the other side stays");
        EditHarness d;
        ASSERT_NE(d.document, nullptr);
        d.Mode(CommandId::ModeJoinFace);
        ASSERT_EQ(d.Dev().parts.size(), 1u);
        PartLine* fold = nullptr;
        for (const auto& line : d.Dev().parts.front()->lines)
            if (IsFoldLine(*line)) fold = line.get();
        ASSERT_NE(fold, nullptr);
        const QPoint at = d.Screen(LineMiddle(*fold));
        // The line under the cursor is highlighted before the click.
        d.MoveHeld(at, Qt::NoButton);
        EXPECT_EQ(d.view->Tools().HighlightedLine(), fold);
        d.Click(at);
        ASSERT_EQ(d.Dev().parts.size(), 2u);

        // The two sides of the cut now lie apart; click one of them, then choose the side that stays.
        PartLine* cut = nullptr;
        for (const auto& line : d.Dev().parts.back()->lines)
            if (IsJoinableCutLine(*line)) cut = line.get();
        ASSERT_NE(cut, nullptr);
        Part* cutPart = PartOf(*cut);
        Part* otherPart =
            d.Dev().parts.front().get() == cutPart ? d.Dev().parts.back().get() : d.Dev().parts.front().get();
        d.Click(d.Screen(LineMiddle(*cut)));
        EXPECT_EQ(d.view->Tools().PendingJoinLine(), cut);
        EXPECT_EQ(d.Dev().parts.size(), 2u);
        Part* stays = keepCut ? cutPart : otherPart;
        ASSERT_NE(cut->first->twin->line, nullptr);
        const Point2 before = FirstCorner(*stays);
        d.Click(d.Screen(LineMiddle(keepCut ? *cut : *cut->first->twin->line)));
        ASSERT_EQ(d.Dev().parts.size(), 1u);
        // The part that stayed holds the other's faces now, its first corner where it was.
        EXPECT_EQ(d.Dev().parts.front().get(), stays);
        EXPECT_NEAR(Length(FirstCorner(*stays) - before), 0.0, 1e-6);
        EXPECT_EQ(d.UndoSteps(), 2u);
    }
}

TEST(DevelopmentEditTools, FlapMenuSwitchesResizesAndOpensTheDetails) {
    EditHarness d;
    ASSERT_NE(d.document, nullptr);
    d.Mode(CommandId::ModeEditFlaps);
    PartLine* edge = nullptr;
    for (const auto& line : d.Dev().parts.front()->lines)
        if (!IsFoldLine(*line) && line->first->twin != nullptr && line->first->hasFlap) edge = line.get();
    ASSERT_NE(edge, nullptr);
    HalfEdge* side = edge->first;
    const QPoint at = d.Screen(LineMiddle(*edge));

    ChooseFromMenu(QStringLiteral("&Switch Flap Position"));
    d.Click(at);
    EXPECT_FALSE(side->hasFlap);
    EXPECT_TRUE(side->twin->hasFlap);
    EXPECT_EQ(d.UndoSteps(), 1u);
    d.h.Trigger(CommandId::EditUndo);
    ASSERT_TRUE(side->hasFlap);

    ChooseFromMenu(QStringLiteral("10 mm"));
    d.Click(at);
    EXPECT_EQ(side->flapHeight, 10.0);

    // "&Details...": a width of 0 is refused with its message and the dialog stays; 8 mm and 30 degrees
    // are taken.
    ChooseFromMenu(QStringLiteral("&Details..."));
    AnswerModal<FlapDialog>(
        [](FlapDialog& dialog) {
            dialog.SetTexts("0", "30", "45");
            dialog.accept();
            EXPECT_TRUE(dialog.isVisible());
            dialog.SetTexts("8", "30", "45");
        },
        true, 50);
    d.Click(at);
    EXPECT_EQ(d.h.prompt.texts.back(), "Specify a value of 0.1-100 mm for flap width.");
    EXPECT_EQ(side->flapHeight, 8.0);
    EXPECT_NEAR(side->flapAngle1, 30 * 3.14159265358979 / 180, 1e-6);
    EXPECT_EQ(d.UndoSteps(), 2u); // the switch was undone
    // A click beside every edge opens nothing and changes nothing.
    d.Click(QPoint(3, 3));
    EXPECT_EQ(d.UndoSteps(), 2u);
}

TEST(DevelopmentEditTools, RotatesByADragAndARightClickCancels) {
    EditHarness d;
    ASSERT_NE(d.document, nullptr);
    d.Mode(CommandId::ModeRotatePart);
    Part* part = d.Dev().parts.front().get();
    const Face& face = *part->faces.front();
    const Point2 inside = InsideFirstFace(*part);
    // A click inside the part makes its nearest corner the centre.
    d.Click(d.Screen(inside));
    ASSERT_TRUE(d.view->Tools().RotationCentre().has_value());
    const Point2 centre = *d.view->Tools().RotationCentre();
    bool onCorner = false;
    for (size_t i = 0; i < face.CornerCount(); ++i)
        onCorner |= Length(face.Corner(i)->Pos2D() + Point2{part->x, part->y} - centre) < 1e-9;
    EXPECT_TRUE(onCorner);
    const QPoint c = d.Screen(centre);

    // Dragging from right of the centre to above it turns the part a quarter turn counter-clockwise; a
    // right click before the release puts it back.
    const Point2 farBefore = Centre(ObjectRect(PartObject(part)));
    d.Drag(c + QPoint(60, 0), c + QPoint(0, -60), Qt::NoModifier, false);
    QTest::mousePress(d.widget, Qt::RightButton, Qt::NoModifier, c + QPoint(0, -60));
    QTest::mouseRelease(d.widget, Qt::RightButton, Qt::NoModifier, c + QPoint(0, -60));
    QTest::mouseRelease(d.widget, Qt::LeftButton, Qt::NoModifier, c + QPoint(0, -60));
    EXPECT_NEAR(Length(Centre(ObjectRect(PartObject(part))) - farBefore), 0.0, 1e-6);
    EXPECT_FALSE(d.view->Tools().RotationCentre().has_value());
    EXPECT_EQ(d.UndoSteps(), 0u);

    // The same drag to the release turns it for good as one undo step: a point right of the centre ends
    // up above it.
    d.Click(d.Screen(inside));
    // The face's corner farthest from the centre shows the turn best.
    size_t far = 0;
    const auto at = [&](size_t i) {
        return part->faces.front()->Corner(i)->Pos2D() + Point2{part->x, part->y};
    };
    for (size_t i = 1; i < face.CornerCount(); ++i)
        if (Length(at(i) - centre) > Length(at(far) - centre)) far = i;
    const Point2 probe = at(far);
    const double angleBefore = std::atan2(-(probe.y - centre.y), probe.x - centre.x);
    d.Drag(c + QPoint(60, 0), c + QPoint(0, -60));
    const Point2 after = at(far);
    const double angleAfter = std::atan2(-(after.y - centre.y), after.x - centre.x);
    EXPECT_NEAR(std::remainder(angleAfter - angleBefore, 2 * 3.14159265358979), 3.14159265358979 / 2, 0.03);
    EXPECT_NEAR(Length(after - centre), Length(probe - centre), 1e-6);
    EXPECT_EQ(d.UndoSteps(), 1u);
    EXPECT_FALSE(d.view->Tools().RotationCentre().has_value());
}

TEST(DevelopmentEditTools, TextsAreCreatedEditedAndDuplicatedThroughTheDialogAndMenu) {
    EditHarness d;
    ASSERT_NE(d.document, nullptr);
    d.Mode(CommandId::ModeInputText);
    const Part& part = *d.Dev().parts.front();
    const Point2 at{part.x, part.y + part.height + 15};

    // A click on empty space: a size of 200 points is refused and the dialog stays; 16 is taken.
    AnswerModal<TextDialog>(
        [](TextDialog& dialog) {
            dialog.SetText("Hello\nWorld");
            dialog.SetSize("200");
            dialog.accept();
            EXPECT_TRUE(dialog.isVisible());
            dialog.SetSize("16");
            dialog.SetColor(0x000000FF);
        },
        true, 50);
    d.Click(d.Screen(at));
    EXPECT_EQ(d.h.prompt.texts.back(), "Specify 5-100 for font size.");
    ASSERT_EQ(d.Dev().texts.size(), 1u);
    const TextBlock* text = d.Dev().texts.front().get();
    EXPECT_EQ(text->lines, (std::vector<std::string>{"Hello", "World"}));
    EXPECT_EQ(text->fontSize, 16);
    EXPECT_EQ(text->color, 0x000000FF);
    EXPECT_NEAR(text->rect[0], d.Mm(d.Screen(at)).x, 1e-9);

    // A click on the text opens it in the dialog; the new words replace the old, in place.
    QString shown;
    AnswerModal<TextDialog>(
        [&shown](TextDialog& dialog) {
            shown = dialog.Values().text;
            dialog.SetText("Bye");
        },
        true, 50);
    d.Click(d.Screen(Centre(ObjectRect(TextObject(d.Dev().texts.front().get())))));
    EXPECT_EQ(shown, "Hello\nWorld");
    ASSERT_EQ(d.Dev().texts.size(), 1u);
    EXPECT_EQ(d.Dev().texts.front()->lines, std::vector<std::string>{"Bye"});
    EXPECT_EQ(d.UndoSteps(), 2u);

    // The text's own menu duplicates it; "&Delete" removes one again.
    const QPoint onText = d.Screen(Centre(ObjectRect(TextObject(d.Dev().texts.front().get()))));
    ChooseFromMenu(QStringLiteral("D&uplicate"));
    QTest::mouseClick(d.widget, Qt::RightButton, Qt::NoModifier, onText);
    EXPECT_EQ(d.Dev().texts.size(), 2u);
    ChooseFromMenu(QStringLiteral("&Delete"));
    QTest::mouseClick(d.widget, Qt::RightButton, Qt::NoModifier, onText);
    EXPECT_EQ(d.Dev().texts.size(), 1u);
}

TEST(DevelopmentEditTools, EdgesArePaintedAndHiddenWithTheEdgeColorDialog) {
    EditHarness d;
    ASSERT_NE(d.document, nullptr);
    d.Mode(CommandId::ModeColorEdge);
    EdgeColorDialog* dialog = d.view->Tools().ColorDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    std::vector<PartLine*> folds;
    for (const auto& line : d.Dev().parts.front()->lines)
        if (IsFoldLine(*line)) folds.push_back(line.get());
    ASSERT_GE(folds.size(), 2u);

    // The red swatch paints the clicked fold; the hiding swatch hides the next.
    QTest::mouseClick(dialog->findChild<QPushButton*>("Swatch1"), Qt::LeftButton);
    d.Click(d.Screen(LineMiddle(*folds[0])));
    EXPECT_EQ(LineColor(*folds[0]), (Rgb8{255, 0, 0}));
    EXPECT_FALSE(folds[0]->hidden);
    QTest::mouseClick(dialog->findChild<QPushButton*>("Swatch7"), Qt::LeftButton);
    d.Click(d.Screen(LineMiddle(*folds[1])));
    EXPECT_TRUE(folds[1]->hidden);
    EXPECT_EQ(d.UndoSteps(), 2u);

    // The picker takes the red of the first fold into a customized swatch.
    QTest::mouseClick(dialog->findChild<QPushButton*>("Swatch9"), Qt::LeftButton);
    QTest::mouseClick(dialog->findChild<QPushButton*>("Picker"), Qt::LeftButton);
    d.Click(d.Screen(LineMiddle(*folds[0])));
    EXPECT_EQ(d.UndoSteps(), 2u);
    EdgeColorChoice& choice = const_cast<DevelopmentEditTools&>(d.view->Tools()).ColorChoice();
    EXPECT_EQ(choice.custom[1], (Rgb8{255, 0, 0}));

    // A rectangle around the part paints blue every line it may colour (a hidden one among them shown
    // again), as one undo step; which lines lie inside is the engine's to say.
    QTest::mouseClick(dialog->findChild<QPushButton*>("Swatch4"), Qt::LeftButton);
    const std::array<double, 4> around = ObjectRect(PartObject(d.Dev().parts.front().get()));
    d.Drag(d.Screen({around[0] - 3, around[1] - 3}),
           d.Screen({around[0] + around[2] + 3, around[1] + around[3] + 3}));
    size_t colourable = 0;
    for (const auto& line : d.Dev().parts.front()->lines) {
        if (!CanColorLine(*line, EdgeColorTargets{}, d.document->display)) continue;
        ++colourable;
        EXPECT_EQ(LineColor(*line), (Rgb8{0, 0, 255}));
        EXPECT_FALSE(line->hidden);
    }
    EXPECT_GT(colourable, 1u);
    EXPECT_EQ(d.UndoSteps(), 3u);
    d.h.Trigger(CommandId::EditUndo);
    for (const auto& line : d.Dev().parts.front()->lines) EXPECT_NE(LineColor(*line), (Rgb8{0, 0, 255}));

    d.Mode(CommandId::ModeColorEdge);
    EXPECT_FALSE(dialog->isVisible());
}

TEST(DevelopmentEditTools, ALeftDragPansInJoinModeAndTheMenuResetsTheView) {
    EditHarness d;
    ASSERT_NE(d.document, nullptr);
    d.Mode(CommandId::ModeJoinFace);
    EXPECT_EQ(d.h.frame->MessagePane()->text(),
              "Click the edge to Join/Disjoin. Click again for Join to choose the part that moves.");
    d.Drag(QPoint(5, 5), QPoint(45, 25));
    EXPECT_NE(d.view->State().PanX(), 0.0);
    ChooseFromMenu(QStringLiteral("Reset View"));
    QTest::mouseClick(d.widget, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(d.view->State().PanX(), 0.0);
}

namespace {

bool IsWhite(QRgb p) {
    return qRed(p) == 255 && qGreen(p) == 255 && qBlue(p) == 255;
}
bool IsPureRed(QRgb p) {
    return qRed(p) == 255 && qGreen(p) == 0 && qBlue(p) == 0;
}

} // namespace

// Also: the view keeps its textures from one paint to the next.
TEST(DevelopmentViewLogic, ShowsTheSampleZoomsPansAndMarksTheCheckedFaces) {
    EditHarness d("", false);
    // Before any model the view shows one sheet of paper.
    EXPECT_GT(CountPixels(d.Grab(), IsWhite), 10000);
    ASSERT_TRUE(d.h.frame->OpenFromCommandLine(SamplePath("house.tsm")));
    d.document = d.h.frame->CurrentDocument();
    // The paper is white and the parts' materials show on it (neither paper, background, shadow nor the
    // grey dashes of the borders).
    const QImage first = d.Grab();
    EXPECT_GT(CountPixels(first, IsWhite), 10000);
    EXPECT_GT(CountPixels(first, [](QRgb p) { return qRed(p) != qGreen(p) || qGreen(p) != qBlue(p); }), 500);
    const size_t kept = d.view->KeptTextureCount();
    EXPECT_GT(kept, 0u);
    EXPECT_EQ(d.Grab(), first);
    EXPECT_EQ(d.view->KeptTextureCount(), kept);

    // One notch forward through the widget shrinks the zoom by 0.88; a left drag pans by the movement over
    // the zoom.
    EXPECT_EQ(d.view->State().PanX(), 0.0);
    const double before = d.view->State().Zoom();
    QWheelEvent wheel(QPointF(200, 250), QPointF(200, 250), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(d.widget, &wheel);
    EXPECT_DOUBLE_EQ(d.view->State().Zoom(), before * 0.88);
    // The wheel zoomed about the pointer, which moved the pan; the drag adds the movement over the zoom.
    const double panAfterWheel = d.view->State().PanX();
    d.Drag(QPoint(100, 100), QPoint(120, 100));
    EXPECT_NEAR(d.view->State().PanX(), panAfterWheel + 20.0 / d.view->State().Zoom(), 1e-9);
    d.view->OnUpdate(UpdateHint::FitDevelopment);
    EXPECT_EQ(d.view->State().PanX(), 0.0);
    EXPECT_DOUBLE_EQ(d.view->State().Zoom(), before);

    // Only in the check mode a click marks the flat group red, a 2 pixels' jitter included; a click off the
    // parts clears the marks.
    const Face& face = *d.Dev().parts.front()->faces.front();
    const QPoint at = d.Screen(InsideFirstFace(*d.Dev().parts.front()));
    d.Click(at);
    EXPECT_FALSE(face.picked);
    d.h.frame->AppSettings().editMode = EditMode::CheckFace;
    QTest::mousePress(d.widget, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(d.widget, Qt::LeftButton, Qt::NoModifier, at + QPoint(2, 2));
    EXPECT_TRUE(face.picked);
    EXPECT_GT(CountPixels(d.Grab(), IsPureRed), 20);
    d.Click(QPoint(2, 2));
    EXPECT_FALSE(face.picked);
    EXPECT_EQ(CountPixels(d.Grab(), IsPureRed), 0);
}
