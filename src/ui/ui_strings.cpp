#include "ui/ui_strings.h"

#include <QAction>
#include <QWidget>

#include "platform/codepage.h"

namespace tavelin::ui {

QString fromUnits(std::u16string_view units) {
    static_assert(sizeof(QChar) == sizeof(char16_t));
    return QString(reinterpret_cast<const QChar*>(units.data()),
                   static_cast<qsizetype>(units.size()));
}

QString fromEngineText(std::string_view text) {
    return fromUnits(fileSystemToUtf16(text));
}

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString hintShort(std::string_view hint) {
    return fromEngineText(hint.substr(0, hint.find('|')));
}

QString hintLong(std::string_view hint) {
    const std::size_t bar = hint.find('|');
    return fromEngineText(bar == std::string_view::npos ? hint : hint.substr(bar + 1));
}

void setHint(QWidget* widget, std::string_view hint, const QString& name) {
    widget->setToolTip(hintShort(hint));
    widget->setStatusTip(hintLong(hint));
    widget->setAccessibleName(name.isEmpty() ? hintShort(hint) : name);
    widget->setAccessibleDescription(hintLong(hint));
}

void setHint(QAction* action, std::string_view hint) {
    action->setToolTip(hintShort(hint));
    action->setStatusTip(hintLong(hint));
}

void setViewHint(QWidget* view, std::string_view hint) {
    view->setToolTip(hintShort(hint));
    view->setStatusTip(hintLong(hint));
}

}  // namespace tavelin::ui
