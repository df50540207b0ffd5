#pragma once
// The file and folder dialogs the window shows, behind an interface so that tests can answer
// them without a dialog.

#include <QFont>
#include <QString>

class QWidget;

namespace tavelin::ui {

class FileChooser {
  public:
    virtual ~FileChooser() = default;
    // An existing file to open; empty when cancelled.
    virtual QString openFile(QWidget* parent, const QString& title, const QString& folder,
                             const QString& filter) = 0;
    // A file to write (the overwrite question included); empty when cancelled. defaultSuffix is
    // added to a name given without one.
    virtual QString saveFile(QWidget* parent, const QString& title, const QString& filter,
                             const QString& defaultSuffix) = 0;
    // A folder; empty when cancelled.
    virtual QString folder(QWidget* parent, const QString& title, const QString& start) = 0;
    // A font, starting from `current`; `current` itself when cancelled.
    virtual QFont font(QWidget* parent, const QFont& current) = 0;
};

// The desktop's dialogs.
class DialogFileChooser final : public FileChooser {
  public:
    QString openFile(QWidget* parent, const QString& title, const QString& folder,
                     const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& title, const QString& filter,
                     const QString& defaultSuffix) override;
    QString folder(QWidget* parent, const QString& title, const QString& start) override;
    QFont font(QWidget* parent, const QFont& current) override;
};

}  // namespace tavelin::ui
