// What the window asks of the desktop: opening a document or web page with the user's default program,
// and the standard file dialogs. Tests put recorders in their place.
#pragma once

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace tsm {

class IShell {
public:
    virtual ~IShell() = default;
    // Opens a URL (a file:// URL for local files) with the desktop's default handler; false on failure.
    virtual bool OpenUrl(const std::string& url) = 0;
};

class DesktopShell : public IShell {
public:
    bool OpenUrl(const std::string& url) override;
};

class IFileChooser {
public:
    virtual ~IFileChooser() = default;
    // `filter` is in the "Description (*.ext)|*.ext||" form. Nothing when the user cancels.
    virtual std::optional<std::string> ChooseOpenFile(const std::string& filter,
                                                      const std::string& startFolder) = 0;
    // Asks before overwriting; `defaultExtension` without the dot. `suggestedPath`, when given, is the
    // folder and name the dialog starts with.
    virtual std::optional<std::string> ChooseSaveFile(const std::string& filter,
                                                      const std::string& defaultExtension,
                                                      const std::string& suggestedPath = {}) = 0;
};

class DialogFileChooser : public IFileChooser {
public:
    explicit DialogFileChooser(QWidget* parent) : parent_(parent) {}
    std::optional<std::string> ChooseOpenFile(const std::string& filter,
                                              const std::string& startFolder) override;
    std::optional<std::string> ChooseSaveFile(const std::string& filter, const std::string& defaultExtension,
                                              const std::string& suggestedPath = {}) override;

private:
    QWidget* parent_;
};

// The file dialog filter for a "Description (*.ext)|*.ext||" filter: the descriptions, one per line.
std::string DialogFilterFromPairs(const std::string& pairs);

extern const char* const kModelFileFilter; // "Tessaly File (*.tsm)|*.tsm||"
// The Open dialog's: model files first, then the meshes that are imported as new models.
extern const char* const kOpenAnyFileFilter;

// The data folder of the installed program (the samples and the help page), relative to the program's
// folder, ending in '/'.
std::string InstalledDataFolder(const std::string& programDir);

// The user manual: "help/index.html" in the program's folder, or in the installed data folder. Empty
// when neither exists.
std::string FindHelpFile(const std::string& programDir);

// Where the Open dialog starts: the last folder a model was opened from when it exists, else the installed
// samples when they exist, else nothing (the dialog's own choice).
std::string OpenDialogStartFolder(const std::string& lastDataOpenedDir, const std::string& programDir);

// The maker's product page, opened by "Tessaly's &Webpage...". A deployment value.
extern const char* const kProductWebPage;

} // namespace tsm
