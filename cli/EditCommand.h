// tsmtool edit: the development editors' operations, given as words, run through the same document
// commands as the window's tools, then the result written to a new file.
#pragma once

#include "model/Document.h"
#include "model/Result.h"
#include "model/Settings.h"

#include <string>
#include <vector>

namespace tsm {

// One operation as given ("cut 0 3", "move text 1 -2 0", ...), taken apart; see ParseEditOperation.
struct EditOperation {
    enum class Verb {
        Cut,
        Join,
        FlapSwitch,
        FlapSize,
        FlapAdd,
        Rotate,
        MovePart,
        MoveText,
        MovePicture,
        TextAdd,
        TextEdit,
        TextDelete,
        TextDuplicate,
        TextOrder,
        Color,
        Hide,
        Undo,
        Redo,
        Order, // the build order: part indices in `indices`, none for the derived order
    };
    std::string given; // the argument as written, to name it in messages
    Verb verb = Verb::Undo;
    std::vector<size_t> indices; // part and line, text, or picture (list B as 1, then its index)
    std::vector<double> numbers; // positions, vectors, angle, size in mm or points
    int choice = 0;              // flap kind (LineKind), stacking order (StackOrder), colour RRGGBB
    std::string text;            // text add and edit
};

// Takes one operation apart; fails with what is wrong with it. Whether its indices exist is only known
// when it runs.
Result<EditOperation> ParseEditOperation(const std::string& given);

// Runs the operations in order on the opened document (drawn with `settings`, whose paper gives the
// cut's offset) and writes it to `outPath`. 0 when written; 1 when an operation was refused (its message
// on stderr) or the write failed. Nothing is written unless every operation ran.
int RunEdit(Document& document, const Settings& settings, const std::vector<EditOperation>& operations,
            const std::string& outPath);

} // namespace tsm
