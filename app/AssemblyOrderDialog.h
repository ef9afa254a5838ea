// Model > Assembly Order...: the build order's steps in a list (step, the part's number as printed now,
// the parts it joins), a part moved up or down one step at a time, or the derived order taken back. OK
// hands the order to the document command SetBuildOrder, so that one Undo gives the previous order back.
#pragma once

#include "app/CommandController.h"
#include "model/DocumentController.h"
#include "model/Prompt.h"
#include "model/UpdateHint.h"

#include <QDialog>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace tsm {

class AssemblyOrderDialog : public QDialog {
public:
    AssemblyOrderDialog(QWidget* parent, const Development& development);

    // The selected row one step earlier or later. A move that would put a part before every part it
    // shares a cut edge with is refused: the list stays and the message says why. False when refused or
    // when there is nowhere to go.
    bool MoveSelected(int by);
    // The list shows the derived order again; OK then keeps no order of the user's.
    void UseDerivedOrder();

    // Part indices in build order; empty when the derived order was chosen and nothing moved since.
    std::vector<int> Sequence() const;

    QTreeWidget* List() const { return list_; }
    QLabel* Message() const { return message_; }
    QPushButton* UpButton() const { return up_; }
    QPushButton* DownButton() const { return down_; }

private:
    void Fill(int selectedRow);

    const Development& development_;
    std::vector<int> numbers_;  // each part's number as it is printed now
    std::vector<int> sequence_; // part indices in the order shown
    bool derived_ = false;
    QTreeWidget* list_;
    QLabel* message_;
    QPushButton* up_;
    QPushButton* down_;
};

// Installs the command: the dialog, then SetBuildOrder on OK and `update` with its hint; a refusal is
// reported through `prompt`.
void InstallAssemblyOrderCommand(CommandController& controller, QWidget* parent,
                                 DocumentController& documents, IPrompt& prompt,
                                 std::function<void(UpdateHint)> update);

} // namespace tsm
