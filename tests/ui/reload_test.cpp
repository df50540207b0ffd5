// Files edited, deleted and restored on disk while the window shows them: Execute and Reload take
// them as they are now, a notice above the list says when one changed or is gone, and what the
// list shows is never lost.

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "ui_fixture.h"

namespace tavelin::ui {

class ReloadTest : public QObject {
    Q_OBJECT

  private slots:
    void editedFileIsNoticedAndReloadedIntoTheComparison();
    void executeAndReloadReadTheFileAsItIsNow();
    void deletedFileKeepsItsTextUntilItIsBack();
    void aNoticeStaysUntilTheFileIsReadAgain();
};

void ReloadTest::editedFileIsNoticedAndReloadedIntoTheComparison() {
    Fixture f;
    MainWindow& w = f.compare(numberedLines(5), numberedLines(5));
    QVERIFY(!w.pane(0)->noticeShown());
    f.folder.write("a.c", numberedLines(6, {2}));
    QTRY_VERIFY_WITH_TIMEOUT(w.pane(0)->noticeShown(), 5000);
    QVERIFY(w.pane(0)->noticeText()->text().contains(QStringLiteral("has changed on disk")));
    QVERIFY(!w.pane(1)->noticeShown());
    QTest::mouseClick(w.pane(0)->noticeReload(), Qt::LeftButton);
    // The comparison is shown again, of the new text.
    QCOMPARE(f.session->viewState, ViewState::Comparison);
    QCOMPARE(f.caption(0, 1), QStringLiteral("changed 2"));
    QCOMPARE(w.codeModel(0)->rowCount(), 6);
    QVERIFY(!w.pane(0)->noticeShown());
    QVERIFY(f.messages.isEmpty());
}

void ReloadTest::executeAndReloadReadTheFileAsItIsNow() {
    Fixture f;
    MainWindow& w = f.compare(numberedLines(4), numberedLines(4));
    // Longer and shorter than before: the whole file each time.
    f.folder.write("b.c", numberedLines(9, {8}));
    w.processingSelector()->setCurrentIndex(kKindStepComparison);
    QTest::mouseClick(w.button(MainWindow::kExecute), Qt::LeftButton);
    QCOMPARE(f.caption(1, 7), QStringLiteral("changed 8"));
    QCOMPARE(f.session->stepCounts.deletedSteps, 5);
    f.folder.write("b.c", numberedLines(2));
    QTest::mouseClick(w.button(MainWindow::kReload), Qt::LeftButton);
    QCOMPARE(w.codeModel(1)->rowCount(), 4);  // padded to the after list
    QCOMPARE(f.caption(1, 1), QStringLiteral("line 2"));
    QVERIFY(f.caption(1, 2).isEmpty());
}

void ReloadTest::deletedFileKeepsItsTextUntilItIsBack() {
    Fixture f;
    MainWindow& w = f.compare(numberedLines(5, {3}), numberedLines(5));
    const std::string path = f.folder.file("a.c");
    std::filesystem::remove(path);
    QTRY_VERIFY_WITH_TIMEOUT(w.pane(0)->noticeShown(), 5000);
    QVERIFY(w.pane(0)->noticeText()->text().startsWith(
        QStringLiteral("The file can not be opened.\n") + QString::fromStdString(path)));
    QVERIFY(!w.pane(0)->noticeReload()->isVisible());
    QCOMPARE(f.caption(0, 2), QStringLiteral("changed 3"));
    // Reload while it is gone: the message names the file, and the list keeps its text.
    QTest::mouseClick(w.button(MainWindow::kReload), Qt::LeftButton);
    QCOMPARE(f.messages.size(), 1);
    QVERIFY(f.messages.first().startsWith(QStringLiteral("The file can not be opened.\n") +
                                          QString::fromStdString(path) + QStringLiteral(": ")));
    QCOMPARE(f.caption(0, 2), QStringLiteral("changed 3"));
    QCOMPARE(w.codeModel(0)->rowCount(), 5);
    // Restored: noticed, and the next reload shows it.
    f.folder.write("a.c", numberedLines(5, {4}));
    QTRY_VERIFY_WITH_TIMEOUT(w.pane(0)->noticeReload()->isVisible() && w.pane(0)->noticeShown(),
                             5000);
    QTest::mouseClick(w.pane(0)->noticeReload(), Qt::LeftButton);
    QCOMPARE(f.caption(0, 3), QStringLiteral("changed 4"));
    QCOMPARE(f.caption(0, 2), QStringLiteral("line 3"));
}

// A view of the texts as they were read rebuilds the lists but reads nothing: the notice stays,
// for the list still shows the old text; a reload takes it away.
void ReloadTest::aNoticeStaysUntilTheFileIsReadAgain() {
    Fixture f;
    MainWindow& w = f.compare(numberedLines(5), numberedLines(5));
    f.folder.write("a.c", numberedLines(6, {2}));
    QTRY_VERIFY_WITH_TIMEOUT(w.pane(0)->noticeShown(), 5000);
    const auto reads = f.session->panes.reads;
    w.processingSelector()->setCurrentIndex(kKindComments);
    QTest::mouseClick(w.button(MainWindow::kExecute), Qt::LeftButton);
    QCOMPARE(f.session->panes.reads, reads);
    QVERIFY(w.pane(0)->noticeShown());
    QTest::mouseClick(w.button(MainWindow::kReload), Qt::LeftButton);
    QVERIFY(!w.pane(0)->noticeShown());
    QCOMPARE(f.caption(0, 1), QStringLiteral("changed 2"));
}

}  // namespace tavelin::ui

QTEST_MAIN(tavelin::ui::ReloadTest)
#include "reload_test.moc"
