#pragma once
// The narrow strip beside the code lists that shows the whole comparison scaled to its height:
// each change block in its colour (the left list's in the left half, the right list's in the
// right half), the rows in view framed. A click or a drag scrolls both lists there. The blocks
// are drawn once into a picture when the lists change or the strip is resized; a scroll only
// moves the frame.

#include <QColor>
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "display/change_blocks.h"

namespace tavelin::ui {

class OverviewStrip final : public QWidget {
    Q_OBJECT
  public:
    explicit OverviewStrip(QWidget* parent = nullptr);

    struct Colours {
        QColor added;
        QColor deleted;
        QColor blank;
    };
    void setComparison(const std::vector<ChangeBlock>& blocks, std::int32_t rows,
                       const Colours& colours);
    // The rows in view: first and how many.
    void setView(std::int32_t top, std::int32_t visible);

    // The row a point of the strip stands for.
    std::int32_t rowAt(int y) const;
    QSize sizeHint() const override;

  signals:
    // Bring this row to the middle of the lists.
    void scrollRequested(std::int32_t row);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    void render();
    int yOf(std::int64_t row) const;

    std::vector<ChangeBlock> blocks_;
    std::int32_t rows_ = 0;
    Colours colours_;
    std::int32_t top_ = 0;
    std::int32_t visible_ = 0;
    QImage picture_;
};

}  // namespace tavelin::ui
