// What the window tests share: temporary folders, model files made by our own writer, recorders for the
// desktop and the file dialogs, a view logic that records its hints, and a frame built with all of them.
#pragma once

#include "app/CommandController.h"
#include "app/DesktopServices.h"
#include "app/MainFrame.h"
#include "app/RecentFileList.h"
#include "app/ViewLogic.h"
#include "engine/EngineCompletion.h"
#include "model/BinaryWriter.h"
#include "model/DocumentSettings.h"
#include "model/Settings.h"
#include "model/SettingsPersistence.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"

#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tsm::test {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-app-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempFolder() {
        std::error_code error;
        if (!path_.empty()) std::filesystem::remove_all(path_, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

template <typename Match> int CountPixels(const QImage& image, Match match) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += match(image.pixel(x, y)) ? 1 : 0;
    return count;
}

// The middle of the part's first face on the development (a box's middle may fall on a fold).
inline Point2 InsideFirstFace(const Part& part) {
    const Face& face = *part.faces.front();
    Point2 sum;
    for (size_t i = 0; i < face.CornerCount(); ++i) sum = sum + face.Corner(i)->Pos2D();
    return Point2{part.x, part.y} + sum * (1.0 / face.CornerCount());
}

inline std::string SamplePath(const std::string& name) {
    return std::string(TESSALY_SOURCE_DIR) + "/samples/" + name;
}

// Once the modal dialog of type `Dialog` is open (`delayMs` after the call), runs `change` on it and then
// presses OK, or Cancel when `ok` is false.
template <typename Dialog = QDialog>
void AnswerModal(std::function<void(Dialog&)> change = {}, bool ok = true, int delayMs = 0) {
    QTimer::singleShot(delayMs, [change, ok] {
        auto* dialog = dynamic_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        if (change) change(*dialog);
        ok ? dialog->accept() : dialog->reject();
    });
}

// Drags `urls` onto the window and drops them there; says whether the window took the drag.
inline bool DropUrls(QWidget& window, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QApplication::sendEvent(&window, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    return true;
}

// A binary model file of two boxes and one material, without a development.
inline std::string WriteModelWithoutDevelopment(const std::string& path) {
    Document document;
    AddMaterial(document, "Blue", Rgb{0.2f, 0.3f, 0.9f});
    const MeshData box = Box(20, 10, 30);
    AddSolid(document, "Box", box.vertices, box.faces, 0);
    const MeshData cube = Translated(Cube(10), Vec3{40, 0, 0});
    AddSolid(document, "Cube", cube.vertices, cube.faces, 0);
    const Outcome written = WriteBinaryModel(document, document.display, path);
    EXPECT_TRUE(written.ok()) << written.reason();
    return path;
}

// A binary model file of one cube, unfolded or not, and no materials.
inline std::string WriteModelWithDevelopment(const std::string& path, const std::string& solidName = "Cube",
                                             bool unfolded = true) {
    Document document;
    const MeshData cube = Cube(40);
    AddSolid(document, solidName, cube.vertices, cube.faces);
    if (unfolded) {
        EXPECT_TRUE(UnfoldForFixture(document).empty());
    }
    const Outcome written = WriteBinaryModel(document, document.display, path);
    EXPECT_TRUE(written.ok()) << written.reason();
    return path;
}

class RecordingShell : public IShell {
public:
    bool OpenUrl(const std::string& url) override {
        urls.push_back(url);
        return succeed;
    }
    std::vector<std::string> urls;
    bool succeed = true;
};

// Answers the file dialogs from a queue (nothing when it is empty, as a cancel) and records what they
// were asked.
class ScriptedChooser : public IFileChooser {
public:
    std::optional<std::string> ChooseOpenFile(const std::string& filter,
                                              const std::string& startFolder) override {
        openFilters.push_back(filter);
        startFolders.push_back(startFolder);
        return Next();
    }
    std::optional<std::string> ChooseSaveFile(const std::string& filter, const std::string&,
                                              const std::string& suggestedPath) override {
        saveFilters.push_back(filter);
        suggestedPaths.push_back(suggestedPath);
        return Next();
    }
    std::deque<std::string> answers;
    std::vector<std::string> openFilters, startFolders, saveFilters, suggestedPaths;

private:
    std::optional<std::string> Next() {
        if (answers.empty()) return std::nullopt;
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class RecordingViewLogic : public IViewLogic {
public:
    struct Log {
        std::vector<UpdateHint> hints;
        std::vector<CommandId> commands;
        int paints = 0;
        int ticks = 0;
        int lastWidth = 0, lastHeight = 0;
    };
    explicit RecordingViewLogic(std::shared_ptr<Log> log, bool handles = true)
        : log_(std::move(log)), handles_(handles) {}
    void OnUpdate(UpdateHint hint) override { log_->hints.push_back(hint); }
    void Resize(int width, int height) override {
        log_->lastWidth = width;
        log_->lastHeight = height;
    }
    void Paint(QPainter& painter) override {
        ++log_->paints;
        painter.fillRect(painter.viewport(), Qt::green);
    }
    bool HandleCommand(CommandId commandId) override {
        log_->commands.push_back(commandId);
        return handles_;
    }
    void TimerTick() override { ++log_->ticks; }

private:
    std::shared_ptr<Log> log_;
    bool handles_;
};

// A frame as the program builds it, with recorders for the message boxes, the desktop and the file
// dialogs, its settings in a temporary folder of its own, and recording logic in both views.
class FrameHarness {
public:
    // `recoveryFolder`: where the frame keeps its recovery copies; empty: a folder of its own.
    explicit FrameHarness(bool promptAnswer = true, const std::string& recoveryFolder = {})
        : prompt(promptAnswer), session(folder.File("settings.reg")) {
        EXPECT_TRUE(session.ReadStore().ok());
        FrameServices services;
        services.prompt = &prompt;
        services.shell = &shell;
        services.chooser = &chooser;
        services.showSplash = false;
        services.programDir = std::string(TESSALY_SOURCE_DIR) + "/";
        services.recoveryFolder = recoveryFolder.empty() ? folder.File("recovery") : recoveryFolder;
        // The "Output Size (BMP)" dialog answered as OK on a small width, or as Cancel.
        services.bmpSize = [this](BmpSizeState& state) {
            ++sizeDialogs;
            EditBmpWidth(state, 120);
            return acceptSize;
        };
        services.epsOptions = [this](EpsOptions& options) {
            ++epsDialogs;
            options.notFillFaces = true;
            return acceptSize;
        };
        frame = std::make_unique<MainFrame>(session, services);
        // Import Mesh would offer the coordinate wizard in a modal box; the tests that want it turn it on.
        frame->AppSettings().offerCoordinateWizard = false;
        frame->View3D()->SetLogic(std::make_unique<RecordingViewLogic>(log3d));
        frame->DevelopmentView()->SetLogic(std::make_unique<RecordingViewLogic>(log2d));
    }

    bool Enabled(CommandId id) const { return frame->CommandUi().Action(id)->isEnabled(); }
    bool Checked(CommandId id) const { return frame->CommandUi().Action(id)->isChecked(); }
    void Trigger(CommandId id) { frame->CommandUi().Action(id)->trigger(); }

    TempFolder folder;
    RecordingPrompt prompt;
    RecordingShell shell;
    ScriptedChooser chooser;
    int sizeDialogs = 0;
    int epsDialogs = 0;
    bool acceptSize = true;
    SettingsSession session;
    std::shared_ptr<RecordingViewLogic::Log> log3d = std::make_shared<RecordingViewLogic::Log>();
    std::shared_ptr<RecordingViewLogic::Log> log2d = std::make_shared<RecordingViewLogic::Log>();
    std::unique_ptr<MainFrame> frame;
};

class RecordingFrame : public IFrameActions {
public:
    void SetTitle(const std::string& title) override { calls.push_back("title " + title); }
    void AddRecentFile(const std::string& path) override { calls.push_back("add recent " + path); }
    void RefreshDocumentPanels() override { calls.push_back("panels"); }
    Document* CurrentDocument() const override { return document; }
    Settings ViewSettings() const override { return settings; }
    void TextureLimitFound(int) override {}
    IPrompt& FramePrompt() override { return prompt; }
    void ExecuteCommand(CommandId id) override { calls.push_back("command " + Number(id)); }
    void UpdateAllViews(UpdateHint hint) override {
        calls.push_back("hint " + std::to_string(static_cast<int>(hint)));
    }
    void RefreshIdleText() override { calls.push_back("idle"); }
    void RecentFilesChanged() override { calls.push_back("recent"); }
    void SplitWindow() override { calls.push_back("split"); }
    void SingleWindow() override { calls.push_back("single"); }
    void ShowObjectList() override { calls.push_back("objects"); }
    void ShowDocumentInfo() override { calls.push_back("info"); }
    void ShowAbout() override { calls.push_back("about"); }
    void ToggleBar(CommandId id) override { calls.push_back("bar " + Number(id)); }
    void CloseFrame() override { calls.push_back("close"); }
    void ForwardToDevelopmentView(CommandId id) override { calls.push_back("forward " + Number(id)); }
    static std::string Number(CommandId id) { return std::to_string(static_cast<int>(id)); }
    void ShowStatusText(const std::string& text) override { calls.push_back("status " + text); }
    bool ShowHelpWindow(const std::string& path) override {
        calls.push_back("help " + path);
        return helpWindowShows;
    }
    bool helpWindowShows = false;
    std::vector<std::string> calls;
    Document* document = nullptr;
    Settings settings;
    RecordingPrompt prompt;
};

class ControllerTest : public ::testing::Test {
public:
    ControllerTest()
        : document(settings, prompt, completion), session(folder.File("settings.reg")),
          controller(CommandServices{document, settings, session, prompt, shell, chooser, completion, frame,
                                     recent, folder.path() + "/bin/"}) {}

    // What the views show: the settings with the current document's display block in place.
    Settings Shown() const { return DocumentSettings(settings, document.Current()); }

    void Open(const std::string& path) {
        ASSERT_TRUE(document.OpenModelFile(path)) << path;
        prompt.texts.clear();
        frame.calls.clear();
    }

    TempFolder folder;
    Settings settings;
    RecordingPrompt prompt{true};
    EngineCompletion completion;
    DocumentController document;
    SettingsSession session;
    RecordingShell shell;
    ScriptedChooser chooser;
    RecordingFrame frame;
    RecentFileList recent;
    CommandController controller;
};

} // namespace tsm::test
