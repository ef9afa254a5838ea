#include "cli/EditCommand.h"

#include "cli/ExitStatus.h"
#include "engine/AssemblyOrder.h"
#include "engine/DocumentEdits.h"
#include "model/BinaryWriter.h"
#include "sheet/CodePage.h"
#include "sheet/Paper.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace tsm {

namespace {

using Verb = EditOperation::Verb;

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

bool ParseIndex(const std::string& word, size_t& value) {
    if (word.empty() || word.size() > 9 || word.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = static_cast<size_t>(std::stoul(word));
    return true;
}

bool ParseNumber(const std::string& word, double& value) {
    if (word.empty()) return false;
    char* end = nullptr;
    value = std::strtod(word.c_str(), &end);
    return end == word.c_str() + word.size() && std::isfinite(value);
}

// Reads the words from `at` on as the pattern says: 'i' an index, 'n' a number.
Outcome Take(const std::vector<std::string>& words, size_t at, const char* pattern, EditOperation& op) {
    for (const char* p = pattern; *p; ++p, ++at) {
        const bool index = *p == 'i';
        if (at >= words.size())
            return Outcome::Failed(std::string("expected ") + (index ? "an index" : "a number") +
                                   " after \"" + words[at - 1] + "\"");
        double number = 0;
        size_t value = 0;
        if (index ? !ParseIndex(words[at], value) : !ParseNumber(words[at], number))
            return Outcome::Failed("\"" + words[at] + "\" is not " + (index ? "an index" : "a number"));
        if (index)
            op.indices.push_back(value);
        else
            op.numbers.push_back(number);
    }
    return at == words.size() ? Outcome::Ok() : Outcome::Failed("unexpected \"" + words[at] + "\"");
}

std::string RestFrom(const std::vector<std::string>& words, size_t at) {
    std::string text;
    for (size_t i = at; i < words.size(); ++i) text += (i > at ? " " : "") + words[i];
    return text;
}

Outcome ParseFlap(const std::vector<std::string>& words, EditOperation& op) {
    if (words.size() < 4) return Outcome::Failed("flap takes a part, a line and switch, size MM or add KIND");
    const std::vector<std::string> head(words.begin(), words.begin() + 3);
    const std::vector<std::string> tail(words.begin() + 3, words.end());
    const Outcome taken = Take(head, 1, "ii", op);
    if (!taken.ok()) return taken;
    if (tail[0] == "switch") {
        op.verb = Verb::FlapSwitch;
        return tail.size() == 1 ? Outcome::Ok() : Outcome::Failed("unexpected \"" + tail[1] + "\"");
    }
    if (tail[0] == "size") {
        op.verb = Verb::FlapSize;
        return Take(tail, 1, "n", op);
    }
    if (tail[0] == "add" && tail.size() == 2) {
        op.verb = Verb::FlapAdd;
        const std::string& kind = tail[1];
        if (kind == "mountain")
            op.choice = static_cast<int>(LineKind::MountainFlap);
        else if (kind == "valley")
            op.choice = static_cast<int>(LineKind::ValleyFlap);
        else if (kind == "flat")
            op.choice = static_cast<int>(LineKind::FlatFlap);
        else
            return Outcome::Failed("a flap is mountain, valley or flat, not \"" + kind + "\"");
        return Outcome::Ok();
    }
    return Outcome::Failed("flap takes switch, size MM or add mountain|valley|flat");
}

Outcome ParseMove(const std::vector<std::string>& words, EditOperation& op) {
    const std::string what = words.size() > 1 ? words[1] : "";
    if (what == "part" || what == "text") {
        op.verb = what == "part" ? Verb::MovePart : Verb::MoveText;
        return Take(words, 2, "inn", op);
    }
    if (what == "picture" && words.size() > 2 && (words[2] == "A" || words[2] == "B")) {
        op.verb = Verb::MovePicture;
        op.indices.push_back(words[2] == "B" ? 1 : 0);
        return Take(words, 3, "inn", op);
    }
    return Outcome::Failed("move takes part P, text N or picture A|B N, then DX DY");
}

Outcome ParseText(const std::vector<std::string>& words, EditOperation& op) {
    const std::string what = words.size() > 1 ? words[1] : "";
    if (what == "add") {
        op.verb = Verb::TextAdd;
        if (words.size() < 6) return Outcome::Failed("text add takes X Y SIZE and the text");
        std::vector<std::string> head(words.begin(), words.begin() + 5);
        const Outcome taken = Take(head, 2, "nni", op);
        if (!taken.ok()) return taken;
        if (op.indices[0] < 1 || op.indices[0] > 1000)
            return Outcome::Failed("a text's size is 1 to 1000 points");
        op.text = RestFrom(words, 5);
        return Outcome::Ok();
    }
    if (what == "edit") {
        op.verb = Verb::TextEdit;
        if (words.size() < 4) return Outcome::Failed("text edit takes N and the text");
        std::vector<std::string> head(words.begin(), words.begin() + 3);
        op.text = RestFrom(words, 3);
        return Take(head, 2, "i", op);
    }
    if (what == "delete" || what == "duplicate") {
        op.verb = what == "delete" ? Verb::TextDelete : Verb::TextDuplicate;
        return Take(words, 2, "i", op);
    }
    if (what == "order" && words.size() == 4) {
        op.verb = Verb::TextOrder;
        const std::string& order = words[3];
        if (order == "top")
            op.choice = static_cast<int>(StackOrder::Top);
        else if (order == "upper")
            op.choice = static_cast<int>(StackOrder::Upper);
        else if (order == "lower")
            op.choice = static_cast<int>(StackOrder::Lower);
        else if (order == "bottom")
            op.choice = static_cast<int>(StackOrder::Bottom);
        else
            return Outcome::Failed("the order is top, upper, lower or bottom, not \"" + order + "\"");
        std::vector<std::string> head(words.begin(), words.begin() + 3);
        return Take(head, 2, "i", op);
    }
    return Outcome::Failed("text takes add, edit, delete, duplicate or order");
}

Outcome ParseColor(const std::vector<std::string>& words, EditOperation& op) {
    if (words.size() != 4) return Outcome::Failed("color takes a part, a line and RRGGBB or hide");
    std::vector<std::string> head(words.begin(), words.begin() + 3);
    const Outcome taken = Take(head, 1, "ii", op);
    if (!taken.ok()) return taken;
    if (words[3] == "hide") {
        op.verb = Verb::Hide;
        return Outcome::Ok();
    }
    op.verb = Verb::Color;
    if (words[3].size() != 6 || words[3].find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return Outcome::Failed("\"" + words[3] + "\" is not a colour RRGGBB");
    op.choice = static_cast<int>(std::strtol(words[3].c_str(), nullptr, 16));
    return Outcome::Ok();
}

// ---- running ----

Part* PartAt(Document& document, size_t index) {
    auto& parts = document.development->parts;
    return index < parts.size() ? parts[index].get() : nullptr;
}

// What an operation names, looked up before it runs; anything missing refuses it with the system's words.
struct Targets {
    Part* part = nullptr;
    PartLine* line = nullptr;
    ImageBlock* picture = nullptr;
    std::string text; // in the model's code page
};

Outcome Lookup(Document& document, const EditOperation& op, Targets& targets) {
    const auto& ix = op.indices;
    const Verb v = op.verb;
    const bool namesLine = v == Verb::Cut || v == Verb::Join || v == Verb::FlapSwitch ||
                           v == Verb::FlapSize || v == Verb::FlapAdd || v == Verb::Color || v == Verb::Hide;
    if (namesLine || v == Verb::Rotate || v == Verb::MovePart) {
        targets.part = PartAt(document, ix[0]);
        if (!targets.part) return Outcome::Failed("There is no part " + std::to_string(ix[0]) + ".");
    }
    if (namesLine) {
        if (ix[1] >= targets.part->lines.size())
            return Outcome::Failed("Part " + std::to_string(ix[0]) + " has no line " + std::to_string(ix[1]) +
                                   ".");
        targets.line = targets.part->lines[ix[1]].get();
    }
    if ((v == Verb::MoveText || v == Verb::TextEdit || v == Verb::TextDelete || v == Verb::TextDuplicate ||
         v == Verb::TextOrder) &&
        ix[0] >= document.development->texts.size())
        return Outcome::Failed("There is no text " + std::to_string(ix[0]) + ".");
    if (v == Verb::MovePicture) {
        auto& list = ix[0] ? document.development->imagesB : document.development->imagesA;
        if (ix[1] >= list.size())
            return Outcome::Failed("There is no picture " + std::to_string(ix[1]) + " in list " +
                                   (ix[0] ? "B." : "A."));
        targets.picture = list[ix[1]].get();
    }
    if (v == Verb::TextAdd || v == Verb::TextEdit) {
        const auto bytes = EncodeModelString(QString::fromStdString(op.text), document.writerLocale);
        if (!bytes) return Outcome::Failed("The text has characters the model's code page cannot hold.");
        targets.text = *bytes;
    }
    if ((v == Verb::Color || v == Verb::Hide) &&
        !CanColorLine(*targets.line, EdgeColorTargets{}, document.display))
        return Outcome::Failed("Only cut, mountain and valley lines take a colour.");
    return Outcome::Ok();
}

EditResult Apply(EditContext& context, const EditOperation& op) {
    Document& document = context.document;
    if (op.verb != Verb::Undo && op.verb != Verb::Redo && !document.development)
        return Outcome::Failed(kNoDevelopmentText);
    Targets targets;
    Outcome found = Lookup(document, op, targets);
    if (!found.ok()) return found;
    PartLine* line = targets.line; // set for the verbs that name a line
    const auto& ix = op.indices;
    const auto& n = op.numbers;
    EditSelection selection;
    switch (op.verb) {
    case Verb::Cut:
        return CutFold(context, *line);
    case Verb::Join: {
        std::optional<Point2> click;
        if (n.size() == 2) click = Point2{n[0], n[1]};
        return JoinCutEdge(context, *line, click);
    }
    case Verb::FlapSwitch:
        return SwitchFlap(context, *line);
    case Verb::FlapSize:
        return ChangeFlapHeight(context, *line, n[0]);
    case Verb::FlapAdd:
        return AddFlapTo(context, *line, static_cast<LineKind>(op.choice));
    case Verb::Rotate:
        return RotatePartBy(context, *targets.part, {n[0], n[1]}, n[2]);
    case Verb::MovePart:
        selection.parts.push_back(targets.part);
        return MoveSelection(context, selection, {n[0], n[1]});
    case Verb::MoveText:
        selection.texts.push_back(document.development->texts[ix[0]].get());
        return MoveSelection(context, selection, {n[0], n[1]});
    case Verb::MovePicture:
        selection.pictures.push_back(targets.picture);
        return MoveSelection(context, selection, {n[0], n[1]});
    case Verb::TextAdd:
        return AddTextAt(context, MakeText({n[0], n[1]}, {targets.text}, TextBlock().fontName,
                                           static_cast<int32_t>(ix[0]), 0));
    case Verb::TextEdit: {
        TextBlock replacement = *document.development->texts[ix[0]];
        replacement.lines = {targets.text};
        return EditText(context, ix[0], replacement);
    }
    case Verb::TextDelete:
        return DeleteTextAt(context, ix[0]);
    case Verb::TextDuplicate:
        return DuplicateTextAt(context, ix[0]);
    case Verb::TextOrder:
        return OrderText(context, ix[0], static_cast<StackOrder>(op.choice));
    case Verb::Color:
    case Verb::Hide: {
        EdgeColorAction action;
        action.hide = op.verb == Verb::Hide;
        action.rgb = {uint8_t(op.choice >> 16), uint8_t(op.choice >> 8), uint8_t(op.choice)};
        return ColorLines(context, {line}, action);
    }
    case Verb::Order:
        return SetBuildOrder(context, std::vector<int>(ix.begin(), ix.end()));
    case Verb::Undo:
        return Undo(context);
    case Verb::Redo:
        return Redo(context);
    }
    return Outcome::Failed("unknown operation");
}

Outcome TakeApart(const std::string& given, EditOperation& op) {
    const std::vector<std::string> words = Words(given);
    if (words.empty()) return Outcome::Failed("an operation is empty");
    const std::string& verb = words[0];
    if (verb == "cut") {
        op.verb = Verb::Cut;
        return Take(words, 1, "ii", op);
    }
    if (verb == "join") {
        op.verb = Verb::Join;
        return Take(words, 1, words.size() > 3 ? "iinn" : "ii", op);
    }
    if (verb == "rotate") {
        op.verb = Verb::Rotate;
        return Take(words, 1, "innn", op);
    }
    if (verb == "flap") return ParseFlap(words, op);
    if (verb == "move") return ParseMove(words, op);
    if (verb == "text") return ParseText(words, op);
    if (verb == "color") return ParseColor(words, op);
    if (verb == "order") {
        op.verb = Verb::Order;
        if (words.size() == 2 && words[1] == "derived") return Outcome::Ok();
        if (words.size() < 2) return Outcome::Failed("order takes part indices or derived");
        return Take(words, 1, std::string(words.size() - 1, 'i').c_str(), op);
    }
    if (verb == "undo" || verb == "redo") {
        op.verb = verb == "undo" ? Verb::Undo : Verb::Redo;
        return words.size() == 1 ? Outcome::Ok() : Outcome::Failed("unexpected \"" + words[1] + "\"");
    }
    return Outcome::Failed("unknown operation \"" + verb + "\"");
}

} // namespace

Result<EditOperation> ParseEditOperation(const std::string& given) {
    EditOperation op;
    op.given = given;
    Outcome parsed = TakeApart(given, op);
    if (!parsed.ok()) return parsed;
    return op;
}

int RunEdit(Document& document, const Settings& settings, const std::vector<EditOperation>& operations,
            const std::string& outPath) {
    const Paper paper = Paper::FromSettings(settings);
    EditContext context{document, settings, paper.PrintableWidth()};
    for (const EditOperation& op : operations) {
        const EditResult result = Apply(context, op);
        if (!result.ok()) return ExitStatus(result.outcome(), "edit: " + op.given + ": ");
    }
    // As the development view would after the edits: the sheet grid from the parts as they now lie.
    if (document.development) UpdateSheetGrid(document, paper, false);
    return ExitStatus(WriteBinaryModel(document, document.display, outPath, SaveOptionsFor(document)));
}

} // namespace tsm
