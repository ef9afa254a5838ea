#include "cli/ExportCommand.h"

#include <cstdio>

namespace tsm {

std::string ParseExportRequest(const std::vector<std::string>& operands, bool notFillFaces, bool notFillFlaps,
                               ExportRequest& request) {
    if (operands.size() != 3) return "export takes a format, a model file and an output file";
    const std::string& word = operands[0];
    if (word == "eps")
        request.format = ExportFormat::Eps;
    else if (word == "dxf")
        request.format = ExportFormat::Dxf;
    else if (word == "emf")
        request.format = ExportFormat::Emf;
    else if (word == "svg")
        request.format = ExportFormat::Svg;
    else
        return "unknown export format " + word + " (eps, dxf, emf or svg)";
    const bool fills = request.format == ExportFormat::Eps || request.format == ExportFormat::Svg;
    if ((notFillFaces || notFillFlaps) && !fills)
        return "--not-fill-faces and --not-fill-flaps belong to eps and svg";
    request.outPath = operands[2];
    request.notFillFaces = notFillFaces;
    request.notFillFlaps = notFillFlaps;
    return {};
}

int RunExport(PMdoc& document, const ExportRequest& request, IPrompt& prompt) {
    ExportOptions options;
    options.eps.notFillFaces = request.notFillFaces;
    options.eps.notFillFlaps = request.notFillFlaps;
    options.svg.fillFaces = !request.notFillFaces;
    options.svg.fillFlaps = !request.notFillFlaps;
    std::string detail;
    if (!ExportDevelopment(request.format, document, request.outPath, options, prompt, &detail)) {
        std::fprintf(stderr, "tsmtool: %s\n", detail.c_str());
        return 1;
    }
    return 0;
}

} // namespace tsm
