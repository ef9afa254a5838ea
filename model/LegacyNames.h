// The legacy names of the model's data types. Older notes, traces and file-format descriptions use them;
// each alias leads to the type that holds that data today, named for what it is on paper. New code uses
// the names on the right. The settings members' legacy spellings live on only as the stored key strings
// of the settings table (model/SettingsTable.cpp).
#pragma once

#include "model/Development.h"
#include "model/Mesh.h"

namespace tsm {

using CMeshModel = Mesh;            // the whole 3D model: solids and materials
using CSolid = Solid;               // one connected piece of the mesh with its vertices, edges and faces
using CVertex = Vertex;             // a point of a solid
using CEdge = Edge;                 // an edge between two faces (or the border of one)
using CHalfEdge = HalfEdge;         // one corner of one face, directed along the face boundary
using CFace = Face;                 // a flat polygon of the mesh
using CMaterial = Material;         // a face colour and its texture image
using CTextureImage = TextureImage; // a decoded texture image
using CDib24 = Bitmap24;            // a 24-bit bitmap, rows bottom-up, as texture files hold it
using CPart = Part;                 // one flat piece of the development
using CPartLine = PartLine;         // a line of a part: cut, mountain, valley or flat fold
using CTextBlock = TextBlock;       // a text placed on the development
using CImageBlock = ImageBlock;     // a picture placed on the development

} // namespace tsm
