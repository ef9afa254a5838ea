// The Document Info dialog ("Information"): paper type, numbers of faces and parts, and the three line
// styles of the development drawn as swatches.
#pragma once

#include "sheet/SheetScreen.h"

#include <QDialog>

class QLabel;

namespace tsm {

class DocumentInfoDialog : public QDialog {
public:
    DocumentInfoDialog(QWidget* parent, const DevelopmentInfo& info);

    QString PaperTypeText() const;
    QString FaceCountText() const;
    QString PartCountText() const;

private:
    QLabel* paperType_ = nullptr;
    QLabel* faces_ = nullptr;
    QLabel* parts_ = nullptr;
};

} // namespace tsm
