#include "cli/TsmTool.h"

#include "cli/CliPrompt.h"
#include "cli/EditCommand.h"
#include "cli/ExitStatus.h"
#include "cli/ExportCommand.h"
#include "cli/InfoReport.h"
#include "cli/OptionTable.h"
#include "cli/PrintCommand.h"
#include "cli/RenderCommand.h"
#include "cli/UnfoldCommand.h"
#include "engine/EngineCompletion.h"
#include "engine/ModelOperations.h"
#include "model/BinaryWriter.h"
#include "model/OpenPipeline.h"
#include "model/Settings.h"
#include "model/SettingsPersistence.h"
#include "model/SettingsTable.h"
#include "sheet/FontFamilies.h"
#include "sheet/Paper.h"
#include "update/UpdateCheck.h"
#include "view3d/GLContextRegistry.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tsm {

namespace {

// Option names are spelled the same in the row and where the value is read; CommandLine stops the program on
// a name that is in no table of the command, so a slip shows in the first run that reads it.
const std::vector<OptionSpec>& LayoutOptions() {
    static const std::vector<OptionSpec> options = {
        {"--auto", nullptr, "fit the development on one sheet (the default)"},
        {"--scale", "S", "do not fit: set the absolute scale S"},
        {"--size", "MM",
         "do not fit: the assembled model's largest dimension in mm, on as many sheets as needed"},
        {"--spacing", "V", "the space between parts: % of the model's size with --auto, mm with --scale"},
        {"--no-avoid-page-breaks", nullptr, "let parts straddle the sheets' borders"},
        {"--strategy", "upright|fewest-parts",
         "keep the model's vertical direction straight across folds, or cut as few parts as possible "
         "(default: the remembered choice, upright at first)"},
        {"--marks", "silhouette|none",
         "keep the parts clear of these registration marks (default: the stored setting, none at first)"},
    };
    return options;
}

std::vector<OptionSpec> Joined(std::vector<OptionSpec> first, const std::vector<OptionSpec>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

const ToolSpec& Tool() {
    static const ToolSpec tool = {
        "tsmtool",
        {
            {"--settings", "PATH", "read the settings from PATH instead of the user's settings file"},
            {"--set", "NAME=VALUE", "override one setting by its name (bools are 0/1)", false, true},
            {"--yes", nullptr, "answer every question Yes"},
            {"--no", nullptr, "answer every question No (the default; the last of --yes and --no counts)"},
            {"--help", nullptr, "print the usage, with COMMAND that command's, and exit", false, false, "-h"},
            {"--version", nullptr,
             "print the version and the OpenGL renderer pictures are drawn with, and exit"},
        },
        {
            {"info",
             "MODEL",
             1,
             "info takes one model file",
             "print what MODEL holds as JSON",
             {{"--detail", nullptr, "also list every face with its corners and every edge"}}},
            {"save",
             "MODEL OUT.tsm",
             2,
             "save takes a model file and an output file",
             "open MODEL and write it as a binary model file",
             {}},
            {"merge",
             "MODEL IMPORTED OUT.tsm",
             3,
             "merge takes the current model, the imported model and an output file",
             "open MODEL, import IMPORTED into it and write the result",
             {}},
            {"export",
             "eps|dxf|emf|svg|bmp|sheets|cut|instructions MODEL OUT",
             3,
             "export takes a format, a model file and an output file",
             "write MODEL's development as a picture: OUT without an extension gets the format's; bmp is the "
             "whole development as one BMP, sheets one BMP per printed sheet (OUT_001.bmp, ...), cut one "
             "print-and-cut "
             "file per printed sheet (OUT_001.svg, ...), instructions the assembly steps as PDF pages",
             {
                 {"--not-fill-faces", nullptr, "eps and svg: leave the faces unfilled"},
                 {"--not-fill-flaps", nullptr, "eps and svg: leave the flaps unfilled"},
                 {"--part-numbers", nullptr, "svg: each part's number (its build step) on its largest face"},
                 {"--width", "PX",
                  "bmp and sheets: the content width in pixels (default 72 pixels per inch); --yes accepts a "
                  "file above 15 MB"},
                 {"--format", "svg|dxf", "cut: the files' format (default svg)"},
                 {"--marks", "silhouette|none", "cut: the registration marks (default none)"},
             }},
            {"render",
             "MODEL OUT.png|OUT.bmp",
             2,
             "render takes a model file and an output file",
             "draw the development view (2d, fitted) or the 3D view (3d) as a PNG or BMP picture",
             {
                 {"--view", "2d|3d", "the view to draw", true},
                 {"--size", "WxH", "the picture's size in pixels, each side 1 to 16384 (default 800x600)"},
                 {"--labels", nullptr, "2d: add the page numbers"},
                 {"--yaw", "D", "3d: the camera's yaw in degrees (default -30)"},
                 {"--pitch", "D", "3d: the camera's pitch in degrees (default 30)"},
             }},
            {"print",
             "MODEL",
             1,
             "print takes one model file",
             "print MODEL's development into a PDF as onto a printer with that paper; --yes/--no answer the "
             "scale questions",
             {
                 {"--pdf", "OUT.pdf", "the PDF file to write", true},
                 {"--printer-paper", "PAPER",
                  "A4, A3, A2, A1, B5 to B1, Letter, Legal or WxH in mm (default the model's paper, names "
                  "turned like it)"},
                 {"--printer-margins", "MM", "the printer's unprintable margin on every side (default 0)"},
                 {"--dpi", "N", "the resolution, 72 to 2400 (default 600)"},
                 {"--marks", "silhouette|none",
                  "print-and-cut registration marks (default the setting, none)"},
                 {"--part-numbers", nullptr, "each part's number (its build step) on its largest face"},
             }},
            {"import", "MESH OUT.tsm", 2, "import takes a mesh file and an output file",
             "import a mesh (OBJ with its MTL materials, glTF 2.0 .gltf or .glb, OFF, STL, PLY, and through "
             "the converter 3DS, DAE, FBX, 3MF, LWO, X, AC, MS3D, ASE, B3D, DXF, SMD, COB, Q3O; textures "
             "in PNG, JPEG, BMP or TGA) and write it as a model file (--yes joins adjacent "
             "isolated "
             "edges)",
             Joined({{"--unfold", nullptr, "unfold the imported model; the other options need it"},
                     {"--faces", "N",
                      "simplify the mesh to about N faces before any unfolding; without it --yes accepts "
                      "the offer to simplify a mesh of more than 3000 faces to 1000"}},
                    LayoutOptions())},
            {"unfold", "MODEL OUT.tsm", 2, "unfold takes a model file and an output file",
             "unfold MODEL anew (a development it has is undone first) and write it", LayoutOptions()},
            {"simplify",
             "MODEL OUT.tsm",
             2,
             "simplify takes a model file and an output file",
             "reduce MODEL's mesh to about N faces as the viewer's Simplify Mesh does (a development it has "
             "is undone first) and write it",
             {{"--faces", "N", "the faces to keep, at least 4 and fewer than the model has", true}}},
            {"edit",
             "MODEL OUT.tsm OP [OP ...]",
             3,
             "edit takes a model file, an output file and at least one operation",
             "apply the development editors' operations in order and write the result (never over MODEL); "
             "each OP is one argument: cut P L, join P L [X Y], flap P L switch|size MM|add "
             "mountain|valley|flat, rotate P X Y DEG, move part P DX DY, move text N DX DY, move picture A|B "
             "N "
             "DX DY, text add X Y SIZE TEXT, text edit N TEXT, text delete N, text duplicate N, text order N "
             "top|upper|lower|bottom, color P L RRGGBB|hide, order P [P ...]|derived (the build order, kept "
             "in "
             "OUT.tsm.order), undo, redo (indices from 0 in info --detail "
             "order, "
             "millimetres on the development, degrees counter-clockwise on the sheet)",
             {},
             true},
            {"check-update",
             "",
             0,
             "check-update takes no file",
             "ask the update server whether a newer build exists and print what the viewer's Help menu "
             "command would say",
             {
                 {"--url", "URL", "the server address (http or https; default the sUpdateServerURL setting)"},
                 {"--timeout", "S", "give up after S seconds, 1 to 600 (default 10)"},
             }},
        },
    };
    return tool;
}

const ManualText& Manual() {
    static const ManualText manual = {
        "open, convert, unfold, print and draw papercraft models without a window",
        "tsmtool opens a model with the same code as the Tessaly viewer and reports on it, writes it again, "
        "exports, draws or prints its development, or imports, simplifies and unfolds a mesh, all without a "
        "window.\n"
        "\n"
        "Message-box texts go to stderr as \"message: ...\"; questions take the answer of --yes or --no.",
        {{"0", "success"},
         {"1", "the model could not be opened, an edit was refused or an output not written"},
         {"2", "usage error"}},
        {{"$XDG_CONFIG_HOME/tessaly/settings.reg", "the user's settings (~/.config/tessaly/settings.reg "
                                                   "without XDG_CONFIG_HOME; TESSALY_SETTINGS_FILE "
                                                   "names another file); tsmtool only reads it"}},
    };
    return manual;
}

struct Arguments {
    std::string settingsPath;
    std::vector<std::string> overrides;
    bool answerYes = false;
    bool detail = false;
    ExportRequest exportRequest;
    RenderRequest renderRequest;
    PrintRequest printRequest;
    UnfoldRequest unfoldRequest;
    std::vector<EditOperation> editOperations;
    std::optional<std::string> updateServer;
    int updateTimeoutMs = kUpdateTimeoutMs;
    std::string command;
    std::vector<std::string> operands;
};

// Whether two paths name one file: the same path, or the same existing file reached another way.
bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    if (std::filesystem::equivalent(a, b, error)) return true;
    return std::filesystem::absolute(a, error).lexically_normal() ==
           std::filesystem::absolute(b, error).lexically_normal();
}

int Usage(const std::string& problem, const CommandSpec* command) {
    std::fprintf(stderr, "tsmtool: %s\n", problem.c_str());
    std::fputs(UsageLine(Tool(), command).c_str(), stderr);
    std::fprintf(stderr, "(tsmtool %s--help for more)\n",
                 command ? (std::string(command->name) + " ").c_str() : "");
    return 2;
}

// The checked command line into what the commands take; fails with the usage problem.
Result<Arguments> TakeArguments(const CommandLine& line) {
    Arguments args;
    args.settingsPath = line.Value("--settings").value_or("");
    args.overrides = line.Values("--set");
    for (const auto& [option, value] : line.options) {
        if (option->name == std::string("--yes")) args.answerYes = true;
        if (option->name == std::string("--no")) args.answerYes = false;
    }
    args.command = line.command->name;
    args.operands = line.operands;
    if (args.command == "info") args.detail = line.Has("--detail");
    // Each command's own options, into its request.
    const auto take = [&args](auto parsed, auto& request) -> Result<Arguments> {
        if (!parsed.ok()) return std::move(parsed).outcome();
        request = std::move(parsed).value();
        return std::move(args);
    };
    if (args.command == "export") return take(ParseExportRequest(line), args.exportRequest);
    if (args.command == "render") return take(ParseRenderRequest(line), args.renderRequest);
    if (args.command == "print") return take(ParsePrintRequest(line), args.printRequest);
    if (args.command == "check-update") {
        args.updateServer = line.Value("--url");
        if (const std::optional<std::string> seconds = line.Value("--timeout")) {
            char* end = nullptr;
            const long value = std::strtol(seconds->c_str(), &end, 10);
            if (seconds->empty() || *end != '\0' || value < 1 || value > 600)
                return Outcome::Failed("--timeout takes a whole number of seconds from 1 to 600");
            args.updateTimeoutMs = int(value) * 1000;
        }
    }
    if (args.command == "import" || args.command == "unfold" || args.command == "simplify")
        return take(ParseUnfoldRequest(line), args.unfoldRequest);
    if (args.command == "edit") {
        // Every operation is checked before any runs: a slip in the last must not cost the others' work.
        for (size_t i = 2; i < args.operands.size(); ++i) {
            Result<EditOperation> operation = ParseEditOperation(args.operands[i]);
            if (!operation.ok())
                return Outcome::Failed("operation \"" + args.operands[i] + "\": " + operation.reason());
            args.editOperations.push_back(std::move(operation).value());
        }
        if (SameFile(args.operands[0], args.operands[1]))
            return Outcome::Failed("edit never writes over its model file");
    }
    return args;
}

// The user's settings (or the given store), then the overrides; tsmtool never writes settings back.
bool PrepareSettings(const Arguments& args, Settings& settings) {
    SettingsSession session(args.settingsPath.empty() ? DefaultSettingsFilePath() : args.settingsPath);
    if (ExitStatus(session.ReadStore()) != 0) return false;
    LoadSettings(session, settings, ProgramDirectory());
    for (const std::string& assignment : args.overrides) {
        const size_t equals = assignment.find('=');
        if (equals == std::string::npos) {
            static_cast<void>(
                ExitStatus(Outcome::Failed("expected NAME=VALUE"), "--set " + assignment + ": "));
            return false;
        }
        const Outcome applied =
            ApplySettingOverride(settings, assignment.substr(0, equals), assignment.substr(equals + 1));
        if (ExitStatus(applied, "--set " + assignment + ": ") != 0) return false;
    }
    return true;
}

// The interactive check's message on stdout; 0 when the server answered readably.
int RunCheckUpdate(const Arguments& args, const Settings& settings) {
    const std::string server = args.updateServer.value_or(settings.updateServerUrl);
    const UpdateReply reply = CheckForUpdateNow(server, args.updateTimeoutMs);
    std::printf("%s\n", UpdateMessage(reply).c_str());
    if (reply.status == UpdateStatus::Newer) std::printf("%s\n", reply.url.c_str());
    return reply.status == UpdateStatus::Latest || reply.status == UpdateStatus::Newer ? 0 : 1;
}

} // namespace

int RunTsmTool(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    // Hidden: the build makes the manual page with it.
    if (words == std::vector<std::string>{"--man"}) {
        std::fputs(ManPage(Tool(), Manual()).c_str(), stdout);
        return 0;
    }
    // Like --help it needs no command; anything else on the line is not looked at.
    if (std::find(words.begin(), words.end(), "--version") != words.end()) {
        std::printf("tsmtool %s\nrenderer: %s\n", TESSALY_VERSION, glctx::RendererDescription().c_str());
        return 0;
    }
    CommandLine line;
    const Outcome parsed = ParseCommandLine(Tool(), words, line);
    if (parsed.ok() && line.help) {
        const std::string help = line.command ? CommandHelp(Tool(), *line.command) : OverallHelp(Tool());
        std::fputs(help.c_str(), stdout);
        return 0;
    }
    Result<Arguments> taken = parsed.ok() ? TakeArguments(line) : Result<Arguments>(parsed);
    if (!taken.ok()) return Usage(taken.reason(), line.command);
    const Arguments args = std::move(taken).value();
    Settings settings;
    if (!PrepareSettings(args, settings)) return 2;

    if (args.command == "check-update") return RunCheckUpdate(args, settings);

    CliPrompt prompt(args.answerYes);
    EngineCompletion completion(settings);
    DocumentController documents(settings, prompt, completion);
    documents.SetInstalledFontFamilies(InstalledFontFamilies());

    // A mesh is not a model file: it takes the import road, never the open pipeline.
    if (args.command == "import") return RunImport(settings, args.unfoldRequest, prompt);

    const std::string& modelPath = args.command == "export" ? args.operands[1] : args.operands[0];
    const Outcome open = documents.OpenModelFile(modelPath);
    // What info reports of the reader: a cancelled outcome after a reader ran is a version it refused.
    const ReaderResult readerResult = open.ok()                                    ? ReaderResult::Read
                                      : open.failed()                              ? ReaderResult::Failed
                                      : documents.LastFormat() != FileFormat::None ? ReaderResult::Refused
                                                                                   : ReaderResult::None;
    // A reader's failure is a message, as in the window; what was refused before reading was told already.
    const bool opened = Tell(prompt, open).ok();
    // The model is drawn, printed and exported with the display block it carries.
    const auto documentSettings = [&documents, &settings] {
        return WithDisplay(settings, documents.Current()->display);
    };
    if (opened) {
        // What the development view does when a model arrives: the sheet grid from fresh part extents.
        UpdateSheetGrid(*documents.Current(), Paper::FromSettings(documentSettings()), true);
    }

    if (args.command == "info") {
        OpenOutcome outcome;
        outcome.opened = opened;
        outcome.format = documents.LastFormat();
        outcome.result = readerResult;
        outcome.title = documents.Title();
        outcome.messages = prompt.Texts();
        outcome.document = opened ? documents.Current() : nullptr;
        if (opened && args.detail) PairPendingSymmetricEdges(*documents.Current()->model);
        outcome.settings = opened ? documentSettings() : settings;
        const std::string json = BuildInfoJson(outcome, args.detail);
        std::fwrite(json.data(), 1, json.size(), stdout);
        return opened ? 0 : 1;
    }

    if (!opened) return 1;
    Document& document = *documents.Current();
    if (args.command == "export") return RunExport(document, documentSettings(), args.exportRequest, prompt);
    if (args.command == "render") return RunRender(document, documentSettings(), args.renderRequest, prompt);
    if (args.command == "print") return RunPrint(document, documentSettings(), args.printRequest, prompt);
    if (args.command == "unfold") return RunUnfold(document, documentSettings(), args.unfoldRequest, prompt);
    if (args.command == "simplify")
        return RunSimplify(document, documentSettings(), args.unfoldRequest, prompt);
    if (args.command == "edit")
        return RunEdit(document, documentSettings(), args.editOperations, args.operands[1]);
    if (args.command == "merge") {
        if (!Tell(prompt, documents.ImportModelFile(args.operands[1])).ok()) return 1;
        UpdateSheetGrid(document, Paper::FromSettings(documentSettings()), true);
    }
    return ExitStatus(
        WriteBinaryModel(document, document.display, args.operands.back(), SaveOptionsFor(document)));
}

} // namespace tsm
