#include "ui/list_models.h"

#include <algorithm>

namespace tavelin::ui {

QColor fromColourValue(std::int32_t colour) {
    const auto c = static_cast<std::uint32_t>(colour);
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

// ---------------------------------------------------------------------------------------------

CodeListModel::CodeListModel(const Session& session, int list, QObject* parent)
    : QAbstractTableModel(parent), session_(session), list_(list) {}

const CodeList& CodeListModel::list() const {
    return session_.codeLists.lists[static_cast<std::size_t>(list_)];
}

int CodeListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return attached_ ? list().rowCount() : frozenRows_;
}

int CodeListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

QString CodeListModel::caption(int row) const {
    if (!attached_) {
        return {};
    }
    captions_ = CaptionFormatter(session_.codeLists.tabWidth);
    scratch_.clear();
    // Bounded: a line of millions of characters is cut for painting, not formatted whole.
    captions_.appendShown(session_.panes, list(), row, kShownColumns, scratch_);
    return fromUnits(scratch_);
}

LineStatus CodeListModel::status(int row) const {
    return attached_ ? list().row(row).status : LineStatus::Same;
}

QVariant CodeListModel::data(const QModelIndex& index, int role) const {
    if (!attached_) {
        // The rows as they were, greyed, until the new ones are ready.
        const int at = index.row() - frozenFirst_;
        if (!index.isValid() || at < 0 || at >= frozenCaptions_.size()) {
            return {};
        }
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
            return frozenCaptions_[at];
        }
        return role == Qt::ForegroundRole ? QVariant(QColor(Qt::gray)) : QVariant();
    }
    if (!index.isValid() || index.row() >= list().rowCount()) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return caption(index.row());
        case Qt::BackgroundRole: {
            const ViewerSettings& vs = session_.viewerSettings;
            switch (shownStatus(list().row(index.row()).status)) {
                case LineStatus::Deleted:
                    return fromColourValue(vs.delColor);
                case LineStatus::Added:
                    return fromColourValue(vs.addColor);
                case LineStatus::Blank:
                    return fromColourValue(vs.spcColor);
                case LineStatus::Same:
                    return {};
            }
            return {};
        }
        case Qt::ForegroundRole: {
            // Coloured rows keep black text whatever the desktop's palette.
            return shownStatus(list().row(index.row()).status) == LineStatus::Same
                       ? QVariant()
                       : QVariant(QColor(Qt::black));
        }
        default:
            return {};
    }
}

QVariant CodeListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        return lineNumberOf(section, role);
    }
    if (section != 0 || role != Qt::DisplayRole) {
        return {};
    }
    if (heading_.isEmpty()) {
        return list_ == 0 ? QStringLiteral("After change") : QStringLiteral("Before change");
    }
    return heading_;
}

QVariant CodeListModel::lineNumberOf(int row, int role) const {
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    }
    if (role != Qt::DisplayRole || !attached_) {
        return {};
    }
    // The row's line in its file; filler and padding rows have none.
    const CodeRow r = list().row(row);
    const ModuleDescriptor* module = session_.panes.module(list().side);
    if (module == nullptr || r.lineIndex < 0 || shownStatus(r.status) == LineStatus::Blank) {
        return {};
    }
    return QString::number(static_cast<std::int64_t>(r.lineIndex) + module->lineNumber);
}

void CodeListModel::takeHeading() {
    heading_ = fromUnits(list().headingUnicode());
}

Qt::ItemFlags CodeListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

void CodeListModel::detach(int first, int last) {
    if (!attached_) {
        return;
    }
    frozenRows_ = list().rowCount();
    frozenFirst_ = std::max(first, 0);
    frozenCaptions_.clear();
    // No more than a screenful or two.
    const int end = std::min({last, frozenRows_ - 1, frozenFirst_ + 499});
    for (int row = frozenFirst_; row <= end; ++row) {
        frozenCaptions_ << caption(row);
    }
    attached_ = false;
    if (frozenRows_ > 0) {
        emit dataChanged(index(0, 0), index(frozenRows_ - 1, 0));
    }
}

void CodeListModel::attach() {
    beginResetModel();
    attached_ = true;
    takeHeading();
    endResetModel();
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

void CodeListModel::refreshCaptions() {
    if (!attached_) {
        return;
    }
    takeHeading();
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DisplayRole});
    }
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

// ---------------------------------------------------------------------------------------------

WarningListModel::WarningListModel(const Session& session, int list, QObject* parent)
    : QAbstractTableModel(parent), session_(session), list_(list) {}

const WarningList& WarningListModel::warnings() const {
    return list_ == 0 ? session_.leftWarnings : session_.rightWarnings;
}

int WarningListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !attached_ ? 0 : static_cast<int>(warnings().rows.size());
}

int WarningListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant WarningListModel::data(const QModelIndex& index, int role) const {
    if (!attached_ || !index.isValid() ||
        (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)) {
        return {};
    }
    const auto& rows = warnings().rows;
    const auto r = static_cast<std::size_t>(index.row());
    if (r >= rows.size()) {
        return {};
    }
    const WarningRow& row = rows[r];
    if (index.column() == 0) {
        return fromEngineText(row.caption);
    }
    const auto c = static_cast<std::size_t>(index.column() - 1);
    return c < row.subItems.size() ? fromEngineText(row.subItems[c]) : QString();
}

QVariant WarningListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= columns_.size()) {
        return {};
    }
    return columns_[section];
}

Qt::ItemFlags WarningListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

void WarningListModel::detach() {
    if (!attached_) {
        return;
    }
    beginResetModel();
    attached_ = false;
    endResetModel();
}

void WarningListModel::attach() {
    beginResetModel();
    attached_ = true;
    columns_.clear();
    for (const std::string& column : warnings().columns) {
        columns_ << fromEngineText(column);
    }
    endResetModel();
}

}  // namespace tavelin::ui
