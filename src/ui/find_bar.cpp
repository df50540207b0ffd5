#include "ui/find_bar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace tavelin::ui {

FindBar::FindBar(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 2);
    auto* label = new QLabel(QStringLiteral("Find:"), this);
    field_ = new QLineEdit(this);
    field_->setAccessibleName(QStringLiteral("Text to find"));
    field_->setClearButtonEnabled(true);
    label->setBuddy(field_);
    case_ = new QCheckBox(QStringLiteral("Match case"), this);
    word_ = new QCheckBox(QStringLiteral("Whole word"), this);
    auto* previous = new QToolButton(this);
    previous->setText(QStringLiteral("Previous"));
    previous->setToolTip(QStringLiteral("Find previous (Shift+F3)"));
    auto* next = new QToolButton(this);
    next->setText(QStringLiteral("Next"));
    next->setToolTip(QStringLiteral("Find next (F3)"));
    note_ = new QLabel(this);
    note_->setAccessibleName(QStringLiteral("Find result"));
    auto* close = new QToolButton(this);
    close->setText(QStringLiteral("\u00D7"));
    close->setAccessibleName(QStringLiteral("Close the find bar"));
    close->setAutoRaise(true);
    layout->addWidget(label);
    layout->addWidget(field_, 1);
    layout->addWidget(case_);
    layout->addWidget(word_);
    layout->addWidget(previous);
    layout->addWidget(next);
    layout->addWidget(note_);
    layout->addWidget(close);
    connect(field_, &QLineEdit::returnPressed, this, [this] { findRequested(true); });
    connect(next, &QToolButton::clicked, this, [this] { findRequested(true); });
    connect(previous, &QToolButton::clicked, this, [this] { findRequested(false); });
    connect(close, &QToolButton::clicked, this, &FindBar::dismiss);
    connect(field_, &QLineEdit::textChanged, this, [this] { note_->clear(); });
    hide();
}

void FindBar::open() {
    show();
    field_->setFocus(Qt::ShortcutFocusReason);
    field_->selectAll();
}

void FindBar::dismiss() {
    hide();
    emit closed();
}

QString FindBar::text() const {
    return field_->text();
}

bool FindBar::matchCase() const {
    return case_->isChecked();
}

bool FindBar::wholeWord() const {
    return word_->isChecked();
}

void FindBar::setNote(const QString& note) {
    note_->setText(note);
}

QString FindBar::note() const {
    return note_->text();
}

void FindBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        dismiss();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace tavelin::ui
