#include "app/ObjectListDialog.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace tsm {

ObjectListDialog::ObjectListDialog(QWidget* parent, std::function<void()> changed)
    : QDialog(parent), changed_(std::move(changed)) {
    setWindowTitle(QStringLiteral("Object List"));
    setModal(false);
    list_ = new QListWidget(this);
    // A click toggles one line without touching the others.
    list_->setSelectionMode(QAbstractItemView::MultiSelection);
    selectAll_ = new QPushButton(QStringLiteral("Select All"), this);
    clear_ = new QPushButton(QStringLiteral("Clear"), this);
    close_ = new QPushButton(QStringLiteral("Close"), this);
    selectAll_->setAutoDefault(false);
    clear_->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(selectAll_);
    buttons->addWidget(clear_);
    buttons->addStretch(1);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    resize(260, 320);

    connect(list_, &QListWidget::itemSelectionChanged, this, [this] { SelectionChanged(); });
    connect(selectAll_, &QPushButton::clicked, this, [this] { SetAll(true); });
    connect(clear_, &QPushButton::clicked, this, [this] { SetAll(false); });
    connect(close_, &QPushButton::clicked, this, &QDialog::close);
}

void ObjectListDialog::Rebuild(Document* document) {
    rebuilding_ = true;
    const QSignalBlocker blocker(list_);
    binding_ = ObjectListBinding(document);
    list_->clear();
    for (size_t i = 0; i < binding_.Count(); ++i) {
        const std::string name = binding_.Name(i);
        auto* item = new QListWidgetItem(
            QString::fromLocal8Bit(name.data(), static_cast<qsizetype>(name.size())), list_);
        item->setSelected(binding_.IsSelected(i));
    }
    rebuilding_ = false;
}

void ObjectListDialog::SelectionChanged() {
    if (rebuilding_) return;
    bool any = false;
    for (int row = 0; row < list_->count(); ++row) {
        const bool selected = list_->item(row)->isSelected();
        if (binding_.IsSelected(static_cast<size_t>(row)) != selected) {
            binding_.SetSelected(static_cast<size_t>(row), selected);
            any = true;
        }
    }
    if (any && changed_) changed_();
}

void ObjectListDialog::SetAll(bool selected) {
    {
        const QSignalBlocker blocker(list_);
        for (int row = 0; row < list_->count(); ++row) list_->item(row)->setSelected(selected);
    }
    binding_.SelectAll(selected);
    if (changed_) changed_();
}

} // namespace tsm
