#include "ui/folder_view.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QStringList>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "datafiles/data_folders.h"
#include "platform/file_read.h"
#include "platform/paths.h"
#include "ui/list_models.h"

namespace tavelin::ui {

namespace {

using project::FileRow;
using project::RowStatus;

// How often the rows finished by the count are taken into the table.
constexpr int kTakeRowsMs = 50;

std::string toNative(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

// A folder without the separators at its end (the root stays "/").
std::string withoutTrailingSeparators(std::string folder) {
    while (folder.size() > 1 && folder.back() == kPathSeparator) {
        folder.pop_back();
    }
    return folder;
}

// Something is there, a link included.
bool onDisk(const std::string& path) {
    return entryType(path) != EntryType::Missing;
}

}  // namespace

FolderView::FolderView(QWidget* parent) : QWidget(parent) {
    sources_.programFolder = programFolder(nullptr);
    sources_.userFolder = userConfigFolder();

    model_ = new FolderModel(this);
    totals_ = new FolderTotalsModel(*model_, this);

    filter_ = new QLineEdit(this);
    filter_->setPlaceholderText(tr("Filter on the path"));
    filter_->setClearButtonEnabled(true);
    filter_->setToolTip(
        tr("Shows only the files whose path holds this text (letter case ignored)"));
    showUnchanged_ = new QCheckBox(tr("Show unchanged"), this);
    showUnchanged_->setToolTip(tr("Shows the files that are the same in both folders"));
    stop_ = new QPushButton(tr("Stop"), this);
    stop_->setToolTip(tr("Stops the count (Esc); the files counted stay"));
    stop_->setEnabled(false);
    refresh_ = new QPushButton(tr("Refresh"), this);
    refresh_->setToolTip(tr("Counts the two folders again"));
    save_ = new QPushButton(tr("Save Summary..."), this);
    save_->setToolTip(tr("Saves the results as CSV, JSON or HTML"));

    table_ = new QTreeView(this);
    table_->setModel(model_);
    table_->setRootIsDecorated(false);
    table_->setItemsExpandable(false);
    table_->setUniformRowHeights(true);
    table_->setAllColumnsShowFocus(true);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->header()->setSectionsMovable(false);
    table_->header()->setStretchLastSection(false);
    table_->setSortingEnabled(true);
    table_->sortByColumn(FolderModel::kPath, Qt::AscendingOrder);
    table_->installEventFilter(this);

    footer_ = new QTreeView(this);
    footer_->setModel(totals_);
    footer_->setHeaderHidden(true);
    footer_->setRootIsDecorated(false);
    footer_->setItemsExpandable(false);
    footer_->setUniformRowHeights(true);
    footer_->setSelectionMode(QAbstractItemView::NoSelection);
    footer_->setFocusPolicy(Qt::NoFocus);
    footer_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    footer_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    footer_->header()->setStretchLastSection(false);
    footer_->setFixedHeight(fontMetrics().height() + 8 + 2 * footer_->frameWidth());

    // Column widths by what they show; the totals row follows the table's.
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (int c = 0; c < FolderModel::kColumnCount; ++c) {
        const QString heading = model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        int width = std::max(fontMetrics().horizontalAdvance(heading) + 4 * digit, 9 * digit);
        if (c == FolderModel::kPath) {
            width = 48 * digit;
        }
        table_->header()->resizeSection(c, width);
        footer_->header()->resizeSection(c, width);
    }
    connect(
        table_->header(), &QHeaderView::sectionResized, this,
        [this](int section, int, int size) { footer_->header()->resizeSection(section, size); });
    connect(table_->horizontalScrollBar(), &QScrollBar::valueChanged,
            footer_->horizontalScrollBar(), &QScrollBar::setValue);

    progress_ = new QProgressBar(this);
    progress_->setRange(0, 1);
    progress_->setValue(0);
    progress_->setTextVisible(true);
    progress_->setFormat(tr("%v of %m files"));
    status_ = new QLabel(this);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* tools = new QHBoxLayout;
    tools->addWidget(filter_, 1);
    tools->addWidget(showUnchanged_);
    tools->addStretch();
    tools->addWidget(stop_);
    tools->addWidget(refresh_);
    tools->addWidget(save_);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(progress_);
    bottom->addWidget(status_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(tools);
    layout->addWidget(table_, 1);
    layout->addWidget(footer_);
    layout->addLayout(bottom);

    connect(filter_, &QLineEdit::textChanged, this, [this](const QString& text) {
        model_->setPathFilter(text);
        showProgress();
    });
    connect(showUnchanged_, &QCheckBox::toggled, this, [this](bool on) {
        model_->setShowUnchanged(on);
        showProgress();
    });
    connect(stop_, &QPushButton::clicked, this, &FolderView::cancel);
    connect(refresh_, &QPushButton::clicked, this, &FolderView::refresh);
    connect(save_, &QPushButton::clicked, this, &FolderView::chooseAndSaveSummary);
    connect(table_, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) {
            setCurrentRow(index.row());
            openCurrent();
        }
    });
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] {
        const FolderPair pair = currentPair();
        emit currentChanged(fromNative(pair.relativePath), fromNative(pair.afterFile),
                            fromNative(pair.beforeFile));
    });

    timer_ = new QTimer(this);
    timer_->setInterval(kTakeRowsMs);
    connect(timer_, &QTimer::timeout, this, &FolderView::takeRows);
    showProgress();
}

FolderView::~FolderView() {
    // Stops the count and waits for its threads before the models go.
    count_.reset();
}

void FolderView::setSetupSources(const project::SetupSources& sources) {
    sources_ = sources;
}

project::SetupSources FolderView::setupSourcesFor(const DataFolders& folders) {
    project::SetupSources sources;
    sources.programFolder = folders.program;
    sources.userFolder = folders.user;
    // A session reads from the per-user folder exactly when the program folder is not written.
    sources.programFolderWritable = folders.user.empty();
    return sources;
}

void FolderView::setSetup(std::shared_ptr<const project::CountSetup> setup) {
    setup_ = std::move(setup);
}

void FolderView::setColours(std::int32_t addColor, std::int32_t delColor) {
    model_->setColours(fromColourValue(addColor), fromColourValue(delColor));
}

QAbstractItemModel* FolderView::totalsModel() const {
    return totals_;
}

// ---------------------------------------------------------------------------------------------
// The count.

void FolderView::start(const QString& beforeFolder, const QString& afterFolder) {
    startNative(toNative(beforeFolder), toNative(afterFolder));
}

void FolderView::startNative(const std::string& beforeFolder, const std::string& afterFolder) {
    before_ = withoutTrailingSeparators(beforeFolder);
    after_ = withoutTrailingSeparators(afterFolder);
    if (count_) {
        // The count running ends first (its files finish); the new one starts then. Its rows
        // go now, since the folders they belong to are no longer the view's.
        model_->clear();
        restart_ = true;
        count_->cancel();
        return;
    }
    begin();
}

void FolderView::refresh() {
    if (before_.empty() && after_.empty()) {
        return;
    }
    startNative(before_, after_);
}

void FolderView::cancel() {
    if (count_) {
        restart_ = false;
        count_->cancel();
        status_->setText(tr("Stopping..."));
    }
}

void FolderView::begin() {
    restart_ = false;
    cancelled_ = false;
    problem_.clear();
    model_->clear();
    FolderCountRequest request;
    request.beforeFolder = before_;
    request.afterFolder = after_;
    request.setup = setup_;
    request.sources = sources_;
    request.options.jobs = jobs_;
    request.options.filter = countFilter_;
    request.openTree = openTree_;
    stop_->setEnabled(true);
    save_->setEnabled(false);
    count_ = std::make_unique<FolderCount>(std::move(request));
    timer_->start();
    showProgress();
    emit countStarted();
}

void FolderView::takeRows() {
    if (!count_) {
        return;
    }
    // Every row is queued before the count says it has ended: read the end first.
    const bool ended = count_->ended();
    std::vector<FileRow> rows;
    count_->takeRows(rows);
    if (!restart_) {
        model_->addRows(rows);
    }
    if (ended) {
        countEnded();
    } else {
        showProgress();
    }
}

void FolderView::countEnded() {
    const FolderCountOutcome outcome = count_->finish();
    count_.reset();
    timer_->stop();
    if (restart_) {
        begin();
        return;
    }
    cancelled_ = outcome.cancelled;
    problem_ = fromNative(outcome.problem);
    stop_->setEnabled(false);
    save_->setEnabled(true);
    showProgress();
    if (!problem_.isEmpty()) {
        message(problem_);
    }
    emit countFinished();
}

void FolderView::showProgress() {
    const std::size_t rows = model_->resultCount();
    if (count_) {
        const std::size_t total = count_->total();
        if (total == 0) {
            progress_->setRange(0, 0);
            status_->setText(tr("Listing the folders..."));
            return;
        }
        progress_->setRange(0, static_cast<int>(total));
        progress_->setValue(static_cast<int>(std::min(rows, total)));
        status_->setText(tr("Counting: %1 of %2 files").arg(rows).arg(total));
        return;
    }
    progress_->setRange(0, static_cast<int>(std::max<std::size_t>(rows, 1)));
    progress_->setValue(static_cast<int>(rows));
    if (!problem_.isEmpty()) {
        status_->setText(problem_);
        return;
    }
    if (before_.empty() && after_.empty()) {
        status_->clear();
        return;
    }
    static const RowStatus kinds[] = {RowStatus::Changed, RowStatus::Added,     RowStatus::Deleted,
                                      RowStatus::Renamed, RowStatus::Unchanged, RowStatus::Moved,
                                      RowStatus::Skipped, RowStatus::Failed};
    QStringList parts;
    for (const RowStatus status : kinds) {
        if (const std::size_t n = model_->statusCount(status); n > 0) {
            const std::string_view name = project::statusName(status);
            parts << QStringLiteral("%1 %2").arg(n).arg(
                QLatin1String(name.data(), static_cast<qsizetype>(name.size())));
        }
    }
    QString text = tr("%1 files (%2 shown)").arg(rows).arg(rowCount());
    if (!parts.isEmpty()) {
        text += QStringLiteral(": ") + parts.join(QStringLiteral(", "));
    }
    if (cancelled_) {
        text += tr("; stopped before the end");
    }
    status_->setText(text);
}

// ---------------------------------------------------------------------------------------------
// Rows and pairs.

int FolderView::rowCount() const {
    return model_->rowCount();
}

FolderPair FolderView::pairAt(int row) const {
    FolderPair pair;
    if (row < 0 || row >= rowCount()) {
        return pair;
    }
    const FileRow& r = model_->fileRow(row);
    pair.relativePath = r.path;
    const std::string after = joinPath(after_, r.path);
    const std::string before = joinPath(before_, r.beforePath.empty() ? r.path : r.beforePath);
    switch (r.status) {
        case RowStatus::Added:
            pair.afterFile = after;
            break;
        case RowStatus::Deleted:
            pair.beforeFile = before;
            break;
        case RowStatus::Changed:
        case RowStatus::Unchanged:
        case RowStatus::Moved:
        case RowStatus::Renamed:
            pair.afterFile = after;
            pair.beforeFile = before;
            break;
        case RowStatus::Skipped:
        case RowStatus::Failed:
            // The row does not say which side has the file: the sides that have one.
            if (onDisk(after)) {
                pair.afterFile = after;
            }
            if (onDisk(before)) {
                pair.beforeFile = before;
            }
            break;
    }
    return pair;
}

int FolderView::currentRow() const {
    const QModelIndex current = table_->currentIndex();
    return current.isValid() ? current.row() : -1;
}

FolderPair FolderView::currentPair() const {
    return pairAt(currentRow());
}

void FolderView::setCurrentRow(int row) {
    if (row < 0 || row >= rowCount()) {
        table_->selectionModel()->clear();
        return;
    }
    const QModelIndex index = model_->index(row, 0);
    table_->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    table_->scrollTo(index);
}

void FolderView::openCurrent() {
    const int row = currentRow();
    if (row < 0) {
        return;
    }
    const FolderPair pair = pairAt(row);
    emit openPairRequested(fromNative(pair.relativePath), fromNative(pair.afterFile),
                           fromNative(pair.beforeFile));
}

bool FolderView::selectChanged(int step) {
    const int rows = rowCount();
    const int current = currentRow();
    int at = current < 0 ? (step > 0 ? 0 : rows - 1) : current + step;
    for (; at >= 0 && at < rows; at += step) {
        if (FolderModel::isChange(model_->fileRow(at).status)) {
            setCurrentRow(at);
            openCurrent();
            return true;
        }
    }
    return false;
}

bool FolderView::selectNextChanged() {
    return selectChanged(1);
}

bool FolderView::selectPreviousChanged() {
    return selectChanged(-1);
}

// ---------------------------------------------------------------------------------------------
// The summary.

bool FolderView::saveSummary(const QString& path, QString* error) {
    auto fail = [&](const QString& why) {
        if (error != nullptr) {
            *error = why;
        }
        return false;
    };
    const QString suffix = QFileInfo(path).suffix().toLower();
    project::OutputFormat format{};
    if (suffix == QLatin1String("csv")) {
        format = project::OutputFormat::Csv;
    } else if (suffix == QLatin1String("json")) {
        format = project::OutputFormat::Json;
    } else if (suffix == QLatin1String("html") || suffix == QLatin1String("htm")) {
        format = project::OutputFormat::Html;
    } else {
        return fail(tr("%1: a summary is saved as a .csv, .json or .html file.").arg(path));
    }
    const std::vector<FileRow> rows = model_->rowsInPathOrder();
    const project::Summary summary = project::summarise(rows);
    const project::ResultHeading heading{before_, after_,
                                         !counting() && !cancelled_ && problem_.isEmpty()};
    const std::string text = project::formatResults(format, rows, summary, heading);
    // Written whole to a temporary file that then takes the old file's place.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit()) {
        return fail(tr("%1: cannot be written.").arg(path));
    }
    return true;
}

void FolderView::chooseAndSaveSummary() {
    const QString path = files_->saveFile(
        this, tr("Save Summary"), tr("CSV files (*.csv);;JSON files (*.json);;HTML files (*.html)"),
        QStringLiteral("csv"));
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!saveSummary(path, &error)) {
        message(error);
    }
}

void FolderView::message(const QString& text) {
    if (messageHandler_) {
        messageHandler_(text);
        return;
    }
    QMessageBox::warning(this, tr("Folder comparison"), text);
}

// ---------------------------------------------------------------------------------------------
// Keys.

bool FolderView::event(QEvent* event) {
    // Esc stops a count, before any shortcut of the window takes it.
    if (event->type() == QEvent::ShortcutOverride && counting()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void FolderView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && counting()) {
        cancel();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool FolderView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            openCurrent();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tavelin::ui
