// The modeless Object List: one line per listed solid, selected while its bound flag is set.
#pragma once

#include "app/ObjectListBinding.h"

#include <QDialog>

#include <functional>

class QListWidget;
class QPushButton;

namespace tsm {

class ObjectListDialog : public QDialog {
public:
    // `changed` runs after every change of a flag (the window redraws all views).
    ObjectListDialog(QWidget* parent, std::function<void()> changed);

    // Lists the document's solids again; after an open or a change of the development.
    void Rebuild(Document* document);

    QListWidget* List() const { return list_; }
    QPushButton* SelectAllButton() const { return selectAll_; }
    QPushButton* ClearButton() const { return clear_; }
    QPushButton* CloseButton() const { return close_; }
    const ObjectListBinding& Binding() const { return binding_; }

private:
    void SelectionChanged();
    void SetAll(bool selected);

    std::function<void()> changed_;
    ObjectListBinding binding_;
    QListWidget* list_ = nullptr;
    QPushButton* selectAll_ = nullptr;
    QPushButton* clear_ = nullptr;
    QPushButton* close_ = nullptr;
    bool rebuilding_ = false;
};

} // namespace tsm
