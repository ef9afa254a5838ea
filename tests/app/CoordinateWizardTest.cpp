#include "app/CoordinateWizard.h"

#include "app/TextureConfigDialog.h"

#include "engine/DocumentEdits.h"
#include "engine/Topology.h"
#include "tests/app/AppTestSupport.h"

#include <QApplication>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>

using namespace tsm;

namespace {

// A box 10 wide, 20 deep and 40 tall standing on z, unfolded.
std::unique_ptr<Document> StandingOnZ() {
    auto document = std::make_unique<Document>();
    const MeshData box = Box(10, 20, 40);
    AddSolid(*document, "Box", box.vertices, box.faces);
    EXPECT_TRUE(UnfoldForFixture(*document).empty());
    document->history.Clear();
    document->modified = false;
    return document;
}

Vec3 Extent(Mesh& model) {
    ComputeBounds(model);
    return model.boundsMax - model.boundsMin;
}

std::vector<double> Positions(const Document& document, bool development) {
    std::vector<double> values;
    for (const auto& solid : document.model->solids) {
        if (!development) {
            for (const auto& v : solid->vertices)
                values.insert(values.end(), {v->position.x, v->position.y, v->position.z});
            continue;
        }
        for (const auto& face : solid->faces)
            for (const auto& h : face->halfEdges) values.insert(values.end(), {h->x2d, h->y2d});
    }
    return values;
}

struct Script {
    std::deque<WizardChoice> answers;
    std::vector<int> steps, guides;
    std::vector<UpdateHint> hints;
    CoordinateWizardHost Host() {
        CoordinateWizardHost host;
        host.ask = [this](WizardStep step) {
            steps.push_back(int(step));
            if (answers.empty()) return WizardChoice{WizardAnswer::Close};
            WizardChoice next = answers.front();
            answers.pop_front();
            return next;
        };
        host.setGuide = [this](int mode) { guides.push_back(mode); };
        host.updateAllViews = [this](UpdateHint hint) { hints.push_back(hint); };
        return host;
    }
};

} // namespace

TEST(CoordinateWizard, AModelStandingOnZEndsWithYUpItsDevelopmentUnchangedAndUndoable) {
    auto document = StandingOnZ();
    const std::vector<double> vertices = Positions(*document, false);
    const std::vector<double> development = Positions(*document, true);
    Script script;
    // No flip; the yellow side (y = -1) to the front; then finish.
    script.answers = {{WizardAnswer::NoFlip}, {WizardAnswer::Colour, 3}, {WizardAnswer::Finish}};
    Settings settings;
    EXPECT_TRUE(RunCoordinateWizard(*document, settings, script.Host()));
    EXPECT_EQ(script.steps, (std::vector<int>{1, 2, 3}));
    // The guide of each step, none again at the end; step 3 looks from below.
    EXPECT_EQ(script.guides, (std::vector<int>{0, 1, 2, 0}));
    EXPECT_EQ(script.hints,
              (std::vector<UpdateHint>{UpdateHint::CoordinatesChanged, UpdateHint::CoordinatesChanged,
                                       UpdateHint::ViewFromBelow, UpdateHint::CoordinatesChanged}));
    EXPECT_NEAR(Length(Extent(*document->model) - Vec3{10, 40, 20}), 0.0, 1e-9);
    EXPECT_EQ(Positions(*document, true), development);
    EXPECT_TRUE(document->modified);

    EditContext context{*document, settings};
    EXPECT_TRUE(Undo(context).ok());
    EXPECT_EQ(Positions(*document, false), vertices);
    EXPECT_EQ(Positions(*document, true), development);
    EXPECT_FALSE(document->history.CanUndo());
}

TEST(CoordinateWizard, EachColourTurnsItsSideToTheFrontOrBottom) {
    // Step 2's colours: the side they name ends at +Z; step 3's: at -Y. Tracked with the box's extents.
    const struct {
        WizardStep step;
        int colour;
        Vec3 extent;
    } cases[] = {
        {WizardStep::Front, 0, {40, 20, 10}},  {WizardStep::Front, 1, {40, 20, 10}},
        {WizardStep::Front, 2, {10, 40, 20}},  {WizardStep::Front, 3, {10, 40, 20}},
        {WizardStep::Front, 4, {10, 20, 40}},  {WizardStep::Bottom, 0, {20, 10, 40}},
        {WizardStep::Bottom, 1, {20, 10, 40}}, {WizardStep::Bottom, 2, {10, 20, 40}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.step) * 10 + c.colour);
        auto document = StandingOnZ();
        Script script;
        script.answers = {{WizardAnswer::NoFlip}};
        if (c.step == WizardStep::Bottom) script.answers.push_back({WizardAnswer::Next});
        script.answers.push_back({WizardAnswer::Colour, c.colour});
        script.answers.push_back({WizardAnswer::Finish});
        ComputeBounds(*document->model);
        const Vec3 centre = document->model->center;
        EXPECT_TRUE(RunCoordinateWizard(*document, Settings(), script.Host()));
        EXPECT_NEAR(Length(Extent(*document->model) - c.extent), 0.0, 1e-9);
        EXPECT_NEAR(Length(document->model->center - centre), 0.0, 1e-9); // turned about the centre
    }
}

TEST(CoordinateWizard, FlipTurnsFacesInwardAndInvertMirrorsKeepingThemOutward) {
    const auto outward = [](Document& document) {
        ComputeBounds(*document.model);
        int out = 0;
        for (const auto& face : document.model->solids[0]->faces) {
            Vec3 sum;
            for (const auto& h : face->halfEdges) sum = sum + h->vertex->position;
            const Vec3 towards = sum * (1.0 / double(face->halfEdges.size())) - document.model->center;
            const Vec3 n = face->Normal();
            out += n.x * towards.x + n.y * towards.y + n.z * towards.z > 0 ? 1 : -1;
        }
        return out;
    };
    auto document = StandingOnZ();
    const double firstX = document->model->solids[0]->vertices[0]->position.x;
    Script flip;
    flip.answers = {{WizardAnswer::Flip}, {WizardAnswer::Finish}};
    EXPECT_TRUE(RunCoordinateWizard(*document, Settings(), flip.Host()));
    EXPECT_EQ(outward(*document), -6);

    document = StandingOnZ();
    const std::vector<double> development = Positions(*document, true);
    Script invert;
    invert.answers = {
        {WizardAnswer::NoFlip}, {WizardAnswer::Next}, {WizardAnswer::Next}, {WizardAnswer::Invert}};
    EXPECT_TRUE(RunCoordinateWizard(*document, Settings(), invert.Host()));
    EXPECT_EQ(outward(*document), 6);
    // Box(10, ...) spans x 0..10 or -5..5: the first vertex lands on the other side of the centre.
    EXPECT_NEAR(document->model->solids[0]->vertices[0]->position.x, 2 * document->model->center.x - firstX,
                1e-9);
    EXPECT_EQ(Positions(*document, true).size(), development.size());
}

TEST(CoordinateWizard, StepDialogsShowTheirTextsAndEndWithTheirAnswers) {
    WizardStepDialog front(nullptr, WizardStep::Front);
    front.findChild<QPushButton*>("colour4")->click();
    EXPECT_EQ(front.Choice().answer, WizardAnswer::Colour);
    EXPECT_EQ(front.Choice().colour, 4);
    WizardStepDialog bottom(nullptr, WizardStep::Bottom);
    EXPECT_EQ(bottom.findChild<QPushButton*>("colour3"), nullptr);
    WizardStepDialog last(nullptr, WizardStep::Invert);
    for (QPushButton* button : last.findChildren<QPushButton*>())
        if (button->text() == "No Invert (Finish)") button->click();
    EXPECT_EQ(last.Choice().answer, WizardAnswer::Finish);
    QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    EXPECT_EQ(AskWizardStep(nullptr, WizardStep::FlipFaces).answer, WizardAnswer::Close);
}

TEST(CoordinateWizard, TheWindowRunsItAndTheConfigurationCommandsAreAllInstalled) {
    test::FrameHarness h;
    ASSERT_TRUE(h.frame->OpenFromCommandLine(test::WriteModelWithoutDevelopment(h.folder.File("boxes.tsm"))));
    // Step 1 has no Finish of its own: a Finish there ends the wizard; "No Flip" leads on.
    std::vector<int> steps;
    bool flip = false;
    h.frame->SetWizardSteps([&](WizardStep step) {
        steps.push_back(int(step));
        if (step == WizardStep::FlipFaces && flip) return WizardChoice{WizardAnswer::NoFlip};
        return step == WizardStep::Front ? WizardChoice{WizardAnswer::Colour, 2}
                                         : WizardChoice{WizardAnswer::Finish};
    });
    h.log3d->hints.clear();
    h.Trigger(CommandId::ChangeCoordinates);
    EXPECT_EQ(steps, (std::vector<int>{1}));
    flip = true;
    steps.clear();
    EXPECT_TRUE(h.frame->RunCoordinateWizard());
    EXPECT_EQ(steps, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(h.log3d->hints.back(), UpdateHint::CoordinatesChanged);
    EXPECT_TRUE(h.Enabled(CommandId::EditUndo));

    // Every dialog command has its handler and runs. Modal dialogs are closed as they come.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    closer.start(20);
    for (CommandId id : {CommandId::OtherConfigurations, CommandId::ColorConfiguration,
                         CommandId::TextureConfiguration, CommandId::CheckForUpdate}) {
        EXPECT_TRUE(h.Enabled(id)) << id;
        h.Trigger(id);
    }
    EXPECT_TRUE(h.frame->TextureDialog()->isVisible());
}
