#include "ui/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>
#include <exception>
#include <thread>

#include "app/window_placement.h"
#include "compare/line_matcher.h"
#include "text/encoding.h"
#include "ui/dialogs.h"
#include "ui/logo_widget.h"
#include "ui/ui_texts.h"

// The pictures compiled into the library (outside any namespace, as the resource system needs).
static void initResources() {
    Q_INIT_RESOURCE(ui);
}

namespace tavelin::ui {

namespace {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Sets a control's hint (tooltip and status-bar text) and its accessible name.
void setHint(QWidget* widget, std::string_view hint, const QString& name = {}) {
    widget->setToolTip(hintShort(hint));
    widget->setStatusTip(hintLong(hint));
    widget->setAccessibleName(name.isEmpty() ? hintShort(hint) : name);
    widget->setAccessibleDescription(hintLong(hint));
}

void setHint(QAction* action, std::string_view hint) {
    action->setToolTip(hintShort(hint));
    action->setStatusTip(hintLong(hint));
}

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

// A monospace font with Japanese glyphs when the one asked for is not installed.
QFont listFont(const QString& family, int points) {
    const QStringList installed = QFontDatabase::families();
    QFont font;
    if (!family.isEmpty() && installed.contains(family, Qt::CaseInsensitive)) {
        font = QFont(family);
    } else {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        for (const char* candidate :
             {"IPAGothic", "IPA Gothic", "Noto Sans Mono CJK JP", "VL Gothic", "Takao Gothic"}) {
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

}  // namespace

// ---------------------------------------------------------------------------------------------
// The controller's view of the window.

class MainWindow::Port final : public WindowPort {
  public:
    explicit Port(MainWindow& window) : w_(window) {}
    void showMessage(std::string_view text) override { w_.showMessage(text); }
    void setControlsEnabled(bool enabled, bool menusEnabled) override {
        w_.setControlsEnabled(enabled, menusEnabled);
    }
    void listsAboutToChange() override { w_.listsAboutToChange(); }
    void listsRebuilt(const Session&) override { w_.listsRebuilt(); }
    void captionsChanged(const Session&) override { w_.captionsChanged(); }
    void warningListsAboutToChange() override { w_.warningListsAboutToChange(); }
    void warningListsRebuilt(const Session&) override { w_.warningListsRebuilt(); }
    void selectorsAndFontSet(const Session&) override { w_.selectorsAndFontSet(); }
    void progress(int percent) override { w_.showProgress(percent); }
    void runLong(const std::function<void()>& work) override { w_.runLong(work); }
    void showDataMonitor(const Session&) override { w_.showDataMonitor(); }
    ViewerSettings::WindowRect windowRect() const override {
        const QRect r = w_.normalGeometry();
        return {r.top(), r.left(), r.height(), r.width()};
    }
    void close() override { w_.QWidget::close(); }

  private:
    MainWindow& w_;
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
    buildWidgets();
    buildWarningMenus();
    buildMenus();
    applyTexts();
    applyEdition();
    applyWarningVisibility();
    setMinimumSize(kMinWindowWidth, kMinWindowHeight);
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

    // The controls above the lists.
    auto* controls = new QHBoxLayout();
    controls->setSpacing(6);
    logos_[0] = new LogoWidget(QStringLiteral(":/art/logo-tavelin.svg"), QSize(215, 48), central);
    logos_[1] =
        new LogoWidget(QStringLiteral(":/art/logo-tavelin-plain.svg"), QSize(215, 48), central);
    logos_[2] = new LogoWidget(QStringLiteral(":/art/logo-lumora.svg"), QSize(217, 49), central);
    for (LogoWidget* logo : logos_) {
        controls->addWidget(logo);
    }

    auto* selectors = new QVBoxLayout();
    processing_ = new QComboBox(central);
    processing_->setMinimumWidth(190);
    auto* executeButton = new QPushButton(central);
    auto* firstRow = new QHBoxLayout();
    firstRow->addWidget(processing_);
    firstRow->addWidget(executeButton);
    option_ = new QComboBox(central);
    option_->setMinimumWidth(80);
    auto* secondRow = new QHBoxLayout();
    secondRow->addWidget(option_);
    together_ = new QCheckBox(central);
    together_->setChecked(true);
    secondRow->addWidget(together_);
    secondRow->addStretch(1);
    selectors->addLayout(firstRow);
    selectors->addLayout(secondRow);
    controls->addLayout(selectors);

    tabGroup_ = new QGroupBox(central);
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
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        buttons_[i] = i == kExecute ? executeButton : new QPushButton(central);
    }
    navigation->addWidget(buttons_[kDown], 0, 0);
    navigation->addWidget(buttons_[kUp], 1, 0);
    navigation->addWidget(buttons_[kSave], 0, 1);
    navigation->addWidget(buttons_[kReload], 1, 1);
    navigation->addWidget(buttons_[kEnd], 0, 2);
    controls->addLayout(navigation);
    controls->addStretch(1);
    layout->addLayout(controls);

    // The lists: a code list over a warning list on each side.
    panes_ = new QSplitter(Qt::Horizontal, central);
    panes_->setChildrenCollapsible(false);
    for (int list = 0; list < 2; ++list) {
        const auto l = static_cast<std::size_t>(list);
        auto* split = new QSplitter(Qt::Vertical, panes_);
        split->setChildrenCollapsible(false);
        listSplitters_[l] = split;

        auto* code = new QTableView(split);
        codeModels_[l] = new CodeListModel(session_, list, this);
        code->setModel(codeModels_[l]);
        code->setSelectionBehavior(QAbstractItemView::SelectRows);
        code->setSelectionMode(QAbstractItemView::ExtendedSelection);
        code->setEditTriggers(QAbstractItemView::NoEditTriggers);
        code->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
        code->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
        code->setShowGrid(false);
        code->setWordWrap(false);
        code->setTextElideMode(Qt::ElideNone);
        code->setAlternatingRowColors(false);
        code->verticalHeader()->hide();
        code->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        code->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
        code->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        code->horizontalHeader()->setHighlightSections(false);
        code->setContextMenuPolicy(Qt::CustomContextMenu);
        code->setMouseTracking(true);
        code->viewport()->setMouseTracking(true);
        code->viewport()->installEventFilter(this);
        code->installEventFilter(this);
        code->setAcceptDrops(true);
        code->viewport()->setAcceptDrops(true);
        code->setAccessibleName(list == 0 ? QStringLiteral("Left code list")
                                          : QStringLiteral("Right code list"));
        codeViews_[l] = code;
        connect(code, &QWidget::customContextMenuRequested, this,
                [this, list](const QPoint& pos) { codeListMenu(list, pos); });
        connect(code, &QAbstractItemView::doubleClicked, this,
                [this, list](const QModelIndex&) { openEditor(list); });
        connect(code->verticalScrollBar(), &QScrollBar::valueChanged, this,
                [this, list](int) { syncScroll(list); });
        connect(code->horizontalScrollBar(), &QScrollBar::valueChanged, this,
                [this, list](int) { syncScroll(list); });

        auto* warnings = new QTableView(split);
        warningModels_[l] = new WarningListModel(session_, list, this);
        warnings->setModel(warningModels_[l]);
        warnings->setSelectionBehavior(QAbstractItemView::SelectRows);
        warnings->setSelectionMode(QAbstractItemView::SingleSelection);
        warnings->setEditTriggers(QAbstractItemView::NoEditTriggers);
        warnings->verticalHeader()->hide();
        warnings->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        warnings->setWordWrap(false);
        warnings->setAccessibleName(list == 0 ? QStringLiteral("Left warning list")
                                              : QStringLiteral("Right warning list"));
        warnings->setContextMenuPolicy(Qt::CustomContextMenu);
        warnings->horizontalHeader()->setSectionsClickable(true);
        warnings->horizontalHeader()->setSortIndicatorShown(true);
        warnings->installEventFilter(this);
        warningViews_[l] = warnings;
        connect(warnings->horizontalHeader(), &QHeaderView::sectionClicked, this,
                [this, list](int column) { controller_->sortWarnings(list, column); });
        connect(warnings, &QAbstractItemView::doubleClicked, this,
                [this, list](const QModelIndex&) { jumpToWarning(list); });
        connect(warnings, &QWidget::customContextMenuRequested, this,
                [this, list](const QPoint& pos) { warningMenu(list, pos); });

        split->addWidget(code);
        split->addWidget(warnings);
        split->setStretchFactor(0, 1);
        split->setStretchFactor(1, 0);
        connect(split, &QSplitter::splitterMoved, this, [this, list](int, int) {
            // The other side follows, and the warning height is kept.
            const auto other = static_cast<std::size_t>(1 - list);
            const QList<int> sizes = listSplitters_[static_cast<std::size_t>(list)]->sizes();
            listSplitters_[other]->setSizes(sizes);
            session_.viewerSettings.warnHeight = std::max(
                74, listSplitters_[0]->sizes().value(1, session_.viewerSettings.warnHeight));
            applyColumnWidths();
        });
        panes_->addWidget(split);
    }
    connect(panes_, &QSplitter::splitterMoved, this, [this](int, int) { applyColumnWidths(); });
    layout->addWidget(panes_, 1);
    setCentralWidget(central);

    counts_ = new QLabel(this);
    counts_->setAccessibleName(QStringLiteral("Step counts"));
    QFont countsFont = counts_->font();
    countsFont.setPointSize(std::max(6, countsFont.pointSize() - 1));
    counts_->setFont(countsFont);
    statusBar()->addPermanentWidget(counts_);
    statusBar()->installEventFilter(this);
    statusBar()->setSizeGripEnabled(true);

    // Buttons and selectors.
    connect(buttons_[kDown], &QPushButton::clicked, this, [this] { nextDifference(); });
    connect(buttons_[kUp], &QPushButton::clicked, this, [this] { previousDifference(); });
    connect(buttons_[kExecute], &QPushButton::clicked, this, [this] { execute(); });
    connect(buttons_[kSave], &QPushButton::clicked, this, [this] { saveReport(); });
    connect(buttons_[kReload], &QPushButton::clicked, this, [this] { controller_->reload(); });
    connect(buttons_[kEnd], &QPushButton::clicked, this, [this] { controller_->endButton(); });
    connect(together_, &QCheckBox::toggled, this, [this](bool on) {
        buttons_[kDown]->setEnabled(on);
        buttons_[kUp]->setEnabled(on);
        if (on) {
            syncScroll(0);
        }
    });
    connect(tabChoice_, &QButtonGroup::idClicked, this,
            [this](int id) { controller_->selectTabWidth(id); });
    // The selector's index is what the settings keep at the end, executed or not.
    connect(processing_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (activated_) {
            session_.processingKind = index;
        }
    });

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

    // The code lists' pop-up menus: the encodings (copy, text save and the editor join them).
    for (int list = 0; list < 2; ++list) {
        const auto l = static_cast<std::size_t>(list);
        popups_[l] = new QMenu(this);
        const std::array<std::pair<std::string_view, std::string_view>, 3> items = {{
            {kCopyCaption, kCopyHint},
            {kTextSaveCaption, kTextSaveHint},
            {kEditorCaption, kEditorHint},
        }};
        for (std::size_t i = 0; i < items.size(); ++i) {
            QAction* action = popups_[l]->addAction(qs(items[i].first));
            setHint(action, items[i].second);
            codeActions_[l][i] = action;
        }
        connect(codeActions_[l][0], &QAction::triggered, this, [this, list] { copyRows(list); });
        connect(codeActions_[l][1], &QAction::triggered, this, [this, list] { saveText(list); });
        connect(codeActions_[l][2], &QAction::triggered, this, [this, list] { openEditor(list); });
        encodeMenus_[l] = popups_[l]->addMenu(qs(kEncodeCaption));
        auto* group = new QActionGroup(this);
        group->setExclusive(true);
        for (int code = 0; code < kEncodingChoices; ++code) {
            QAction* action =
                encodeMenus_[l]->addAction(qs(kEncodingItems[static_cast<std::size_t>(code)]));
            action->setCheckable(true);
            group->addAction(action);
            encodeActions_[l][static_cast<std::size_t>(code)] = action;
            connect(action, &QAction::triggered, this,
                    [this, list, code] { controller_->selectEncoding(list, code); });
        }
    }
}

void MainWindow::buildWarningMenus() {
    for (int list = 0; list < 2; ++list) {
        const auto l = static_cast<std::size_t>(list);
        warningPopups_[l] = new QMenu(this);
        const std::array<std::pair<std::string_view, std::string_view>, 3> items = {{
            {kJumpCaption, kJumpHint},
            {kHelp1Caption, kHelp1Hint},
            {kHelp2Caption, kHelp2Hint},
        }};
        for (std::size_t i = 0; i < items.size(); ++i) {
            QAction* action = warningPopups_[l]->addAction(qs(items[i].first));
            setHint(action, items[i].second);
            warningActions_[l][i] = action;
        }
        connect(warningActions_[l][0], &QAction::triggered, this,
                [this, list] { jumpToWarning(list); });
        connect(warningActions_[l][1], &QAction::triggered, this,
                [this, list] { openWarningHelp(list, 1); });
        connect(warningActions_[l][2], &QAction::triggered, this,
                [this, list] { openWarningHelp(list, 2); });
    }
}

void MainWindow::buildMenus() {
    menus_[0] = menuBar()->addMenu(qs(kFileCaption));
    menus_[1] = menuBar()->addMenu(qs(kEditCaption));
    menus_[2] = menuBar()->addMenu(qs(kHelpCaption));
    auto add = [this](QMenu* menu, std::string_view caption, std::string_view hint, auto handler) {
        QAction* action = menu->addAction(qs(caption));
        setHint(action, hint);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    add(menus_[0], kAfterFileCaption, kAfterFileHint, [this] { chooseFile(kAfter); });
    add(menus_[0], kBeforeFileCaption, kBeforeFileHint, [this] { chooseFile(kBefore); });
    add(menus_[0], kAfterClearCaption, kAfterClearHint, [this] { controller_->clearPane(kAfter); });
    add(menus_[0], kBeforeClearCaption, kBeforeClearHint,
        [this] { controller_->clearPane(kBefore); });
    menus_[0]->addSeparator();
    add(menus_[0], kExitCaption, kExitHint, [this] { controller_->endMenuItem(); });
    add(menus_[1], kSystemCaption, kSystemHint, [this] { showSettingsDialog(); });
    add(menus_[1], kFontCaption, kFontHint, [this] { showFontDialog(); });
    add(menus_[2], kAboutCaption, kAboutHint, [this] { showAboutDialog(); });
    setHint(menus_[0]->menuAction(), kFileHint);
    setHint(menus_[1]->menuAction(), kEditHint);
    setHint(menus_[2]->menuAction(), kHelpHint);
}

void MainWindow::applyTexts() {
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

    // The processing list: eleven kinds, the monitor too in debug mode.
    processing_->clear();
    const int kinds = session_.viewerSettings.debugMode == 1 ? 12 : 11;
    for (int i = 0; i < kinds; ++i) {
        processing_->addItem(qs(kProcessingCaptions[static_cast<std::size_t>(i)]));
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
    for (int list = 0; list < 2; ++list) {
        const std::string_view hint =
            sideOfList(list, session_.viewerSettings.listPosition()) == kAfter
                ? std::string_view(
                      "After change|It is a content of the module after "
                      "changes.(CTRL+C is Copy.)")
                : std::string_view(
                      "Before change|It is a content of the module before "
                      "changes.(CTRL+C is Copy.)");
        codeViews_[static_cast<std::size_t>(list)]->setToolTip(hintShort(hint));
        codeViews_[static_cast<std::size_t>(list)]->setStatusTip(hintLong(hint));
    }
    statusBar()->setToolTip(qs(kStatusBarHint));
    statusBar()->setStatusTip(qs(kStatusBarHint));
    for (std::size_t l = 0; l < 2; ++l) {
        encodeMenus_[l]->menuAction()->setToolTip(hintShort(kEncodeHint));
        encodeMenus_[l]->menuAction()->setStatusTip(hintLong(kEncodeHint));
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
        setHint(buttons_[kEnd], kEndHintLumora, qs(kEndCaption));
        // The file choice starts in the folders of the counter settings, blanks trimmed.
        lastFolders_[kAfter] = trimmedFolder(session_.counterSettings.aftfldnm);
        lastFolders_[kBefore] = trimmedFolder(session_.counterSettings.bfrfldnm);
    }
    for (LogoWidget* logo : logos_) {
        logo->setToolTip(qs(standAlone ? kLogoHintLumora : kLogoHintTavelin));
    }
    applyLogos();
}

void MainWindow::applyLogos() {
    const bool standAlone = session_.noDataFile == 1;
    const int image = session_.viewerSettings.imageChg;
    logos_[0]->setVisible(!standAlone && image == 0);
    logos_[1]->setVisible(!standAlone && image == 1);
    logos_[2]->setVisible(standAlone);
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

void MainWindow::applyWarningVisibility() {
    const bool shown = warningListsVisible(session_.counterSettings);
    for (QTableView* view : warningViews_) {
        view->setVisible(shown);
    }
}

void MainWindow::layoutPanes() {
    // The left pane takes half of the window minus 8 pixels.
    const int left = std::max(0, (width() - 8) / 2);
    const int total = panes_->width() - panes_->handleWidth();
    panes_->setSizes({left, std::max(0, total - left)});
    const int warn = session_.viewerSettings.warnHeight;
    for (QSplitter* split : listSplitters_) {
        const int height = split->height() - split->handleWidth();
        split->setSizes({std::max(0, height - warn), warn});
    }
}

void MainWindow::applyColumnWidths() {
    const int width = session_.viewerSettings.listWidth;
    for (QTableView* view : codeViews_) {
        if (width > 0) {
            view->horizontalHeader()->setStretchLastSection(false);
            view->setColumnWidth(0, width);
        } else {
            view->horizontalHeader()->setStretchLastSection(true);
        }
    }
}

void MainWindow::applyStatusWidths() {
    const int counts = std::clamp(session_.viewerSettings.statusRes, 0, 500);
    counts_->setFixedWidth(std::min(counts, statusBar()->width()));
}

void MainWindow::applyListFont(const QFont& font) {
    const QFontMetrics metrics(font);
    for (QTableView* view : codeViews_) {
        view->setFont(font);
        view->verticalHeader()->setDefaultSectionSize(metrics.height() + 2);
    }
    for (QTableView* view : warningViews_) {
        view->setFont(font);
        view->verticalHeader()->setDefaultSectionSize(metrics.height() + 2);
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
    return controller_->formActivate();
}

void MainWindow::selectorsAndFontSet() {
    const Session& s = session_;
    {
        const QSignalBlocker block(tabChoice_);
        tabButtons_[static_cast<std::size_t>(std::clamp(s.viewerSettings.tabNo, 0, 2))]->setChecked(
            true);
    }
    option_->setCurrentIndex(s.resyncChoice);
    processing_->setCurrentIndex(s.processingKind < processing_->count() ? s.processingKind : -1);
    applyListFont(listFont(fromEngineText(s.viewerSettings.fontName), s.viewerSettings.fontSize));
    // The warning lists' columns: line 50, code 65, extras 100, the description the rest of
    // the pane's width.
    layoutPanes();
    const QList<int> paneWidths = panes_->sizes();
    for (std::size_t l = 0; l < 2; ++l) {
        warningModels_[l]->attach();
        const std::vector<int> widths = warningColumnWidths(
            paneWidths.value(static_cast<int>(l), warningViews_[l]->width()), s.counterSettings);
        for (std::size_t c = 0; c < widths.size(); ++c) {
            warningViews_[l]->setColumnWidth(static_cast<int>(c), widths[c]);
        }
    }
    layoutPanes();
    applyColumnWidths();
}

void MainWindow::setControlsEnabled(bool enabled, bool menusEnabled) {
    for (QPushButton* button : buttons_) {
        button->setEnabled(enabled);
    }
    tabGroup_->setEnabled(enabled);
    processing_->setEnabled(enabled);
    option_->setEnabled(enabled);
    const bool menus = enabled && menusEnabled;
    for (QMenu* menu : menus_) {
        menu->menuAction()->setEnabled(menus);
    }
}

void MainWindow::listsAboutToChange() {
    for (CodeListModel* model : codeModels_) {
        model->detach();
    }
}

void MainWindow::listsRebuilt() {
    for (CodeListModel* model : codeModels_) {
        model->attach();
    }
    for (std::size_t l = 0; l < 2; ++l) {
        const std::string_view hint = session_.codeLists.lists[l].hint;
        if (!hint.empty()) {
            codeViews_[l]->setToolTip(hintShort(hint));
            codeViews_[l]->setStatusTip(hintLong(hint));
        }
    }
    applyColumnWidths();
    counts_->setText(fromEngineText(session_.codeLists.stepCountText));
}

void MainWindow::captionsChanged() {
    for (CodeListModel* model : codeModels_) {
        model->refreshCaptions();
    }
}

void MainWindow::warningListsAboutToChange() {
    for (WarningListModel* model : warningModels_) {
        model->detach();
    }
}

void MainWindow::warningListsRebuilt() {
    for (std::size_t l = 0; l < 2; ++l) {
        warningModels_[l]->attach();
        const WarningList& list = warningModels_[l]->warnings();
        warningViews_[l]->setToolTip(hintShort(list.hint));
        warningViews_[l]->setStatusTip(hintLong(list.hint));
        // The heading shows the column and direction of the last sort.
        const int column = std::abs(list.sortState) - 1;
        warningViews_[l]->horizontalHeader()->setSortIndicator(
            column, list.sortState > 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    }
}

void MainWindow::showProgress(int percent) {
    if (percent < 0) {
        return;
    }
    const QString text = QString::fromStdString(progressText(percent));
    QMetaObject::invokeMethod(
        this, [this, text] { counts_->setText(text); }, Qt::QueuedConnection);
}

void MainWindow::runLong(const std::function<void()>& work) {
    // The work runs on a thread of its own while this one keeps the window painting; the
    // controller has disabled the controls and refuses other operations meanwhile.
    QEventLoop loop;
    std::exception_ptr error;
    bool done = false;
    ++longDepth_;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        QMetaObject::invokeMethod(
            &loop,
            [&] {
                done = true;
                loop.quit();
            },
            Qt::QueuedConnection);
    });
    while (!done) {
        loop.exec();
    }
    worker.join();
    QApplication::restoreOverrideCursor();
    --longDepth_;
    if (error) {
        std::rethrow_exception(error);
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
    controller_->execute(processing_->currentIndex(), option_->currentIndex());
}

void MainWindow::key(char code) {
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

void MainWindow::scrollRowToTop(int list, int row) {
    QTableView* view = codeViews_[static_cast<std::size_t>(list)];
    const int rows = codeModels_[static_cast<std::size_t>(list)]->rowCount();
    if (rows == 0) {
        return;
    }
    const QModelIndex index =
        codeModels_[static_cast<std::size_t>(list)]->index(std::min(row, rows - 1), 0);
    view->scrollTo(index, QAbstractItemView::PositionAtTop);
}

namespace {

int topRow(const QTableView* view) {
    return view->verticalScrollBar()->value();
}

}  // namespace

void MainWindow::nextDifference() {
    if (!together_->isChecked() || controller_->busy()) {
        return;
    }
    const int startList = codeModels_[1]->rowCount() > 0 ? 1 : 0;
    if (codeModels_[static_cast<std::size_t>(startList)]->rowCount() == 0) {
        return;
    }
    const auto found = findNextDifference(session_.codeLists, session_.panes.lineTableSize,
                                          topRow(codeViews_[static_cast<std::size_t>(startList)]));
    if (!found) {
        return;
    }
    const int afterList = listOfSide(kAfter, session_.codeLists.listPosition);
    scrollRowToTop(afterList, *found);
    scrollRowToTop(1 - afterList, *found);
}

void MainWindow::previousDifference() {
    if (!together_->isChecked() || controller_->busy()) {
        return;
    }
    const int startList = codeModels_[1]->rowCount() > 0 ? 1 : 0;
    if (codeModels_[static_cast<std::size_t>(startList)]->rowCount() == 0) {
        return;
    }
    const auto found =
        findPreviousDifference(session_.codeLists, session_.panes.lineTableSize,
                               topRow(codeViews_[static_cast<std::size_t>(startList)]));
    if (!found) {
        return;
    }
    const int afterList = listOfSide(kAfter, session_.codeLists.listPosition);
    scrollRowToTop(afterList, *found);
    scrollRowToTop(1 - afterList, *found);
}

void MainWindow::syncScroll(int from) {
    if (syncing_ || !together_->isChecked()) {
        return;
    }
    const auto f = static_cast<std::size_t>(from);
    const auto t = static_cast<std::size_t>(1 - from);
    if (codeModels_[f]->rowCount() == 0) {
        return;
    }
    syncing_ = true;
    const int top = topRow(codeViews_[f]);
    // The other list follows when it has a row there.
    if (top < codeModels_[t]->rowCount()) {
        codeViews_[t]->verticalScrollBar()->setValue(top);
    }
    codeViews_[t]->horizontalScrollBar()->setValue(codeViews_[f]->horizontalScrollBar()->value());
    syncing_ = false;
}

// ---------------------------------------------------------------------------------------------
// Files, drops and menus.

void MainWindow::chooseFile(int side) {
    const auto s = static_cast<std::size_t>(side);
    const QString path = files_->openFile(this, QString(), lastFolders_[s], qs(kOpenFilter));
    if (path.isEmpty()) {
        return;
    }
    lastFolders_[s] = QFileInfo(path).absolutePath();
    controller_->openFile(side, path.toStdString());
}

void MainWindow::dropFiles(int list, const QStringList& paths) {
    if (session_.noDataFile != 1) {
        return;
    }
    raise();
    activateWindow();
    if (paths.size() != 1) {
        showMessage(kMsgNotOneFile);
        return;
    }
    const QFileInfo info(paths.first());
    if (info.isDir()) {
        showMessage(kMsgFolderDropped);
        return;
    }
    const int side = sideOfList(list, session_.viewerSettings.listPosition());
    controller_->openFile(side, paths.first().toStdString());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == statusBar() && event->type() == QEvent::MouseButtonDblClick) {
        showSettingsDialog();
        return true;
    }
    for (int list = 0; list < 2; ++list) {
        QTableView* warnings = warningViews_[static_cast<std::size_t>(list)];
        if (warnings != nullptr && watched == warnings && event->type() == QEvent::KeyPress) {
            const auto* press = static_cast<QKeyEvent*>(event);
            if (press->key() == Qt::Key_Return || press->key() == Qt::Key_Enter) {
                jumpToWarning(list);
                return true;
            }
        }
    }
    for (int list = 0; list < 2; ++list) {
        QTableView* view = codeViews_[static_cast<std::size_t>(list)];
        if (view == nullptr || (watched != view->viewport() && watched != view)) {
            continue;
        }
        if (watched == view && event->type() == QEvent::KeyPress) {
            const auto* press = static_cast<QKeyEvent*>(event);
            if (press->matches(QKeySequence::Copy)) {
                copyRows(list);
                return true;
            }
            if (press->key() == Qt::Key_Return || press->key() == Qt::Key_Enter) {
                openEditor(list);
                return true;
            }
        }
        switch (event->type()) {
            case QEvent::MouseMove:
                // Focus follows the mouse, so that the keyboard and the wheel act on this list.
                if (!view->hasFocus()) {
                    view->setFocus(Qt::MouseFocusReason);
                }
                break;
            case QEvent::DragEnter:
            case QEvent::DragMove: {
                auto* drag = static_cast<QDropEvent*>(event);
                if (session_.noDataFile == 1 && drag->mimeData()->hasUrls()) {
                    drag->acceptProposedAction();
                    return true;
                }
                break;
            }
            case QEvent::Drop: {
                auto* drop = static_cast<QDropEvent*>(event);
                if (session_.noDataFile == 1 && drop->mimeData()->hasUrls()) {
                    QStringList paths;
                    for (const QUrl& url : drop->mimeData()->urls()) {
                        paths << url.toLocalFile();
                    }
                    drop->acceptProposedAction();
                    // After the drop has finished: the open may show a message box.
                    QTimer::singleShot(0, this, [this, list, paths] { dropFiles(list, paths); });
                    return true;
                }
                break;
            }
            default:
                break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

QMenu* MainWindow::preparedCodeListMenu(int list) {
    const auto l = static_cast<std::size_t>(list);
    const int side = session_.codeLists.lists[l].side;
    const ModuleDescriptor* module = session_.panes.module(side);
    const bool hasRows = codeModels_[l]->rowCount() > 0;
    // Copy, Save and Edit on a list with rows; Edit only with both editor settings and a
    // selected row.
    const CounterSettings& cs = session_.counterSettings;
    codeActions_[l][0]->setVisible(hasRows);
    codeActions_[l][1]->setVisible(hasRows);
    codeActions_[l][2]->setVisible(hasRows && !cs.editor.empty() && !cs.editopt.empty() &&
                                   codeViews_[l]->selectionModel()->hasSelection());
    // The encodings: only for a module that is present and not UTF-16, on a list with rows.
    const bool encodings = hasRows && module != nullptr && module->utf16 == 0;
    encodeMenus_[l]->menuAction()->setVisible(encodings);
    if (module != nullptr) {
        for (int code = 0; code < kEncodingChoices; ++code) {
            encodeActions_[l][static_cast<std::size_t>(code)]->setChecked(module->codeNo == code);
        }
    }
    return popups_[l];
}

void MainWindow::codeListMenu(int list, const QPoint& pos) {
    QMenu* menu = preparedCodeListMenu(list);
    bool any = false;
    for (QAction* action : menu->actions()) {
        any = any || action->isVisible();
    }
    if (any) {
        menu->popup(codeViews_[static_cast<std::size_t>(list)]->viewport()->mapToGlobal(pos));
    }
}

// ---------------------------------------------------------------------------------------------
// The outputs of the code lists and the warning lists.

std::vector<std::int32_t> MainWindow::selectedRows(int list) const {
    std::vector<std::int32_t> rows;
    const QModelIndexList selected =
        codeViews_[static_cast<std::size_t>(list)]->selectionModel()->selectedRows();
    rows.reserve(static_cast<std::size_t>(selected.size()));
    for (const QModelIndex& index : selected) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void MainWindow::copyRows(int list) {
    const std::vector<std::int32_t> rows = selectedRows(list);
    if (rows.empty()) {
        return;  // nothing selected: the clipboard keeps what it has
    }
    const std::u16string text = controller_->copyRows(list, rows);
    QGuiApplication::clipboard()->setText(
        QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
    // The copied rows are deselected.
    codeViews_[static_cast<std::size_t>(list)]->selectionModel()->clearSelection();
}

void MainWindow::saveText(int list) {
    const int side = session_.codeLists.lists[static_cast<std::size_t>(list)].side;
    if (controller_->busy() || session_.panes.module(side) == nullptr ||
        session_.panes.moduleLength[static_cast<std::size_t>(side)] <= 0) {
        return;
    }
    const QString title = side == kAfter ? QStringLiteral("Files after change save.")
                                         : QStringLiteral("Files before change save.");
    const QString path = files_->saveFile(
        this, title, QStringLiteral("Text file(*.txt) (*.txt);;All files(*.*) (*)"),
        QStringLiteral("txt"));
    if (path.isEmpty()) {
        return;
    }
    if (controller_->saveModuleText(list, path.toStdString()) != 0) {
        showMessage(kMsgReportNotSaved);
    }
}

void MainWindow::openEditor(int list) {
    const auto l = static_cast<std::size_t>(list);
    const QItemSelectionModel* selection = codeViews_[l]->selectionModel();
    if (controller_->busy() || !selection->hasSelection()) {
        return;
    }
    // The current row when it is selected, else the first selected one.
    int row = codeViews_[l]->currentIndex().row();
    if (!selection->isRowSelected(row, QModelIndex())) {
        row = selectedRows(list).front();
    }
    const EditorCommand command = controller_->editorCommand(list, row);
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

void MainWindow::jumpToWarning(int list) {
    const auto l = static_cast<std::size_t>(list);
    const QModelIndexList selected = warningViews_[l]->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        return;
    }
    QTableView* code = codeViews_[l];
    if (codeModels_[l]->rowCount() == 0) {
        return;
    }
    code->clearSelection();
    const std::int32_t row = controller_->warningJumpRow(list, selected.first().row());
    if (row < 0) {
        return;
    }
    // The row becomes the top row and is selected; the keyboard stays with the warning list.
    const QModelIndex index = codeModels_[l]->index(row, 0);
    code->selectionModel()->select(index,
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    code->scrollTo(index, QAbstractItemView::PositionAtTop);
}

void MainWindow::openWarningHelp(int list, int help) {
    const auto l = static_cast<std::size_t>(list);
    const QModelIndexList selected = warningViews_[l]->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        return;
    }
    const std::string target = controller_->warningHelpTarget(list, selected.first().row(), help);
    if (target.empty()) {
        return;
    }
    const QString text = fromEngineText(target);
    // A web form is a URL; a folder's page is a local file. Never a command line.
    const bool web = text.startsWith(QStringLiteral("http:")) ||
                     text.startsWith(QStringLiteral("https:")) ||
                     text.startsWith(QStringLiteral("file:"));
    const QUrl url = web ? QUrl(text) : QUrl::fromLocalFile(text);
    if (urlOpener_) {
        urlOpener_(url);
    } else {
        QDesktopServices::openUrl(url);
    }
}

QMenu* MainWindow::preparedWarningMenu(int list) {
    const auto l = static_cast<std::size_t>(list);
    const bool selected =
        warningModels_[l]->rowCount() > 0 && warningViews_[l]->selectionModel()->hasSelection();
    const WarningMenuItems items = warningMenuItems(selected, session_.viewerSettings.helpPath1,
                                                    session_.viewerSettings.helpPath2);
    warningActions_[l][0]->setVisible(items.jump);
    warningActions_[l][1]->setVisible(items.help1);
    warningActions_[l][2]->setVisible(items.help2);
    return warningPopups_[l];
}

void MainWindow::warningMenu(int list, const QPoint& pos) {
    QMenu* menu = preparedWarningMenu(list);
    bool any = false;
    for (QAction* action : menu->actions()) {
        any = any || action->isVisible();
    }
    if (any) {
        menu->popup(warningViews_[static_cast<std::size_t>(list)]->viewport()->mapToGlobal(pos));
    }
}

// ---------------------------------------------------------------------------------------------
// Dialogs.

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

void MainWindow::showSettingsDialog() {
    if (controller_->busy() || controller_->closed()) {
        return;
    }
    SettingsDialog dialog(this, *files_);
    const DisplaySettings before = displaySettings(session_.viewerSettings);
    dialog.load(before);
    placeOnScreen(&dialog, this);
    if (dialogHook_) {
        dialogHook_(&dialog);
    }
    // Cancel changes nothing.
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const DisplayChange change = controller_->applyDisplaySettings(before, dialog.values());
    if (change == DisplayChange::None) {
        return;
    }
    applyLogos();
    applyStatusWidths();
    for (int list = 0; list < 2; ++list) {
        const std::string_view hint = session_.codeLists.lists[static_cast<std::size_t>(list)].hint;
        codeViews_[static_cast<std::size_t>(list)]->setToolTip(hintShort(hint));
        codeViews_[static_cast<std::size_t>(list)]->setStatusTip(hintLong(hint));
    }
}

void MainWindow::showFontDialog() {
    const QFont chosen = files_->font(this, codeViews_[0]->font());
    // Whatever the dialog's result, its font goes to the four lists and into the settings.
    applyListFont(chosen);
    const std::string name = chosen.family().toStdString();
    const bool japanese =
        QFontDatabase::writingSystems(chosen.family()).contains(QFontDatabase::Japanese);
    session_.viewerSettings.setFont(name, chosen.pointSize() > 0 ? chosen.pointSize() : 9,
                                    japanese ? 128 : 0);
}

void MainWindow::showAboutDialog() {
    AboutDialog dialog(this);
    placeOnScreen(&dialog, this);
    if (dialogHook_) {
        dialogHook_(&dialog);
    }
    dialog.exec();
}

void MainWindow::showDataMonitor() {
    MonitorDialog dialog(this);
    dialog.fill(dataMonitorRows(session_));
    placeOnScreen(&dialog, this);
    if (dialogHook_) {
        dialogHook_(&dialog);
    }
    dialog.exec();
}

}  // namespace tavelin::ui
