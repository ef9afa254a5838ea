// The "Version Info..." dialog: the program's mark, name and version, and the OpenGL renderer.
#pragma once

#include <QDialog>

namespace tsm {

class AboutDialog : public QDialog {
public:
    explicit AboutDialog(QWidget* parent);
};

} // namespace tsm
