#pragma once
// The Qt models of the folder view: one row per file of a project count, in the order and with
// the rows the view asks for (a sort column, a path filter, unchanged files shown or not), and a
// one-row model of the totals under it.
//
// Rows arrive in batches while the count runs. A batch is sorted on its own and merged into the
// rows shown: appended with one insertion when it sorts after them (the usual case in path
// order), else in one layout change, so a batch costs one pass over the rows shown, never a
// pass per row.

#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <array>
#include <cstddef>
#include <vector>

#include "project/results_output.h"
#include "project/tree_count.h"

namespace tavelin::ui {

// A path or name of the trees as the file system's bytes give it (names the system cannot decode
// show replacement characters).
QString fromNative(const std::string& bytes);

class FolderModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column {
        kPath,
        kLanguage,
        kStatus,
        kNew,
        kOriginal,
        kChanged,
        kReused,
        kDeleted,
        kAfterSteps,
        kBeforeSteps,
        kColumnCount
    };

    explicit FolderModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Text columns sort by their bytes, number columns as numbers (files without counts first);
    // rows of the same key stay in path order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Drops every row.
    void clear();
    // Adds finished rows (taken out of `rows`, which is left empty).
    void addRows(std::vector<project::FileRow>& rows);

    // Only rows whose path holds `text` (letter case ignored) are shown; empty: all.
    void setPathFilter(const QString& text);
    // Unchanged and moved files are shown or not (not by default).
    void setShowUnchanged(bool show);
    void setColours(const QColor& added, const QColor& deleted);

    // A shown row (valid until rows are added or dropped).
    const project::FileRow& fileRow(int row) const;
    int sortColumn() const { return sortColumn_; }
    Qt::SortOrder sortOrder() const { return sortOrder_; }
    bool showUnchanged() const { return showUnchanged_; }

    // Every row of the count so far, shown or not.
    std::size_t resultCount() const { return entries_.size(); }
    // The totals of the counted files (every counted row, shown or not).
    const project::Totals& totals() const { return totals_; }
    std::size_t statusCount(project::RowStatus status) const {
        return statusCounts_[static_cast<std::size_t>(status)];
    }
    // Every row in the counter's order (path, then the before path), for the result formats.
    std::vector<project::FileRow> rowsInPathOrder() const;

    // Whether a row counts as a change for the next and previous changed file.
    static bool isChange(project::RowStatus status);

  signals:
    void totalsChanged();

  private:
    struct Entry {
        project::FileRow row;
        QString path;  // as shown
    };

    bool shown(const Entry& e) const;
    bool less(int a, int b) const;
    // Every shown row, sorted.
    std::vector<int> shownOrder() const;
    // Shows the rows of `order`, keeping the selection and current row where they still show.
    void relayout(std::vector<int> order);

    std::vector<Entry> entries_;
    std::vector<int> order_;  // entries_ indexes of the rows shown, in view order
    int sortColumn_ = kPath;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    QString filter_;
    bool showUnchanged_ = false;
    QColor added_;
    QColor deleted_;
    project::Totals totals_;
    std::array<std::size_t, 8> statusCounts_{};
};

// The totals row under the table: the counted files and their step counts, as the counter's
// total line gives them.
class FolderTotalsModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit FolderTotalsModel(const FolderModel& rows, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

  private:
    const FolderModel& rows_;
};

}  // namespace tavelin::ui
