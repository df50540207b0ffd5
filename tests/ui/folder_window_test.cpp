// The folder comparison in the window: two folders from the command line, the File menu and a
// drop; a pair opened from its table into the code lists, and the next changed file.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTreeView>
#include <filesystem>

#include "ui/folder_view.h"
#include "ui_fixture.h"

namespace tavelin::ui {

namespace {

// Folder choices answered in turn, with their titles recorded.
class FolderAnswers final : public FileChooser {
  public:
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString folder(QWidget*, const QString& title, const QString&) override {
        titles << title;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    QFont font(QWidget*, const QFont& current) override { return current; }
    QStringList answers;
    QStringList titles;
};

// Two versions of a small C project under the fixture's folder: v1.9 before, v1.10 after.
void writeProject(Fixture& f) {
    std::filesystem::create_directories(f.folder.file("v1.9"));
    std::filesystem::create_directories(f.folder.file("v1.10"));
    f.folder.write("v1.9/main.c", numberedLines(10));
    f.folder.write("v1.9/util.c", numberedLines(5));
    f.folder.write("v1.9/old.c", numberedLines(3));
    f.folder.write("v1.10/main.c", numberedLines(10, {4}));
    f.folder.write("v1.10/util.c", numberedLines(5));
    f.folder.write("v1.10/new.c", numberedLines(2));
}

bool countDone(MainWindow& w) {
    return QTest::qWaitFor([&] { return !w.folderView()->counting(); }, 20000);
}

QAction* fileMenuItem(MainWindow& w, const QString& text) {
    for (QAction* action : w.menuBar()->actions().at(0)->menu()->actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

}  // namespace

class FolderWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void twoFoldersOnTheCommandLineOpenTheirComparison();
    void fileMenuAndDropCompareFoldersAndRefuseAFolderWithAFile();
    void aRowOpensItsPairAndAltRightTheNextChangedFile();
};

void FolderWindowTest::twoFoldersOnTheCommandLineOpenTheirComparison() {
    Fixture f;
    writeProject(f);
    MainWindow& w = f.open([&](StartupOptions& o) {
        o.afterPath = f.folder.file("v1.10");
        o.beforePath = f.folder.file("v1.9");
    });
    w.activate();
    QVERIFY(w.folderView()->isVisible());
    QVERIFY(countDone(w));
    QCOMPARE(w.folderView()->afterFolder(), f.folder.file("v1.10"));
    QCOMPARE(w.folderView()->beforeFolder(), f.folder.file("v1.9"));
    QCOMPARE(w.folderView()->resultCount(), 4U);  // main, util, old, new
    QVERIFY(f.messages.isEmpty());

    // One folder and one file: the folder is skipped as before, and no folder comparison.
    Fixture g;
    writeProject(g);
    MainWindow& one = g.open([&](StartupOptions& o) {
        o.afterPath = g.folder.file("v1.10");
        o.beforePath = g.folder.file("v1.9/main.c");
    });
    one.activate();
    QVERIFY(!one.folderView()->isVisible());
    QVERIFY(one.codeModel(1)->rowCount() > 0);
}

void FolderWindowTest::fileMenuAndDropCompareFoldersAndRefuseAFolderWithAFile() {
    Fixture f;
    writeProject(f);
    MainWindow& w = f.open();
    w.activate();
    FolderAnswers answers;
    answers.answers << QString::fromStdString(f.folder.file("v1.9"))
                    << QString::fromStdString(f.folder.file("v1.10"));
    w.setFileChooser(&answers);
    QAction* compare = fileMenuItem(w, QStringLiteral("Compare F&olders..."));
    QVERIFY(compare != nullptr);
    compare->trigger();
    QCOMPARE(answers.titles, (QStringList{QStringLiteral("Select Folder Before Change"),
                                          QStringLiteral("Select Folder After Change")}));
    QVERIFY(countDone(w));
    QCOMPARE(w.folderView()->beforeFolder(), f.folder.file("v1.9"));

    // A drop of the two folders in either order: the name that sorts first (1.9 before 1.10)
    // is the before folder.
    w.dropFiles(1, {QString::fromStdString(f.folder.file("v1.10")),
                    QString::fromStdString(f.folder.file("v1.9"))});
    QVERIFY(countDone(w));
    QCOMPARE(w.folderView()->beforeFolder(), f.folder.file("v1.9"));
    QCOMPARE(w.folderView()->afterFolder(), f.folder.file("v1.10"));
    // A folder with a file: today's message.
    w.dropFiles(0, {QString::fromStdString(f.folder.file("v1.10")),
                    QString::fromStdString(f.folder.file("v1.9/main.c"))});
    QVERIFY2(f.messages.size() == 1, qPrintable(f.messages.join(QLatin1Char('/'))));
    QCOMPARE(f.messages.first(), QStringLiteral("Two more files cannot be selected."));
}

void FolderWindowTest::aRowOpensItsPairAndAltRightTheNextChangedFile() {
    Fixture f;
    writeProject(f);
    MainWindow& w = f.open([&](StartupOptions& o) {
        o.afterPath = f.folder.file("v1.10");
        o.beforePath = f.folder.file("v1.9");
    });
    w.activate();
    QVERIFY(countDone(w));
    FolderView* view = w.folderView();
    // Rows in path order: main.c (changed), new.c (added), old.c (deleted); util.c is unchanged
    // and hidden.
    QCOMPARE(view->rowCount(), 3);
    QTreeView* table = view->table();
    const QModelIndex first = table->model()->index(0, 0);
    // (A view takes a double click on the row it was pressed on: press, release, double click.)
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(first).center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(first).center());
    QVERIFY(w.windowTitle().endsWith(QStringLiteral(" - main.c")));
    QCOMPARE(f.session->viewState, ViewState::Comparison);
    QCOMPARE(f.caption(0, 3), QStringLiteral("changed 4"));
    QCOMPARE(f.session->stepCounts.changedSteps, 10);  // re-used lines are not counted here
    // Alt+Right: the added file, compared with no before module.
    QTest::keyClick(&w, Qt::Key_Right, Qt::AltModifier);
    QVERIFY(w.windowTitle().endsWith(QStringLiteral(" - new.c")));
    QCOMPARE(f.session->panes.module(kBefore), nullptr);
    QCOMPARE(f.session->stepCounts.newSteps, 2);
    QTest::keyClick(&w, Qt::Key_Right, Qt::AltModifier);
    QVERIFY(w.windowTitle().endsWith(QStringLiteral(" - old.c")));
    QCOMPARE(f.session->panes.module(kAfter), nullptr);
    QCOMPARE(f.session->stepCounts.deletedSteps, 3);
    QTest::keyClick(&w, Qt::Key_Left, Qt::AltModifier);
    QVERIFY(w.windowTitle().endsWith(QStringLiteral(" - new.c")));
    QVERIFY(f.messages.isEmpty());
}

}  // namespace tavelin::ui

QTEST_MAIN(tavelin::ui::FolderWindowTest)
#include "folder_window_test.moc"
