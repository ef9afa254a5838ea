#include "app/PrintAndCutDialog.h"

#include "app/CommandTable.h"
#include "model/DocumentSettings.h"
#include "sheet/PageList.h"
#include "sheet/Paper.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace tsm {

std::vector<std::string> PrintAndCutFileNames(const std::string& folder, const std::string& stem,
                                              int sheetCount, CutFileFormat format) {
    std::vector<std::string> names;
    const std::string base = (folder.empty() || folder.back() == '/' ? folder : folder + '/') + stem;
    for (int n = 1; n <= sheetCount; ++n) names.push_back(CutFilePath(base, n, format));
    return names;
}

PrintAndCutDialog::PrintAndCutDialog(QWidget* parent, const PrintAndCutChoice& start, const std::string& stem,
                                     int sheetCount)
    : QDialog(parent), stem_(stem), sheetCount_(sheetCount) {
    setWindowTitle(tr("Print and Cut"));
    folder_ = new QLineEdit(QString::fromStdString(start.folder), this);
    auto* browse = new QPushButton(tr("Browse..."), this);
    connect(browse, &QPushButton::clicked, this, [this]() {
        const QString folder = QFileDialog::getExistingDirectory(this, tr("Folder"), folder_->text());
        if (!folder.isEmpty()) folder_->setText(folder);
    });
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folder_);
    folderRow->addWidget(browse);
    folder_->setObjectName("folder");
    format_ = new QComboBox(this);
    format_->setObjectName("format");
    format_->addItem(tr("SVG (print, cut, folds, marks)"));
    format_->addItem(tr("DXF (cut, folds, marks)"));
    format_->setCurrentIndex(start.format == CutFileFormat::Dxf ? 1 : 0);
    marks_ = new QComboBox(this);
    marks_->setObjectName("marks");
    marks_->addItem(tr("None"));
    marks_->addItem(tr("Square and L marks (Silhouette)"));
    marks_->setCurrentIndex(start.marks == MarksKind::Silhouette ? 1 : 0);
    files_ = new QListWidget(this);

    auto* form = new QFormLayout;
    form->addRow(tr("Folder:"), folderRow);
    form->addRow(tr("Format:"), format_);
    form->addRow(tr("Registration marks:"), marks_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(new QLabel(tr("Files to write, one per printed sheet:"), this));
    layout->addWidget(files_);
    layout->addWidget(buttons);

    connect(folder_, &QLineEdit::textChanged, this, [this]() { ShowFiles(); });
    connect(format_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this]() { ShowFiles(); });
    ShowFiles();
}

PrintAndCutChoice PrintAndCutDialog::Choice() const {
    PrintAndCutChoice choice;
    choice.folder = folder_->text().toStdString();
    choice.format = format_->currentIndex() == 1 ? CutFileFormat::Dxf : CutFileFormat::Svg;
    choice.marks = marks_->currentIndex() == 1 ? MarksKind::Silhouette : MarksKind::None;
    return choice;
}

std::vector<std::string> PrintAndCutDialog::ListedFiles() const {
    std::vector<std::string> names;
    for (int i = 0; i < files_->count(); ++i) names.push_back(files_->item(i)->text().toStdString());
    return names;
}

void PrintAndCutDialog::ShowFiles() {
    files_->clear();
    for (const std::string& name : PrintAndCutFileNames(Choice().folder, stem_, sheetCount_, Choice().format))
        files_->addItem(QString::fromStdString(name));
}

PrintAndCutChooser DialogPrintAndCutChooser(QWidget* parent) {
    return [parent](PrintAndCutChoice& choice, const std::string& stem, int sheetCount) {
        PrintAndCutDialog dialog(parent, choice, stem, sheetCount);
        if (dialog.exec() != QDialog::Accepted) return false;
        choice = dialog.Choice();
        return true;
    };
}

void InstallPrintAndCut(CommandController& controller, const OutputCommandServices& services,
                        PrintAndCutChooser chooser) {
    auto s = std::make_shared<OutputCommandServices>(services);
    if (!chooser) chooser = DialogPrintAndCutChooser(s->parent);
    auto kept = std::make_shared<PrintAndCutChoice>();
    controller.SetExternalHandler(CommandId::ExportPrintAndCut, [s, chooser, kept]() {
        Document* document = s->document.Current();
        if (document == nullptr) return;
        const Settings settings = DocumentSettings(s->settings, document);
        if (document->development == nullptr) {
            s->prompt.Message(kMessageNoDevelopment);
            return;
        }
        const QFileInfo info(QString::fromStdString(document->path));
        const std::string stem =
            info.completeBaseName().isEmpty() ? "sheets" : info.completeBaseName().toStdString();
        if (kept->folder.empty())
            kept->folder = (info.absolutePath().isEmpty() || document->path.empty() ? QDir::homePath()
                                                                                    : info.absolutePath())
                               .toStdString();
        const Paper paper = Paper::FromSettings(settings);
        UpdateSheetGrid(*document, paper, true);
        const int sheets = static_cast<int>(BuildPageList(*document, paper, settings.skipBlankPages).size());
        PrintAndCutChoice choice = *kept;
        choice.marks = MarksKindOf(settings);
        if (!chooser(choice, stem, sheets)) return;
        *kept = choice; // the folder and format for the next time in this session
        // The marks are a setting of their own: the print, its preview and the layout keep to them.
        s->settings.marksKind = static_cast<int32_t>(choice.marks);
        const std::string folder =
            choice.folder.empty() || choice.folder.back() == '/' ? choice.folder : choice.folder + '/';
        const std::string chosen = folder + stem + (choice.format == CutFileFormat::Dxf ? ".dxf" : ".svg");
        (void)ExportCutFiles(*document, settings, chosen, {choice.format, choice.marks}, s->prompt);
        // Parts may have been moved away from the marks.
        s->frame.UpdateAllViews(UpdateHint::KeepGridInPlace);
    });
}

} // namespace tsm
