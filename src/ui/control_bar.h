#pragma once
// The controls above the lists: the edition's logo, the processing selector with Execute, the
// option selector, "Scroll together", the tab-width choice and the navigation, save, reload and
// end buttons. It only builds and labels them; the main window connects them.

#include <QWidget>
#include <array>
#include <cstdint>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace tavelin::ui {

class LogoWidget;

class ControlBar final : public QWidget {
    Q_OBJECT
  public:
    // Index of the buttons.
    enum Button { kDown = 0, kUp = 1, kExecute = 2, kSave = 3, kReload = 4, kEnd = 5 };

    explicit ControlBar(QWidget* parent = nullptr);

    // The captions and hints; the processing selector gets `processingKinds` entries.
    void applyTexts(int processingKinds);
    // The edition: the logo of the edition (the data-file edition's by `image`, 0 or 1) and the
    // End button's hint.
    void applyEdition(bool standAlone, std::int32_t image);

    // The busy state: buttons, tab choice and both selectors.
    void setControlsEnabled(bool enabled);
    // The selectors and the tab choice as the settings have them (signals blocked for the tab
    // choice); an index out of range selects nothing.
    void setSelectors(std::int32_t tabChoice, std::int32_t resyncChoice,
                      std::int32_t processingKind);

    QComboBox* processingSelector() const { return processing_; }
    QComboBox* optionSelector() const { return option_; }
    QButtonGroup* tabChoice() const { return tabChoice_; }
    QRadioButton* tabButton(int index) const {
        return tabButtons_[static_cast<std::size_t>(index)];
    }
    QPushButton* button(int index) const { return buttons_[static_cast<std::size_t>(index)]; }
    QCheckBox* scrollTogether() const { return together_; }
    LogoWidget* logo(int index) const { return logos_[static_cast<std::size_t>(index)]; }

  private:
    QComboBox* processing_ = nullptr;
    QComboBox* option_ = nullptr;
    QGroupBox* tabGroup_ = nullptr;
    QButtonGroup* tabChoice_ = nullptr;
    std::array<QRadioButton*, 3> tabButtons_{};
    std::array<QPushButton*, 6> buttons_{};
    QCheckBox* together_ = nullptr;
    std::array<LogoWidget*, 3> logos_{};
};

}  // namespace tavelin::ui
