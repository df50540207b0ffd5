#pragma once
// Texts between the engine and Qt: UTF-16 units and engine strings as QStrings, and the hints of
// the controls ("short|long": the short part is the tooltip, the long part the status-bar text).

#include <QString>
#include <string_view>

class QAction;
class QWidget;

namespace tavelin::ui {

// UTF-16 units as a QString, unit for unit: a U+FEFF or U+FFFE at the start is a character of
// the text, never a byte-order mark.
QString fromUnits(std::u16string_view units);

// A text of the engine (system code page bytes or UTF-8 from a warning file) as a QString:
// well-formed UTF-8 is taken as UTF-8, anything else as the system code page.
QString fromEngineText(std::string_view text);

// An interface text of the program (UTF-8).
QString qs(std::string_view text);

// Short and long part of a hint ("short|long"); the whole text when it has no bar.
QString hintShort(std::string_view hint);
QString hintLong(std::string_view hint);

// A control's hint: tooltip, status-bar text, and its accessible name (the short part unless
// `name` is given) and description.
void setHint(QWidget* widget, std::string_view hint, const QString& name = {});
void setHint(QAction* action, std::string_view hint);
// A list's hint: tooltip and status-bar text only (its accessible name says which list it is).
void setViewHint(QWidget* view, std::string_view hint);

}  // namespace tavelin::ui
