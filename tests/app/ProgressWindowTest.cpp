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

#include <functional>

using namespace tsm;

namespace {

std::string Title(const ProgressWindow& window) {
    return window.Window()->windowTitle().toStdString();
}

// The stored corner's coordinate, as the bytes a 32-bit value of `expected` would have.
bool Stored(const SettingsStore& store, const char* name, uint32_t expected) {
    StoredValue value;
    return store.QueryValue(ProgressPositionKeyPath(), name, &value) &&
           value.bytes == DwordValue(expected).bytes;
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

TEST(ProgressWindow, SetPosRetitlesAndCallsWithoutAWindowOnlyKeepTheirValues) {
    ProgressWindow window(nullptr, nullptr, "Unfolding...");
    window.SetText("waiting");
    EXPECT_EQ(window.SetPos(30), 0);
    window.PeekAndPump();
    window.Hide();
    window.Show();
    EXPECT_EQ(window.Window(), nullptr);
    // The window created later shows what was set; a second one is never made.
    window.GoModal();
    EXPECT_FALSE(window.Create());
    EXPECT_EQ(window.TextLabel()->text(), "waiting");
    EXPECT_EQ(window.SetPos(250), 30);
    EXPECT_EQ(Title(window), "Unfolding... [100%]");
    EXPECT_EQ(window.Bar()->value(), 100);
    // Setting a position shows a hidden window again.
    window.Hide();
    window.SetRange(0, 4, 1);
    window.SetPos(0);
    EXPECT_TRUE(window.Window()->isVisible());
    window.StepIt();
    window.StepIt();
    EXPECT_EQ(window.Pos(), 2);
    EXPECT_EQ(Title(window), "Unfolding... [50%]");
    window.Destroy();
    EXPECT_EQ(window.SetPos(3), 2);
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
        EXPECT_TRUE(window.Window()->isEnabled());
        EXPECT_TRUE(window.CancelButton()->isEnabled());
    }
    EXPECT_TRUE(mainWindow.isEnabled());

    // A main window that was already disabled is not enabled by someone else's progress window.
    mainWindow.setEnabled(false);
    {
        ProgressWindow window(&mainWindow, nullptr);
        window.GoModal();
    }
    EXPECT_FALSE(mainWindow.isEnabled());
}

TEST(ProgressWindow, CancelButtonEscapeAndClose) {
    QWidget mainWindow;
    mainWindow.show();
    // Esc cancels only an operation that asked for it, another key never; closing the window is a cancel, not
    // a way to lose sight of a running operation.
    const struct {
        const char* name;
        bool escCancels;
        std::function<void(ProgressWindow&)> act;
        bool cancelled;
    } rows[] = {
        {"button", false, [](ProgressWindow& w) { QTest::mouseClick(w.CancelButton(), Qt::LeftButton); },
         true},
        {"esc asked for", true, [](ProgressWindow& w) { QTest::keyClick(w.Window(), Qt::Key_Escape); }, true},
        {"esc and a key", false,
         [](ProgressWindow& w) {
             QTest::keyClick(w.Window(), Qt::Key_Escape);
             QTest::keyClick(w.Window(), Qt::Key_A);
         },
         false},
        {"close", false, [](ProgressWindow& w) { w.Window()->close(); }, true},
    };
    for (const auto& row : rows) {
        ProgressWindow window(&mainWindow, nullptr);
        window.GoModal();
        window.PeekAndPump(row.escCancels);
        row.act(window);
        EXPECT_EQ(window.Cancelled(), row.cancelled) << row.name;
        EXPECT_EQ(window.Window()->isVisible(), !row.cancelled) << row.name;
        // The flag stays set for the rest of the window's life.
        window.PeekAndPump();
        EXPECT_EQ(window.Cancelled(), row.cancelled) << row.name;
    }
    EXPECT_TRUE(mainWindow.isEnabled());
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
    EXPECT_TRUE(Stored(store, "X", 30));
    EXPECT_TRUE(Stored(store, "Y", 40));
    {
        ProgressWindow window(nullptr, &store);
        window.Create();
        EXPECT_EQ(window.Window()->pos(), QPoint(30, 40));
        // A window that is told not to remember leaves the stored corner alone.
        window.SetSavePosition(false);
        window.Window()->move(50, 60);
    }
    EXPECT_TRUE(Stored(store, "X", 30));
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
