#pragma once
// The five step counts in the status bar, each number beside its own label ("New 12"), never cut:
// the panel is at least [STATUS_RES] wide and grows to its text. Each count explains itself in a
// tooltip, and accessibility tools read "New 12" and so on from the labels.

#include <QString>
#include <QWidget>
#include <array>

#include "datafiles/records.h"

class QLabel;

namespace tavelin::ui {

class StepCountsView final : public QWidget {
    Q_OBJECT
  public:
    explicit StepCountsView(QWidget* parent = nullptr);

    void setCounts(const StepCountRecord& counts);
    // The narrowest the panel is (it grows beyond it to show every count whole).
    void setMinimumPanelWidth(int width);

    // The five counts as shown, joined by " | ".
    QString text() const;
    QLabel* countLabel(int index) const { return labels_[static_cast<std::size_t>(index)]; }

  private:
    std::array<QLabel*, 5> labels_{};
};

}  // namespace tavelin::ui
