// What the window shows beyond the rows themselves: the changed characters in a stronger shade
// (read from the painted pixels), change blocks and the overview strip, the line-number gutter,
// the find bar, and the View menu's choices kept in the settings.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>

#include "datafiles/viewer_settings.h"
#include "support/data_file_writer.h"
#include "ui/code_row_delegate.h"
#include "ui/find_bar.h"
#include "ui/overview_strip.h"
#include "ui_fixture.h"

namespace tavelin::ui {

class ViewFeaturesTest : public QObject {
    Q_OBJECT

  private slots:
    void changedCharactersArePaintedInAStrongerShade();
    void blockJumpsAndTheOverviewStrip();
    void gutterShowsTheFilesLineNumbers();
    void findGoesThroughBothListsAndRound();
    void theFoundMarkStandsOnTheWordFound();
    void findBringsTheTextIntoViewAcross();
    void viewChoicesAreKeptInTheSettings();
};

void ViewFeaturesTest::changedCharactersArePaintedInAStrongerShade() {
    Fixture f;
    MainWindow& w =
        f.compare("a = 1;\nint total = 0;  /* running */\n", "a = 1;\nint total = 0;\n");
    w.resize(1000, 600);
    QApplication::processEvents();
    QTableView* view = w.codeView(0);
    const QImage pixels = view->viewport()->grab().toImage();
    const QRect row = view->visualRect(w.codeModel(0)->index(1, 0));
    const QFontMetrics metrics(view->font());
    const QColor green(0, 255, 0);
    const QColor shade = CodeRowDelegate::strongerShade(green);
    // Above the glyphs: under "int" the row's own green, under the comment the stronger shade.
    const int y = row.top() + 1;
    auto colourAt = [&](const QString& before) {
        return pixels.pixelColor(row.left() + 5 + metrics.horizontalAdvance(before), y);
    };
    QCOMPARE(colourAt(QStringLiteral("i")).rgb(), green.rgb());
    QCOMPARE(colourAt(QStringLiteral("int total = 0;    /* r")).rgb(), shade.rgb());
    // Off in the View menu: the plain row colour everywhere.
    w.highlightAction()->trigger();
    QApplication::processEvents();
    const QImage plain = view->viewport()->grab().toImage();
    QCOMPARE(
        plain.pixelColor(
            row.left() + 5 + metrics.horizontalAdvance(QStringLiteral("int total = 0;    /* r")),
            y),
        green);
}

void ViewFeaturesTest::blockJumpsAndTheOverviewStrip() {
    Fixture f;
    // Blocks at rows 9, 49-50 and 149 of 200.
    MainWindow& w = f.compare(numberedLines(200, {10, 50, 51, 150}), numberedLines(200));
    w.resize(900, 500);
    QApplication::processEvents();
    QCOMPARE(w.changeBlocks().size(), 3U);
    QTest::keyClick(&w, Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(f.top(0), 9);
    QCOMPARE(f.top(1), 9);
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("The first change block."));
    QTest::keyClick(&w, Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(f.top(1), 49);  // the block's first row, not the next differing row
    QTest::keyClick(&w, Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(f.top(0), 149);
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("The last change block."));
    QTest::keyClick(&w, Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(f.top(0), 149);
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("No change block below."));
    QTest::keyClick(&w, Qt::Key_Up, Qt::AltModifier);
    QCOMPARE(f.top(0), 49);
    // Down and Up keep going one differing row at a time.
    QTest::mouseClick(w.button(MainWindow::kDown), Qt::LeftButton);
    QCOMPARE(f.top(0), 50);

    // A click low in the strip brings that part of the comparison into view.
    OverviewStrip* strip = w.overview();
    QVERIFY(strip->isVisible());
    const int y = strip->height() * 3 / 4;
    QTest::mouseClick(strip, Qt::LeftButton, {}, QPoint(strip->width() / 2, y));
    const int row = strip->rowAt(y);
    QVERIFY(row > 140);
    QVERIFY(f.top(0) <= row && row < f.top(0) + w.pane(0)->visibleRows());
    QCOMPARE(f.top(1), f.top(0));

    // Only one block: it is the first and the last. (Lists longer than the view, so that the
    // block's row can come to the top.)
    Fixture g;
    MainWindow& one = g.compare(numberedLines(300, {150}), numberedLines(300));
    one.resize(900, 500);
    QApplication::processEvents();
    QTest::keyClick(&one, Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(g.top(0), 149);
    QCOMPARE(one.statusBar()->currentMessage(), QStringLiteral("The last change block."));
    QTest::keyClick(&one, Qt::Key_Up, Qt::AltModifier);
    QCOMPARE(one.statusBar()->currentMessage(), QStringLiteral("No change block above."));
}

void ViewFeaturesTest::gutterShowsTheFilesLineNumbers() {
    // A module that starts at line 120 of its file.
    Fixture f;
    std::string file;
    for (int i = 1; i < 120; ++i) {
        file += "// line " + std::to_string(i) + "\n";
    }
    const std::string module = numberedLines(6, {3});
    f.folder.write("after.c", file + module);
    f.folder.write("before.c", numberedLines(6));
    testing::DataFileContent content;
    content.settings = apptest::baseCounterSettings();
    ModuleDescriptor& a = content.modules[kAfter];
    a.path = f.folder.file("after.c");
    a.topPosition = static_cast<std::int32_t>(file.size());
    a.endPosition = static_cast<std::int32_t>(file.size() + module.size()) - 1;
    a.lineNumber = 120;
    a.totalSteps = 6;
    ModuleDescriptor& b = content.modules[kBefore];
    b.path = f.folder.file("before.c");
    b.endPosition = static_cast<std::int32_t>(numberedLines(6).size()) - 1;
    b.lineNumber = 1;
    b.totalSteps = 6;
    content.presence = {1, 1};
    QVERIFY(testing::writeDataFile(f.folder.file("data.dat"), content));
    MainWindow& w = f.open([&](StartupOptions& o) {
        o.dataFilePath = f.folder.file("data.dat");
        o.execMode = true;
    });
    w.activate();
    auto number = [&](int list, int row) {
        return w.codeModel(list)->headerData(row, Qt::Vertical, Qt::DisplayRole).toString();
    };
    QCOMPARE(number(0, 0), QStringLiteral("120"));
    QCOMPARE(number(1, 0), QStringLiteral("1"));
    QCOMPARE(f.caption(0, 2), QStringLiteral("changed 3"));
    QCOMPARE(number(0, 2), QStringLiteral("122"));
    QVERIFY(w.codeView(0)->verticalHeader()->isVisible());
    // A filler row has no number.
    for (int row = 0; row < w.codeModel(1)->rowCount(); ++row) {
        if (w.codeModel(1)->status(row) == LineStatus::Blank) {
            QVERIFY(number(1, row).isEmpty());
        }
    }
    w.lineNumbersAction()->trigger();
    QVERIFY(!w.codeView(0)->verticalHeader()->isVisible());
}

void ViewFeaturesTest::findGoesThroughBothListsAndRound() {
    Fixture f;
    MainWindow& w = f.compare(numberedLines(30, {5, 20}), numberedLines(30, {25}));
    QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    FindBar* bar = w.findBar();
    QVERIFY(bar->isVisible());
    QTest::keyClicks(bar->field(), QStringLiteral("CHANGED"));
    QTest::keyClick(bar->field(), Qt::Key_Return);
    QCOMPARE(w.found().list, 0);
    QCOMPARE(w.found().row, 4);
    QVERIFY(w.codeView(0)->selectionModel()->isRowSelected(4, {}));
    QTest::keyClick(&w, Qt::Key_F3);
    QCOMPARE(w.found().row, 19);
    QTest::keyClick(&w, Qt::Key_F3);
    QCOMPARE(w.found().list, 1);  // the right list's row 24
    QCOMPARE(w.found().row, 24);
    QVERIFY(!w.codeView(0)->selectionModel()->hasSelection());
    QTest::keyClick(&w, Qt::Key_F3);
    QCOMPARE(w.found().row, 4);  // round to the top
    QVERIFY(bar->note().contains(QStringLiteral("round")));
    QTest::keyClick(&w, Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(w.found().row, 24);  // and back
    // Case and whole words.
    bar->caseBox()->setChecked(true);
    QTest::keyClick(&w, Qt::Key_F3);
    QCOMPARE(bar->note(), QStringLiteral("Not found"));
    bar->caseBox()->setChecked(false);
    bar->wordBox()->setChecked(true);
    bar->field()->setText(QStringLiteral("line 1"));
    QTest::keyClick(&w, Qt::Key_F3);
    QCOMPARE(w.found().row, 0);
    QTest::keyClick(&w, Qt::Key_F3);
    QCOMPARE(w.found().list, 1);
    QCOMPARE(w.found().row, 0);  // "line 10" is not the whole word "line 1"
    // Esc closes the bar, not the window.
    QTest::keyClick(bar->field(), Qt::Key_Escape);
    QVERIFY(!bar->isVisible());
    QVERIFY(w.isVisible());
}

// With whole words, the mark of the row found stands on the word, not on the same letters inside
// a longer word before it.
void ViewFeaturesTest::theFoundMarkStandsOnTheWordFound() {
    Fixture f;
    MainWindow& w = f.compare("xab ab;\n", "xab ab;\n");
    w.resize(1000, 600);
    w.openFind();
    w.findBar()->wordBox()->setChecked(true);
    w.findBar()->field()->setText(QStringLiteral("ab"));
    w.find(true);
    QCOMPARE(w.found().row, 0);
    QTableView* view = w.codeView(w.found().list);
    view->horizontalScrollBar()->setValue(0);  // the start of the row in view
    QApplication::processEvents();
    const QImage pixels = view->viewport()->grab().toImage();
    const QRect row = view->visualRect(w.codeModel(w.found().list)->index(0, 0));
    const QFontMetrics metrics(view->font());
    auto colourAt = [&](const QString& before) {
        return pixels.pixelColor(row.left() + 5 + metrics.horizontalAdvance(before), row.top() + 1);
    };
    const QColor mark(255, 150, 50);
    QVERIFY(colourAt(QStringLiteral("xa")) != mark);
    QCOMPARE(colourAt(QStringLiteral("xab a")), mark);
}

// A text to the right of what the list shows is scrolled into view across, its mark painted
// there; one near the start shows the start of the line.
void ViewFeaturesTest::findBringsTheTextIntoViewAcross() {
    Fixture f;
    const std::string prefix(80, 'x');  // wider than the list, narrower than its column
    MainWindow& w = f.compare("int near;\n" + prefix + " far;\n", "int near;\n");
    w.resize(1000, 600);
    QApplication::processEvents();
    w.openFind();
    w.findBar()->field()->setText(QStringLiteral("far"));
    w.find(true);
    QCOMPARE(w.found().row, 1);
    QApplication::processEvents();
    QTableView* view = w.codeView(w.found().list);
    const QRect row = view->visualRect(w.codeModel(w.found().list)->index(1, 0));
    const QFontMetrics metrics(view->font());
    const int x = row.left() + 5 + metrics.horizontalAdvance(QString::fromStdString(prefix + " f"));
    QVERIFY2(x > 0 && x < view->viewport()->width(), qPrintable(QString::number(x)));
    const QImage pixels = view->viewport()->grab().toImage();
    QCOMPARE(pixels.pixelColor(x, row.top() + 1), QColor(255, 150, 50));
    w.findBar()->field()->setText(QStringLiteral("near"));
    w.find(true);
    QCOMPARE(w.found().row, 0);
    QCOMPARE(view->horizontalScrollBar()->value(), 0);
}

void ViewFeaturesTest::viewChoicesAreKeptInTheSettings() {
    Fixture f;
    MainWindow& w = f.compare(numberedLines(5), numberedLines(5));
    QVERIFY(w.highlightAction()->isChecked() && w.lineNumbersAction()->isChecked());
    w.highlightAction()->trigger();
    w.lineNumbersAction()->trigger();
    w.controller().formClose();
    const std::string written = formatViewerSettings(f.session->viewerSettings);
    QVERIFY(written.find("[HIGHLIGHT]\n0\n") != std::string::npos);
    QVERIFY(written.find("[LINE_NUMBERS]\n0\n") != std::string::npos);
    ViewerSettings back;
    readViewerSettings(back, written);
    QCOMPARE(back.highlightChars, 0);
    QCOMPARE(back.lineNumbers, 0);
    // The defaults add nothing to the file.
    const std::string defaults = formatViewerSettings(ViewerSettings{});
    QVERIFY(defaults.find("[HIGHLIGHT]") == std::string::npos);
}

}  // namespace tavelin::ui

QTEST_MAIN(tavelin::ui::ViewFeaturesTest)
#include "view_features_test.moc"
