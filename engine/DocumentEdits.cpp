// The editors' document commands: each checks what it is asked, then changes the data through the edit
// operations inside RunDevelopmentEdit.
#include "engine/DocumentEdits.h"

#include "engine/Unfolder.h"

#include <algorithm>
#include <cmath>

namespace tsm {

const char* const kNotAFoldText = "Only a fold can be cut.";
const char* const kNotJoinableText = "Only a cut edge between two faces can be joined.";

namespace {

const char* const kNotACutText = "Only a cut edge carries a flap.";
const char* const kHasFlapText = "This edge has a flap already.";
const char* const kFlapHeightText = "Specify a value of 0.1-100 mm for flap width.";
const char* const kFlapAngleText = "Specify flap angles between 1 and 179 degrees.";
const char* const kNoSuchTextText = "There is no such text.";
const char* const kNoSuchPictureText = "There is no such picture.";
const char* const kEmptyTextText = "A text needs at least one character.";

constexpr double kPi = 3.14159265358979323846;

bool IsCut(const PartLine& line) {
    return line.first != nullptr && line.first->Joined() == nullptr;
}

bool AngleOk(double degrees) {
    return std::isfinite(degrees) && degrees >= 1 && degrees <= 179;
}

// Every edit but cutting and joining leaves the `joined` pairs alone.
EditResult Checked(EditContext& context, UpdateHint hint, const std::function<const char*()>& check,
                   const std::function<void()>& change, EditScope scope = {false, nullptr}) {
    return RunDevelopmentEdit(context, hint, change, check, scope);
}

EditScope LinksOf(const PartLine& line) {
    const Part* part = PartOf(line);
    return {true, part ? part->solid : nullptr};
}

} // namespace

EditResult CutFold(EditContext& context, PartLine& line) {
    return Checked(
        context, UpdateHint::Undone, [&]() { return IsFoldLine(line) ? nullptr : kNotAFoldText; },
        [&]() { CutAtLine(*context.document.development, line, context.printableWidthMM); }, LinksOf(line));
}

EditResult JoinCutEdge(EditContext& context, PartLine& line, std::optional<Point2> click) {
    return Checked(
        context, UpdateHint::Undone, [&]() { return IsJoinableCutLine(line) ? nullptr : kNotJoinableText; },
        [&]() {
            PartLine& chosen = click ? JoinLineForClick(line, *click) : line;
            JoinAtLine(*context.document.development, chosen, CoincidentEdgeThresholdMM(context.settings));
        },
        LinksOf(line));
}

EditResult SwitchFlap(EditContext& context, PartLine& line) {
    return Checked(
        context, UpdateHint::KeepGridInPlace, [&]() { return IsCut(line) ? nullptr : kNotACutText; },
        [&]() { SwitchFlapPosition(line); });
}

EditResult ChangeFlapHeight(EditContext& context, PartLine& line, double heightMM) {
    return Checked(
        context, UpdateHint::KeepGridInPlace,
        [&]() -> const char* {
            if (!IsCut(line)) return kNotACutText;
            return std::isfinite(heightMM) && heightMM >= 0.1 && heightMM <= 100 ? nullptr : kFlapHeightText;
        },
        [&]() { SetFlapHeight(line, heightMM); });
}

EditResult AddFlapTo(EditContext& context, PartLine& line, LineKind kind) {
    return Checked(
        context, UpdateHint::KeepGridInPlace,
        [&]() -> const char* {
            if (!IsCut(line) || kind == LineKind::NoFlap) return kNotACutText;
            return line.first->hasFlap ? kHasFlapText : nullptr;
        },
        [&]() { AddFlap(line, kind); });
}

EditResult ChangeFlapDetails(EditContext& context, PartLine& line, double heightMM, double angle1Degrees,
                             double angle2Degrees) {
    return Checked(
        context, UpdateHint::KeepGridInPlace,
        [&]() -> const char* {
            if (!IsCut(line)) return kNotACutText;
            if (!(std::isfinite(heightMM) && heightMM >= 0.1 && heightMM <= 100)) return kFlapHeightText;
            return AngleOk(angle1Degrees) && AngleOk(angle2Degrees) ? nullptr : kFlapAngleText;
        },
        [&]() { SetFlapShape(line, heightMM, angle1Degrees * kPi / 180, angle2Degrees * kPi / 180); });
}

EditResult RotatePartBy(EditContext& context, Part& part, const Point2& centre, double degrees) {
    return Checked(context, UpdateHint::KeepGridInPlace, nullptr,
                   [&]() { RotatePart(part, centre, degrees); });
}

EditResult MoveSelection(EditContext& context, const EditSelection& selection, const Point2& by) {
    return Checked(context, UpdateHint::KeepGridInPlace, nullptr, [&]() {
        for (Part* part : selection.parts) MovePart(*part, by);
        for (TextBlock* text : selection.texts) MoveText(*text, by);
        for (ImageBlock* picture : selection.pictures) MovePicture(*picture, by);
    });
}

EditResult ResizeTextOrPicture(EditContext& context, double rect[4], const std::array<double, 4>& newRect) {
    return Checked(context, UpdateHint::KeepGridInPlace, nullptr, [&]() { ResizeRect(rect, newRect); });
}

EditResult DeleteSelection(EditContext& context, const EditSelection& selection) {
    return Checked(context, UpdateHint::Undone, nullptr, [&]() {
        Development& dev = *context.document.development;
        const auto drop = [](auto& list, const auto& doomed) {
            list.erase(std::remove_if(list.begin(), list.end(),
                                      [&](const auto& item) {
                                          return std::find(doomed.begin(), doomed.end(), item.get()) !=
                                                 doomed.end();
                                      }),
                       list.end());
        };
        drop(dev.texts, selection.texts);
        drop(dev.imagesA, selection.pictures);
        drop(dev.imagesB, selection.pictures);
    });
}

EditResult AddTextAt(EditContext& context, TextBlock text) {
    return Checked(
        context, UpdateHint::KeepGridInPlace,
        [&]() -> const char* {
            for (const auto& line : text.lines)
                if (!line.empty()) return nullptr;
            return kEmptyTextText;
        },
        [&]() { AddText(*context.document.development, std::move(text)); });
}

EditResult EditText(EditContext& context, size_t index, const TextBlock& replacement) {
    Development* dev = context.document.development.get();
    return Checked(
        context, UpdateHint::KeepGridInPlace,
        [&]() -> const char* {
            if (index >= dev->texts.size()) return kNoSuchTextText;
            for (const auto& line : replacement.lines)
                if (!line.empty()) return nullptr;
            return kEmptyTextText;
        },
        [&]() {
            TextBlock& text = *dev->texts[index];
            text.lines = replacement.lines;
            text.fontName = replacement.fontName;
            text.fontSize = replacement.fontSize;
            text.color = replacement.color;
            text.lineSpacing = replacement.lineSpacing;
            EstimateTextSize(text);
        });
}

EditResult DeleteTextAt(EditContext& context, size_t index) {
    Development* dev = context.document.development.get();
    return Checked(
        context, UpdateHint::Undone, [&]() { return index < dev->texts.size() ? nullptr : kNoSuchTextText; },
        [&]() { DeleteText(*dev, index); });
}

EditResult DuplicateTextAt(EditContext& context, size_t index) {
    Development* dev = context.document.development.get();
    return Checked(
        context, UpdateHint::KeepGridInPlace,
        [&]() { return index < dev->texts.size() ? nullptr : kNoSuchTextText; },
        [&]() { DuplicateText(*dev, index); });
}

EditResult OrderText(EditContext& context, size_t index, StackOrder order) {
    Development* dev = context.document.development.get();
    return Checked(
        context, UpdateHint::Undone, [&]() { return index < dev->texts.size() ? nullptr : kNoSuchTextText; },
        [&]() { ReorderText(*dev, index, order); });
}

EditResult OrderPicture(EditContext& context, bool aboveDevelopment, size_t index, StackOrder order) {
    Development* dev = context.document.development.get();
    return Checked(
        context, UpdateHint::Undone,
        [&]() {
            if (!dev) return kNoSuchPictureText;
            return index < (aboveDevelopment ? dev->imagesB : dev->imagesA).size() ? nullptr
                                                                                   : kNoSuchPictureText;
        },
        [&]() { ReorderPicture(*dev, aboveDevelopment, index, order); });
}

EditResult ColorLines(EditContext& context, const std::vector<PartLine*>& lines,
                      const EdgeColorAction& action) {
    return Checked(context, UpdateHint::Redraw, nullptr, [&]() {
        for (PartLine* line : lines) {
            if (action.hide)
                HideLine(*line);
            else
                PaintLine(*line, action.rgb);
        }
    });
}

} // namespace tsm
