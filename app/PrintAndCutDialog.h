// File > Export > Print and Cut...: the dialog that asks for the folder, the format and the registration
// marks, listing the files it will write, and the command that writes them (sheet/CutFiles.h).
#pragma once

#include "app/OutputCommands.h"
#include "sheet/CutFiles.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QListWidget;

namespace tsm {

struct PrintAndCutChoice {
    std::string folder;
    CutFileFormat format = CutFileFormat::Svg;
    MarksKind marks = MarksKind::None;
};

// The names the export writes into `folder`: stem_001.svg, ... one per printed sheet.
std::vector<std::string> PrintAndCutFileNames(const std::string& folder, const std::string& stem,
                                              int sheetCount, CutFileFormat format);

class PrintAndCutDialog : public QDialog {
public:
    PrintAndCutDialog(QWidget* parent, const PrintAndCutChoice& start, const std::string& stem,
                      int sheetCount);
    PrintAndCutChoice Choice() const;
    // The file names listed, as shown.
    std::vector<std::string> ListedFiles() const;

private:
    void ShowFiles();

    std::string stem_;
    int sheetCount_;
    QLineEdit* folder_ = nullptr;
    QComboBox* format_ = nullptr;
    QComboBox* marks_ = nullptr;
    QListWidget* files_ = nullptr;
};

// Settles the choice (starting from the kept one); false when cancelled.
using PrintAndCutChooser =
    std::function<bool(PrintAndCutChoice& choice, const std::string& stem, int sheetCount)>;
PrintAndCutChooser DialogPrintAndCutChooser(QWidget* parent);

// Installs the Print and Cut command: the chooser (null: the dialog over services.parent), starting from
// the choice made last in this session, then the files; the views are redrawn, as parts may have moved.
void InstallPrintAndCut(CommandController& controller, const OutputCommandServices& services,
                        PrintAndCutChooser chooser = nullptr);

} // namespace tsm
