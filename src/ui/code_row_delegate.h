#pragma once
// How a code list paints a row: its colour, the characters that differ from the line opposite
// in a stronger shade of it, the text found by the find bar, then the caption. Only painted rows
// are looked at; what a row's highlighting needs is computed once and kept until the lists
// change.

#include <QColor>
#include <QHash>
#include <QString>
#include <QStyledItemDelegate>
#include <array>
#include <vector>

#include "ui/inline_diff.h"

namespace tavelin::ui {

class CodeListModel;

// The changed characters of the rows where one list holds an added line and the other a
// deleted one: computed for a row when it is first painted, kept per row, dropped when the lists
// change.
class InlineHighlights {
  public:
    InlineHighlights(const CodeListModel& left, const CodeListModel& right)
        : models_{&left, &right} {}

    void setEnabled(bool on) { enabled_ = on; }
    bool enabled() const { return enabled_; }
    void clear() { rows_.clear(); }

    // The spans of list `list`'s row that differ from the other list's row (none when the row is
    // not such a pair or highlighting is off).
    const std::vector<TextSpan>& spans(int list, int row);

  private:
    std::array<const CodeListModel*, 2> models_;
    QHash<int, InlineDiff> rows_;
    std::vector<TextSpan> none_;
    bool enabled_ = true;
};

// What the find bar looks for, for the delegate to mark in the row that holds it.
struct FoundText {
    QString text;
    Qt::CaseSensitivity sensitivity = Qt::CaseInsensitive;
    bool wholeWord = false;
    int list = -1;
    int row = -1;
};

// Where the found text stands in a row's caption: its first place, or with whole words its
// first place not inside a longer word; -1 when none.
int foundAt(const QString& caption, const FoundText& found);

class CodeRowDelegate final : public QStyledItemDelegate {
    Q_OBJECT
  public:
    CodeRowDelegate(int list, InlineHighlights& highlights, const FoundText& found,
                    QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // The stronger shade of a row colour that the changed characters are drawn on.
    static QColor strongerShade(const QColor& colour);

  private:
    int list_;
    InlineHighlights& highlights_;
    const FoundText& found_;
};

}  // namespace tavelin::ui
