#include "app/DesktopServices.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QString>
#include <QUrl>

#include <filesystem>

#ifndef TESSALY_DATA_FROM_BIN
#define TESSALY_DATA_FROM_BIN "../share/tessaly"
#endif

namespace tsm {

const char* const kModelFileFilter = "Tessaly File (*.tsm)|*.tsm||";
const char* const kOpenAnyFileFilter =
    "Tessaly File (*.tsm)|*.tsm|Meshes (*.obj *.gltf *.glb *.off *.stl *.ply *.3ds *.dae *.fbx *.3mf *.lwo "
    "*.x "
    "*.ac *.ms3d *.ase *.b3d *.dxf *.smd *.cob *.q3o)|*.obj;*.gltf;*.glb;*.off;*.stl;*.ply;*.3ds;*.dae;*.fbx;"
    "*.3mf;*.lwo;*.x;*.ac;*.ms3d;*.ase;*.b3d;*.dxf;*.smd;*.cob;*.q3o||";
const char* const kProductWebPage = "https://tessaly.quillonsoft.example/";

namespace {

bool IsFile(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

bool IsFolder(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_directory(path, error);
}

QString Local(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromLocal(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

} // namespace

bool DesktopShell::OpenUrl(const std::string& url) {
    return QDesktopServices::openUrl(QUrl(QString::fromUtf8(url.c_str())));
}

std::string DialogFilterFromPairs(const std::string& pairs) {
    std::string filter;
    size_t start = 0;
    bool description = true;
    while (start < pairs.size()) {
        const size_t bar = pairs.find('|', start);
        const std::string field =
            pairs.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        if (field.empty()) break; // "||" ends the list
        if (description) {
            if (!filter.empty()) filter += ";;";
            filter += field;
        }
        description = !description;
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    return filter;
}

std::optional<std::string> DialogFileChooser::ChooseOpenFile(const std::string& filter,
                                                             const std::string& startFolder) {
    const QString chosen = QFileDialog::getOpenFileName(parent_, QString(), Local(startFolder),
                                                        Local(DialogFilterFromPairs(filter)));
    if (chosen.isEmpty()) return std::nullopt;
    return FromLocal(chosen);
}

std::optional<std::string> DialogFileChooser::ChooseSaveFile(const std::string& filter,
                                                             const std::string& defaultExtension,
                                                             const std::string& suggestedPath) {
    QFileDialog dialog(parent_);
    if (!suggestedPath.empty()) dialog.selectFile(Local(suggestedPath));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(Local(DialogFilterFromPairs(filter)));
    dialog.setDefaultSuffix(Local(defaultExtension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return FromLocal(dialog.selectedFiles().front());
}

std::string InstalledDataFolder(const std::string& programDir) {
    return programDir + TESSALY_DATA_FROM_BIN + "/";
}

std::string FindHelpFile(const std::string& programDir) {
    if (programDir.empty()) return {};
    for (const std::string& candidate :
         {programDir + "help/index.html", InstalledDataFolder(programDir) + "help/index.html"}) {
        if (IsFile(candidate)) return std::filesystem::path(candidate).lexically_normal().string();
    }
    return {};
}

std::string OpenDialogStartFolder(const std::string& lastDataOpenedDir, const std::string& programDir) {
    if (IsFolder(lastDataOpenedDir)) return lastDataOpenedDir;
    if (!programDir.empty()) {
        const std::string samples = InstalledDataFolder(programDir) + "samples";
        if (IsFolder(samples)) return std::filesystem::path(samples).lexically_normal().string();
    }
    return {};
}

} // namespace tsm
