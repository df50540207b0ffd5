#include "ui/folder_model.h"

#include <QFile>
#include <QFont>
#include <algorithm>
#include <iterator>

#include "datafiles/viewer_settings.h"
#include "ui/list_models.h"

namespace tavelin::ui {

namespace {

using project::FileRow;
using project::RowStatus;

const char* const kHeadings[FolderModel::kColumnCount] = {
    "Path",    "Language", "Status",  "New",         "Original",
    "Changed", "Re-used",  "Deleted", "Steps after", "Steps before"};

bool numberColumn(int column) {
    return column >= FolderModel::kNew;
}

// The number a column shows; -1 where it shows none (a file not counted, a side absent).
std::int64_t numberOf(const FileRow& row, int column) {
    if (!row.counted() || column < FolderModel::kNew || column > FolderModel::kBeforeSteps) {
        return -1;
    }
    return project::countValues(row)[static_cast<std::size_t>(column - FolderModel::kNew)];
}

QString statusText(RowStatus status) {
    const std::string_view name = project::statusName(status);
    return QString::fromLatin1(name.data(), static_cast<int>(name.size()));
}

}  // namespace

QString fromNative(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromRawData(bytes.data(), static_cast<int>(bytes.size())));
}

FolderModel::FolderModel(QObject* parent)
    : QAbstractTableModel(parent),
      added_(fromColourValue(kDefaultAddedColour)),
      deleted_(fromColourValue(kDefaultDeletedColour)) {}

int FolderModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(order_.size());
}

int FolderModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

const FileRow& FolderModel::fileRow(int row) const {
    return entries_[static_cast<std::size_t>(order_[static_cast<std::size_t>(row)])].row;
}

bool FolderModel::isChange(RowStatus status) {
    return project::isChange(status);
}

QVariant FolderModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const Entry& e =
        entries_[static_cast<std::size_t>(order_[static_cast<std::size_t>(index.row())])];
    const FileRow& row = e.row;
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            if (column == kPath) {
                return e.path;
            }
            if (column == kLanguage) {
                return fromNative(row.language);
            }
            if (column == kStatus) {
                return statusText(row.status);
            }
            if (const std::int64_t n = numberOf(row, column); n >= 0) {
                return QString::number(n);
            }
            return QString();
        case Qt::TextAlignmentRole:
            return numberColumn(column) ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                        : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
        case Qt::BackgroundRole:
            if (row.status == RowStatus::Added) {
                return added_;
            }
            if (row.status == RowStatus::Deleted) {
                return deleted_;
            }
            return {};
        case Qt::ForegroundRole:
            if (!row.counted()) {
                return QColor(Qt::gray);
            }
            return {};
        case Qt::ToolTipRole:
            if (!row.counted()) {
                return fromNative(row.reason);
            }
            if (!row.beforePath.empty()) {
                return QStringLiteral("%1 from %2")
                    .arg(statusText(row.status), fromNative(row.beforePath));
            }
            return column == kPath ? e.path : QVariant();
        default:
            return {};
    }
}

QVariant FolderModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return QString::fromLatin1(kHeadings[section]);
    }
    if (role == Qt::TextAlignmentRole) {
        return numberColumn(section) ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                     : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return {};
}

Qt::ItemFlags FolderModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

bool FolderModel::shown(const Entry& e) const {
    if (!showUnchanged_ &&
        (e.row.status == RowStatus::Unchanged || e.row.status == RowStatus::Moved)) {
        return false;
    }
    return filter_.isEmpty() || e.path.contains(filter_, Qt::CaseInsensitive);
}

bool FolderModel::less(int a, int b) const {
    const FileRow& x = entries_[static_cast<std::size_t>(a)].row;
    const FileRow& y = entries_[static_cast<std::size_t>(b)].row;
    const bool descending = sortOrder_ == Qt::DescendingOrder;
    int c = 0;
    if (numberColumn(sortColumn_)) {
        const std::int64_t p = numberOf(x, sortColumn_);
        const std::int64_t q = numberOf(y, sortColumn_);
        c = p < q ? -1 : p > q ? 1 : 0;
    } else if (sortColumn_ == kLanguage) {
        c = x.language.compare(y.language);
    } else if (sortColumn_ == kStatus) {
        c = project::statusName(x.status).compare(project::statusName(y.status));
    }
    if (c != 0) {
        return descending ? c > 0 : c < 0;
    }
    // The path decides ties, in the chosen direction when it is the sort column itself.
    if (sortColumn_ == kPath && descending) {
        return project::rowBefore(y, x) || (!project::rowBefore(x, y) && a < b);
    }
    return project::rowBefore(x, y) || (!project::rowBefore(y, x) && a < b);
}

std::vector<int> FolderModel::shownOrder() const {
    std::vector<int> order;
    order.reserve(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (shown(entries_[i])) {
            order.push_back(static_cast<int>(i));
        }
    }
    std::sort(order.begin(), order.end(), [this](int a, int b) { return less(a, b); });
    return order;
}

void FolderModel::relayout(std::vector<int> order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList from = persistentIndexList();
    if (!from.isEmpty()) {
        // Where each entry goes, for the few rows the views hold on to (selection, current).
        std::vector<int> at(entries_.size(), -1);
        for (std::size_t i = 0; i < order.size(); ++i) {
            at[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
        }
        QModelIndexList to;
        to.reserve(from.size());
        for (const QModelIndex& index : from) {
            const int moved =
                index.row() >= 0 && index.row() < rowCount()
                    ? at[static_cast<std::size_t>(order_[static_cast<std::size_t>(index.row())])]
                    : -1;
            to << (moved < 0 ? QModelIndex() : createIndex(moved, index.column()));
        }
        order_ = std::move(order);
        changePersistentIndexList(from, to);
    } else {
        order_ = std::move(order);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void FolderModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= kColumnCount) {
        return;
    }
    sortColumn_ = column;
    sortOrder_ = order;
    std::vector<int> sorted = order_;
    std::sort(sorted.begin(), sorted.end(), [this](int a, int b) { return less(a, b); });
    relayout(std::move(sorted));
}

void FolderModel::setPathFilter(const QString& text) {
    if (text == filter_) {
        return;
    }
    filter_ = text;
    relayout(shownOrder());
}

void FolderModel::setShowUnchanged(bool show) {
    if (show == showUnchanged_) {
        return;
    }
    showUnchanged_ = show;
    relayout(shownOrder());
}

void FolderModel::setColours(const QColor& added, const QColor& deleted) {
    added_ = added;
    deleted_ = deleted;
    if (!order_.empty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1),
                         {Qt::BackgroundRole});
    }
}

void FolderModel::clear() {
    beginResetModel();
    entries_.clear();
    order_.clear();
    totals_ = {};
    statusCounts_ = {};
    endResetModel();
    emit totalsChanged();
}

void FolderModel::addRows(std::vector<FileRow>& rows) {
    if (rows.empty()) {
        return;
    }
    const std::size_t first = entries_.size();
    entries_.reserve(first + rows.size());
    for (FileRow& row : rows) {
        if (row.counted()) {
            totals_.add(row);
        }
        ++statusCounts_[static_cast<std::size_t>(row.status)];
        QString path = fromNative(row.path);
        entries_.push_back({std::move(row), std::move(path)});
    }
    rows.clear();
    std::vector<int> fresh;
    for (std::size_t i = first; i < entries_.size(); ++i) {
        if (shown(entries_[i])) {
            fresh.push_back(static_cast<int>(i));
        }
    }
    if (!fresh.empty()) {
        auto byKey = [this](int a, int b) { return less(a, b); };
        std::sort(fresh.begin(), fresh.end(), byKey);
        if (order_.empty() || !less(fresh.front(), order_.back())) {
            const int at = rowCount();
            beginInsertRows({}, at, at + static_cast<int>(fresh.size()) - 1);
            order_.insert(order_.end(), fresh.begin(), fresh.end());
            endInsertRows();
        } else {
            std::vector<int> merged;
            merged.reserve(order_.size() + fresh.size());
            std::merge(order_.begin(), order_.end(), fresh.begin(), fresh.end(),
                       std::back_inserter(merged), byKey);
            relayout(std::move(merged));
        }
    }
    emit totalsChanged();
}

std::vector<FileRow> FolderModel::rowsInPathOrder() const {
    std::vector<FileRow> rows;
    rows.reserve(entries_.size());
    for (const Entry& e : entries_) {
        rows.push_back(e.row);
    }
    std::stable_sort(rows.begin(), rows.end(), project::rowBefore);
    return rows;
}

// ---------------------------------------------------------------------------------------------

FolderTotalsModel::FolderTotalsModel(const FolderModel& rows, QObject* parent)
    : QAbstractTableModel(parent), rows_(rows) {
    connect(&rows_, &FolderModel::totalsChanged, this,
            [this] { emit dataChanged(index(0, 0), index(0, FolderModel::kColumnCount - 1)); });
}

int FolderTotalsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

int FolderTotalsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FolderModel::kColumnCount;
}

QVariant FolderTotalsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() != 0) {
        return {};
    }
    const project::Totals& t = rows_.totals();
    const int column = index.column();
    if (role == Qt::TextAlignmentRole) {
        return numberColumn(column) ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                    : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (role == Qt::ToolTipRole) {
        return QStringLiteral("%1 file(s) counted, %2 skipped, %3 unreadable")
            .arg(t.files)
            .arg(rows_.statusCount(RowStatus::Skipped))
            .arg(rows_.statusCount(RowStatus::Failed));
    }
    if (role == Qt::FontRole) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) {
        return {};
    }
    if (column >= FolderModel::kNew && column <= FolderModel::kBeforeSteps) {
        return QString::number(
            project::countValues(t)[static_cast<std::size_t>(column - FolderModel::kNew)]);
    }
    switch (column) {
        case FolderModel::kPath:
            return QStringLiteral("Total");
        case FolderModel::kStatus:
            return QStringLiteral("%1 file(s)").arg(t.files);
        default:
            return QString();
    }
}

}  // namespace tavelin::ui
