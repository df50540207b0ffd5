#include "ui/step_counts_view.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QStringList>
#include <string_view>

#include "ui/ui_strings.h"

namespace tavelin::ui {

namespace {

struct CountText {
    std::string_view label;
    std::string_view explanation;
};

constexpr std::array<CountText, 5> kCounts = {{
    {"New", "Steps of an after-change module that has no module before the change."},
    {"Original", "Steps of the module before the change; 0 when no step changed."},
    {"Changed",
     "Steps added or changed in the module after the change (with its unchanged steps "
     "too when re-used steps are not counted)."},
    {"Re-used", "Steps of the module after the change that are unchanged from before it."},
    {"Deleted", "Steps of the module before the change that are gone after it."},
}};

}  // namespace

StepCountsView::StepCountsView(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);
    for (std::size_t i = 0; i < labels_.size(); ++i) {
        labels_[i] = new QLabel(this);
        labels_[i]->setToolTip(qs(kCounts[i].explanation));
        labels_[i]->setAccessibleDescription(qs(kCounts[i].explanation));
        labels_[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(labels_[i]);
    }
    layout->addStretch(1);
    setCounts({});
}

void StepCountsView::setCounts(const StepCountRecord& counts) {
    const std::array<std::int32_t, 5> values = {counts.newSteps, counts.originalSteps,
                                                counts.changedSteps, counts.reusedSteps,
                                                counts.deletedSteps};
    for (std::size_t i = 0; i < labels_.size(); ++i) {
        labels_[i]->setText(qs(kCounts[i].label) + QLatin1Char(' ') + QString::number(values[i]));
    }
}

void StepCountsView::setMinimumPanelWidth(int width) {
    setMinimumWidth(std::max(width, layout()->minimumSize().width()));
}

QString StepCountsView::text() const {
    QStringList parts;
    for (const QLabel* label : labels_) {
        parts << label->text();
    }
    return parts.join(QStringLiteral(" | "));
}

}  // namespace tavelin::ui
