// The main window on the offscreen platform: editions, first activation, processing, keys,
// navigation, scrolling together, encodings, drops, placement and the splitters, driven through
// the widgets as a user would and checked through the models and real pixels.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <memory>

#include "support/data_file_writer.h"
#include "ui/logo_widget.h"
#include "ui_fixture.h"

namespace tavelin::ui {

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void standAloneEditionComparesTheCommandLineFilesAtOnce();
    void dataFileEditionRunsTheStepComparisonWithoutMenus();
    void everyProcessingKindRunsFromTheSelector();
    void shortcutsAreIgnoredWhileAnOperationRuns();
    void escapeClosesOnlyTheDataFileEdition();
    void closingDuringAnOperationWaitsForItsEnd();
    void downAndUpBringDifferingRowsToTheTop();
    void scrollingTogetherBothWays();
    void tabWidthAndEncodingReformatWithoutComparing();
    void droppedFilesLoadIntoTheSideOfTheList();
    void fileMenuStartsInTheSettingsFolderThenTheLastOne();
    void placementMinimumSizeAndSplitters();
    void rowsArePaintedInTheirColours();
    void captionsShowCharactersTheCodePageLacks();
    void shortcutsCompareWithTheShownOptionAndViewsWithoutRulesSaySo();
};

void MainWindowTest::standAloneEditionComparesTheCommandLineFilesAtOnce() {
    Fixture f;
    MainWindow& w = f.compare(numberedLines(20, {5}), numberedLines(20));
    QCOMPARE(w.windowTitle(), QStringLiteral("Lumora?"));
    QVERIFY(w.menusVisible());
    QVERIFY(!w.logo(0)->isVisible() && !w.logo(1)->isVisible() && w.logo(2)->isVisible());
    QCOMPARE(f.session->viewState, ViewState::Comparison);
    QCOMPARE(w.codeModel(0)->rowCount(), 20);
    QCOMPARE(f.caption(0, 4), QStringLiteral("changed 5"));
    QCOMPARE(f.caption(1, 4), QStringLiteral("line 5"));
    QCOMPARE(f.background(0, 4).value<QColor>(), QColor(0, 255, 0));  // added: green
    QCOMPARE(f.background(1, 4).value<QColor>(), QColor(255, 0, 0));  // deleted: red
    QVERIFY(!f.background(0, 3).isValid());                           // same: no colour
    QVERIFY(w.stepCounts()->text().contains(QStringLiteral("Changed")));
    QVERIFY(w.codeModel(0)
                ->headerData(0, Qt::Horizontal, Qt::DisplayRole)
                .toString()
                .startsWith(QStringLiteral("After change<ANSI>[")));
    // Accessible: controls carry their captions, rows their captions in the display role.
    QCOMPARE(w.button(MainWindow::kDown)->accessibleName(), QStringLiteral("Down"));
    QCOMPARE(w.button(MainWindow::kDown)->toolTip(),
             QStringLiteral("Difference point search(Down)"));
    QCOMPARE(w.processingSelector()->count(), 11);
    QCOMPARE(w.optionSelector()->itemText(12), QStringLiteral("AUTO 3"));
    QVERIFY(w.scrollTogether()->isChecked());
    QVERIFY(f.messages.isEmpty());
}

void MainWindowTest::dataFileEditionRunsTheStepComparisonWithoutMenus() {
    Fixture f;
    testing::DataFileContent content;
    content.settings = apptest::baseCounterSettings();
    const std::string_view texts[2] = {apptest::kAfterC, apptest::kBeforeC};
    const char* names[2] = {"after.c", "before.c"};
    for (int s = 0; s < kSides; ++s) {
        ModuleDescriptor& d = content.modules[static_cast<std::size_t>(s)];
        d.path = f.folder.file(names[s]);
        d.endPosition = static_cast<std::int32_t>(texts[s].size()) - 1;
        d.lineNumber = 1;
        d.totalSteps = 28;
        content.presence[static_cast<std::size_t>(s)] = 1;
    }
    QVERIFY(testing::writeDataFile(f.folder.file("data.dat"), content));
    f.folder.write("tavesyst.dat", "[IMAGE_CHG]\n1\n[DEBUG_MODE]\n1\n");
    MainWindow& w = f.open([&](StartupOptions& o) {
        o.dataFilePath = f.folder.file("data.dat");
        o.execMode = true;
    });
    w.activate();
    QCOMPARE(w.windowTitle(), QStringLiteral("Tavelin!"));
    QVERIFY(!w.menusVisible());
    QVERIFY(!w.logo(0)->isVisible() && w.logo(1)->isVisible() && !w.logo(2)->isVisible());
    QCOMPARE(w.processingSelector()->count(), 12);  // the monitor in debug mode
    QCOMPARE(f.session->viewState, ViewState::Comparison);
    // The step comparison drops comments, blank lines and directives.
    QCOMPARE(f.session->panes.descriptors[kAfter].actualSteps, 17);
    QVERIFY(w.codeModel(0)->rowCount() > 0);
}

void MainWindowTest::everyProcessingKindRunsFromTheSelector() {
    Fixture f;
    MainWindow& w = f.compare(numberedLines(10, {3}), numberedLines(10));
    for (int kind = 0; kind <= 10; ++kind) {
        w.processingSelector()->setCurrentIndex(kind);
        QTest::mouseClick(w.button(MainWindow::kExecute), Qt::LeftButton);
        QCOMPARE(f.session->processingKind, kind);
        const bool comparison = kind == kKindStepComparison || kind == kKindCurrentState;
        QCOMPARE(f.session->viewState, comparison ? ViewState::Comparison : ViewState::Plain);
        QVERIFY2(w.codeModel(0)->rowCount() >= 9, qPrintable(QString::number(kind)));
        QVERIFY(w.button(MainWindow::kExecute)->isEnabled());
    }
    // The option selector's choice reaches the comparison.
    w.optionSelector()->setCurrentIndex(3);
    w.processingSelector()->setCurrentIndex(kKindStepComparison);
    QTest::mouseClick(w.button(MainWindow::kExecute), Qt::LeftButton);
    QCOMPARE(f.session->resyncChoice, 3);
}

void MainWindowTest::shortcutsAreIgnoredWhileAnOperationRuns() {
    Fixture f;
    MainWindow& w = f.compare(numberedLines(3000, {7}), numberedLines(3000));
    // Ctrl+X and Ctrl+Z arrive while the Reload button's operation runs: nothing happens.
    QSignalSpy resets(w.codeModel(0), &QAbstractItemModel::modelReset);
    bool sawBusy = false;
    bool keptRows = false;
    QTimer::singleShot(0, &w, [&] {
        sawBusy = w.controller().busy();
        // Meanwhile the list keeps its rows, greyed, and the progress shows.
        CodeListModel* m = w.codeModel(0);
        keptRows =
            m->rowCount() == 3000 &&
            m->data(m->index(0, 0), Qt::DisplayRole).toString() == QStringLiteral("line 1") &&
            m->data(m->index(0, 0), Qt::ForegroundRole).value<QColor>() == QColor(Qt::gray) &&
            w.progressBar()->isVisible();
        QTest::keyClick(&w, Qt::Key_X, Qt::ControlModifier);
        QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!w.button(MainWindow::kExecute)->isEnabled());
    });
    QTest::mouseClick(w.button(MainWindow::kReload), Qt::LeftButton);
    QVERIFY(sawBusy);
    QVERIFY(keptRows);
    QVERIFY(!w.progressBar()->isVisible());
    QCOMPARE(resets.count(), 1);  // the new rows put in once: one operation
    QCOMPARE(f.session->viewState, ViewState::Plain);
    // Not busy: Ctrl+X runs the step comparison.
    QTest::keyClick(&w, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(f.session->viewState, ViewState::Comparison);
}

void MainWindowTest::escapeClosesOnlyTheDataFileEdition() {
    Fixture f;
    MainWindow& w = f.compare(numberedLines(5), numberedLines(5));
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(w.isVisible());
    QVERIFY(!w.controller().closed());
    f.session->noDataFile = 0;
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(w.controller().closed());
    QVERIFY(!w.isVisible());
}

void MainWindowTest::closingDuringAnOperationWaitsForItsEnd() {
    Fixture f;
    MainWindow& w = f.compare(numberedLines(20000, {5, 9000}), numberedLines(20000));
    bool closedEarly = true;
    QTimer::singleShot(0, &w, [&] {
        w.close();  // the close button while the comparison runs
        closedEarly = w.controller().closed();
    });
    w.processingSelector()->setCurrentIndex(kKindStepComparison);
    QTest::mouseClick(w.button(MainWindow::kExecute), Qt::LeftButton);
    QVERIFY(!closedEarly);
    // The comparison finished with its texts intact, then the window closed.
    QVERIFY(f.session->stepCounts.changedSteps >= 2);
    QCOMPARE(f.session->stepCounts.deletedSteps, 0);
    QVERIFY(w.controller().closed());
    QVERIFY(!w.isVisible());
    QVERIFY(f.session->panes.moduleText[kAfter].bytes.empty());
}

void MainWindowTest::downAndUpBringDifferingRowsToTheTop() {
    Fixture f;
    // Rows 10 to 15 (from 0) differ, in lists of 200 rows.
    MainWindow& w = f.compare(numberedLines(200, {11, 12, 13, 14, 15, 16}), numberedLines(200));
    w.resize(900, 600);
    QApplication::processEvents();
    w.codeView(1)->verticalScrollBar()->setValue(10);
    QCOMPARE(f.top(0), 10);
    QTest::mouseClick(w.button(MainWindow::kDown), Qt::LeftButton);
    QCOMPARE(f.top(0), 11);
    QCOMPARE(f.top(1), 11);
    QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(f.top(1), 12);
    // Nothing below the block: Down does nothing; Up goes back one differing row at a time.
    w.codeView(1)->verticalScrollBar()->setValue(15);
    QTest::mouseClick(w.button(MainWindow::kDown), Qt::LeftButton);
    QCOMPARE(f.top(1), 15);
    QTest::mouseClick(w.button(MainWindow::kUp), Qt::LeftButton);
    QCOMPARE(f.top(1), 14);
    QTest::keyClick(&w, Qt::Key_B, Qt::ControlModifier);
    QCOMPARE(f.top(0), 13);
    // Unchecked "Scroll together": the buttons do nothing.
    w.scrollTogether()->setChecked(false);
    QVERIFY(!w.button(MainWindow::kDown)->isEnabled());
    QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(f.top(1), 13);
    w.scrollTogether()->setChecked(true);

    // A difference near the end that cannot become the top row: the list stays at its end.
    Fixture g;
    MainWindow& e = g.compare(numberedLines(200, {199}), numberedLines(200));
    e.resize(900, 600);
    QApplication::processEvents();
    const int end = e.codeView(1)->verticalScrollBar()->maximum();
    QTest::mouseClick(e.button(MainWindow::kDown), Qt::LeftButton);
    QCOMPARE(g.top(1), end);
    QTest::mouseClick(e.button(MainWindow::kDown), Qt::LeftButton);
    QCOMPARE(g.top(1), end);

    // One list without rows: the search starts from the other, which alone moves.
    Fixture h;
    h.folder.write("a.c", numberedLines(300));
    MainWindow& s = h.open([&](StartupOptions& o) { o.afterPath = h.folder.file("a.c"); });
    s.activate();
    s.resize(900, 600);
    QApplication::processEvents();
    QCOMPARE(s.codeModel(1)->rowCount(), 0);
    QTest::mouseClick(s.button(MainWindow::kDown), Qt::LeftButton);
    QCOMPARE(h.top(0), 1);  // every line of a lone module is added
}

void MainWindowTest::scrollingTogetherBothWays() {
    Fixture f;
    MainWindow& w = f.compare(numberedLines(300, {3}), numberedLines(300));
    w.resize(900, 600);
    QApplication::processEvents();
    w.codeView(0)->verticalScrollBar()->setValue(40);
    QCOMPARE(f.top(1), 40);
    w.codeView(1)->verticalScrollBar()->setValue(70);
    QCOMPARE(f.top(0), 70);
    // The wheel and the keyboard move the other list too.
    QTest::keyClick(w.codeView(0), Qt::Key_PageDown);
    QCOMPARE(f.top(1), f.top(0));
    w.codeView(0)->horizontalScrollBar()->setValue(25);
    QCOMPARE(w.codeView(1)->horizontalScrollBar()->value(), 25);
    // Unchecked: independent.
    w.scrollTogether()->setChecked(false);
    w.codeView(0)->verticalScrollBar()->setValue(5);
    QVERIFY(f.top(1) != 5);
}

void MainWindowTest::tabWidthAndEncodingReformatWithoutComparing() {
    Fixture f;
    MainWindow& w = f.compare("a\tb\n\xC3\xA9t\xC3\xA9\n", "a\tb\nx\n");
    QCOMPARE(f.caption(0, 0), QStringLiteral("a       b"));
    QSignalSpy resets(w.codeModel(0), &QAbstractItemModel::modelReset);
    const StepCountRecord counts = f.session->stepCounts;
    QTest::mouseClick(w.tabButton(1), Qt::LeftButton);
    QCOMPARE(f.caption(0, 0), QStringLiteral("a   b"));
    QCOMPARE(resets.count(), 0);  // the rows stay; only the captions change
    QCOMPARE(f.session->stepCounts.changedSteps, counts.changedSteps);

    // The encoding menu: shown for a present 8-bit module, the current code checked.
    QMenu* menu = w.preparedCodeListMenu(0);
    QVERIFY(w.encodingMenu(0)->menuAction()->isVisible());
    QVERIFY(menu != nullptr);
    const int code = f.session->panes.descriptors[kAfter].codeNo;
    QVERIFY(w.encodingMenu(0)->actions().at(code)->isChecked());
    // Choosing the checked item again does nothing; another one converts the captions.
    QSignalSpy changed(w.codeModel(0), &QAbstractItemModel::dataChanged);
    w.encodingMenu(0)->actions().at(code)->trigger();
    QCOMPARE(changed.count(), 0);
    w.encodingMenu(0)->actions().at(1)->trigger();  // UTF-8
    QCOMPARE(changed.count(), 1);
    QCOMPARE(f.caption(0, 1), QString::fromUtf8("\xC3\xA9t\xC3\xA9"));
    QCOMPARE(resets.count(), 0);
    QVERIFY(w.codeModel(0)
                ->headerData(0, Qt::Horizontal, Qt::DisplayRole)
                .toString()
                .contains(QStringLiteral("<UTF-8>")));
}

void MainWindowTest::droppedFilesLoadIntoTheSideOfTheList() {
    Fixture f;
    MainWindow& w = f.open();
    w.activate();
    QCOMPARE(w.codeModel(1)->rowCount(), 0);
    w.dropFiles(1, {QString::fromStdString(f.folder.file("before.c"))});
    QVERIFY(f.messages.isEmpty());
    QVERIFY(f.session->panes.module(kBefore) != nullptr);
    QVERIFY(w.codeModel(1)->rowCount() > 20);
    w.dropFiles(0, {QString::fromStdString(f.folder.file("after.c")),
                    QString::fromStdString(f.folder.file("before.c"))});
    QCOMPARE(f.messages, QStringList{QStringLiteral("Two more files cannot be selected.")});
    w.dropFiles(0, {QString::fromStdString(f.folder.path())});
    QCOMPARE(f.messages.last(), QStringLiteral("The folder cannot be selected.\n") +
                                    QString::fromStdString(f.folder.path()));
    QCOMPARE(f.session->panes.module(kAfter), nullptr);
    // The data-file edition takes no drops.
    f.session->noDataFile = 0;
    w.dropFiles(0, {QString::fromStdString(f.folder.file("after.c"))});
    QCOMPARE(f.session->panes.module(kAfter), nullptr);
}

void MainWindowTest::fileMenuStartsInTheSettingsFolderThenTheLastOne() {
    CounterSettings settings = apptest::baseCounterSettings();
    Fixture f(settings);
    f.folder.write("vaelsyst.dat", f.folder.read("vaelsyst.dat") + "[AFTFLDNM]\n  /nowhere \n");
    MainWindow& w = f.open();
    w.activate();
    FakeFiles files;
    w.setFileChooser(&files);
    files.next = QString::fromStdString(f.folder.file("after.c"));
    QAction* selectAfter = w.menuBar()->actions().at(0)->menu()->actions().at(0);
    selectAfter->trigger();
    selectAfter->trigger();
    QCOMPARE(files.folders.at(0), QStringLiteral("/nowhere"));
    QCOMPARE(files.folders.at(1), QString::fromStdString(f.folder.path()));
    QVERIFY(f.session->panes.module(kAfter) != nullptr);
    QVERIFY(w.codeModel(0)->rowCount() > 0);
    // Clearing the list empties it.
    for (QAction* action : w.menuBar()->actions().at(0)->menu()->actions()) {
        if (action->text() == QStringLiteral("Af&ter list clear")) {
            action->trigger();
        }
    }
    QCOMPARE(w.codeModel(0)->rowCount(), 0);
}

void MainWindowTest::placementMinimumSizeAndSplitters() {
    Fixture f;
    f.folder.write("tavesyst.dat",
                   "[FORM_LEFT]\n-30000\n[FORM_TOP]\n40\n[FORM_WIDTH]\n900\n[FORM_HEIGHT]\n600\n"
                   "[WARN_HEIGHT]\n90\n");
    CounterSettings settings = apptest::baseCounterSettings();
    apptest::withWarningColumns(settings);
    settings.csvapath = "warnings-a.csv";
    apptest::counterSettingsFile(settings).writeTo(f.folder.file("vaelsyst.dat"));
    MainWindow& w = f.open([](StartupOptions& o) { o.silent = false; });
    QCOMPARE(w.geometry().x(), 50);  // off every screen horizontally
    QCOMPARE(w.geometry().y(), 40);
    // At least the classic minimum, and never so narrow that the controls overlap.
    QVERIFY(w.minimumSize().width() >= 778 && w.minimumSize().height() >= 485);
    w.resize(300, 200);
    QCOMPARE(w.size(), w.minimumSize());
    w.activate();
    QApplication::processEvents();
    const QWidget* bar = w.findChild<QComboBox*>()->parentWidget();
    QList<QRect> placed;
    for (const QWidget* child : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isVisible()) {
            continue;
        }
        for (const QRect& other : placed) {
            QVERIFY2(!other.intersects(child->geometry()), qPrintable(child->objectName()));
        }
        placed.push_back(child->geometry());
        QVERIFY(bar->rect().contains(child->geometry()));
    }
    QVERIFY(placed.size() > 6);
    w.resize(1000, 700);
    w.activate();
    QApplication::processEvents();
    QVERIFY(w.warningView(0)->isVisible() && w.warningView(1)->isVisible());
    QCOMPARE(w.paneSplitter()->sizes().at(0), (1000 - 8) / 2);
    QCOMPARE(w.listSplitter(0)->sizes().at(1), 90);
    // The left warning splitter moves both warning lists and keeps the height.
    QList<int> sizes = w.listSplitter(0)->sizes();
    sizes[0] -= 40;
    sizes[1] += 40;
    w.listSplitter(0)->setSizes(sizes);
    emit w.listSplitter(0)->splitterMoved(sizes[0], 1);
    QCOMPARE(w.listSplitter(1)->sizes().at(1), 130);
    QCOMPARE(f.session->viewerSettings.warnHeight, 130);
    // Without warning files both lists are hidden.
    Fixture g;
    MainWindow& h = g.open();
    QVERIFY(!h.warningView(0)->isVisible() && !h.warningView(1)->isVisible());
    // The rectangle goes into the settings at the end.
    w.setGeometry(120, 80, 1000, 700);
    w.close();
    QCOMPARE(f.session->viewerSettings.formLeft, 120);
    QCOMPARE(f.session->viewerSettings.formWidth, 1000);
}

void MainWindowTest::rowsArePaintedInTheirColours() {
    Fixture f;
    MainWindow& w = f.compare(numberedLines(12, {2}), numberedLines(12));
    w.resize(900, 600);
    QApplication::processEvents();
    QTableView* view = w.codeView(0);
    const QImage image = view->viewport()->grab().toImage();
    const QRect second = view->visualRect(w.codeModel(0)->index(1, 0));
    const QRect first = view->visualRect(w.codeModel(0)->index(0, 0));
    // The changed row is green to its right end; the unchanged row is not.
    const int x = std::min(second.right(), image.width() - 1) - 3;
    const QColor changed = image.pixelColor(x, second.center().y());
    const QColor same = image.pixelColor(x, first.center().y());
    QCOMPARE(changed, QColor(0, 255, 0));
    QVERIFY(same != QColor(0, 255, 0));
}

void MainWindowTest::captionsShowCharactersTheCodePageLacks() {
    Fixture f;
    // Japanese and Latin letters in UTF-8: the window shows them, the report turns the latter
    // into '?'.
    f.compare("\xE6\x97\xA5\xE6\x9C\xAC \xC3\xBC\xC3\xA9\n", "x\n");
    QCOMPARE(f.session->panes.descriptors[kAfter].codeNo, 1);
    QCOMPARE(f.caption(0, 0), QString::fromUtf8("\xE6\x97\xA5\xE6\x9C\xAC \xC3\xBC\xC3\xA9"));
}

void MainWindowTest::shortcutsCompareWithTheShownOptionAndViewsWithoutRulesSaySo() {
    Fixture f;
    MainWindow& w = f.compare(numberedLines(10, {3}), numberedLines(10));
    // Ctrl+X and Ctrl+W take the option the selector shows, not that of the last Execute.
    w.optionSelector()->setCurrentIndex(4);
    QTest::keyClick(&w, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(f.session->resyncChoice, 4);
    QCOMPARE(f.session->viewState, ViewState::Comparison);
    w.optionSelector()->setCurrentIndex(6);
    w.processingSelector()->setCurrentIndex(kKindComments);
    QTest::mouseClick(w.button(MainWindow::kExecute), Qt::LeftButton);
    QTest::keyClick(&w, Qt::Key_W, Qt::ControlModifier);
    QCOMPARE(f.session->resyncChoice, 6);
    // The C rules have comments but no leading numbers: only that view says it found nothing.
    QVERIFY(w.statusBar()->currentMessage().isEmpty());
    w.processingSelector()->setCurrentIndex(kKindNumberValues);
    QTest::mouseClick(w.button(MainWindow::kExecute), Qt::LeftButton);
    QCOMPARE(w.statusBar()->currentMessage(),
             QStringLiteral("Nothing to remove for this language."));
    // The current-state entry says what it compares.
    QVERIFY(w.processingSelector()
                ->itemData(kKindCurrentState, Qt::ToolTipRole)
                .toString()
                .contains(QStringLiteral("as the lists show them")));
}

}  // namespace tavelin::ui

QTEST_MAIN(tavelin::ui::MainWindowTest)
#include "main_window_test.moc"
