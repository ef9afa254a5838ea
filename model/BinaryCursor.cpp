#include "model/BinaryCursor.h"

namespace tsm {

std::string BinaryCursor::Where() const {
    const std::string a = N(whereA_), b = N(whereB_);
    switch (section_) {
    case BinarySection::HeaderFields:
        return "the header fields";
    case BinarySection::UnusedBlock:
        return "the block after the header fields";
    case BinarySection::ModelHeader:
        return "the model header";
    case BinarySection::SolidCount:
        return "the solid count";
    case BinarySection::SolidHeader:
        return "the header of solid " + a;
    case BinarySection::Vertices:
        return "the vertices of solid " + a;
    case BinarySection::Face:
        return "face " + b + " of solid " + a;
    case BinarySection::Corners:
        return "the corners of face " + b + " of solid " + a;
    case BinarySection::Edges:
        return "edge " + b + " of solid " + a;
    case BinarySection::MaterialCount:
        return "the material count";
    case BinarySection::Material:
        return "material " + a;
    case BinarySection::DevelopmentFlag:
        return "the development flag";
    case BinarySection::DevelopmentHeader:
        return "the development header";
    case BinarySection::PartHeader:
        return "part " + a;
    case BinarySection::PartLines:
        return "line " + b + " of part " + a;
    case BinarySection::TextCount:
        return "the text count";
    case BinarySection::Text:
        return "text " + a;
    case BinarySection::PictureCount:
        return "the count of the " + PictureListName(whereA_) + " picture list";
    case BinarySection::Picture:
        return "picture " + b + " of the " + PictureListName(whereA_) + " picture list";
    case BinarySection::Settings:
        return "the display settings";
    case BinarySection::Trailer:
        return "the end marker";
    }
    return "the file";
}

} // namespace tsm
