#include "ui/overview_strip.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace tavelin::ui {

OverviewStrip::OverviewStrip(QWidget* parent) : QWidget(parent) {
    setFixedWidth(14);
    setAccessibleName(QStringLiteral("Overview of the changes"));
    setToolTip(QStringLiteral("The whole comparison: click to go there"));
    setCursor(Qt::PointingHandCursor);
}

QSize OverviewStrip::sizeHint() const {
    return {14, 100};
}

void OverviewStrip::setComparison(const std::vector<ChangeBlock>& blocks, std::int32_t rows,
                                  const Colours& colours) {
    blocks_ = blocks;
    rows_ = rows;
    colours_ = colours;
    render();
    update();
}

void OverviewStrip::setView(std::int32_t top, std::int32_t visible) {
    if (top == top_ && visible == visible_) {
        return;
    }
    top_ = top;
    visible_ = visible;
    update();
}

int OverviewStrip::yOf(std::int64_t row) const {
    if (rows_ <= 0) {
        return 0;
    }
    return static_cast<int>(row * height() / rows_);
}

std::int32_t OverviewStrip::rowAt(int y) const {
    if (rows_ <= 0 || height() <= 0) {
        return 0;
    }
    const std::int64_t row =
        static_cast<std::int64_t>(std::clamp(y, 0, height() - 1)) * rows_ / height();
    return static_cast<std::int32_t>(std::min<std::int64_t>(row, rows_ - 1));
}

void OverviewStrip::render() {
    picture_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    picture_.fill(palette().color(QPalette::Base));
    QPainter painter(&picture_);
    const int half = width() / 2;
    auto colourOf = [this](LineStatus status) {
        switch (status) {
            case LineStatus::Added:
                return colours_.added;
            case LineStatus::Deleted:
                return colours_.deleted;
            case LineStatus::Blank:
                return colours_.blank;
            default:
                return QColor();
        }
    };
    // One pass over the blocks; a block too small for a pixel still gets one.
    for (const ChangeBlock& block : blocks_) {
        const int y0 = yOf(block.first);
        const int y1 = std::max(y0 + 1, yOf(static_cast<std::int64_t>(block.last) + 1));
        const QColor left = colourOf(block.left);
        const QColor right = colourOf(block.right);
        if (left.isValid()) {
            painter.fillRect(0, y0, half, y1 - y0, left);
        }
        if (right.isValid()) {
            painter.fillRect(half, y0, width() - half, y1 - y0, right);
        }
    }
}

void OverviewStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
    if (rows_ > 0 && visible_ > 0) {
        const int y0 = yOf(top_);
        const int y1 = std::max(y0 + 3, yOf(static_cast<std::int64_t>(top_) + visible_));
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
        painter.drawRect(0, y0, width() - 1, std::min(y1, height()) - y0 - 1);
    }
}

void OverviewStrip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    render();
}

void OverviewStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        scrollRequested(rowAt(event->position().toPoint().y()));
    }
}

void OverviewStrip::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) != 0) {
        scrollRequested(rowAt(event->position().toPoint().y()));
    }
}

}  // namespace tavelin::ui
