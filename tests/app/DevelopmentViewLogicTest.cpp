// The development view in the main window: its picture of a sample, wheel zoom through the widget, and
// the corresponding-face check by a click in the check mode.

#include "app/DevelopmentViewLogic.h"

#include "AppTestSupport.h"
#include "app/CommandTable.h"

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace tsm;
using namespace tsm::test;

namespace {

struct DevelopmentHarness {
    explicit DevelopmentHarness(const std::string& folder) : h(folder) {
        auto logic = std::make_unique<DevelopmentViewLogic>(*h.frame->DevelopmentView());
        view = logic.get();
        h.frame->DevelopmentView()->SetLogic(std::move(logic));
    }
    QImage Grab() {
        return h.frame->DevelopmentView()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    FrameHarness h;
    DevelopmentViewLogic* view = nullptr;
};

bool IsWhite(QRgb p) {
    return qRed(p) == 255 && qGreen(p) == 255 && qBlue(p) == 255;
}
bool IsBackgroundGrey(QRgb p) {
    return std::abs(qRed(p) - 128) <= 1 && std::abs(qGreen(p) - 128) <= 1 && std::abs(qBlue(p) - 128) <= 1;
}
bool IsPartColour(QRgb p) {
    // Neither paper, background, shadow nor the grey dashes of the borders.
    return !IsWhite(p) && !(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p));
}
bool IsPureRed(QRgb p) {
    return qRed(p) == 255 && qGreen(p) == 0 && qBlue(p) == 0;
}

} // namespace

TEST(DevelopmentViewLogic, ShowsTheSampleOnWhitePaperAndZoomsWithTheWheel) {
    TempFolder folder;
    DevelopmentHarness d(folder.path());
    // Before any model the view shows one sheet of paper on grey.
    QImage image = d.Grab();
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(CountPixels(image, IsWhite), 10000);
    EXPECT_GT(CountPixels(image, IsBackgroundGrey), 1000);

    ASSERT_TRUE(d.h.frame->OpenFromCommandLine(SamplePath("house.tsm")));
    image = d.Grab();
    // The paper is white and the parts' materials show on it.
    EXPECT_GT(CountPixels(image, IsWhite), 10000);
    EXPECT_GT(CountPixels(image, IsPartColour), 500);
    EXPECT_EQ(d.view->State().PanX(), 0.0);

    // One notch forward through the widget shrinks the zoom by 0.88.
    const double before = d.view->State().Zoom();
    QWheelEvent wheel(QPointF(200, 250), QPointF(200, 250), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(d.h.frame->DevelopmentView(), &wheel);
    EXPECT_DOUBLE_EQ(d.view->State().Zoom(), before * 0.88);

    // A left drag pans by the movement over the zoom.
    QWidget* widget = d.h.frame->DevelopmentView();
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QMouseEvent move(QEvent::MouseMove, QPointF(120, 100), widget->mapToGlobal(QPointF(120, 100)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, QPoint(120, 100));
    EXPECT_NEAR(d.view->State().PanX(), 20.0 / d.view->State().Zoom(), 1e-9);

    // "Reset View" fits again.
    d.view->OnUpdate(UpdateHint::FitDevelopment);
    EXPECT_EQ(d.view->State().PanX(), 0.0);
    EXPECT_DOUBLE_EQ(d.view->State().Zoom(), before);
}

TEST(DevelopmentViewLogic, ACheckClickMarksTheFlatGroupRedWithJitter) {
    TempFolder folder;
    DevelopmentHarness d(folder.path());
    ASSERT_TRUE(d.h.frame->OpenFromCommandLine(SamplePath("house.tsm")));
    Document* document = d.h.frame->DevelopmentView()->CurrentDocument();
    ASSERT_TRUE(document && document->development);

    // The middle of the first part's first face, on screen.
    const CPart& part = *document->development->parts.front();
    const CFace& face = *part.faces.front();
    const Point2 screen = d.view->State().DevelopmentToScreen(
        InsideFirstFace(part), CurrentSheetLayout(document, d.h.frame->ViewSettings()));
    const QPoint at(static_cast<int>(screen.x), static_cast<int>(screen.y));

    // Outside the check mode a click marks nothing.
    QWidget* widget = d.h.frame->DevelopmentView();
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_FALSE(face.picked);

    // A press and a release 2 pixels apart still count as a click.
    d.h.frame->AppSettings().editMode = EditMode::CheckFace;
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, at + QPoint(2, 2));
    EXPECT_TRUE(face.picked);
    EXPECT_GT(CountPixels(d.Grab(), IsPureRed), 20);

    // A click far off the parts clears every mark.
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    EXPECT_FALSE(face.picked);
    EXPECT_EQ(CountPixels(d.Grab(), IsPureRed), 0);
}

// The view keeps its textures from one paint to the next, and still shows a material's new image at once.
TEST(DevelopmentViewLogic, KeepsTexturesButShowsANewImage) {
    TempFolder folder;
    DevelopmentHarness d(folder.path());
    ASSERT_TRUE(d.h.frame->OpenFromCommandLine(SamplePath("house.tsm")));
    const QImage first = d.Grab();
    const size_t kept = d.view->KeptTextureCount();
    EXPECT_GT(kept, 0u);
    EXPECT_EQ(d.Grab(), first);
    EXPECT_EQ(d.view->KeptTextureCount(), kept);

    // Every material's image turned plain green, without telling the view: the next paint shows it.
    Document& document = *d.h.frame->CurrentDocument();
    for (auto& material : document.model->materials) {
        if (material == nullptr || (material->texture == nullptr && material->bitmap == nullptr)) continue;
        auto green = std::make_unique<CTextureImage>();
        green->width = green->height = 4;
        for (int i = 0; i < 16; ++i) green->pixels.insert(green->pixels.end(), {0, 255, 0});
        material->texture = std::move(green);
        material->bitmap.reset();
    }
    EXPECT_GT(CountPixels(d.Grab(), [](QRgb p) { return qRed(p) == 0 && qGreen(p) == 255 && qBlue(p) == 0; }),
              500);
    EXPECT_EQ(d.view->KeptTextureCount(), kept);
}
