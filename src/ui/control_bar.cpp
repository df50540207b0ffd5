#include "ui/control_bar.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "app/controller.h"
#include "ui/logo_widget.h"
#include "ui/ui_strings.h"
#include "ui/ui_texts.h"

namespace tavelin::ui {

ControlBar::ControlBar(QWidget* parent) : QWidget(parent) {
    auto* controls = new QHBoxLayout(this);
    controls->setContentsMargins(0, 0, 0, 0);
    controls->setSpacing(6);
    logos_[0] = new LogoWidget(QStringLiteral(":/art/logo-tavelin.svg"), QSize(215, 48), this);
    logos_[1] =
        new LogoWidget(QStringLiteral(":/art/logo-tavelin-plain.svg"), QSize(215, 48), this);
    logos_[2] = new LogoWidget(QStringLiteral(":/art/logo-lumora.svg"), QSize(217, 49), this);
    for (LogoWidget* logo : logos_) {
        controls->addWidget(logo);
    }
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        buttons_[i] = new QPushButton(this);
    }

    auto* selectors = new QVBoxLayout();
    processing_ = new QComboBox(this);
    processing_->setMinimumWidth(190);
    auto* firstRow = new QHBoxLayout();
    firstRow->addWidget(processing_);
    firstRow->addWidget(buttons_[kExecute]);
    option_ = new QComboBox(this);
    option_->setMinimumWidth(80);
    auto* secondRow = new QHBoxLayout();
    secondRow->addWidget(option_);
    together_ = new QCheckBox(this);
    together_->setChecked(true);
    secondRow->addWidget(together_);
    secondRow->addStretch(1);
    selectors->addLayout(firstRow);
    selectors->addLayout(secondRow);
    controls->addLayout(selectors);

    tabGroup_ = new QGroupBox(this);
    auto* tabLayout = new QHBoxLayout(tabGroup_);
    tabLayout->setContentsMargins(6, 2, 6, 2);
    tabChoice_ = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(tabGroup_);
        tabButtons_[static_cast<std::size_t>(i)] = radio;
        tabChoice_->addButton(radio, i);
        tabLayout->addWidget(radio);
    }
    controls->addWidget(tabGroup_);

    auto* navigation = new QGridLayout();
    navigation->addWidget(buttons_[kDown], 0, 0);
    navigation->addWidget(buttons_[kUp], 1, 0);
    navigation->addWidget(buttons_[kSave], 0, 1);
    navigation->addWidget(buttons_[kReload], 1, 1);
    navigation->addWidget(buttons_[kEnd], 0, 2);
    controls->addLayout(navigation);
    controls->addStretch(1);
}

void ControlBar::applyTexts(int processingKinds) {
    const std::array<std::pair<std::string_view, std::string_view>, 6> buttons = {{
        {kDownCaption, kDownHint},
        {kUpCaption, kUpHint},
        {kExecuteCaption, kExecuteHint},
        {kSaveCaption, kSaveHint},
        {kReloadCaption, kReloadHint},
        {kEndCaption, kEndHintTavelin},
    }};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        buttons_[i]->setText(qs(buttons[i].first));
        setHint(buttons_[i], buttons[i].second, qs(buttons[i].first));
    }
    together_->setText(qs(kTogetherCaption));
    setHint(together_, kTogetherHint, qs(kTogetherCaption));

    processing_->clear();
    const int kinds = std::clamp(processingKinds, 0, static_cast<int>(kProcessingCaptions.size()));
    for (int i = 0; i < kinds; ++i) {
        processing_->addItem(qs(kProcessingCaptions[static_cast<std::size_t>(i)]));
    }
    if (kinds > kKindCurrentState) {
        processing_->setItemData(kKindCurrentState, qs(kCurrentStateItemHint), Qt::ToolTipRole);
    }
    processing_->setCurrentIndex(0);
    setHint(processing_, kProcessingHint);
    option_->clear();
    for (std::string_view item : kOptionItems) {
        option_->addItem(qs(item));
    }
    option_->setCurrentIndex(0);
    setHint(option_, kOptionHint);
    tabGroup_->setTitle(qs(kTabCaption));
    setHint(tabGroup_, kTabHint, qs(kTabCaption));
    for (std::size_t i = 0; i < tabButtons_.size(); ++i) {
        tabButtons_[i]->setText(qs(kTabItems[i]));
        tabButtons_[i]->setAccessibleName(qs(kTabCaption) + QLatin1Char(' ') + qs(kTabItems[i]));
    }
}

void ControlBar::applyEdition(bool standAlone, std::int32_t image) {
    setHint(buttons_[kEnd], standAlone ? kEndHintLumora : kEndHintTavelin, qs(kEndCaption));
    for (LogoWidget* logo : logos_) {
        logo->setToolTip(qs(standAlone ? kLogoHintLumora : kLogoHintTavelin));
    }
    logos_[0]->setVisible(!standAlone && image == 0);
    logos_[1]->setVisible(!standAlone && image == 1);
    logos_[2]->setVisible(standAlone);
}

void ControlBar::setControlsEnabled(bool enabled) {
    for (QPushButton* button : buttons_) {
        button->setEnabled(enabled);
    }
    tabGroup_->setEnabled(enabled);
    processing_->setEnabled(enabled);
    option_->setEnabled(enabled);
}

void ControlBar::setSelectors(std::int32_t tabChoice, std::int32_t resyncChoice,
                              std::int32_t processingKind) {
    {
        const QSignalBlocker block(tabChoice_);
        tabButtons_[static_cast<std::size_t>(std::clamp(tabChoice, 0, 2))]->setChecked(true);
    }
    option_->setCurrentIndex(resyncChoice < option_->count() ? resyncChoice : -1);
    processing_->setCurrentIndex(processingKind < processing_->count() ? processingKind : -1);
}

}  // namespace tavelin::ui
