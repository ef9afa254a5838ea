// The outline and fold lines of the whole development as a minimal DXF drawing of the R12 generation
// ($ACADVER AC1009) for cutting plotters and CAD programs: one LINE entity per edge, sorted into the
// layers "CutLine", "MountainLine" and "ValleyLine". Faces, texts, pictures, edge IDs and dash styles are
// not written; coordinates are millimetres with the origin at the frame's lower left corner.
#pragma once

#include "model/Document.h"
#include "model/Outcome.h"

#include <string>

namespace tsm {

// One export: made on the stack, Export called once. Reads drawFlaps from `settings`.
class ExporterDXF {
public:
    explicit ExporterDXF(const Settings& settings) : settings_(settings) {}
    virtual ~ExporterDXF();
    ExporterDXF(const ExporterDXF&) = delete;
    ExporterDXF& operator=(const ExporterDXF&) = delete;

    // Writes the file through WriteWholeFile, using the frame the development holds now (the views and
    // the layout keep it current): a failure names its reason and leaves no partial file.
    Outcome Export(const std::string& path, const Development& development);

    // The text Export writes, with "\n" line ends.
    std::string BuildText(const Development& development);

private:
    const Settings& settings_;
    const Development* development_ = nullptr;
};

} // namespace tsm
