// The window's parts on their own and the texts it shows: the long-operation runner (its worker,
// an exception, a thread that cannot be started), captions, warning texts and copies that begin
// with U+FEFF or U+FFFE, and the step counts as accessibility tools read them.

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QLabel>
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
    QAccessibleInterface* counts = QAccessible::queryAccessibleInterface(w.countsLabel());
    QVERIFY(counts != nullptr);
    const QString read = counts->text(QAccessible::Name) + counts->text(QAccessible::Value);
    for (const char* label : {"New", "Original", "Changed", "Re-used", "Deleted"}) {
        QVERIFY2(read.contains(QLatin1String(label)), qPrintable(read));
    }
    QVERIFY2(read.contains(QLatin1Char('2')), qPrintable(read));
}

}  // namespace tavelin::ui

QTEST_MAIN(tavelin::ui::WindowPartsTest)
#include "window_parts_test.moc"
