#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/window_placement.h"
#include "display/find_text.h"
#include "ui/dialogs.h"
#include "ui/find_bar.h"
#include "ui/folder_view.h"
#include "ui/logo_widget.h"
#include "ui/long_operation.h"
#include "ui/overview_strip.h"
#include "ui/shown_files_watch.h"
#include "ui/ui_strings.h"
#include "ui/ui_texts.h"

// The pictures compiled into the library (outside any namespace, as the resource system needs).
static void initResources() {
    Q_INIT_RESOURCE(ui);
}

namespace tavelin::ui {

namespace {

QString trimmedFolder(const std::string& folder) {
    std::size_t begin = 0;
    std::size_t end = folder.size();
    while (begin < end && static_cast<unsigned char>(folder[begin]) <= 0x20) {
        ++begin;
    }
    while (end > begin && static_cast<unsigned char>(folder[end - 1]) <= 0x20) {
        --end;
    }
    return fromEngineText(std::string_view(folder).substr(begin, end - begin));
}

// The font as its family really has it, so that the font dialog opens on this style and not on
// the first one with a matching weight (an oblique, say).
QFont withStyleName(QFont font) {
    font.setStyleName(QFontInfo(font).styleName());
    return font;
}

// The font the settings name when it is installed, else a monospace font whose backslash is a
// backslash; Qt's font fallback draws what it lacks (Japanese, say) from a font that has it.
QFont listFont(const QString& family, int points) {
    const QStringList installed = QFontDatabase::families();
    QFont font;
    if (!family.isEmpty() && installed.contains(family, Qt::CaseInsensitive)) {
        font = QFont(family);
    } else {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        for (const char* candidate :
             {"DejaVu Sans Mono", "Noto Sans Mono", "Liberation Mono", "Noto Mono"}) {
            if (installed.contains(QString::fromLatin1(candidate), Qt::CaseInsensitive)) {
                font = QFont(QString::fromLatin1(candidate));
                break;
            }
        }
    }
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(points > 0 ? points : 9);
    return font;
}

// The hint of a code list by the side it shows.
std::string_view codeListHint(int side) {
    return side == kAfter ? std::string_view(
                                "After change|It is a content of the module after "
                                "changes.(CTRL+C is Copy.)")
                          : std::string_view(
                                "Before change|It is a content of the module before "
                                "changes.(CTRL+C is Copy.)");
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The controller's view of the window.

class MainWindow::Port final : public WindowPort {
  public:
    explicit Port(MainWindow& window) : window_(window) {}
    void showMessage(std::string_view text) override { window_.showMessage(text); }
    void setControlsEnabled(bool enabled, bool menusEnabled) override {
        window_.setControlsEnabled(enabled, menusEnabled);
    }
    void listsAboutToChange() override { window_.listsAboutToChange(); }
    void listsRebuilt(const Session&) override { window_.listsRebuilt(); }
    void captionsChanged(const Session&) override { window_.captionsChanged(); }
    void warningListsAboutToChange() override { window_.warningListsAboutToChange(); }
    void warningListsRebuilt(const Session&) override { window_.warningListsRebuilt(); }
    void selectorsAndFontSet(const Session&) override { window_.selectorsAndFontSet(); }
    void progress(int percent) override { window_.showProgress(percent); }
    void runLong(const std::function<void()>& work) override { window_.operation_->run(work); }
    void showStatus(std::string_view text) override {
        window_.statusBar()->showMessage(fromEngineText(text), 10000);
    }
    void showDataMonitor(const Session&) override { window_.showDataMonitor(); }
    ViewerSettings::WindowRect windowRect() const override {
        const QRect r = window_.normalGeometry();
        return {r.top(), r.left(), r.height(), r.width()};
    }
    void close() override { window_.QWidget::close(); }

  private:
    MainWindow& window_;
};

// ---------------------------------------------------------------------------------------------

MainWindow::MainWindow(Session& session, QWidget* parent)
    : QMainWindow(parent), session_(session), port_(std::make_unique<Port>(*this)) {
    static const bool resources = [] {
        initResources();
        return true;
    }();
    (void)resources;
    controller_ = std::make_unique<MainController>(session_, *port_);
    operation_ = new LongOperation(this);
    operation_->setProgressHandler([this](int percent) {
        // A percentage once the matching reports one; until then the bar only says "busy".
        progress_->setRange(0, 100);
        progress_->setValue(percent);
    });

    buildWidgets();
    connectControls();
    // Files shown that change on disk are noticed above their list.
    watch_ = new ShownFilesWatch(session_, panes_, this);
    buildMenus();
    bar_->applyTexts(controller_->processingKindCount());
    applyCodeHints();
    statusBar()->setToolTip(qs(kStatusBarHint));
    statusBar()->setStatusTip(qs(kStatusBarHint));
    applyEdition();
    const bool warnings = warningListsVisible(session_.counterSettings);
    for (ListPane* pane : panes_) {
        pane->setWarningsVisible(warnings);
    }
    // The window is never made narrower than its controls need: with the fonts of this desktop
    // they may not fit the classic minimum and would be drawn over each other.
    const QSize controls = minimumSizeHint();
    setMinimumSize(std::max(kMinWindowWidth, controls.width()),
                   std::max(kMinWindowHeight, controls.height()));
    placeWindow();
    if (session_.options.silent) {
        setWindowState(windowState() | Qt::WindowMinimized);
    }
}

MainWindow::~MainWindow() = default;

void MainWindow::buildWidgets() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->setSpacing(4);
    bar_ = new ControlBar(central);
    layout->addWidget(bar_);

    find_ = new FindBar(central);
    layout->addWidget(find_);
    connect(find_, &FindBar::findRequested, this, [this](bool forward) { find(forward); });
    connect(find_, &FindBar::closed, this, [this] {
        found_.row = -1;
        repaintLists();
    });

    // The folder comparison above the lists, shown when two folders are compared.
    vertical_ = new QSplitter(Qt::Vertical, central);
    vertical_->setChildrenCollapsible(false);
    folders_ = new FolderView(vertical_);
    folders_->setSetupSources(FolderView::setupSourcesFor(session_.dataFolders()));
    folders_->setColours(session_.viewerSettings.addColor, session_.viewerSettings.delColor);
    folders_->setMessageHandler([this](const QString& text) { showMessage(text.toStdString()); });
    folders_->hide();
    connect(folders_, &FolderView::openPairRequested, this,
            [this](const QString&, const QString&, const QString&) { openFolderPair(); });
    auto* listsBox = new QWidget(vertical_);
    vertical_->addWidget(folders_);
    vertical_->addWidget(listsBox);
    vertical_->setStretchFactor(0, 0);
    vertical_->setStretchFactor(1, 1);

    auto* lists = new QHBoxLayout(listsBox);
    lists->setContentsMargins(0, 0, 0, 0);
    lists->setSpacing(2);
    split_ = new QSplitter(Qt::Horizontal, listsBox);
    split_->setChildrenCollapsible(false);
    for (int list = 0; list < 2; ++list) {
        auto* pane = new ListPane(list, session_, *controller_, *this, split_);
        panes_[static_cast<std::size_t>(list)] = pane;
        split_->addWidget(pane);
        connect(pane, &ListPane::scrolled, this, [this, list] {
            syncScroll(list);
            updateOverviewView();
        });
        connect(pane, &ListPane::heightsMoved, this, [this, list] { followHeights(list); });
        connect(pane, &ListPane::filesDropped, this,
                [this, list](const QStringList& paths) { dropFiles(list, paths); });
        connect(pane, &ListPane::reloadRequested, this, [this] { controller_->reloadChanged(); });
    }
    connect(split_, &QSplitter::splitterMoved, this, [this](int, int) { applyColumnWidths(); });
    overview_ = new OverviewStrip(listsBox);
    connect(overview_, &OverviewStrip::scrollRequested, this,
            [this](std::int32_t row) { scrollBothTo(row - pane(0)->visibleRows() / 2); });
    lists->addWidget(split_, 1);
    lists->addWidget(overview_);
    layout->addWidget(vertical_, 1);
    setCentralWidget(central);

    highlights_ = std::make_unique<InlineHighlights>(*pane(0)->codeModel(), *pane(1)->codeModel());
    highlights_->setEnabled(session_.viewerSettings.highlightChars != 0);
    for (ListPane* pane : panes_) {
        pane->setDecorations(*highlights_, found_);
        pane->setLineNumbers(session_.viewerSettings.lineNumbers != 0);
    }

    progress_ = new QProgressBar(this);
    progress_->setMaximumWidth(160);
    progress_->setTextVisible(true);
    progress_->setAccessibleName(QStringLiteral("Progress"));
    progress_->hide();
    statusBar()->addPermanentWidget(progress_);
    counts_ = new StepCountsView(this);
    statusBar()->addPermanentWidget(counts_);
    statusBar()->installEventFilter(this);
    statusBar()->setSizeGripEnabled(true);
}

void MainWindow::connectControls() {
    ControlBar& bar = *bar_;
    connect(bar.button(kDown), &QPushButton::clicked, this, [this] { nextDifference(); });
    connect(bar.button(kUp), &QPushButton::clicked, this, [this] { previousDifference(); });
    connect(bar.button(kExecute), &QPushButton::clicked, this, [this] { execute(); });
    connect(bar.button(kSave), &QPushButton::clicked, this, [this] { saveReport(); });
    connect(bar.button(kReload), &QPushButton::clicked, this, [this] { controller_->reload(); });
    connect(bar.button(kEnd), &QPushButton::clicked, this, [this] { controller_->endButton(); });
    connect(bar.scrollTogether(), &QCheckBox::toggled, this, [this](bool on) {
        bar_->button(kDown)->setEnabled(on);
        bar_->button(kUp)->setEnabled(on);
        if (on) {
            syncScroll(0);
        }
    });
    connect(bar.tabChoice(), &QButtonGroup::idClicked, this,
            [this](int id) { controller_->selectTabWidth(id); });
    connect(bar.optionSelector(), &QComboBox::currentIndexChanged, this,
            [this](int index) { controller_->selectResyncChoice(index); });
    connect(bar.processingSelector(), &QComboBox::currentIndexChanged, this,
            [this](int index) { controller_->selectProcessingKind(index); });

    // The keyboard shortcuts of the window (Ctrl+C and Ctrl+A belong to the lists).
    const std::pair<const char*, char> keys[] = {
        {"Ctrl+F", kKeyCtrlF}, {"Ctrl+B", kKeyCtrlB}, {"Ctrl+S", kKeyCtrlS}, {"Ctrl+W", kKeyCtrlW},
        {"Ctrl+X", kKeyCtrlX}, {"Ctrl+Z", kKeyCtrlZ}, {"Esc", kKeyEscape}};
    for (const auto& [sequence, code] : keys) {
        auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(sequence)), this);
        shortcut->setContext(Qt::WindowShortcut);
        const char keyCode = code;
        connect(shortcut, &QShortcut::activated, this, [this, keyCode] { key(keyCode); });
    }
}

void MainWindow::buildMenus() {
    menus_[0] = menuBar()->addMenu(qs(kFileCaption));
    menus_[1] = menuBar()->addMenu(qs(kEditCaption));
    menus_[2] = menuBar()->addMenu(qs(kViewCaption));
    menus_[3] = menuBar()->addMenu(qs(kHelpCaption));
    auto add = [this](QMenu* menu, std::string_view caption, std::string_view hint, auto handler) {
        QAction* action = menu->addAction(qs(caption));
        setHint(action, hint);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    add(menus_[0], kAfterFileCaption, kAfterFileHint, [this] { chooseFile(kAfter); });
    add(menus_[0], kBeforeFileCaption, kBeforeFileHint, [this] { chooseFile(kBefore); });
    menus_[0]->addSeparator();
    add(menus_[0], kCompareFoldersCaption, kCompareFoldersHint, [this] { chooseFolders(); });
    menus_[0]->addSeparator();
    add(menus_[0], kAfterClearCaption, kAfterClearHint, [this] { controller_->clearPane(kAfter); });
    add(menus_[0], kBeforeClearCaption, kBeforeClearHint,
        [this] { controller_->clearPane(kBefore); });
    menus_[0]->addSeparator();
    exit_ = add(menus_[0], kExitCaption, kExitHint, [this] { controller_->endMenuItem(); });
    add(menus_[1], kSystemCaption, kSystemHint, [this] { showSettingsDialog(); });
    add(menus_[1], kFontCaption, kFontHint, [this] { showFontDialog(); });
    add(menus_[3], kAboutCaption, kAboutHint, [this] { showAboutDialog(); });

    // Find, the change blocks and the view's choices. Their keys work in both editions (the
    // data-file edition has no menu bar), so the window holds the actions as well.
    auto keyed = [this](QAction* action, const QKeySequence& key) {
        action->setShortcut(key);
        addAction(action);
        action->setShortcutContext(Qt::WindowShortcut);
        return action;
    };
    auto toggle = [this, &add](std::string_view caption, std::string_view hint, bool checked,
                               auto handler) {
        QAction* action = add(menus_[2], caption, hint, handler);
        action->setCheckable(true);
        action->setChecked(checked);
        addAction(action);
        action->setShortcutContext(Qt::WindowShortcut);
        return action;
    };
    menus_[1]->addSeparator();
    keyed(add(menus_[1], kFindCaption, kFindHint, [this] { openFind(); }),
          QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    keyed(add(menus_[1], kFindNextCaption, kFindNextHint, [this] { find(true); }),
          QKeySequence(Qt::Key_F3));
    keyed(add(menus_[1], kFindPreviousCaption, kFindPreviousHint, [this] { find(false); }),
          QKeySequence(Qt::SHIFT | Qt::Key_F3));
    highlightAction_ =
        toggle(kHighlightCaption, kHighlightHint, session_.viewerSettings.highlightChars != 0,
               [this](bool on) { setHighlightChars(on); });
    lineNumbersAction_ =
        toggle(kLineNumbersCaption, kLineNumbersHint, session_.viewerSettings.lineNumbers != 0,
               [this](bool on) { setLineNumbers(on); });
    menus_[2]->addSeparator();
    keyed(add(menus_[2], kNextBlockCaption, kNextBlockHint, [this] { nextBlock(); }),
          QKeySequence(Qt::ALT | Qt::Key_Down));
    keyed(add(menus_[2], kPreviousBlockCaption, kPreviousBlockHint, [this] { previousBlock(); }),
          QKeySequence(Qt::ALT | Qt::Key_Up));
    menus_[2]->addSeparator();
    foldersAction_ = add(menus_[2], kShowFoldersCaption, kShowFoldersHint,
                         [this](bool on) { folders_->setVisible(on); });
    foldersAction_->setCheckable(true);
    foldersAction_->setEnabled(false);
    // The next / previous changed file of a folder comparison on show.
    auto changedFile = [this](bool next) {
        if (folders_->isVisible()) {
            next ? folders_->selectNextChanged() : folders_->selectPreviousChanged();
        }
    };
    keyed(add(menus_[2], kNextFileCaption, kNextFileHint, [changedFile] { changedFile(true); }),
          QKeySequence(Qt::ALT | Qt::Key_Right));
    keyed(add(menus_[2], kPreviousFileCaption, kPreviousFileHint,
              [changedFile] { changedFile(false); }),
          QKeySequence(Qt::ALT | Qt::Key_Left));

    setHint(menus_[0]->menuAction(), kFileHint);
    setHint(menus_[1]->menuAction(), kEditHint);
    setHint(menus_[2]->menuAction(), kViewHint);
    setHint(menus_[3]->menuAction(), kHelpHint);
}

void MainWindow::applyCodeHints() {
    for (int list = 0; list < 2; ++list) {
        pane(list)->setCodeHint(
            codeListHint(sideOfList(list, session_.viewerSettings.listPosition())));
    }
}

void MainWindow::applyEdition() {
    const bool standAlone = session_.noDataFile == 1;
    title_ = qs(standAlone ? kTitleLumora : kTitleTavelin);
    setWindowTitle(title_);
    QApplication::setApplicationDisplayName(QString());
    menuBar()->setVisible(standAlone);
    menuBar()->setEnabled(standAlone);
    for (QMenu* menu : menus_) {
        menu->menuAction()->setVisible(standAlone);
        menu->setEnabled(standAlone);
    }
    if (standAlone) {
        // The file choice starts in the folders of the counter settings, blanks trimmed.
        lastFolders_[kAfter] = trimmedFolder(session_.counterSettings.aftfldnm);
        lastFolders_[kBefore] = trimmedFolder(session_.counterSettings.bfrfldnm);
    }
    bar_->applyEdition(standAlone, session_.viewerSettings.imageChg);
}

bool MainWindow::menusVisible() const {
    return !menuBar()->isHidden();
}

void MainWindow::placeWindow() {
    std::vector<MonitorRect> monitors;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        monitors.push_back({g.left(), g.top(), g.width(), g.height()});
    }
    const ViewerSettings::WindowRect r =
        tavelin::placeWindow(session_.viewerSettings.windowRect(), monitors);
    setGeometry(r.left, r.top, r.width, r.height);
}

void MainWindow::layoutPanes() {
    // The left pane takes half of the window minus 8 pixels.
    const int left = std::max(0, (width() - 8) / 2);
    const int total = split_->width() - split_->handleWidth();
    split_->setSizes({left, std::max(0, total - left)});
    for (ListPane* pane : panes_) {
        pane->setWarningHeight(session_.viewerSettings.warnHeight);
    }
}

void MainWindow::followHeights(int from) {
    // The other side follows, and the warning height is kept.
    pane(1 - from)->setSizes(pane(from)->sizes());
    controller_->setWarningHeight(pane(0)->warningHeight());
    applyColumnWidths();
}

void MainWindow::applyColumnWidths() {
    for (ListPane* pane : panes_) {
        pane->setColumnWidth(session_.viewerSettings.listWidth);
    }
}

void MainWindow::applyStatusWidths() {
    // [STATUS_RES] is the narrowest the counts are; they grow to show every count whole.
    const int counts = std::clamp(session_.viewerSettings.statusRes, 0, 500);
    counts_->setMinimumPanelWidth(std::min(counts, statusBar()->width()));
}

void MainWindow::applyListFont(const QFont& font) {
    const QFont styled = withStyleName(font);
    for (ListPane* pane : panes_) {
        pane->setListFont(styled);
    }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    layoutPanes();
    applyColumnWidths();
    applyStatusWidths();
}

// ---------------------------------------------------------------------------------------------
// First activation and the controller's requests.

Activation MainWindow::activate() {
    if (activated_) {
        return Activation::AlreadyDone;
    }
    activated_ = true;
    const Activation activation = controller_->formActivate();
    // Two folders on the command line: their comparison.
    const StartupOptions& o = session_.options;
    std::error_code ec;
    if (activation == Activation::Shown && !o.afterPath.empty() && !o.beforePath.empty() &&
        std::filesystem::is_directory(o.afterPath, ec) &&
        std::filesystem::is_directory(o.beforePath, ec)) {
        compareFolders(o.beforePath, o.afterPath);
    }
    return activation;
}

void MainWindow::chooseFolders() {
    const QString before = files_->folder(this, qs(kBeforeFolderTitle), lastFolders_[kBefore]);
    if (before.isEmpty()) {
        return;
    }
    const QString after = files_->folder(this, qs(kAfterFolderTitle), lastFolders_[kAfter]);
    if (after.isEmpty()) {
        return;
    }
    lastFolders_[kBefore] = before;
    lastFolders_[kAfter] = after;
    compareFolders(before.toStdString(), after.toStdString());
}

void MainWindow::compareFolders(const std::string& before, const std::string& after) {
    const bool wasHidden = folders_->isHidden();
    folders_->show();
    foldersAction_->setEnabled(true);
    foldersAction_->setChecked(true);
    if (wasHidden) {
        // Two fifths of the height for the table, once the layout has given the view its place.
        QTimer::singleShot(0, this, [this] {
            const int total = vertical_->height() - vertical_->handleWidth();
            vertical_->setSizes({total * 2 / 5, total - total * 2 / 5});
        });
    }
    folders_->startNative(before, after);
}

void MainWindow::openFolderPair() {
    const FolderPair pair = folders_->currentPair();
    if (pair.afterFile.empty() && pair.beforeFile.empty()) {
        return;
    }
    controller_->openPair(pair.afterFile, pair.beforeFile);
    setWindowTitle(title_ + QStringLiteral(" - ") + fromEngineText(pair.relativePath));
}

void MainWindow::selectorsAndFontSet() {
    const Session& s = session_;
    bar_->setSelectors(s.viewerSettings.tabNo, s.resyncChoice, s.processingKind);
    applyListFont(listFont(fromEngineText(s.viewerSettings.fontName), s.viewerSettings.fontSize));
    // The warning lists' columns: line 50, code 65, extras 100, the description the rest of
    // the pane's width.
    layoutPanes();
    const QList<int> paneWidths = split_->sizes();
    for (int list = 0; list < 2; ++list) {
        pane(list)->warningListsRebuilt();
        pane(list)->setWarningColumns(paneWidths.value(list, pane(list)->width()),
                                      s.counterSettings);
    }
    layoutPanes();
    applyColumnWidths();
}

void MainWindow::setControlsEnabled(bool enabled, bool menusEnabled) {
    bar_->setControlsEnabled(enabled);
    // The whole operation shows that it runs; the matching adds its percentage.
    progress_->setRange(0, 0);
    progress_->setVisible(!enabled);
    const bool menus = enabled && menusEnabled;
    for (QMenu* menu : menus_) {
        menu->menuAction()->setEnabled(menus);
    }
}

void MainWindow::listsAboutToChange() {
    for (ListPane* pane : panes_) {
        pane->listsAboutToChange();
    }
}

void MainWindow::listsRebuilt() {
    for (ListPane* pane : panes_) {
        pane->listsRebuilt();
    }
    highlights_->clear();
    found_.row = -1;
    blocks_ = tavelin::changeBlocks(session_.codeLists);
    const ViewerSettings& vs = session_.viewerSettings;
    overview_->setComparison(
        blocks_, std::max(codeModel(0)->rowCount(), codeModel(1)->rowCount()),
        {fromColourValue(vs.addColor), fromColourValue(vs.delColor), fromColourValue(vs.spcColor)});
    updateOverviewView();
    watch_->update();
    applyColumnWidths();
    counts_->setCounts(session_.codeLists.counts);
}

void MainWindow::captionsChanged() {
    highlights_->clear();
    for (ListPane* pane : panes_) {
        pane->captionsChanged();
    }
}

void MainWindow::warningListsAboutToChange() {
    for (ListPane* pane : panes_) {
        pane->warningListsAboutToChange();
    }
}

void MainWindow::warningListsRebuilt() {
    for (ListPane* pane : panes_) {
        pane->warningListsRebuilt();
    }
}

void MainWindow::showProgress(int percent) {
    if (percent >= 0) {
        operation_->postProgress(percent);
    }
}

void MainWindow::showMessage(std::string_view text) {
    if (messageHandler_) {
        messageHandler_(fromEngineText(text));
        return;
    }
    QMessageBox box(QMessageBox::Warning, title_, fromEngineText(text), QMessageBox::Ok, this);
    box.exec();
}

void MainWindow::openUrl(const QUrl& url) {
    if (urlOpener_) {
        urlOpener_(url);
    } else {
        QDesktopServices::openUrl(url);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // While an operation runs the close waits for its end; the controller closes then.
    if (!controller_->requestClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

// ---------------------------------------------------------------------------------------------
// Processing, keys and navigation.

void MainWindow::execute() {
    controller_->execute(bar_->processingSelector()->currentIndex(),
                         bar_->optionSelector()->currentIndex());
}

void MainWindow::key(char code) {
    // Esc closes the find bar first.
    if (code == kKeyEscape && find_->isVisible()) {
        find_->dismiss();
        return;
    }
    switch (controller_->keyPress(code)) {
        case KeyAction::NextDifference:
            nextDifference();
            break;
        case KeyAction::PreviousDifference:
            previousDifference();
            break;
        case KeyAction::SystemSettings:
            showSettingsDialog();
            break;
        case KeyAction::None:
            break;
    }
}

void MainWindow::nextDifference() {
    moveToDifference(true);
}

void MainWindow::previousDifference() {
    moveToDifference(false);
}

void MainWindow::moveToDifference(bool next) {
    if (!bar_->scrollTogether()->isChecked() || controller_->busy()) {
        return;
    }
    const int startList = navigationList();
    if (codeModel(startList)->rowCount() == 0) {
        return;
    }
    const std::int32_t start = pane(startList)->topRow();
    const auto found =
        next ? findNextDifference(session_.codeLists, session_.panes.lineTableSize, start)
             : findPreviousDifference(session_.codeLists, session_.panes.lineTableSize, start);
    if (found) {
        scrollBothTo(*found);
    }
}

int MainWindow::navigationList() const {
    // The right list, or the left one when the right list is empty.
    return codeModel(1)->rowCount() > 0 ? 1 : 0;
}

void MainWindow::scrollBothTo(std::int32_t row) {
    const std::int32_t top = std::max<std::int32_t>(row, 0);
    const int afterList = listOfSide(kAfter, session_.codeLists.listPosition);
    pane(afterList)->scrollRowToTop(top);
    pane(1 - afterList)->scrollRowToTop(top);
    updateOverviewView();
}

void MainWindow::updateOverviewView() {
    overview_->setView(pane(0)->topRow(), pane(0)->visibleRows());
}

void MainWindow::nextBlock() {
    moveToBlock(true);
}

void MainWindow::previousBlock() {
    moveToBlock(false);
}

void MainWindow::moveToBlock(bool next) {
    if (controller_->busy()) {
        return;
    }
    if (blocks_.empty()) {
        statusBar()->showMessage(qs(kMsgNoChangeBlocks), 5000);
        return;
    }
    const std::int32_t top = pane(navigationList())->topRow();
    const std::optional<std::size_t> block =
        next ? tavelin::nextBlock(blocks_, top) : tavelin::previousBlock(blocks_, top);
    if (!block) {
        statusBar()->showMessage(qs(next ? kMsgNoBlockBelow : kMsgNoBlockAbove), 5000);
        return;
    }
    scrollBothTo(blocks_[*block].first);
    if (*block + 1 == blocks_.size()) {
        statusBar()->showMessage(qs(kMsgLastBlock), 5000);
    } else if (*block == 0) {
        statusBar()->showMessage(qs(kMsgFirstBlock), 5000);
    } else {
        statusBar()->clearMessage();
    }
}

void MainWindow::openFind() {
    find_->open();
}

void MainWindow::find(bool forward) {
    if (find_->text().isEmpty()) {
        openFind();
        return;
    }
    if (controller_->busy()) {
        return;
    }
    const QString text = find_->text();
    FindOptions options;
    options.matchCase = find_->matchCase();
    options.wholeWord = find_->wholeWord();
    // From the last match of the same text, else from the top row in view.
    FindPlace from;
    if (found_.row >= 0 && found_.text == text) {
        from = {found_.list, found_.row};
    } else {
        const std::int32_t top = pane(0)->topRow();
        from = forward ? FindPlace{1, top - 1} : FindPlace{0, top};
    }
    const std::u16string needle(reinterpret_cast<const char16_t*>(text.constData()),
                                static_cast<std::size_t>(text.size()));
    const std::optional<FindResult> hit =
        findInLists(session_.panes, session_.codeLists, needle, options, from, forward);
    if (!hit) {
        found_.row = -1;
        find_->setNote(QStringLiteral("Not found"));
        return;
    }
    found_ = {text, options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive, options.wholeWord,
              hit->place.list, hit->place.row};
    find_->setNote(hit->wrapped ? (forward ? QStringLiteral("Went round to the top")
                                           : QStringLiteral("Went round to the bottom"))
                                : QString());
    // The row that holds it is selected and brought into view, in both lists together.
    QTableView* view = codeView(hit->place.list);
    codeView(1 - hit->place.list)->clearSelection();
    const QModelIndex index = codeModel(hit->place.list)->index(hit->place.row, 0);
    view->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->scrollTo(index, QAbstractItemView::PositionAtCenter);
    // Across as well: the found text in view, the start of the line when it fits there.
    const QString caption = index.data().toString();
    const int at = std::max(foundAt(caption, found_), 0);
    const QFontMetrics metrics(view->font());
    const int left = metrics.horizontalAdvance(caption.left(at));
    const int right = left + metrics.horizontalAdvance(caption.mid(at, text.size()));
    const int shown = view->viewport()->width();
    QScrollBar* across = view->horizontalScrollBar();
    if (right <= shown * 3 / 4) {
        across->setValue(0);
    } else if (left < across->value() || right > across->value() + shown) {
        across->setValue(left - shown / 4);
    }
    repaintLists();
}

void MainWindow::setHighlightChars(bool on) {
    controller_->setHighlightChars(on);
    highlights_->setEnabled(on);
    highlights_->clear();
    highlightAction_->setChecked(on);
    repaintLists();
}

void MainWindow::repaintLists() {
    for (ListPane* pane : panes_) {
        pane->codeView()->viewport()->update();
    }
}

void MainWindow::setLineNumbers(bool on) {
    controller_->setLineNumbers(on);
    lineNumbersAction_->setChecked(on);
    for (ListPane* pane : panes_) {
        pane->setLineNumbers(on);
    }
}

void MainWindow::syncScroll(int from) {
    if (syncing_ || !bar_->scrollTogether()->isChecked() || codeModel(from)->rowCount() == 0) {
        return;
    }
    syncing_ = true;
    const QTableView* source = codeView(from);
    QTableView* target = codeView(1 - from);
    const int top = pane(from)->topRow();
    // The other list follows when it has a row there.
    if (top < codeModel(1 - from)->rowCount()) {
        target->verticalScrollBar()->setValue(top);
    }
    target->horizontalScrollBar()->setValue(source->horizontalScrollBar()->value());
    syncing_ = false;
}

// ---------------------------------------------------------------------------------------------
// Files and drops.

void MainWindow::chooseFile(int side) {
    const auto s = static_cast<std::size_t>(side);
    const QString path = files_->openFile(this, QString(), lastFolders_[s], qs(kOpenFilter));
    if (path.isEmpty()) {
        return;
    }
    lastFolders_[s] = QFileInfo(path).absolutePath();
    setWindowTitle(title_);
    controller_->openFile(side, path.toStdString());
}

void MainWindow::dropFiles(int list, const QStringList& paths) {
    std::vector<std::string> files;
    for (const QString& path : paths) {
        files.push_back(path.toStdString());
    }
    const DropDecision decision = controller_->dropDecision(list, files);
    if (decision.kind == DropDecision::Kind::Ignore) {
        return;
    }
    raise();
    activateWindow();
    if (decision.kind == DropDecision::Kind::Message) {
        showMessage(decision.message);
        return;
    }
    if (decision.kind == DropDecision::Kind::Folders) {
        compareFolders(decision.beforeFolder, decision.afterFolder);
        return;
    }
    setWindowTitle(title_);
    controller_->openFile(decision.side, files.front());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == statusBar() && event->type() == QEvent::MouseButtonDblClick) {
        showSettingsDialog();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// The report and the dialogs.

void MainWindow::saveReport() {
    if (controller_->busy()) {
        return;
    }
    const QString path = files_->saveFile(this, QStringLiteral("Files comparison save."),
                                          QStringLiteral("Comparison result file(*.html) (*.html);;"
                                                         "All files(*.*) (*)"),
                                          QStringLiteral("html"));
    if (!path.isEmpty()) {
        controller_->writeReport(path.toStdString());
    }
}

void MainWindow::runDialog(QDialog& dialog) {
    placeOnScreen(&dialog, this);
    if (dialogHook_) {
        dialogHook_(&dialog);
    }
    dialog.exec();
}

void MainWindow::showSettingsDialog() {
    if (controller_->busy() || controller_->closed()) {
        return;
    }
    SettingsDialog dialog(this, *files_);
    const DisplaySettings before = displaySettings(session_.viewerSettings);
    dialog.load(before);
    runDialog(dialog);
    // Cancel changes nothing.
    if (dialog.result() != QDialog::Accepted) {
        return;
    }
    const DisplayChange change = controller_->applyDisplaySettings(before, dialog.values());
    if (change == DisplayChange::None) {
        return;
    }
    bar_->applyEdition(session_.noDataFile == 1, session_.viewerSettings.imageChg);
    applyStatusWidths();
    for (ListPane* pane : panes_) {
        pane->setCodeHint(session_.codeLists.lists[static_cast<std::size_t>(pane->list())].hint);
    }
}

void MainWindow::showFontDialog() {
    const QFont chosen = files_->font(this, codeView(0)->font());
    // Whatever the dialog's result, its font goes to the four lists and into the settings.
    applyListFont(chosen);
    controller_->setListFont(
        chosen.family().toStdString(), chosen.pointSize(),
        QFontDatabase::writingSystems(chosen.family()).contains(QFontDatabase::Japanese));
}

void MainWindow::showAboutDialog() {
    AboutDialog dialog(this);
    runDialog(dialog);
}

void MainWindow::showDataMonitor() {
    MonitorDialog dialog(this);
    dialog.fill(dataMonitorRows(session_));
    runDialog(dialog);
}

}  // namespace tavelin::ui
