#include "app/MessageBoxPrompt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tsm;

namespace {

struct SeenBox {
    QString title, text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool modal = false;
};

// Answers the next message box with `answer` after noting what it showed.
void AnswerNextBox(SeenBox* seen, QMessageBox::StandardButton answer) {
    QTimer::singleShot(0, [seen, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->buttons = box->standardButtons();
        seen->icon = box->icon();
        seen->modal = box->isModal();
        box->button(answer)->click();
    });
}

} // namespace

TEST(MessageBoxPrompt, MessageIsModalWithTheApplicationTitleAndOk) {
    MessageBoxPrompt prompt;
    SeenBox seen;
    AnswerNextBox(&seen, QMessageBox::Ok);
    prompt.Message("File does not exist.");
    EXPECT_EQ(seen.title, "TessalyVuvoza2");
    EXPECT_EQ(seen.text, "File does not exist.");
    EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_TRUE(seen.modal);
    // An error keeps its own icon; a caller's title replaces the application's.
    AnswerNextBox(&seen, QMessageBox::Ok);
    prompt.Message("Cannot read.", PromptIcon::Error, "DibUtil");
    EXPECT_EQ(seen.title, "DibUtil");
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
}

TEST(MessageBoxPrompt, QuestionsGiveTheButtonPressed) {
    MessageBoxPrompt prompt;
    SeenBox seen;
    AnswerNextBox(&seen, QMessageBox::Yes);
    EXPECT_TRUE(prompt.AskYesNo("Adjust scale?"));
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    AnswerNextBox(&seen, QMessageBox::No);
    EXPECT_FALSE(prompt.AskYesNo("Adjust scale?"));
    AnswerNextBox(&seen, QMessageBox::Ok);
    EXPECT_TRUE(prompt.AskOkCancel("Reset configurations to default?\n(Changes are applied after restart)"));
    EXPECT_EQ(seen.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(seen.text, "Reset configurations to default?\n(Changes are applied after restart)");
    AnswerNextBox(&seen, QMessageBox::Cancel);
    EXPECT_FALSE(prompt.AskOkCancel("Reset configurations to default?"));
}
