#include "cli/TsmTool.h"

#include "cli/CliPrompt.h"
#include "cli/ExportCommand.h"
#include "cli/InfoReport.h"
#include "cli/PrintCommand.h"
#include "cli/RenderCommand.h"
#include "cli/UnfoldCommand.h"
#include "engine/EngineCompletion.h"
#include "model/BinaryWriter.h"
#include "model/OpenPipeline.h"
#include "model/Settings.h"
#include "model/SettingsPersistence.h"
#include "model/SettingsTable.h"
#include "sheet/FontFamilies.h"
#include "sheet/Paper.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace tsm {

namespace {

const char* const kUsage =
    "usage: tsmtool [--settings PATH] [--set NAME=VALUE]... [--yes|--no] COMMAND ...\n"
    "  info [--detail] MODEL      print what MODEL holds as JSON\n"
    "  save MODEL OUT.tsm         open MODEL and write it as a binary model file\n"
    "  merge MODEL IMPORTED OUT.tsm\n"
    "                             open MODEL, import IMPORTED into it, write the result\n"
    "  export eps|dxf|emf|svg [--not-fill-faces] [--not-fill-flaps] MODEL OUT\n"
    "                             write MODEL's development as a picture file (OUT without an\n"
    "                             extension gets the format's)\n"
    "  export bmp|sheets [--width PX] MODEL OUT.bmp\n"
    "                             the whole development as one BMP, or one BMP per printed sheet\n"
    "                             (OUT_001.bmp, ...); PX is the content width, default 72 pixels per\n"
    "                             inch (--yes accepts a file above 15 MB)\n"
    "  render --view 2d [--size WxH] [--labels] MODEL OUT.png|OUT.bmp\n"
    "                             the development view's picture, fitted (default 800x600); --labels\n"
    "                             adds the page numbers\n"
    "  render --view 3d [--size WxH] [--yaw D] [--pitch D] MODEL OUT.png|OUT.bmp\n"
    "                             the 3D view's picture from the default camera (yaw -30, pitch 30)\n"
    "                             or the given angles in degrees\n"
    "  import [--unfold] [--auto | --scale S] [--spacing V] [--no-avoid-page-breaks] MESH OUT.tsm\n"
    "                             import an OBJ, OFF, STL or PLY mesh (--yes joins adjacent isolated\n"
    "                             edges) and write it as a model file, unfolded with --unfold\n"
    "  unfold [--auto | --scale S] [--spacing V] [--no-avoid-page-breaks] MODEL OUT.tsm\n"
    "                             unfold MODEL anew (a development it has is undone first) and write\n"
    "                             it; --auto fits one sheet with spacing V in % of the model's size,\n"
    "                             --scale S sets the absolute scale with spacing V in mm\n"
    "  print --pdf OUT.pdf [--printer-paper A4|A3|Letter|Legal|...|WxH] [--printer-margins MM]\n"
    "        [--dpi N] MODEL      print MODEL's development into a PDF as onto a printer with that\n"
    "                             paper (default the model's, turned like it) and unprintable margin\n"
    "                             (default 0) at N dpi (default 600); --yes/--no answer the scale\n"
    "                             questions\n";

struct Arguments {
    std::string settingsPath;
    std::vector<std::string> overrides;
    bool answerYes = false;
    bool detail = false;
    bool notFillFaces = false;
    bool notFillFlaps = false;
    std::optional<int> widthPixels;
    std::string view;
    std::optional<std::string> size;
    bool labels = false;
    std::optional<std::string> yaw, pitch;
    ExportRequest exportRequest;
    RenderRequest renderRequest;
    std::optional<std::string> pdf, printerPaper, printerMargins, dpi;
    PrintRequest printRequest;
    bool unfold = false, autoLayout = false, noAvoidPageBreaks = false;
    std::optional<std::string> scale, spacing;
    UnfoldRequest unfoldRequest;
    std::string command;
    std::vector<std::string> operands;
};

int Usage(const std::string& problem) {
    if (!problem.empty()) std::fprintf(stderr, "tsmtool: %s\n", problem.c_str());
    std::fputs(kUsage, stderr);
    return 2;
}

// Options may stand before or after the command; returns an error text, empty on success.
std::string Parse(int argc, char** argv, Arguments& args) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char* option) -> const char* {
            if (i + 1 >= argc) return nullptr;
            (void)option;
            return argv[++i];
        };
        if (arg == "--settings") {
            const char* path = value("--settings");
            if (!path) return "--settings needs a path";
            args.settingsPath = path;
        } else if (arg == "--set") {
            const char* assignment = value("--set");
            if (!assignment) return "--set needs NAME=VALUE";
            args.overrides.push_back(assignment);
        } else if (arg == "--yes") {
            args.answerYes = true;
        } else if (arg == "--no") {
            args.answerYes = false;
        } else if (arg == "--detail") {
            args.detail = true;
        } else if (arg == "--not-fill-faces") {
            args.notFillFaces = true;
        } else if (arg == "--not-fill-flaps") {
            args.notFillFlaps = true;
        } else if (arg == "--width") {
            const char* text = value("--width");
            int width = 0;
            const char* end = text ? text + std::char_traits<char>::length(text) : nullptr;
            if (!text || std::from_chars(text, end, width).ptr != end || text == end)
                return "--width needs a number of pixels";
            args.widthPixels = width;
        } else if (arg == "--view") {
            const char* name = value("--view");
            if (!name) return "--view needs a view name";
            args.view = name;
        } else if (arg == "--size") {
            const char* text = value("--size");
            if (!text) return "--size needs WIDTHxHEIGHT";
            args.size = text;
        } else if (arg == "--pdf" || arg == "--printer-paper" || arg == "--printer-margins" ||
                   arg == "--dpi") {
            const char* text = value(arg.c_str());
            if (!text) return arg + " needs a value";
            (arg == "--pdf"               ? args.pdf
             : arg == "--printer-paper"   ? args.printerPaper
             : arg == "--printer-margins" ? args.printerMargins
                                          : args.dpi) = text;
        } else if (arg == "--unfold") {
            args.unfold = true;
        } else if (arg == "--auto") {
            args.autoLayout = true;
        } else if (arg == "--no-avoid-page-breaks") {
            args.noAvoidPageBreaks = true;
        } else if (arg == "--scale" || arg == "--spacing") {
            const char* text = value(arg.c_str());
            if (!text) return arg + " needs a number";
            (arg == "--scale" ? args.scale : args.spacing) = text;
        } else if (arg == "--labels") {
            args.labels = true;
        } else if (arg == "--yaw" || arg == "--pitch") {
            const char* degrees = value(arg.c_str());
            if (!degrees) return arg + " needs degrees";
            (arg == "--yaw" ? args.yaw : args.pitch) = degrees;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return "unknown option " + arg;
        } else if (args.command.empty()) {
            args.command = arg;
        } else {
            args.operands.push_back(arg);
        }
    }
    if (args.command.empty()) return "no command given";
    if ((args.notFillFaces || args.notFillFlaps) && args.command != "export")
        return "--not-fill-faces and --not-fill-flaps belong to export";
    if (args.widthPixels && args.command != "export") return "--width belongs to export";
    if ((!args.view.empty() || args.size || args.labels || args.yaw || args.pitch) &&
        args.command != "render")
        return "--view, --size, --labels, --yaw and --pitch belong to render";
    if ((args.pdf || args.printerPaper || args.printerMargins || args.dpi) && args.command != "print")
        return "--pdf, --printer-paper, --printer-margins and --dpi belong to print";
    if ((args.unfold || args.autoLayout || args.noAvoidPageBreaks || args.scale || args.spacing) &&
        args.command != "import" && args.command != "unfold")
        return "--unfold, --auto, --scale, --spacing and --no-avoid-page-breaks belong to import and unfold";
    if (args.command == "info") {
        if (args.operands.size() != 1) return "info takes one model file";
    } else if (args.command == "save") {
        if (args.operands.size() != 2) return "save takes a model file and an output file";
        if (args.detail) return "--detail belongs to info";
    } else if (args.command == "merge") {
        if (args.operands.size() != 3)
            return "merge takes the current model, the imported model and an output file";
        if (args.detail) return "--detail belongs to info";
    } else if (args.command == "export") {
        if (args.detail) return "--detail belongs to info";
        return ParseExportRequest(args.operands, args.notFillFaces, args.notFillFlaps, args.exportRequest,
                                  args.widthPixels);
    } else if (args.command == "render") {
        if (args.detail) return "--detail belongs to info";
        const std::string problem =
            ParseRenderRequest(args.operands, args.view, args.size, args.labels, args.renderRequest);
        return problem.empty() ? ParseRenderAngles(args.yaw, args.pitch, args.renderRequest) : problem;
    } else if (args.command == "print") {
        if (args.detail) return "--detail belongs to info";
        return ParsePrintRequest(args.operands, args.pdf, args.printerPaper, args.printerMargins, args.dpi,
                                 args.printRequest);
    } else if (args.command == "import" || args.command == "unfold") {
        if (args.detail) return "--detail belongs to info";
        return ParseUnfoldRequest(args.command, args.operands, args.unfold, args.autoLayout, args.scale,
                                  args.spacing, args.noAvoidPageBreaks, args.unfoldRequest);
    } else {
        return "unknown command " + args.command;
    }
    return {};
}

// The user's settings (or the given store), then the overrides; tsmtool never writes settings back.
bool PrepareSettings(const Arguments& args) {
    std::string error;
    SettingsSession session(args.settingsPath.empty() ? DefaultSettingsFilePath() : args.settingsPath);
    if (!session.ReadStore(&error)) {
        std::fprintf(stderr, "tsmtool: %s\n", error.c_str());
        return false;
    }
    LoadSettings(session, CurrentSettings(), ProgramDirectory());
    for (const std::string& assignment : args.overrides) {
        const size_t equals = assignment.find('=');
        if (equals == std::string::npos) {
            std::fprintf(stderr, "tsmtool: --set %s: expected NAME=VALUE\n", assignment.c_str());
            return false;
        }
        if (!ApplySettingOverride(CurrentSettings(), assignment.substr(0, equals),
                                  assignment.substr(equals + 1), &error)) {
            std::fprintf(stderr, "tsmtool: --set %s: %s\n", assignment.c_str(), error.c_str());
            return false;
        }
    }
    return true;
}

} // namespace

int RunTsmTool(int argc, char** argv) {
    Arguments args;
    const std::string problem = Parse(argc, argv, args);
    if (!problem.empty()) return Usage(problem);
    if (!PrepareSettings(args)) return 2;

    CliPrompt prompt(args.answerYes);
    EngineCompletion completion;
    CModelviewerDoc documents(prompt, completion);
    documents.SetInstalledFontFamilies(InstalledFontFamilies());

    // A mesh is not a model file: it takes the import road, never the open pipeline.
    if (args.command == "import") return RunImport(args.unfoldRequest, prompt);

    const std::string& modelPath = args.command == "export" ? args.operands[1] : args.operands[0];
    const bool opened = documents.OpenModelFile(modelPath);
    if (opened) {
        // What the development view does when a model arrives: the sheet grid from fresh part extents.
        UpdateSheetGrid(*documents.Current(), CPaper::FromSettings(CurrentSettings()), true);
    }

    if (args.command == "info") {
        OpenOutcome outcome;
        outcome.opened = opened;
        outcome.result = documents.LastResult();
        outcome.format = documents.LastFormat();
        outcome.title = documents.Title();
        outcome.messages = prompt.Texts();
        outcome.document = opened ? documents.Current() : nullptr;
        const std::string json = BuildInfoJson(outcome, args.detail);
        std::fwrite(json.data(), 1, json.size(), stdout);
        return opened ? 0 : 1;
    }

    if (!opened) return 1;
    if (args.command == "export") return RunExport(*documents.Current(), args.exportRequest, prompt);
    if (args.command == "render") return RunRender(*documents.Current(), args.renderRequest, prompt);
    if (args.command == "print") return RunPrint(*documents.Current(), args.printRequest, prompt);
    if (args.command == "unfold") return RunUnfold(*documents.Current(), args.unfoldRequest, prompt);
    if (args.command == "merge") {
        if (!documents.ImportModelFile(args.operands[1])) return 1;
        UpdateSheetGrid(*documents.Current(), CPaper::FromSettings(CurrentSettings()), true);
    }
    const Outcome written = WriteBinaryModel(*documents.Current(), CurrentSettings(), args.operands.back());
    if (!written.ok()) {
        std::fprintf(stderr, "tsmtool: %s\n", written.reason().c_str());
        return 1;
    }
    return 0;
}

} // namespace tsm
