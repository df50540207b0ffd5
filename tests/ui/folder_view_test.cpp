// The folder comparison view on the offscreen platform, over two small trees counted with the
// bundled settings: its totals and summaries against the built tavelin-count's output of the same
// folders, sorting, the filter and "Show unchanged", the pair a row opens, the next and previous
// changed file, and a count stopped by Esc while the window's own Esc shortcut stays quiet.

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalSpy>
#include <QTreeView>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "ui/folder_view.h"
#include "ui_fixture.h"

namespace tavelin::ui {

namespace {

namespace fs = std::filesystem;
using project::RowStatus;

// C statements "int vK = K;" for K in [from, to).
std::string statements(int from, int to) {
    std::string text;
    for (int k = from; k < to; ++k) {
        text += "int v" + std::to_string(k) + " = " + std::to_string(k) + ";\n";
    }
    return text;
}

// Two versions of a small project: changed, added, deleted, unchanged, moved, binary and
// unknown files, in folders.
struct Trees {
    TempFolder root;
    std::string before = root.file("before");
    std::string after = root.file("after");

    Trees() {
        put(before, "main.c", statements(0, 20));
        put(after, "main.c", statements(0, 15) + "int changed = 1;\n" + statements(16, 22));
        put(before, "gone.c", statements(0, 4));
        put(after, "ten.c", statements(0, 10));
        put(after, "nine.c", statements(0, 9));
        put(after, "two.c", statements(0, 2));
        put(before, "same.c", statements(0, 3));
        put(after, "same.c", statements(0, 3));
        put(before, "old/moved.c", statements(5, 12));
        put(after, "new/moved.c", statements(5, 12));
        put(before, "Dir/tool.py", "x = 1\ny = 2\n");
        put(after, "Dir/tool.py", "x = 1\ny = 3\nz = 4\n");
        // A NUL after the second line break: binary, not UTF-16.
        put(after, "data.c", std::string("x\ny\n\x00\x01\x02", 7));
        put(before, "notes.xyz", "text\n");
        put(after, "notes.xyz", "more text\n");
    }
    static void put(const std::string& top, const std::string& name, const std::string& bytes) {
        const fs::path p = fs::path(top) / name;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }
};

// The settings and definitions the build put beside the counter.
std::string programFolder() {
    return fs::path(TAVELIN_COUNT_BINARY).parent_path().string();
}

// Single-quoted for the shell.
std::string quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

// The built counter's output of the two trees. (Through the shell's spawn rather than a fork of
// this process, which ThreadSanitizer refuses once threads have run.)
QByteArray countOutput(const std::string& format, const Trees& t) {
    const std::string out = t.root.file("count." + format);
    const std::string command = quote(TAVELIN_COUNT_BINARY) + " --format " + format + " " +
                                quote(t.before) + " " + quote(t.after) + " > " + quote(out);
    if (std::system(command.c_str()) != 0) {
        return {};
    }
    return QByteArray::fromStdString(t.root.read("count." + format));
}

// A folder whose files take a while to read, so that a count can be stopped half-way.
class SlowTree final : public project::TreeSource {
  public:
    explicit SlowTree(std::unique_ptr<project::TreeSource> tree) : tree_(std::move(tree)) {}
    std::vector<project::TreeEntry> list(const project::PathFilter& filter) override {
        return tree_->list(filter);
    }
    bool read(const project::TreeEntry& entry, std::vector<unsigned char>& bytes,
              std::string& problem) const override {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return tree_->read(entry, bytes, problem);
    }
    std::string moduleName(const std::string& path) const override {
        return tree_->moduleName(path);
    }
    std::string diskPath(const std::string& path) const override { return tree_->diskPath(path); }

  private:
    std::unique_ptr<project::TreeSource> tree_;
};

struct View {
    FolderView view;
    QStringList messages;
    explicit View(const Trees& t, bool run = true) {
        project::SetupSources sources;
        sources.programFolder = programFolder();
        sources.programFolderWritable = true;
        view.setSetupSources(sources);
        view.setMessageHandler([this](const QString& m) { messages << m; });
        view.resize(900, 500);
        view.show();
        if (run) {
            view.start(QString::fromStdString(t.before), QString::fromStdString(t.after));
            finish();
        }
    }
    bool finish() {
        QSignalSpy ended(&view, &FolderView::countFinished);
        return !view.counting() || ended.wait(60000);
    }
    QString cell(int row, int column) const {
        return view.model()->index(row, column).data().toString();
    }
    int rowOf(const QString& path) const {
        for (int r = 0; r < view.rowCount(); ++r) {
            if (cell(r, FolderModel::kPath) == path) {
                return r;
            }
        }
        return -1;
    }
};

}  // namespace

class FolderViewTest : public QObject {
    Q_OBJECT

  private slots:
    void totalsAndSummariesMatchTheCounter();
    void rowsShowTheirStatusAndUnchangedFilesOnlyWhenAsked();
    void sortsNumbersAsNumbersAndFiltersOnThePath();
    void rowsOpenTheirPairAndChangedFilesFollowInViewOrder();
    void refreshStartsOverAndEscStopsTheCountKeepingItsRows();
    void folderThatCannotBeReadIsSaid();
};

void FolderViewTest::totalsAndSummariesMatchTheCounter() {
    Trees t;
    View v(t);
    QVERIFY(!v.view.cancelled());
    QVERIFY(v.messages.isEmpty());

    // The totals row holds the counter's total line: files, the five counts, steps after, before.
    // The last line of the CSV: ",,,total,N file(s),new,...,before_steps,".
    const QByteArray csv = countOutput("csv", t);
    const QList<QByteArray> lines = csv.trimmed().split('\n');
    const QList<QByteArray> total = lines.last().trimmed().split(',');
    QCOMPARE(total.size(), 13);
    QCOMPARE(total[3], QByteArray("total"));
    QAbstractItemModel* totals = v.view.totalsModel();
    QCOMPARE(totals->index(0, FolderModel::kStatus).data().toString().toUtf8(), total[4]);
    for (int c = FolderModel::kNew; c <= FolderModel::kBeforeSteps; ++c) {
        QCOMPARE(totals->index(0, c).data().toString().toUtf8(), total[c - FolderModel::kNew + 5]);
    }
    QVERIFY(totals->index(0, FolderModel::kNew).data().toInt() > 20);

    // Save Summary... writes the counter's own bytes in each format, whatever the rows shown.
    FakeFiles files;
    v.view.setFileChooser(&files);
    v.view.filterBox()->setText(QStringLiteral("main"));
    for (const char* format : {"csv", "json", "html"}) {
        files.next = QString::fromStdString(t.root.file(std::string("summary.") + format));
        v.view.saveButton()->click();
        QCOMPARE(QByteArray::fromStdString(t.root.read(std::string("summary.") + format)),
                 countOutput(format, t));
    }
    // Another file type, or a file that cannot be written, is said and nothing is written.
    files.next = QString::fromStdString(t.root.file("summary.txt"));
    v.view.saveButton()->click();
    files.next = QString::fromStdString(t.root.file("missing/summary.csv"));
    v.view.saveButton()->click();
    QCOMPARE(v.messages.size(), 2);
    QVERIFY(v.messages[0].contains(QStringLiteral(".csv, .json or .html")));
    QVERIFY(v.messages[1].contains(QStringLiteral("cannot be written")));
    QVERIFY(!t.root.exists("summary.txt"));
}

void FolderViewTest::rowsShowTheirStatusAndUnchangedFilesOnlyWhenAsked() {
    Trees t;
    View v(t);
    QCOMPARE(v.view.resultCount(), std::size_t{10});
    // Unchanged and moved files are hidden until asked for.
    QCOMPARE(v.rowOf(QStringLiteral("same.c")), -1);
    QCOMPARE(v.rowOf(QStringLiteral("new/moved.c")), -1);
    QVERIFY(!v.view.showUnchangedBox()->isChecked());
    v.view.showUnchangedBox()->setChecked(true);
    QCOMPARE(v.view.rowCount(), 10);
    QCOMPARE(v.cell(v.rowOf(QStringLiteral("new/moved.c")), FolderModel::kStatus),
             QStringLiteral("moved"));
    v.view.showUnchangedBox()->setChecked(false);
    QCOMPARE(v.view.rowCount(), 8);

    // Added and deleted files in the settings' colours; files not counted grey, with the reason.
    v.view.setColours(0x00112233, 0x00445566);
    auto role = [&](const QString& path, int which) {
        return v.view.model()->index(v.rowOf(path), FolderModel::kNew).data(which);
    };
    QCOMPARE(role(QStringLiteral("ten.c"), Qt::BackgroundRole).value<QColor>(),
             QColor(0x33, 0x22, 0x11));
    QCOMPARE(role(QStringLiteral("gone.c"), Qt::BackgroundRole).value<QColor>(),
             QColor(0x66, 0x55, 0x44));
    QVERIFY(!role(QStringLiteral("main.c"), Qt::BackgroundRole).isValid());
    QCOMPARE(role(QStringLiteral("data.c"), Qt::ForegroundRole).value<QColor>(), QColor(Qt::gray));
    QCOMPARE(role(QStringLiteral("data.c"), Qt::ToolTipRole).toString(),
             QStringLiteral("binary file"));
    QCOMPARE(role(QStringLiteral("notes.xyz"), Qt::ToolTipRole).toString(),
             QStringLiteral("no language definition"));
    QCOMPARE(role(QStringLiteral("data.c"), Qt::DisplayRole).toString(), QString());
}

void FolderViewTest::sortsNumbersAsNumbersAndFiltersOnThePath() {
    Trees t;
    View v(t);
    QTreeView* table = v.view.table();
    v.view.setCurrentRow(v.rowOf(QStringLiteral("main.c")));

    // A click on "New" sorts by it: 10 above 9 above 2 when descending, files without counts
    // last; the current row stays on its file.
    table->header()->setSortIndicator(FolderModel::kNew, Qt::DescendingOrder);
    QCOMPARE(v.cell(0, FolderModel::kPath), QStringLiteral("ten.c"));
    QCOMPARE(v.cell(1, FolderModel::kPath), QStringLiteral("nine.c"));
    for (int r = 1; r < v.view.rowCount(); ++r) {
        const QString above = v.cell(r - 1, FolderModel::kNew);
        const QString here = v.cell(r, FolderModel::kNew);
        QVERIFY(here.isEmpty() || above.toInt() >= here.toInt());
    }
    QVERIFY(v.cell(v.view.rowCount() - 1, FolderModel::kNew).isEmpty());
    QCOMPARE(v.view.currentPair().relativePath, std::string("main.c"));

    // Path order is the counter's byte order: upper case before lower case.
    table->header()->setSortIndicator(FolderModel::kPath, Qt::AscendingOrder);
    QCOMPARE(v.cell(0, FolderModel::kPath), QStringLiteral("Dir/tool.py"));
    table->header()->setSortIndicator(FolderModel::kStatus, Qt::AscendingOrder);
    QCOMPARE(v.cell(0, FolderModel::kStatus), QStringLiteral("added"));

    // The filter keeps the paths holding its text, letter case ignored; rows arriving later are
    // filtered too.
    v.view.filterBox()->setText(QStringLiteral("dir/"));
    QCOMPARE(v.view.rowCount(), 1);
    QCOMPARE(v.cell(0, FolderModel::kPath), QStringLiteral("Dir/tool.py"));
    v.view.refresh();
    QVERIFY(v.finish());
    QCOMPARE(v.view.rowCount(), 1);
    v.view.filterBox()->clear();
    QCOMPARE(v.view.rowCount(), 8);
}

void FolderViewTest::rowsOpenTheirPairAndChangedFilesFollowInViewOrder() {
    Trees t;
    View v(t);
    QSignalSpy opened(&v.view, &FolderView::openPairRequested);
    QSignalSpy current(&v.view, &FolderView::currentChanged);
    QTreeView* table = v.view.table();
    auto openedArgs = [&] {
        const QList<QVariant> a = opened.takeFirst();
        return QStringList{a[0].toString(), a[1].toString(), a[2].toString()};
    };
    const QString after = QString::fromStdString(t.after);
    const QString before = QString::fromStdString(t.before);

    // A double click on a deleted file: no after file.
    const QRect gone = table->visualRect(v.view.model()->index(v.rowOf("gone.c"), 0));
    // (A view takes a double click on the row it was pressed on: press, release, double click.)
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, gone.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, gone.center());
    QCOMPARE(opened.size(), 1);
    QCOMPARE(openedArgs(), (QStringList{"gone.c", QString(), before + "/gone.c"}));
    QVERIFY(!current.isEmpty());
    // Enter on an added file: no before file; on a changed one, both.
    v.view.setCurrentRow(v.rowOf("ten.c"));
    QTest::keyClick(table, Qt::Key_Return);
    QCOMPARE(openedArgs(), (QStringList{"ten.c", after + "/ten.c", QString()}));
    v.view.setCurrentRow(v.rowOf("Dir/tool.py"));
    QTest::keyClick(table, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(openedArgs(),
             (QStringList{"Dir/tool.py", after + "/Dir/tool.py", before + "/Dir/tool.py"}));

    // Next and previous changed file in the order shown, skipping the files not counted (and,
    // with "Show unchanged", the unchanged and moved ones); none past either end.
    v.view.showUnchangedBox()->setChecked(true);
    v.view.setCurrentRow(-1);
    QStringList forward;
    while (v.view.selectNextChanged()) {
        forward << openedArgs()[0];
    }
    QCOMPARE(forward, (QStringList{"Dir/tool.py", "gone.c", "main.c", "nine.c", "ten.c", "two.c"}));
    QCOMPARE(v.view.currentPair().relativePath, std::string("two.c"));
    QVERIFY(v.view.selectPreviousChanged());
    QVERIFY(v.view.selectPreviousChanged());
    QCOMPARE(openedArgs()[0], QStringLiteral("ten.c"));
    QCOMPARE(openedArgs()[0], QStringLiteral("nine.c"));
    v.view.setCurrentRow(v.rowOf("Dir/tool.py"));
    QVERIFY(!v.view.selectPreviousChanged());
    QCOMPARE(v.view.currentPair().relativePath, std::string("Dir/tool.py"));
    QVERIFY(opened.isEmpty());
}

void FolderViewTest::refreshStartsOverAndEscStopsTheCountKeepingItsRows() {
    Trees t;
    for (int i = 0; i < 60; ++i) {
        Trees::put(t.before, "many/f" + std::to_string(i) + ".c", statements(0, 5));
        Trees::put(t.after, "many/f" + std::to_string(i) + ".c", statements(1, 6));
    }
    // The view inside a window whose own Esc shortcut must not fire while the view takes Esc.
    QWidget window;
    int windowEsc = 0;
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_Escape), &window);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, [&] { ++windowEsc; });
    View v(t, false);
    v.view.setParent(&window);
    v.view.show();
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    v.view.setJobs(2);
    v.view.setTreeOpener([](const std::string& top, std::string& problem) {
        std::unique_ptr<project::TreeSource> tree = project::openFolderTree(top, problem);
        return tree ? std::make_unique<SlowTree>(std::move(tree)) : nullptr;
    });
    // Refresh during a count starts over once the files being counted are done: every file
    // once, none of the first count's rows left.
    v.view.start(QString::fromStdString(t.before), QString::fromStdString(t.after));
    QVERIFY(v.view.counting());
    QTRY_VERIFY_WITH_TIMEOUT(v.view.resultCount() >= 4, 20000);
    QSignalSpy started(&v.view, &FolderView::countStarted);
    v.view.refresh();
    QCOMPARE(v.view.resultCount(), std::size_t{0});
    QVERIFY(v.finish());
    QCOMPARE(started.size(), 1);
    QVERIFY(!v.view.cancelled());
    QCOMPARE(v.view.resultCount(), std::size_t{70});

    v.view.refresh();
    QTRY_VERIFY_WITH_TIMEOUT(v.view.resultCount() >= 4, 20000);
    v.view.table()->setFocus();
    QTest::keyClick(v.view.table(), Qt::Key_Escape);
    QVERIFY(v.finish());
    QVERIFY(v.view.cancelled());
    QCOMPARE(windowEsc, 0);
    const std::size_t kept = v.view.resultCount();
    QVERIFY(kept >= 4 && kept < 70);
    QVERIFY(v.view.statusLabel()->text().contains(QStringLiteral("stopped")));

    // Once stopped, Esc is the window's again; Refresh counts every file.
    QTest::keyClick(v.view.table(), Qt::Key_Escape);
    QCOMPARE(windowEsc, 1);
    v.view.setTreeOpener({});
    v.view.refreshButton()->click();
    QVERIFY(v.finish());
    QVERIFY(!v.view.cancelled());
    QCOMPARE(v.view.resultCount(), std::size_t{70});
    QVERIFY(!v.view.stopButton()->isEnabled());
}

void FolderViewTest::folderThatCannotBeReadIsSaid() {
    Trees t;
    View v(t, false);
    QSignalSpy started(&v.view, &FolderView::countStarted);
    v.view.start(QString::fromStdString(t.before), QString::fromStdString(t.root.file("none")));
    QVERIFY(v.finish());
    QCOMPARE(started.size(), 1);
    QCOMPARE(v.view.resultCount(), std::size_t{0});
    QCOMPARE(v.messages.size(), 1);
    QVERIFY(v.messages[0].contains(QStringLiteral("none")));
    QCOMPARE(v.view.statusLabel()->text(), v.messages[0]);
}

}  // namespace tavelin::ui

QTEST_MAIN(tavelin::ui::FolderViewTest)
#include "folder_view_test.moc"
