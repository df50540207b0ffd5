#pragma once
// A logo picture drawn from its SVG source at a fixed size, stretched to fill it.

#include <QSvgRenderer>
#include <QWidget>

namespace tavelin::ui {

class LogoWidget final : public QWidget {
    Q_OBJECT
  public:
    // resource: the picture's Qt resource path.
    LogoWidget(const QString& resource, QSize size, QWidget* parent = nullptr);
    bool valid() const { return renderer_.isValid(); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QSvgRenderer renderer_;
};

}  // namespace tavelin::ui
