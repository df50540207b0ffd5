#include "ui/file_chooser.h"

#include <QFileDialog>
#include <QFontDialog>

namespace tavelin::ui {

QString DialogFileChooser::openFile(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& filter) {
    QFileDialog dialog(parent, title, folder, filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().first();
}

QString DialogFileChooser::saveFile(QWidget* parent, const QString& title, const QString& filter,
                                    const QString& defaultSuffix) {
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().first();
}

QString DialogFileChooser::folder(QWidget* parent, const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
}

QFont DialogFileChooser::font(QWidget* parent, const QFont& current) {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, current, parent);
    return ok ? chosen : current;
}

}  // namespace tavelin::ui
