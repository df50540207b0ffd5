// The window's outputs on the offscreen platform: the code lists' pop-up menu, copy, text save,
// the external editor; the warning lists' sorting, jumps, help pages and menu; the Save button.

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QUrl>
#include <filesystem>

#include "ui_fixture.h"

namespace tavelin::ui {

namespace {

// Rows of a list selected as the user would select them.
void selectRows(MainWindow& w, int list, std::initializer_list<int> rows) {
    QItemSelectionModel* selection = w.codeView(list)->selectionModel();
    selection->clearSelection();
    for (int row : rows) {
        selection->select(w.codeModel(list)->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    if (rows.size() > 0) {
        selection->setCurrentIndex(w.codeModel(list)->index(*rows.begin(), 0),
                                   QItemSelectionModel::NoUpdate);
    }
}

// A stand-alone folder whose counter settings name an editor, a template and the warning files.
CounterSettings withEditorAndWarnings(const std::string& editor, const std::string& templ) {
    CounterSettings s = apptest::baseCounterSettings();
    apptest::withWarningColumns(s);
    s.csvapath = "warnings-a.csv";
    s.csvbpath = "warnings-b.csv";
    s.editor = editor;
    s.editopt = templ;
    return s;
}

void writeSettings(Fixture& f, const CounterSettings& s) {
    testing::SettingsFileWriter w = apptest::counterSettingsFile(s);
    if (!s.editor.empty()) {
        w.text("[EDITOR]", s.editor);
    }
    if (!s.editopt.empty()) {
        w.text("[EDITOPT]", s.editopt);
    }
    w.writeTo(f.folder.file("vaelsyst.dat"));
}

// Waits for a file the editor stand-in writes; its lines are the arguments it was given.
QStringList recordedArguments(const std::string& path) {
    QElapsedTimer timer;
    timer.start();
    while (!std::filesystem::exists(path) && timer.elapsed() < 10000) {
        QTest::qWait(20);
    }
    QTest::qWait(50);
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return {QStringLiteral("<nothing started>")};
    }
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    lines.removeLast();
    return lines;
}

}  // namespace

class OutputsTest : public QObject {
    Q_OBJECT

  private slots:
    void codeListMenuFollowsTheListAndTheSettings();
    void copyPutsUnicodeCaptionsOnTheClipboardAndDeselects();
    void textSaveWritesTheBufferByteForByte();
    void editorStartsDirectlyWithTheExactArguments();
    void warningListsSortJumpAndOpenHelp();
    void saveButtonWritesTheReport();
};

void OutputsTest::codeListMenuFollowsTheListAndTheSettings() {
    Fixture f;
    writeSettings(f, withEditorAndWarnings("/bin/true", "-n%d %s"));
    MainWindow& w = f.open();
    w.activate();
    // No rows: nothing of the menu shows.
    QMenu* menu = w.preparedCodeListMenu(0);
    for (QAction* action : menu->actions()) {
        QVERIFY(!action->isVisible());
    }
    w.controller().openFile(kAfter, f.folder.file("after.c"));
    menu = w.preparedCodeListMenu(0);
    QCOMPARE(menu->actions().at(0)->text(), QStringLiteral("&Copy"));
    QVERIFY(menu->actions().at(0)->isVisible() && menu->actions().at(1)->isVisible());
    QVERIFY(!menu->actions().at(2)->isVisible());  // Edit: no row selected
    selectRows(w, 0, {3});
    QVERIFY(w.preparedCodeListMenu(0)->actions().at(2)->isVisible());
    QVERIFY(w.encodingMenu(0)->menuAction()->isVisible());
    // Edit stays hidden while [EDITOPT] is empty, even with [EDITOR] set.
    f.session->counterSettings.editopt.clear();
    QVERIFY(!w.preparedCodeListMenu(0)->actions().at(2)->isVisible());
}

void OutputsTest::copyPutsUnicodeCaptionsOnTheClipboardAndDeselects() {
    Fixture f;
    MainWindow& w =
        f.compare("one  \n\xE6\x97\xA5\xC3\xA9t\xC3\xA9\t\nthree \xE6\x9C\xAC\n", "one\n");
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("kept"));
    // Nothing selected: the clipboard keeps what it has.
    w.codeView(0)->setFocus();
    QTest::keyClick(w.codeView(0), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), QStringLiteral("kept"));
    selectRows(w, 0, {1, 0});
    QTest::keyClick(w.codeView(0), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), QString::fromUtf8("one\r\n\xE6\x97\xA5\xC3\xA9t\xC3\xA9\r\n"));
    QVERIFY(!w.codeView(0)->selectionModel()->hasSelection());
    // Ctrl+A selects every row.
    QTest::keyClick(w.codeView(0), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(w.codeView(0)->selectionModel()->selectedRows().size(), w.codeModel(0)->rowCount());
}

void OutputsTest::textSaveWritesTheBufferByteForByte() {
    Fixture f;
    // A UTF-16 module of 10 characters: 22 bytes with the mark.
    std::string utf16("\xFF\xFE", 2);
    for (char c : std::string("abc\r\nxyz\r\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    f.folder.write("w.c", utf16);
    MainWindow& w = f.open([&](StartupOptions& o) { o.afterPath = f.folder.file("w.c"); });
    w.activate();
    FakeFiles files;
    w.setFileChooser(&files);
    files.next = QString::fromStdString(f.folder.file("saved.txt"));
    w.saveText(0);
    // The text as loaded for the comparison: the mark is gone, the 10 characters stay.
    QCOMPARE(f.folder.read("saved.txt").size(), std::size_t{22});
    QCOMPARE(f.folder.read("saved.txt").substr(0, 2), std::string("\xFF\xFE"));

    // After the comment deletion view, the saved text holds the NUL bytes the view left.
    Fixture g;
    g.folder.write("c.c", "int a; // note\n");
    MainWindow& v = g.open([&](StartupOptions& o) { o.afterPath = g.folder.file("c.c"); });
    v.activate();
    v.processingSelector()->setCurrentIndex(kKindComments);
    QTest::mouseClick(v.button(MainWindow::kExecute), Qt::LeftButton);
    v.setFileChooser(&files);
    files.next = QString::fromStdString(g.folder.file("view.txt"));
    v.saveText(0);
    QCOMPARE(g.folder.read("view.txt"), std::string("int a; \0\0\0\0\0\0\0\n", 15));
    // A target that cannot be written is reported.
    files.next = QString::fromStdString(g.folder.file("missing/view.txt"));
    v.saveText(0);
    QCOMPARE(g.messages.size(), 1);
}

void OutputsTest::editorStartsDirectlyWithTheExactArguments() {
    Fixture f;
    // The editor stand-in writes every argument it gets on a line of its own.
    const std::string record = f.folder.file("args.txt");
    f.folder.write("editor.sh", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" +
                                    record + "'\n");
    std::filesystem::permissions(f.folder.file("editor.sh"), std::filesystem::perms::owner_all);
    writeSettings(f, withEditorAndWarnings(f.folder.file("editor.sh"), "-n%d %s %n%x \"%s\""));
    // A hostile file name: blanks, quotes, a semicolon and a command.
    const std::string hostile = f.folder.file("my file; touch pwned 'x'.c");
    f.folder.write("my file; touch pwned 'x'.c", numberedLines(30));
    f.folder.write("b.c", numberedLines(28));
    MainWindow& w = f.open([&](StartupOptions& o) {
        o.afterPath = hostile;
        o.beforePath = f.folder.file("b.c");
    });
    w.activate();
    selectRows(w, 0, {4});
    QTest::keyClick(w.codeView(0), Qt::Key_Return);
    // Only the last "%d" and the last "%s" are replaced; the rest is plain text.
    QCOMPARE(recordedArguments(record),
             (QStringList{QStringLiteral("-n5"), QStringLiteral("%s"), QStringLiteral("%n%x"),
                          QString::fromStdString(hostile)}));
    QVERIFY(!f.folder.exists("pwned"));
    // "%s +%d": the path, then the line; a double click opens the clicked row.
    std::filesystem::remove(record);
    f.session->counterSettings.editopt = "%s +%d";
    selectRows(w, 0, {9});
    w.openEditor(0);
    QCOMPARE(recordedArguments(record),
             (QStringList{QString::fromStdString(hostile), QStringLiteral("+10")}));
    // A padding row (the before list's rows 28 and 29) starts nothing.
    std::filesystem::remove(record);
    selectRows(w, 1, {29});
    w.openEditor(1);
    QTest::qWait(300);
    QVERIFY(!std::filesystem::exists(record));
}

void OutputsTest::warningListsSortJumpAndOpenHelp() {
    Fixture f;
    CounterSettings settings = withEditorAndWarnings("", "");
    settings.csvapath = f.folder.file("warnings-a.csv");
    settings.csvbpath = f.folder.file("warnings-b.csv");
    writeSettings(f, settings);
    const std::string after = f.folder.file("after.c");
    f.folder.write("warnings-a.csv", "File,Line,Code,Message,Severity\n" + after +
                                         ",9,W1,first,low\n" + after + ",26,W2,second,high\n" +
                                         after + ",10,W3,third,medium\n");
    f.folder.write("warnings-b.csv", "File,Line,Code,Message,Severity\n");
    f.folder.write("tavesyst.dat",
                   "[HELP_PATH1]\nhttp://help.example/rules\n[HELP1_EXT]\nhtml\n"
                   "[HELP_PATH2]\n/usr/share/rules\n");
    MainWindow& w = f.open([&](StartupOptions& o) {
        o.afterPath = f.folder.file("after.c");
        o.beforePath = f.folder.file("before.c");
    });
    w.activate();
    WarningListModel* model = w.warningModel(0);
    QCOMPARE(model->rowCount(), 3);
    auto lines = [&] {
        QStringList out;
        for (int r = 0; r < model->rowCount(); ++r) {
            out << model->data(model->index(r, 0), Qt::DisplayRole).toString();
        }
        return out;
    };
    // The first click on the line column sorts descending, the second ascending; another column
    // sorts ascending first.
    QHeaderView* header = w.warningView(0)->horizontalHeader();
    emit header->sectionClicked(0);
    QCOMPARE(lines(), (QStringList{"26", "10", "9"}));
    emit header->sectionClicked(0);
    QCOMPARE(lines(), (QStringList{"9", "10", "26"}));
    emit header->sectionClicked(3);
    QCOMPARE(lines(), (QStringList{"26", "9", "10"}));  // high, low, medium

    // The menu: nothing without a selected row; Jump, Help1, Help2 with one.
    for (QAction* action : w.preparedWarningMenu(0)->actions()) {
        QVERIFY(!action->isVisible());
    }
    w.warningView(0)->selectRow(0);  // line 26
    QMenu* menu = w.preparedWarningMenu(0);
    QVERIFY(menu->actions().at(0)->isVisible() && menu->actions().at(1)->isVisible() &&
            menu->actions().at(2)->isVisible());

    // A double click jumps: the line's row becomes the top row and is selected; the keyboard
    // stays with the warning list.
    w.resize(1000, 700);
    w.warningView(0)->setFocus();
    QApplication::processEvents();
    const QModelIndex warning = model->index(0, 0);
    emit w.warningView(0)->doubleClicked(warning);
    const int row = w.codeView(0)->selectionModel()->selectedRows().value(0).row();
    QCOMPARE(f.session->codeLists.lists[0].row(row).lineIndex, 25);
    const int top = std::min(row, w.codeView(0)->verticalScrollBar()->maximum());
    QCOMPARE(w.codeView(0)->verticalScrollBar()->value(), top);
    QVERIFY(w.warningView(0)->hasFocus());
    // Enter does the same; a line the list does not show clears the selection and moves nothing.
    f.session->leftWarnings.rows[1].caption = "500";
    w.warningView(0)->selectRow(1);
    QTest::keyClick(w.warningView(0), Qt::Key_Return);
    QVERIFY(!w.codeView(0)->selectionModel()->hasSelection());
    QCOMPARE(w.codeView(0)->verticalScrollBar()->value(), top);

    // Help pages: a web form as a URL, a folder as a local file; never through a shell.
    QList<QUrl> opened;
    w.setUrlOpener([&](const QUrl& url) { opened << url; });
    w.warningView(0)->selectRow(0);
    w.openWarningHelp(0, 1);
    w.openWarningHelp(0, 2);
    QCOMPARE(opened.size(), 2);
    QCOMPARE(opened[0], QUrl(QStringLiteral("http://help.example/rules/W2.html")));
    QCOMPARE(opened[1], QUrl::fromLocalFile(QStringLiteral("/usr/share/rules/W2")));
    // A code number that would leave the help folder opens nothing.
    f.session->leftWarnings.rows[0].subItems[0] = "../../etc/passwd";
    w.openWarningHelp(0, 2);
    QCOMPARE(opened.size(), 2);
}

void OutputsTest::saveButtonWritesTheReport() {
    Fixture f;
    MainWindow& w = f.compare(numberedLines(10, {4}), numberedLines(10));
    FakeFiles files;
    w.setFileChooser(&files);
    files.next.clear();  // cancelled: nothing written
    QTest::mouseClick(w.button(MainWindow::kSave), Qt::LeftButton);
    QVERIFY(!f.folder.exists("r.html"));
    files.next = QString::fromStdString(f.folder.file("r.html"));
    QTest::mouseClick(w.button(MainWindow::kSave), Qt::LeftButton);
    const std::string html = f.folder.read("r.html");
    QVERIFY(html.find("changed 4") != std::string::npos);
    QVERIFY(html.find("charset=SHIFT_JIS") != std::string::npos);
    // A folder that does not exist: the message, and no file.
    files.next = QString::fromStdString(f.folder.file("none/r.html"));
    QTest::mouseClick(w.button(MainWindow::kSave), Qt::LeftButton);
    QCOMPARE(f.messages, QStringList{QStringLiteral(
                             "Data cannot be preserved, because the capacity of the disk is "
                             "insufficient.")});
}

}  // namespace tavelin::ui

QTEST_MAIN(tavelin::ui::OutputsTest)
#include "outputs_test.moc"
