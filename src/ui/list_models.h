#pragma once
// Qt models over the session's lists. The code-list model formats a row's caption only when the
// view asks for it (a painted row); it holds nothing per row. Both models can be detached while
// the controller changes what they show: they then have no rows until they are attached again.

#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <QStringList>

#include "app/session.h"
#include "display/captions.h"
#include "ui/ui_strings.h"

namespace tavelin::ui {

// A colour of the settings, laid out 0x00BBGGRR.
QColor fromColourValue(std::int32_t colour);

class CodeListModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    // list: 0 the left code list, 1 the right one.
    CodeListModel(const Session& session, int list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // While detached the model reads nothing of the session (another thread may be writing
    // it). It keeps its row count and, greyed, the captions of rows first..last (the rows in
    // view) as they were, so the list stays as it was until the new rows are ready; the heading
    // shows what it showed when it was last attached.
    void detach(int first = -1, int last = -1);
    void attach();
    // The rows stayed; their captions or the heading changed.
    void refreshCaptions();
    bool attached() const { return attached_; }

    // The row's caption as the window shows it.
    QString caption(int row) const;
    // The row's status as recorded (values above 3 included).
    LineStatus status(int row) const;

  private:
    const CodeList& list() const;
    void takeHeading();
    QVariant lineNumberOf(int row, int role) const;

    const Session& session_;
    int list_;
    bool attached_ = false;
    QString heading_;
    // What a detached model shows.
    int frozenRows_ = 0;
    int frozenFirst_ = 0;
    QStringList frozenCaptions_;
    mutable CaptionFormatter captions_{8};
    mutable std::u16string scratch_;
};

class WarningListModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    // list: 0 the warning list under the left code list, 1 the one under the right.
    WarningListModel(const Session& session, int list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // While detached the model has no rows and keeps the column headings it had.
    void detach();
    void attach();
    bool attached() const { return attached_; }

    const WarningList& warnings() const;

  private:
    const Session& session_;
    int list_;
    bool attached_ = false;
    QStringList columns_;
};

}  // namespace tavelin::ui
