#include "app/MessageBoxPrompt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace tsm;

// Every box is modal; a message carries the application's title unless the caller gives one.
TEST(MessageBoxPrompt, BoxesShowTheirTextsAndGiveTheButtonPressed) {
    MessageBoxPrompt prompt;
    using B = QMessageBox;
    const std::string text = "File does not exist.";
    const auto message = [&](PromptIcon icon, const char* title) {
        prompt.Message(text, icon, title);
        return 1;
    };
    const auto threeWay = [&] { return int(prompt.AskYesNoCancel(text)); };
    const B::StandardButtons yesNoCancel = B::Yes | B::No | B::Cancel;
    const struct {
        std::function<int()> ask;
        B::StandardButton press;
        int answer;
        QString title;
        B::StandardButtons buttons;
        B::Icon icon;
    } rows[] = {
        {[&] { return message(PromptIcon::None, ""); }, B::Ok, 1, "Tessaly", B::Ok, B::Warning},
        {[&] { return message(PromptIcon::Error, "DibUtil"); }, B::Ok, 1, "DibUtil", B::Ok, B::Critical},
        {[&] { return int(prompt.AskYesNo(text)); }, B::Yes, 1, "Tessaly", B::Yes | B::No, B::Question},
        {[&] { return int(prompt.AskYesNo(text)); }, B::No, 0, "Tessaly", B::Yes | B::No, B::Question},
        {[&] { return int(prompt.AskOkCancel(text)); }, B::Ok, 1, "Tessaly", B::Ok | B::Cancel, B::Warning},
        {[&] { return int(prompt.AskOkCancel(text)); }, B::Cancel, 0, "Tessaly", B::Ok | B::Cancel,
         B::Warning},
        {threeWay, B::Yes, int(PromptAnswer::Yes), "Tessaly", yesNoCancel, B::Question},
        {threeWay, B::No, int(PromptAnswer::No), "Tessaly", yesNoCancel, B::Question},
        {threeWay, B::Cancel, int(PromptAnswer::Cancel), "Tessaly", yesNoCancel, B::Question},
    };
    for (const auto& row : rows) {
        QTimer::singleShot(0, [&row] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), row.title);
            EXPECT_EQ(box->text(), "File does not exist.");
            EXPECT_EQ(box->standardButtons(), row.buttons);
            EXPECT_EQ(box->icon(), row.icon);
            EXPECT_TRUE(box->isModal());
            box->button(row.press)->click();
        });
        EXPECT_EQ(row.ask(), row.answer) << row.press;
    }
}
