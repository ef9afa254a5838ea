// The notice of a newer build after the start-up check: open the page or not, and a box to stop checking.
#pragma once

#include "update/UpdateCheck.h"

#include <QDialog>

class QCheckBox;

namespace tsm {

class UpdateNoticeDialog : public QDialog {
public:
    explicit UpdateNoticeDialog(QWidget* parent);
    QCheckBox* StopBox() const { return stop_; }
    // The answer once the dialog has closed: Yes opens, the box is read whichever button closed it.
    NoticeAnswer Answer() const;

private:
    QCheckBox* stop_ = nullptr;
};

// Shows the notice modally over `parent`.
NoticeAnswer AskUpdateNotice(QWidget* parent);

} // namespace tsm
