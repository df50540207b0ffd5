// The window's parts on their own and the texts it shows: the long-operation runner (its worker,
// an exception, a thread that cannot be started), captions, warning texts and copies that begin
// with U+FEFF or U+FFFE, and the step counts as accessibility tools read them.

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFontDialog>
#include <QImage>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "ui/long_operation.h"
#include "ui_fixture.h"

namespace tavelin::ui {

class WindowPartsTest : public QObject {
    Q_OBJECT

  private slots:
    void longOperationRunsElsewhereAndKeepsPainting();
    void longOperationPassesOnTheWorksException();
    void longOperationWithoutAThreadDoesTheWorkHere();
    void leadingByteOrderMarksAreCharactersOfTheLine();
    void stepCountsAreReadableByAccessibilityTools();
    void defaultFontDrawsABackslashAndTheFontDialogOpensOnItsStyle();
};

void WindowPartsTest::longOperationRunsElsewhereAndKeepsPainting() {
    LongOperation operation;
    QList<int> shown;
    operation.setProgressHandler([&](int percent) { shown << percent; });
    std::thread::id workThread;
    std::atomic<bool> loopRan{false};
    // Something posted to this thread is handled while the work runs.
    QTimer::singleShot(0, [&] { loopRan = operation.running(); });
    operation.run([&] {
        workThread = std::this_thread::get_id();
        operation.postProgress(10);
        operation.postProgress(20);
        // Keep the work going until the event loop had its turn.
        while (!loopRan.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    QVERIFY(workThread != std::this_thread::get_id());
    QVERIFY(loopRan);
    QVERIFY(!operation.running());
    QTRY_VERIFY(!shown.isEmpty());
    QCOMPARE(shown.last(), 20);
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void WindowPartsTest::longOperationPassesOnTheWorksException() {
    LongOperation operation;
    bool thrown = false;
    try {
        operation.run([] { throw std::runtime_error("work failed"); });
    } catch (const std::runtime_error& e) {
        thrown = QByteArray(e.what()) == "work failed";
    }
    QVERIFY(thrown);
    QVERIFY(!operation.running());
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void WindowPartsTest::longOperationWithoutAThreadDoesTheWorkHere() {
    LongOperation operation;
    operation.setThreadStarter([](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    });
    std::thread::id workThread;
    operation.run([&] { workThread = std::this_thread::get_id(); });
    QVERIFY(workThread == std::this_thread::get_id());
    QVERIFY(!operation.running());
    QVERIFY(QApplication::overrideCursor() == nullptr);

    // The whole window works so: a comparison without a worker thread.
    Fixture f;
    f.folder.write("a.c", numberedLines(30, {4}));
    f.folder.write("b.c", numberedLines(30));
    MainWindow& w = f.open([&](StartupOptions& o) {
        o.afterPath = f.folder.file("a.c");
        o.beforePath = f.folder.file("b.c");
    });
    w.longOperation()->setThreadStarter([](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    });
    w.activate();
    QCOMPARE(f.caption(0, 3), QStringLiteral("changed 4"));
    QVERIFY(w.button(MainWindow::kExecute)->isEnabled());
}

void WindowPartsTest::leadingByteOrderMarksAreCharactersOfTheLine() {
    CounterSettings s = apptest::baseCounterSettings();
    apptest::withWarningColumns(s);
    Fixture f;
    s.csvapath = f.folder.file("w.csv");
    apptest::writeStandAloneFolder(f.folder, s);
    // UTF-8: line 2 begins with U+FEFF, line 3 with U+FFFE; a warning's message with U+FEFF.
    const std::string after =
        "int a;\n\xEF\xBB\xBFint b;\n\xEF\xBF\xBE"
        "ab cd\n";
    f.folder.write("w.csv", std::string(apptest::kWarningHeader) + "\n" + f.folder.file("a.c") +
                                ",2,W1,\xEF\xBB\xBF"
                                "bom first,high\n");
    MainWindow& w = f.compare(after, "int a;\n");
    QCOMPARE(f.caption(0, 1), QString(QChar(0xFEFF)) + QStringLiteral("int b;"));
    QCOMPARE(f.caption(0, 2), QString(QChar(0xFFFE)) + QStringLiteral("ab cd"));
    QCOMPARE(w.warningModel(0)->rowCount(), 1);
    QCOMPARE(w.warningModel(0)->data(w.warningModel(0)->index(0, 2), Qt::DisplayRole).toString(),
             QString(QChar(0xFEFF)) + QStringLiteral("bom first"));
    // The clipboard gets the lines as shown.
    QItemSelectionModel* selection = w.codeView(0)->selectionModel();
    selection->select(w.codeModel(0)->index(2, 0),
                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    w.copyRows(0);
    QVERIFY(QGuiApplication::clipboard()->text().startsWith(QString(QChar(0xFFFE)) +
                                                            QStringLiteral("ab cd")));

    // UTF-16: the same characters as units of the text.
    const std::u16string units = u"\uFEFFx\r\n\uFEFFy\r\n\uFFFEz\r\n";
    std::string bytes;
    for (char16_t u : units) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    Fixture g;
    g.compare(bytes, bytes);
    QCOMPARE(g.caption(0, 0), QStringLiteral("x"));  // the file's own byte-order mark
    QCOMPARE(g.caption(0, 1), QString(QChar(0xFEFF)) + QStringLiteral("y"));
    QCOMPARE(g.caption(0, 2), QString(QChar(0xFFFE)) + QStringLiteral("z"));
}

void WindowPartsTest::stepCountsAreReadableByAccessibilityTools() {
    Fixture f;
    MainWindow& w = f.compare(numberedLines(12, {2, 3}), numberedLines(10));
    // Each number stays with its label, and each label reads as such.
    const StepCountRecord& counts = f.session->stepCounts;
    QCOMPARE(w.stepCounts()->countLabel(2)->text(),
             QStringLiteral("Changed %1").arg(counts.changedSteps));
    // Nine-digit counts, read through the accessible interface, whole.
    StepCountRecord big;
    big.newSteps = 111111111;
    big.originalSteps = 222222222;
    big.changedSteps = 333333333;
    big.reusedSteps = 444444444;
    big.deletedSteps = 555555555;
    w.stepCounts()->setCounts(big);
    w.resize(900, 600);
    QApplication::processEvents();
    const char* labels[] = {"New", "Original", "Changed", "Re-used", "Deleted"};
    for (int i = 0; i < 5; ++i) {
        QLabel* label = w.stepCounts()->countLabel(i);
        QAccessibleInterface* read = QAccessible::queryAccessibleInterface(label);
        QVERIFY(read != nullptr);
        const QString expected =
            QStringLiteral("%1 %2").arg(QLatin1String(labels[i])).arg(QString(9, QChar('1' + i)));
        QCOMPARE(read->text(QAccessible::Name), expected);
        QVERIFY(!read->text(QAccessible::Description).isEmpty());  // what the count means
        QVERIFY(!label->toolTip().isEmpty());
        // Not cut: the label has the room its text needs.
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(expected));
        QVERIFY(label->isVisible());
    }
}

namespace {

// The mean column of the dark pixels in the top and in the bottom half of a character drawn
// large: a backslash leans right going down, a yen sign stands straight.
std::pair<double, double> inkColumns(const QFont& base, QChar c) {
    QFont font = base;
    font.setPixelSize(64);
    QImage image(80, 80, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, 80, 80), Qt::AlignCenter, QString(c));
    painter.end();
    double sum[2] = {0, 0};
    double count[2] = {0, 0};
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                const int half = y < image.height() / 2 ? 0 : 1;
                sum[half] += x;
                count[half] += 1;
            }
        }
    }
    return {count[0] > 0 ? sum[0] / count[0] : 0, count[1] > 0 ? sum[1] / count[1] : 0};
}

}  // namespace

void WindowPartsTest::defaultFontDrawsABackslashAndTheFontDialogOpensOnItsStyle() {
    Fixture f;
    MainWindow& w = f.compare(numberedLines(3), numberedLines(3));
    const QFont font = w.codeView(0)->font();
    QVERIFY2(QFontInfo(font).fixedPitch(), qPrintable(font.family()));
    const auto [top, bottom] = inkColumns(font, QLatin1Char('\\'));
    QVERIFY2(bottom > top + 8,
             qPrintable(QStringLiteral("%1: %2 %3").arg(font.family()).arg(top).arg(bottom)));
    // Japanese still shows, from whichever font has it.
    QVERIFY(QFontMetrics(font).inFontUcs4(0x3042) ||
            QFontMetrics(font).horizontalAdvance(QChar(0x3042)) > 0);
    // The font dialog starts on the font's own style, not on an oblique one.
    const QFontDialog dialog(font);
    QVERIFY2(!dialog.currentFont().italic(), qPrintable(dialog.currentFont().styleName()));
    QCOMPARE(dialog.currentFont().family(), font.family());
}

}  // namespace tavelin::ui

QTEST_MAIN(tavelin::ui::WindowPartsTest)
#include "window_parts_test.moc"
