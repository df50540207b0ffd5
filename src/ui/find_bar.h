#pragma once
// The find bar over the code lists: the text to find, "Match case" and "Whole word", next and
// previous (also Enter, F3 and Shift+F3), and a note: "Not found", or that the search went round.

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace tavelin::ui {

class FindBar final : public QWidget {
    Q_OBJECT
  public:
    explicit FindBar(QWidget* parent = nullptr);

    // Shows the bar with the text field focused and its text selected.
    void open();
    // Hides the bar and says so (closed).
    void dismiss();
    QString text() const;
    bool matchCase() const;
    bool wholeWord() const;
    void setNote(const QString& note);
    QString note() const;

    QLineEdit* field() const { return field_; }
    QCheckBox* caseBox() const { return case_; }
    QCheckBox* wordBox() const { return word_; }

  signals:
    void findRequested(bool forward);
    void closed();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QLineEdit* field_ = nullptr;
    QCheckBox* case_ = nullptr;
    QCheckBox* word_ = nullptr;
    QLabel* note_ = nullptr;
};

}  // namespace tavelin::ui
