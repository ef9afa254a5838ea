// The sample models: built in code, so that the files in samples/ can be made again byte for byte.
#pragma once

#include "model/Document.h"

#include <string>
#include <vector>

namespace tsm {

// A 40 mm cube unfolded into one part, without materials, texts or pictures. Returns the problems of the
// development (empty on success).
std::vector<std::string> BuildSampleCube(Document& doc);

// A house: a body with a textured material, a plain-coloured roof and chimney, four parts (the body's
// floor is cut free), a one-line title, a several-line instruction text and one picture in each list.
std::vector<std::string> BuildSampleHouse(Document& doc);

} // namespace tsm
