// What the print adds to the parts, as SVG in development millimetres: pictures (PNG data inside the file),
// free texts and edge IDs as real text, so that a drawing program can print or edit them.
#pragma once

#include "model/Document.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tsm {

// One <image> per picture that has pixels, stretched over its rectangle (mirrored by a negative width or
// height, as the raster drawing does).
std::string SvgPictures(const std::vector<std::unique_ptr<ImageBlock>>& pictures);

// One <text> per line of each text block: its font, size in millimetres and colour, lines spaced as the
// overlay spaces them, each line's top at its place.
std::string SvgTexts(const Document& document);

// With drawEdgeIds, the readable labels (SvgEdgeLabels), or with edgeLabelsAsWritten one <text> per
// numbered corner: centred on its edge, turned with it, lifted off it as the EPS output does. Nothing when
// the numbers are off.
std::string SvgEdgeIds(const Development& development, const Settings& settings);

// Texture fills of faces: each material's image once, and per face a repeating pattern that maps the
// face's texture coordinates onto its corners, as the raster drawing maps them.
class SvgTextureFills {
public:
    // The fill attribute value ("url(#...)") for the face at `offset`, its definitions added to Defs();
    // empty when the material has no pixels or the face's texture coordinates span no area.
    std::string FillFor(const Face& face, const Material& material, const Point2& offset);
    // The <image> and <pattern> elements FillFor has referred to so far.
    const std::string& Defs() const { return defs_; }

private:
    std::string defs_;
    std::map<const Material*, std::string> images_; // id of each material's image, "" without pixels
    int patterns_ = 0;
};

} // namespace tsm
