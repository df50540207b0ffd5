#include "ui/logo_widget.h"

#include <QPainter>

namespace tavelin::ui {

LogoWidget::LogoWidget(const QString& resource, QSize size, QWidget* parent)
    : QWidget(parent), renderer_(resource) {
    setFixedSize(size);
    renderer_.setAspectRatioMode(Qt::IgnoreAspectRatio);
    setCursor(Qt::PointingHandCursor);
}

void LogoWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    renderer_.render(&painter, QRectF(rect()));
}

}  // namespace tavelin::ui
