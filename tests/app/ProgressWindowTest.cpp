#include "app/ProgressWindow.h"

#include "model/SettingsPersistence.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

using namespace tsm;

namespace {

std::string Title(const ProgressWindow& window) {
    return window.Window()->windowTitle().toStdString();
}

int32_t StoredInt(const SettingsStore& store, const char* name) {
    StoredValue value;
    if (!store.QueryValue(ProgressPositionKeyPath(), name, &value) || value.bytes.size() != 4) return -999;
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) bits = (bits << 8) | static_cast<unsigned char>(value.bytes[size_t(i)]);
    return static_cast<int32_t>(bits);
}

} // namespace

TEST(ProgressWindow, PercentAndCaption) {
    EXPECT_EQ(ProgressCaption("Progress", 50), "Progress [50%]");
    // Clamped at both ends; an empty or upside down range never divides; integer division of the range's
    // length without overflow at large positions.
    const int rows[][4] = {{50, 0, 100, 50},
                           {250, 0, 100, 100},
                           {-5, 0, 100, 0},
                           {7, 10, 10, 0},
                           {7, 10, 3, 0},
                           {1, 0, 3, 33},
                           {2000000000, 0, 2100000000, 95}};
    for (const auto& r : rows) EXPECT_EQ(ProgressPercent(r[0], r[1], r[2]), r[3]) << r[0] << " " << r[2];
}

TEST(ProgressWindow, SetPosRetitlesWithTheStemAndPercentage) {
    ProgressWindow window(nullptr, nullptr);
    ASSERT_TRUE(window.Create());
    EXPECT_FALSE(window.Create()); // a second window is never made
    EXPECT_EQ(Title(window), "Progress");
    EXPECT_EQ(window.CancelButton()->text(), "Cancel");

    EXPECT_EQ(window.SetPos(50), 0);
    EXPECT_EQ(Title(window), "Progress [50%]");
    EXPECT_EQ(window.Bar()->value(), 50);
    // Beyond the range: 100 % and a full bar.
    EXPECT_EQ(window.SetPos(250), 50);
    EXPECT_EQ(Title(window), "Progress [100%]");
    EXPECT_EQ(window.Bar()->value(), 100);
    // Setting a position shows a hidden window again.
    window.Hide();
    window.SetPos(10);
    EXPECT_TRUE(window.Window()->isVisible());

    // Steps and text.
    window.SetRange(0, 4, 1);
    window.SetPos(0);
    window.StepIt();
    window.StepIt();
    EXPECT_EQ(window.Pos(), 2);
    EXPECT_EQ(Title(window), "Progress [50%]");
    window.SetText("Unfolding...  2/4");
    EXPECT_EQ(window.TextLabel()->text(), "Unfolding...  2/4");
}

TEST(ProgressWindow, OwnCaptionStemAndCallsWithoutAWindow) {
    ProgressWindow window(nullptr, nullptr, "Unfolding...");
    // Before the window exists the calls only keep their values.
    window.SetText("waiting");
    EXPECT_EQ(window.SetPos(30), 0);
    EXPECT_EQ(window.Pos(), 30);
    window.PeekAndPump();
    window.Hide();
    window.Show();
    EXPECT_EQ(window.Window(), nullptr);
    // The window created later shows what was set.
    window.GoModal();
    EXPECT_EQ(window.TextLabel()->text(), "waiting");
    window.SetPos(75);
    EXPECT_EQ(Title(window), "Unfolding... [75%]");
    window.Destroy();
    // After destruction: nothing happens and the stored values remain.
    EXPECT_EQ(window.SetPos(80), 75);
    EXPECT_EQ(window.Window(), nullptr);
    EXPECT_EQ(window.Text(), "waiting");
    window.Destroy(); // twice is harmless
}

TEST(ProgressWindow, ModalDisablesTheMainWindowUntilDestroyed) {
    QWidget mainWindow;
    mainWindow.resize(400, 300);
    mainWindow.show();
    {
        ProgressWindow window(&mainWindow, nullptr);
        window.GoModal();
        EXPECT_TRUE(window.IsModal());
        EXPECT_TRUE(window.Window()->isVisible());
        EXPECT_FALSE(mainWindow.isEnabled());
        // The pop-up itself stays usable.
        EXPECT_TRUE(window.Window()->isEnabled());
        EXPECT_TRUE(window.CancelButton()->isEnabled());
    }
    // The destructor destroys the window and gives the main window back.
    EXPECT_TRUE(mainWindow.isEnabled());

    // A main window that was already disabled is not enabled by someone else's progress window.
    mainWindow.setEnabled(false);
    {
        ProgressWindow window(&mainWindow, nullptr);
        window.GoModal();
    }
    EXPECT_FALSE(mainWindow.isEnabled());
}

TEST(ProgressWindow, CancelButtonAndEscape) {
    QWidget mainWindow;
    mainWindow.show();
    // The button: flag set, window hidden.
    {
        ProgressWindow window(&mainWindow, nullptr);
        window.GoModal();
        QTest::mouseClick(window.CancelButton(), Qt::LeftButton);
        EXPECT_TRUE(window.Cancelled());
        EXPECT_FALSE(window.Window()->isVisible());
        // The flag stays set for the rest of the window's life.
        window.PeekAndPump();
        EXPECT_TRUE(window.Cancelled());
    }
    // Esc during an operation that asked for Esc cancelling.
    {
        ProgressWindow window(&mainWindow, nullptr);
        window.GoModal();
        window.PeekAndPump(true);
        QTest::keyClick(window.Window(), Qt::Key_Escape);
        EXPECT_TRUE(window.Cancelled());
        EXPECT_FALSE(window.Window()->isVisible());
    }
    // Esc is ignored when the operation did not ask for it; another key never cancels.
    {
        ProgressWindow window(&mainWindow, nullptr);
        window.GoModal();
        window.PeekAndPump(false);
        QTest::keyClick(window.Window(), Qt::Key_Escape);
        QTest::keyClick(window.Window(), Qt::Key_A);
        EXPECT_FALSE(window.Cancelled());
        // Closing the window is a cancel, not a way to lose sight of a running operation.
        window.Window()->close();
        EXPECT_TRUE(window.Cancelled());
    }
    EXPECT_TRUE(mainWindow.isEnabled());
}

TEST(ProgressWindow, ThePumpDeliversTheCancelToARunningLoop) {
    // A loop on the UI thread that reports through the adapter sees a click posted to the queue.
    ProgressWindow window(nullptr, nullptr);
    window.GoModal();
    const ProgressReport report = MakeProgressReport(window);
    QTimer::singleShot(0, window.CancelButton(), [&window] { window.CancelButton()->click(); });
    int steps = 0;
    bool goOn = true;
    for (; steps < 1000 && goOn; ++steps) goOn = report(steps % 100, steps == 0 ? "Working" : "");
    EXPECT_FALSE(goOn);
    EXPECT_LT(steps, 1000);
    EXPECT_EQ(window.Text(), "Working"); // an empty text keeps the line
}

TEST(ProgressWindow, PositionIsRememberedAndAnOffScreenOneIgnored) {
    SettingsStore store;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    ASSERT_GT(screen.width(), 100);
    // Nothing stored: centred on the screen, and the corner is written at destruction.
    QPoint centred;
    {
        ProgressWindow window(nullptr, &store);
        window.Create();
        const QRect frame = window.Window()->frameGeometry();
        EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), 1);
        EXPECT_LE(std::abs(frame.center().y() - screen.center().y()), 1);
        centred = window.Window()->pos();
        window.Window()->move(30, 40);
    }
    EXPECT_EQ(StoredInt(store, "X"), 30);
    EXPECT_EQ(StoredInt(store, "Y"), 40);
    // The next window opens there.
    {
        ProgressWindow window(nullptr, &store);
        window.Create();
        EXPECT_EQ(window.Window()->pos(), QPoint(30, 40));
        // A window that is told not to remember leaves the stored corner alone.
        window.SetSavePosition(false);
        window.Window()->move(50, 60);
    }
    EXPECT_EQ(StoredInt(store, "X"), 30);
    // A corner beyond the screen (another monitor arrangement), a negative one and a value of the wrong type
    // are ignored: centred again.
    for (const StoredValue& x : {DwordValue(static_cast<uint32_t>(screen.width() + 10)),
                                 DwordValue(static_cast<uint32_t>(-5)), BoolValue(true)}) {
        store.SetValue(ProgressPositionKeyPath(), "X", x);
        ProgressWindow window(nullptr, &store);
        window.Create();
        window.SetSavePosition(false);
        EXPECT_EQ(window.Window()->pos(), centred);
    }
}
