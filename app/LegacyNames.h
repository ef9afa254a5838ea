// The legacy names of Tessaly's classes. Older notes, traces and file-format descriptions use them; each
// alias leads to the class that plays that part today, named by its role and its file. New code uses the
// names on the right.
#pragma once

#include "app/Application.h"
#include "app/DocumentInfoDialog.h"
#include "app/DocumentViewWidget.h"
#include "app/MainFrame.h"
#include "app/ObjectListDialog.h"
#include "app/ProgressWindow.h"
#include "engine/Unfolder.h"
#include "model/BinaryReader.h"
#include "model/Document.h"
#include "model/OpenPipeline.h"
#include "model/TextReader.h"
#include "sheet/Paper.h"
#include "view3d/OffscreenBitmap.h"

namespace tsm {

using CTenkaizu = Development;               // the flat development: parts, texts, pictures
using PMdoc = Document;                      // one open model with its development
using CModelviewerDoc = DocumentController;  // owns the current document, opens and imports files
using CLoaderWorkInfoV3 = BinaryReader;      // reader of the binary model file
using CLoaderWorkInfoV2 = TextReader;        // reader of the older text model file
using CDIBforGLRender = OffscreenBitmap;     // off-screen GL rendering into a 24-bit bitmap
using CUnfolder = Unfolder;                  // unfolds a mesh into parts
using CPaper = Paper;                        // paper size, orientation and margins
using CMainFrame = MainFrame;                // the main window
using CModelviewerApp = Application;         // start-up and the event loop
using CModelviewerView = ModelViewWidget;    // the 3D view's widget
using CTenkaizuView = DevelopmentViewWidget; // the development view's widget
using CProgressWnd = ProgressWindow;         // the progress window of long work
using CObjectListDialog = ObjectListDialog;  // the Object List
using CDialogLineInfo = DocumentInfoDialog;  // Document Info

} // namespace tsm
