// The whole development (all parts, whatever the sheets) as one Encapsulated PostScript file: flaps,
// filled faces, cut and fold lines with their dash styles, and edge ID numbers. Vector only: textures,
// texts and pictures are not written.
#pragma once

#include "model/Document.h"

#include <cstdio>
#include <string>

namespace tsm {

// Millimetres per PostScript point as the files have always been written: nine decimals, not 25.4 / 72.
constexpr double kMillimetresPerPoint = 0.352777778;

// Result codes of the vector exporters.
enum ExportResult : int {
    kExportOk = 0,
    kExportCannotCreate = 1 // the file could not be created; nothing was written
};

// The two check boxes of the "EPS Option" dialog. They outlive each export but not the program: there is
// no registry value for them, and both start off.
struct EpsOptions {
    bool notFillFaces = false;
    bool notFillFlaps = false;
};

// The options the dialog shows next time; the EPS command stores the user's choice here.
EpsOptions& KeptEpsOptions();

// One export: made on the stack, Export called once. Reads from `settings`
// (flaps and edge IDs shown, materials, white underlay, line styles, dash patterns, edge ID font size and
// direction).
class ExporterEPS {
public:
    explicit ExporterEPS(const Settings& settings, const EpsOptions& options = KeptEpsOptions());
    virtual ~ExporterEPS();
    ExporterEPS(const ExporterEPS&) = delete;
    ExporterEPS& operator=(const ExporterEPS&) = delete;

    // Recomputes the development's frame (each part's extent first) and writes the file with the
    // platform's text line ends. Returns kExportOk, or kExportCannotCreate before anything is written.
    // Write errors after the file was created are not reported.
    int Export(const std::string& path, CTenkaizu& development);

    // The text Export writes (with "\n" line ends), after recomputing the frame the same way.
    std::string BuildText(CTenkaizu& development);

private:
    void WriteHeader();
    void WriteFlaps();
    void WriteFaces();
    void WriteLines();
    void WriteEdgeIds();

    const Settings& settings_;
    EpsOptions options_;
    std::string path_;
    CTenkaizu* development_ = nullptr;
    std::FILE* file_ = nullptr;
    double heightPt_ = 0; // development height in points: PostScript y runs upwards
    std::string text_;
};

} // namespace tsm
