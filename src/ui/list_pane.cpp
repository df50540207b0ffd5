#include "ui/list_pane.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QDropEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPalette>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/file_chooser.h"
#include "ui/ui_strings.h"
#include "ui/ui_texts.h"

namespace tavelin::ui {

namespace {

void setUpTable(QTableView* view) {
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
}

bool anyVisible(const QMenu* menu) {
    const QList<QAction*> actions = menu->actions();
    return std::any_of(actions.begin(), actions.end(),
                       [](const QAction* action) { return action->isVisible(); });
}

}  // namespace

ListPane::ListPane(int list, Session& session, MainController& controller, PaneHost& host,
                   QWidget* parent)
    : QSplitter(Qt::Vertical, parent),
      list_(list),
      session_(session),
      controller_(controller),
      host_(host) {
    setChildrenCollapsible(false);

    // The code list under its change notice.
    auto* codeBox = new QWidget(this);
    auto* codeLayout = new QVBoxLayout(codeBox);
    codeLayout->setContentsMargins(0, 0, 0, 0);
    codeLayout->setSpacing(0);
    notice_ = new QFrame(codeBox);
    static_cast<QFrame*>(notice_)->setFrameShape(QFrame::StyledPanel);
    notice_->setAutoFillBackground(true);
    QPalette noticeColours = notice_->palette();
    noticeColours.setColor(QPalette::Window, QColor(255, 244, 200));
    noticeColours.setColor(QPalette::WindowText, Qt::black);
    notice_->setPalette(noticeColours);
    auto* noticeLayout = new QHBoxLayout(notice_);
    noticeLayout->setContentsMargins(6, 3, 3, 3);
    noticeText_ = new QLabel(notice_);
    noticeText_->setWordWrap(true);
    noticeText_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    noticeReload_ = new QPushButton(QStringLiteral("Reload"), notice_);
    auto* noticeClose = new QToolButton(notice_);
    noticeClose->setText(QStringLiteral("\u00D7"));
    noticeClose->setAccessibleName(QStringLiteral("Close the notice"));
    noticeClose->setAutoRaise(true);
    noticeLayout->addWidget(noticeText_, 1);
    noticeLayout->addWidget(noticeReload_);
    noticeLayout->addWidget(noticeClose);
    notice_->setAccessibleName(list_ == 0 ? QStringLiteral("Left file notice")
                                          : QStringLiteral("Right file notice"));
    notice_->hide();
    connect(noticeReload_, &QPushButton::clicked, this, [this] {
        hideNotice();
        reloadRequested();
    });
    connect(noticeClose, &QToolButton::clicked, this, [this] { hideNotice(); });

    code_ = new QTableView(codeBox);
    codeLayout->addWidget(notice_);
    codeLayout->addWidget(code_, 1);
    codeModel_ = new CodeListModel(session_, list_, this);
    code_->setModel(codeModel_);
    setUpTable(code_);
    code_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    code_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    code_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    code_->setShowGrid(false);
    code_->setTextElideMode(Qt::ElideNone);
    code_->setAlternatingRowColors(false);
    code_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    code_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    code_->horizontalHeader()->setHighlightSections(false);
    code_->setMouseTracking(true);
    code_->viewport()->setMouseTracking(true);
    code_->viewport()->installEventFilter(this);
    code_->installEventFilter(this);
    code_->setAcceptDrops(true);
    code_->viewport()->setAcceptDrops(true);
    code_->setAccessibleName(list_ == 0 ? QStringLiteral("Left code list")
                                        : QStringLiteral("Right code list"));
    connect(code_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { popUp(preparedCodeListMenu(), code_, pos); });
    connect(code_, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex&) { openEditor(); });
    connect(code_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { scrolled(); });
    connect(code_->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { scrolled(); });

    warnings_ = new QTableView(this);
    warningModel_ = new WarningListModel(session_, list_, this);
    warnings_->setModel(warningModel_);
    setUpTable(warnings_);
    warnings_->setSelectionMode(QAbstractItemView::SingleSelection);
    warnings_->setAccessibleName(list_ == 0 ? QStringLiteral("Left warning list")
                                            : QStringLiteral("Right warning list"));
    warnings_->horizontalHeader()->setSectionsClickable(true);
    warnings_->horizontalHeader()->setSortIndicatorShown(true);
    warnings_->installEventFilter(this);
    connect(warnings_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { controller_.sortWarnings(list_, column); });
    connect(warnings_, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex&) { jumpToWarning(); });
    connect(warnings_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { popUp(preparedWarningMenu(), warnings_, pos); });

    addWidget(codeBox);
    addWidget(warnings_);
    setStretchFactor(0, 1);
    setStretchFactor(1, 0);
    connect(this, &QSplitter::splitterMoved, this, [this](int, int) { heightsMoved(); });

    buildCodeMenu();
    buildWarningMenu();
}

void ListPane::buildCodeMenu() {
    codeMenu_ = new QMenu(this);
    const std::array<std::pair<std::string_view, std::string_view>, 3> items = {{
        {kCopyCaption, kCopyHint},
        {kTextSaveCaption, kTextSaveHint},
        {kEditorCaption, kEditorHint},
    }};
    for (std::size_t i = 0; i < items.size(); ++i) {
        codeActions_[i] = codeMenu_->addAction(qs(items[i].first));
        setHint(codeActions_[i], items[i].second);
    }
    connect(codeActions_[0], &QAction::triggered, this, [this] { copyRows(); });
    connect(codeActions_[1], &QAction::triggered, this, [this] { saveText(); });
    connect(codeActions_[2], &QAction::triggered, this, [this] { openEditor(); });
    encodeMenu_ = codeMenu_->addMenu(qs(kEncodeCaption));
    setHint(encodeMenu_->menuAction(), kEncodeHint);
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    for (int code = 0; code < kEncodingChoices; ++code) {
        QAction* action =
            encodeMenu_->addAction(qs(kEncodingItems[static_cast<std::size_t>(code)]));
        action->setCheckable(true);
        group->addAction(action);
        encodeActions_[static_cast<std::size_t>(code)] = action;
        connect(action, &QAction::triggered, this,
                [this, code] { controller_.selectEncoding(list_, code); });
    }
}

void ListPane::buildWarningMenu() {
    warningMenu_ = new QMenu(this);
    const std::array<std::pair<std::string_view, std::string_view>, 3> items = {{
        {kJumpCaption, kJumpHint},
        {kHelp1Caption, kHelp1Hint},
        {kHelp2Caption, kHelp2Hint},
    }};
    for (std::size_t i = 0; i < items.size(); ++i) {
        warningActions_[i] = warningMenu_->addAction(qs(items[i].first));
        setHint(warningActions_[i], items[i].second);
    }
    connect(warningActions_[0], &QAction::triggered, this, [this] { jumpToWarning(); });
    connect(warningActions_[1], &QAction::triggered, this, [this] { openWarningHelp(1); });
    connect(warningActions_[2], &QAction::triggered, this, [this] { openWarningHelp(2); });
}

QMenu* ListPane::preparedCodeListMenu() {
    const CodeListMenuItems items = controller_.codeListMenuItems(
        list_, codeModel_->rowCount() > 0, code_->selectionModel()->hasSelection());
    codeActions_[0]->setVisible(items.copy);
    codeActions_[1]->setVisible(items.save);
    codeActions_[2]->setVisible(items.edit);
    encodeMenu_->menuAction()->setVisible(items.encodings);
    for (int code = 0; code < kEncodingChoices; ++code) {
        encodeActions_[static_cast<std::size_t>(code)]->setChecked(items.checkedEncoding == code);
    }
    return codeMenu_;
}

QMenu* ListPane::preparedWarningMenu() {
    const bool selected =
        warningModel_->rowCount() > 0 && warnings_->selectionModel()->hasSelection();
    const WarningMenuItems items = warningMenuItems(selected, session_.viewerSettings.helpPath1,
                                                    session_.viewerSettings.helpPath2);
    warningActions_[0]->setVisible(items.jump);
    warningActions_[1]->setVisible(items.help1);
    warningActions_[2]->setVisible(items.help2);
    return warningMenu_;
}

void ListPane::popUp(QMenu* menu, QTableView* view, const QPoint& pos) {
    if (anyVisible(menu)) {
        menu->popup(view->viewport()->mapToGlobal(pos));
    }
}

// ---------------------------------------------------------------------------------------------
// Outputs and actions.

std::vector<std::int32_t> ListPane::selectedRows() const {
    std::vector<std::int32_t> rows;
    const QModelIndexList selected = code_->selectionModel()->selectedRows();
    rows.reserve(static_cast<std::size_t>(selected.size()));
    for (const QModelIndex& index : selected) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void ListPane::copyRows() {
    const std::vector<std::int32_t> rows = selectedRows();
    if (rows.empty()) {
        return;  // nothing selected: the clipboard keeps what it has
    }
    QGuiApplication::clipboard()->setText(fromUnits(controller_.copyRows(list_, rows)));
    // The copied rows are deselected.
    code_->selectionModel()->clearSelection();
}

void ListPane::saveText() {
    if (!controller_.canSaveText(list_)) {
        return;
    }
    const int side = session_.codeLists.lists[static_cast<std::size_t>(list_)].side;
    const QString title = side == kAfter ? QStringLiteral("Files after change save.")
                                         : QStringLiteral("Files before change save.");
    const QString path = host_.fileChooser().saveFile(
        this, title, QStringLiteral("Text file(*.txt) (*.txt);;All files(*.*) (*)"),
        QStringLiteral("txt"));
    if (path.isEmpty()) {
        return;
    }
    if (controller_.saveModuleText(list_, path.toStdString()) != 0) {
        host_.showMessage(kMsgReportNotSaved);
    }
}

void ListPane::openEditor() {
    const QItemSelectionModel* selection = code_->selectionModel();
    if (controller_.busy() || !selection->hasSelection()) {
        return;
    }
    // The current row when it is selected, else the first selected one.
    int row = code_->currentIndex().row();
    if (!selection->isRowSelected(row, QModelIndex())) {
        row = selectedRows().front();
    }
    const EditorCommand command = controller_.editorCommand(list_, row);
    if (!command.ok) {
        return;
    }
    QStringList arguments;
    for (const std::string& argument : command.arguments) {
        arguments << QString::fromStdString(argument);
    }
    // Started directly, never through a shell; a failure is not reported.
    QProcess::startDetached(QString::fromStdString(command.program), arguments);
}

void ListPane::jumpToWarning() {
    const QModelIndexList selected = warnings_->selectionModel()->selectedRows();
    if (selected.isEmpty() || codeModel_->rowCount() == 0) {
        return;
    }
    code_->clearSelection();
    const std::int32_t row = controller_.warningJumpRow(list_, selected.first().row());
    if (row < 0) {
        return;
    }
    // The row becomes the top row and is selected; the keyboard stays with the warning list.
    const QModelIndex index = codeModel_->index(row, 0);
    code_->selectionModel()->select(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    code_->scrollTo(index, QAbstractItemView::PositionAtTop);
}

void ListPane::openWarningHelp(int help) {
    const QModelIndexList selected = warnings_->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        return;
    }
    const WarningHelp target = controller_.warningHelp(list_, selected.first().row(), help);
    if (target.target.empty()) {
        return;
    }
    // A web form is a URL; a folder's page is a local file. Never a command line.
    const QString text = fromEngineText(target.target);
    host_.openUrl(target.web ? QUrl(text) : QUrl::fromLocalFile(text));
}

// ---------------------------------------------------------------------------------------------
// Rows and layout.

int ListPane::topRow() const {
    return code_->verticalScrollBar()->value();
}

void ListPane::scrollRowToTop(int row) {
    const int rows = codeModel_->rowCount();
    if (rows == 0) {
        return;
    }
    code_->scrollTo(codeModel_->index(std::min(row, rows - 1), 0),
                    QAbstractItemView::PositionAtTop);
}

void ListPane::listsAboutToChange() {
    // The rows in view stay, greyed, until the new ones are ready.
    const int first = code_->rowAt(0);
    int last = code_->rowAt(code_->viewport()->height() - 1);
    if (first >= 0 && last < 0) {
        last = codeModel_->rowCount() - 1;  // the list ends within the view
    }
    codeModel_->detach(first, last);
}

void ListPane::listsRebuilt() {
    codeModel_->attach();
    const std::string_view hint = session_.codeLists.lists[static_cast<std::size_t>(list_)].hint;
    if (!hint.empty()) {
        setViewHint(code_, hint);
    }
}

void ListPane::captionsChanged() {
    codeModel_->refreshCaptions();
}

void ListPane::warningListsAboutToChange() {
    warningModel_->detach();
}

void ListPane::warningListsRebuilt() {
    warningModel_->attach();
    const WarningList& list = warningModel_->warnings();
    setViewHint(warnings_, list.hint);
    // The heading shows the column and direction of the last sort.
    const int column = std::abs(list.sortState) - 1;
    warnings_->horizontalHeader()->setSortIndicator(
        column, list.sortState > 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void ListPane::showNotice(const QString& text, bool canReload) {
    noticeText_->setText(text);
    noticeReload_->setVisible(canReload);
    notice_->show();
}

void ListPane::hideNotice() {
    notice_->hide();
}

bool ListPane::noticeShown() const {
    return !notice_->isHidden();
}

void ListPane::setDecorations(InlineHighlights& highlights, const FoundText& found) {
    code_->setItemDelegate(new CodeRowDelegate(list_, highlights, found, code_));
}

void ListPane::setLineNumbers(bool shown) {
    QHeaderView* gutter = code_->verticalHeader();
    gutter->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    gutter->setHighlightSections(false);
    gutter->setSectionsClickable(false);
    gutter->setVisible(shown);
}

int ListPane::visibleRows() const {
    const int height = code_->verticalHeader()->defaultSectionSize();
    return height > 0 ? code_->viewport()->height() / height : 0;
}

void ListPane::setCodeHint(std::string_view hint) {
    setViewHint(code_, hint);
}

void ListPane::setListFont(const QFont& font) {
    const int height = QFontMetrics(font).height() + 2;
    for (QTableView* view : {code_, warnings_}) {
        view->setFont(font);
        view->verticalHeader()->setDefaultSectionSize(height);
    }
}

void ListPane::setColumnWidth(int width) {
    if (width > 0) {
        code_->horizontalHeader()->setStretchLastSection(false);
        code_->setColumnWidth(0, width);
    } else {
        code_->horizontalHeader()->setStretchLastSection(true);
    }
}

void ListPane::setWarningsVisible(bool shown) {
    warnings_->setVisible(shown);
}

void ListPane::setWarningColumns(int paneWidth, const CounterSettings& settings) {
    const std::vector<int> widths = warningColumnWidths(paneWidth, settings);
    for (std::size_t c = 0; c < widths.size(); ++c) {
        warnings_->setColumnWidth(static_cast<int>(c), widths[c]);
    }
}

void ListPane::setWarningHeight(int height) {
    const int total = this->height() - handleWidth();
    setSizes({std::max(0, total - height), height});
}

int ListPane::warningHeight() const {
    return sizes().value(1, 0);
}

// ---------------------------------------------------------------------------------------------
// Keys, focus and drops.

bool ListPane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == warnings_ && event->type() == QEvent::KeyPress) {
        const auto* press = static_cast<QKeyEvent*>(event);
        if (press->key() == Qt::Key_Return || press->key() == Qt::Key_Enter) {
            jumpToWarning();
            return true;
        }
        return QSplitter::eventFilter(watched, event);
    }
    if (watched != code_ && watched != code_->viewport()) {
        return QSplitter::eventFilter(watched, event);
    }
    if (watched == code_ && event->type() == QEvent::KeyPress) {
        const auto* press = static_cast<QKeyEvent*>(event);
        if (press->matches(QKeySequence::Copy)) {
            copyRows();
            return true;
        }
        if (press->key() == Qt::Key_Return || press->key() == Qt::Key_Enter) {
            openEditor();
            return true;
        }
    }
    switch (event->type()) {
        case QEvent::MouseMove:
            // Focus follows the mouse, so that the keyboard and the wheel act on this list.
            if (!code_->hasFocus()) {
                code_->setFocus(Qt::MouseFocusReason);
            }
            break;
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (controller_.acceptsDrops() && drag->mimeData()->hasUrls()) {
                drag->acceptProposedAction();
                return true;
            }
            break;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (controller_.acceptsDrops() && drop->mimeData()->hasUrls()) {
                QStringList paths;
                for (const QUrl& url : drop->mimeData()->urls()) {
                    paths << url.toLocalFile();
                }
                drop->acceptProposedAction();
                // After the drop has finished: the open may show a message box.
                QTimer::singleShot(0, this, [this, paths] { filesDropped(paths); });
                return true;
            }
            break;
        }
        default:
            break;
    }
    return QSplitter::eventFilter(watched, event);
}

}  // namespace tavelin::ui
