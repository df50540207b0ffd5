#pragma once
// The window's dialogs: the system settings, the internal data monitor and the version
// information; and the rule that keeps a dialog on a visible screen.

#include <QComboBox>
#include <QDialog>
#include <array>
#include <vector>

#include "app/data_monitor.h"
#include "app/settings_change.h"
#include "ui/file_chooser.h"

class QLineEdit;
class QSpinBox;
class QTableWidget;

namespace tavelin::ui {

// Centres a dialog on `owner`, then moves it back onto the screens along an axis on which it
// fits none (to the centre of the first screen).
void placeOnScreen(QWidget* dialog, const QWidget* owner);

// A colour choice: the standard colours, the extended ones and a custom colour chosen in the
// colour dialog. Values are laid out 0x00BBGGRR.
class ColourBox final : public QComboBox {
    Q_OBJECT
  public:
    explicit ColourBox(QWidget* parent = nullptr);
    std::int32_t value() const;
    void setValue(std::int32_t colour);

  private:
    void chooseCustom();
    int previous_ = 0;
};

class SettingsDialog final : public QDialog {
    Q_OBJECT
  public:
    SettingsDialog(QWidget* parent, FileChooser& files);
    // The controls show the values (the dialog's activation).
    void load(const DisplaySettings& values);
    // What the controls hold.
    DisplaySettings values() const;

    QComboBox* listPosition() const { return listPosition_; }
    QComboBox* image() const { return image_; }
    QSpinBox* statusWidth() const { return statusWidth_; }
    ColourBox* colour(int index) const { return colours_[static_cast<std::size_t>(index)]; }
    QLineEdit* helpPath(int index) const { return helpPaths_[static_cast<std::size_t>(index)]; }
    QLineEdit* helpExtension(int index) const {
        return helpExtensions_[static_cast<std::size_t>(index)];
    }
    // The Browse buttons' folder choice for help 1 or 2.
    void browse(int help);

  private:
    void setCaptions();

    FileChooser& files_;
    QComboBox* listPosition_ = nullptr;
    QComboBox* image_ = nullptr;
    QSpinBox* statusWidth_ = nullptr;
    std::array<ColourBox*, 3> colours_{};
    std::array<QLineEdit*, 2> helpPaths_{};
    std::array<QLineEdit*, 2> helpExtensions_{};
};

class MonitorDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit MonitorDialog(QWidget* parent);
    void fill(const std::vector<MonitorRow>& rows);
    QTableWidget* table() const { return table_; }

  private:
    QTableWidget* table_ = nullptr;
};

class AboutDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget* parent);
};

}  // namespace tavelin::ui
