#include "ui/code_row_delegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

#include "ui/list_models.h"

namespace tavelin::ui {

namespace {

bool changedPair(LineStatus a, LineStatus b) {
    const LineStatus x = shownStatus(a);
    const LineStatus y = shownStatus(b);
    return (x == LineStatus::Added && y == LineStatus::Deleted) ||
           (x == LineStatus::Deleted && y == LineStatus::Added);
}

// Letters, digits, '_' and every character outside ASCII make words, as the search takes them.
bool wordUnit(QChar c) {
    const char16_t u = c.unicode();
    return u >= 0x80 || u == u'_' || (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'z') ||
           (u >= u'A' && u <= u'Z');
}

}  // namespace

int foundAt(const QString& caption, const FoundText& found) {
    const auto length = static_cast<int>(found.text.size());
    for (int at = static_cast<int>(caption.indexOf(found.text, 0, found.sensitivity)); at >= 0;
         at = static_cast<int>(caption.indexOf(found.text, at + 1, found.sensitivity))) {
        const bool startsWord = at == 0 || !wordUnit(caption[at - 1]);
        const bool endsWord = at + length >= caption.size() || !wordUnit(caption[at + length]);
        if (!found.wholeWord || (startsWord && endsWord)) {
            return at;
        }
    }
    return -1;
}

const std::vector<TextSpan>& InlineHighlights::spans(int list, int row) {
    const CodeListModel& self = *models_[static_cast<std::size_t>(list)];
    const CodeListModel& other = *models_[static_cast<std::size_t>(1 - list)];
    if (!enabled_ || !self.attached() || !other.attached() ||
        !changedPair(self.status(row), other.status(row))) {
        return none_;
    }
    auto it = rows_.find(row);
    if (it == rows_.end()) {
        // Keyed by row, left list first.
        it = rows_.insert(row, inlineDiff(models_[0]->caption(row), models_[1]->caption(row)));
    }
    return list == 0 ? it->left : it->right;
}

CodeRowDelegate::CodeRowDelegate(int list, InlineHighlights& highlights, const FoundText& found,
                                 QObject* parent)
    : QStyledItemDelegate(parent), list_(list), highlights_(highlights), found_(found) {}

QColor CodeRowDelegate::strongerShade(const QColor& colour) {
    // Darker, so that it stands out from the row whatever its colour; a pale colour more so.
    return colour.lightness() > 200 ? colour.darker(135) : colour.darker(160);
}

void CodeRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget* widget = opt.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    const QString text = opt.text;
    opt.text.clear();
    // The row's background (its colour or the selection) and focus, without the text.
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textArea = area.adjusted(margin, 0, -margin, 0);
    const QFontMetrics metrics(opt.font);
    const bool selected = (opt.state & QStyle::State_Selected) != 0;
    auto spanRect = [&](int start, int length) {
        const int x0 = metrics.horizontalAdvance(text.left(start));
        const int x1 = metrics.horizontalAdvance(text.left(start + length));
        return QRect(textArea.left() + x0, area.top(), x1 - x0, area.height());
    };

    painter->save();
    painter->setClipRect(area);
    if (!selected && !text.isEmpty()) {
        // The row's colour, as the style option took it from the model.
        if (opt.backgroundBrush.style() != Qt::NoBrush) {
            const QColor shade = strongerShade(opt.backgroundBrush.color());
            for (const TextSpan& span : highlights_.spans(list_, index.row())) {
                painter->fillRect(spanRect(span.start, span.length), shade);
            }
        }
    }
    if (found_.list == list_ && found_.row == index.row() && !found_.text.isEmpty()) {
        const int at = foundAt(text, found_);
        if (at >= 0) {
            painter->fillRect(spanRect(at, static_cast<int>(found_.text.size())),
                              QColor(255, 150, 50));
        }
    }
    // The model's text colour is in the option's palette already.
    painter->setPen(opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(opt.font);
    painter->drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    painter->restore();
}

}  // namespace tavelin::ui
