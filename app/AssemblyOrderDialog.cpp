#include "app/AssemblyOrderDialog.h"

#include "app/FailureReport.h"
#include "engine/AssemblyOrder.h"
#include "engine/BuildOrder.h"
#include "model/DocumentSettings.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace tsm {

namespace {

std::vector<int> PartsOf(const std::vector<BuildStep>& order) {
    std::vector<int> parts;
    for (const BuildStep& step : order) parts.push_back(step.part);
    return parts;
}

} // namespace

AssemblyOrderDialog::AssemblyOrderDialog(QWidget* parent, const Development& development)
    : QDialog(parent), development_(development), list_(new QTreeWidget(this)), message_(new QLabel(this)),
      up_(new QPushButton(QStringLiteral("Move &Up"), this)),
      down_(new QPushButton(QStringLiteral("Move &Down"), this)) {
    setWindowTitle(QStringLiteral("Assembly Order"));
    const std::vector<BuildStep> order = DocumentBuildOrder(development);
    numbers_ = PartNumbers(order, development.parts.size());
    sequence_ = PartsOf(order);

    list_->setColumnCount(3);
    list_->setHeaderLabels({QStringLiteral("Step"), QStringLiteral("Part"), QStringLiteral("Joins parts")});
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->header()->setStretchLastSection(true);
    message_->setWordWrap(true);
    auto* derived = new QPushButton(QStringLiteral("De&rived Order"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* moves = new QHBoxLayout;
    moves->addWidget(up_);
    moves->addWidget(down_);
    moves->addWidget(derived);
    moves->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(moves);
    layout->addWidget(message_);
    layout->addWidget(buttons);
    connect(up_, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(down_, &QPushButton::clicked, this, [this] { MoveSelected(1); });
    connect(derived, &QPushButton::clicked, this, [this] { UseDerivedOrder(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(420, 420);
    Fill(0);
}

void AssemblyOrderDialog::Fill(int selectedRow) {
    list_->clear();
    const std::vector<BuildStep> order = CompleteBuildOrder(development_, sequence_);
    for (size_t step = 0; step < order.size(); ++step) {
        std::vector<int> joined;
        for (int part : order[step].joins) joined.push_back(numbers_[part]);
        std::sort(joined.begin(), joined.end());
        QStringList joins;
        for (int number : joined) joins << QString::number(number);
        auto* row = new QTreeWidgetItem(
            list_, {QString::number(step + 1), QString::number(numbers_[order[step].part]),
                    joins.isEmpty() ? QStringLiteral("(a start)") : joins.join(", ")});
        row->setData(0, Qt::UserRole, order[step].part);
    }
    if (selectedRow >= 0 && selectedRow < list_->topLevelItemCount())
        list_->setCurrentItem(list_->topLevelItem(selectedRow));
}

bool AssemblyOrderDialog::MoveSelected(int by) {
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    const int to = row + by;
    if (row < 0 || to < 0 || to >= static_cast<int>(sequence_.size())) return false;
    std::vector<int> moved = sequence_;
    std::swap(moved[row], moved[to]);
    const int breaking = FirstPartBreakingOrder(development_, moved);
    if (breaking >= 0) {
        message_->setText(QString::fromStdString(OrderBreaksRuleText(numbers_[breaking])));
        return false;
    }
    message_->clear();
    sequence_ = std::move(moved);
    derived_ = false;
    Fill(to);
    return true;
}

void AssemblyOrderDialog::UseDerivedOrder() {
    sequence_ = PartsOf(DeriveBuildOrder(development_));
    derived_ = true;
    message_->clear();
    Fill(0);
}

std::vector<int> AssemblyOrderDialog::Sequence() const {
    return derived_ ? std::vector<int>{} : sequence_;
}

void InstallAssemblyOrderCommand(CommandController& controller, QWidget* parent,
                                 DocumentController& documents, IPrompt& prompt,
                                 std::function<void(UpdateHint)> update) {
    controller.SetExternalHandler(CommandId::AssemblyOrder, [parent, &documents, &prompt, update] {
        Document* document = documents.Current();
        if (document == nullptr || document->development == nullptr) return;
        AssemblyOrderDialog dialog(parent, *document->development);
        if (dialog.exec() != QDialog::Accepted) return;
        const Settings settings = DocumentSettings(documents.settings(), document);
        EditContext context{*document, settings};
        const EditResult result = SetBuildOrder(context, dialog.Sequence());
        if (!result.ok()) return ReportFailure(prompt, result.outcome(), PromptIcon::Warning);
        if (update) update(*result);
    });
}

} // namespace tsm
