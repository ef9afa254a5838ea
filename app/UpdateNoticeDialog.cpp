#include "app/UpdateNoticeDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tsm {

UpdateNoticeDialog::UpdateNoticeDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(kUpdateNoticeTitle));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromLatin1(kUpdateNoticeText), this));
    stop_ = new QCheckBox(QString::fromLatin1(kUpdateNoticeCheckText), this);
    stop_->setChecked(false);
    layout->addWidget(stop_);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Yes"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("No"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

NoticeAnswer UpdateNoticeDialog::Answer() const {
    return NoticeAnswer{result() == QDialog::Accepted, stop_->isChecked()};
}

NoticeAnswer AskUpdateNotice(QWidget* parent) {
    UpdateNoticeDialog dialog(parent);
    dialog.exec();
    return dialog.Answer();
}

} // namespace tsm
