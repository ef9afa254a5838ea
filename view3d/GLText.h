// Outline text for OpenGL: the characters of a font face as display lists, for the edge IDs the drawings
// place in 3D and on the sheets.
#pragma once

#include "model/Prompt.h"

#include <string>

namespace tsm {

// Outline text as 256 display lists, one per character code, built from the face's glyph outlines.
struct GlyphMetrics {
    float blackBoxX = 0, blackBoxY = 0;
    float originX = 0, originY = 0;
    float cellIncX = 0, cellIncY = 0;
};
// Needs a current GL context and a QGuiApplication; "Font Build Failed" on failure. Returns the list base.
unsigned BuildOutlineFont(const std::string& faceName, IPrompt& prompt);
void DeleteOutlineFont(unsigned listBase);
const GlyphMetrics* OutlineGlyphMetrics(); // 256 entries, filled by BuildOutlineFont
// Draws `text` centred on the current origin in the XY plane; an empty text draws nothing.
void DrawGLText(const std::string& text, unsigned listBase);

} // namespace tsm
