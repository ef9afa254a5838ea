// The whole development (all parts, whatever the sheets) as one Encapsulated PostScript file: flaps,
// filled faces, cut and fold lines with their dash styles, and edge ID numbers. Vector only: textures,
// texts and pictures are not written.
#pragma once

#include "model/Document.h"
#include "model/Outcome.h"

#include <string>

namespace tsm {

// Millimetres per PostScript point as the files have always been written: nine decimals, not 25.4 / 72.
constexpr double kMillimetresPerPoint = 0.352777778;

// One export: made on the stack, Export called once. Reads from `settings`
// (flaps and edge IDs shown, materials, white underlay, line styles, dash patterns, edge ID font size and
// direction, and the "EPS Option" choice unless `options` are given).
class ExporterEPS {
public:
    explicit ExporterEPS(const Settings& settings) : ExporterEPS(settings, settings.epsOptions) {}
    ExporterEPS(const Settings& settings, const EpsOptions& options);
    virtual ~ExporterEPS();
    ExporterEPS(const ExporterEPS&) = delete;
    ExporterEPS& operator=(const ExporterEPS&) = delete;

    // Recomputes the development's frame (each part's extent first) and writes the file through
    // WriteWholeFile: a failure names its reason and leaves no partial file.
    Outcome Export(const std::string& path, Development& development);

    // The text Export writes (with "\n" line ends), after recomputing the frame the same way.
    std::string BuildText(Development& development);

private:
    void WriteHeader();
    void WriteFlaps();
    void WriteFaces();
    void WriteLines();
    void WriteEdgeIds();

    const Settings& settings_;
    EpsOptions options_;
    Development* development_ = nullptr;
    double heightPt_ = 0; // development height in points: PostScript y runs upwards
    std::string text_;
};

} // namespace tsm
