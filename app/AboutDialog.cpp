#include "app/AboutDialog.h"

#include "app/AppInfo.h"
#include "app/ToolbarIcons.h"
#include "model/SettingsPersistence.h"
#include "view3d/GLContextRegistry.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tsm {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About ") + QString::fromUtf8(kProductName));
    auto* mark = new QLabel(this);
    mark->setPixmap(ApplicationIcon().pixmap(64, 64));
    mark->setAlignment(Qt::AlignTop);

    auto* name = new QLabel(QString::fromUtf8(kProductName), this);
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    name->setFont(bold);
    auto* version = new QLabel(QString::fromUtf8(kVersionText), this);
    version->setObjectName(QStringLiteral("version"));
    auto* about = new QLabel(QStringLiteral("A viewer for papercraft models: the model in 3D beside its "
                                            "development on the sheets of paper it is printed on."),
                             this);
    about->setWordWrap(true);
    auto* maker = new QLabel(QString::fromUtf8(kRegistryCompanyName), this);
    // Which GL draws the views and the printouts: the graphics card or the software rasterizer.
    auto* renderer =
        new QLabel(QStringLiteral("OpenGL: ") + QString::fromStdString(glctx::RendererDescription()), this);
    renderer->setObjectName(QStringLiteral("renderer"));
    renderer->setWordWrap(true);
    renderer->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(version);
    text->addSpacing(8);
    text->addWidget(about);
    text->addWidget(maker);
    text->addSpacing(8);
    text->addWidget(renderer);
    auto* top = new QHBoxLayout;
    top->addWidget(mark);
    top->addLayout(text, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

} // namespace tsm
