// The window's dialogs on the offscreen platform: system settings, font, internal data monitor
// and version information.

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>

#include "datafiles/viewer_settings.h"
#include "ui/dialogs.h"
#include "ui/logo_widget.h"
#include "ui_fixture.h"

namespace tavelin::ui {

namespace {

// Runs the settings dialog, lets `edit` change its controls, and presses OK (or Cancel).
void runSettings(MainWindow& w, const std::function<void(SettingsDialog&)>& edit, bool ok = true) {
    w.setDialogHook([&](QDialog* dialog) {
        auto* settings = qobject_cast<SettingsDialog*>(dialog);
        QVERIFY(settings != nullptr);
        QCOMPARE(settings->windowTitle(), QStringLiteral("System setting"));
        edit(*settings);
        QTimer::singleShot(0, dialog, ok ? &QDialog::accept : &QDialog::reject);
    });
    w.showSettingsDialog();
    w.setDialogHook({});
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void helpExtensionAloneKeepsTheListsButReappliesLogoAndPanels();
    void colourAndHelpPathRebuildTheListsWithTheNewColour();
    void listPositionSwapsCodeAndWarningListsTogether();
    void okWithoutChangeAndCancelLeaveEverything();
    void browseIgnoresPathsOfTwoCharactersOrFewer();
    void fontIsStoredAndAppliedAfterARestart();
    void monitorAndVersionDialogs();
};

void DialogsTest::helpExtensionAloneKeepsTheListsButReappliesLogoAndPanels() {
    Fixture f;
    MainWindow& w = f.compare(numberedLines(10, {2}), numberedLines(10));
    f.session->noDataFile = 0;  // the logo follows the image choice in the data-file edition
    w.resize(1000, 600);
    QApplication::processEvents();
    QSignalSpy resets(w.codeModel(0), &QAbstractItemModel::modelReset);
    runSettings(w, [](SettingsDialog& d) {
        d.helpExtension(0)->setText(QStringLiteral("  html "));
        d.image()->setCurrentIndex(1);
        d.statusWidth()->setValue(500);
    });
    QCOMPARE(resets.count(), 0);  // no rebuild
    QCOMPARE(f.session->viewerSettings.help1Ext, std::string("html"));
    QVERIFY(!w.logo(0)->isVisible() && w.logo(1)->isVisible());
    // A status bar 1000 pixels wide: 500 for the counts, 500 for the rest.
    QCOMPARE(w.statusBar()->width(), 1000);
    QVERIFY(w.stepCounts()->width() >= 500);
}

void DialogsTest::colourAndHelpPathRebuildTheListsWithTheNewColour() {
    Fixture f;
    MainWindow& w = f.compare(numberedLines(10, {2}), numberedLines(10));
    QSignalSpy resets(w.codeModel(0), &QAbstractItemModel::modelReset);
    runSettings(w, [](SettingsDialog& d) {
        d.colour(1)->setValue(0xFF0000);  // added lines blue (0x00BBGGRR)
        d.helpPath(0)->setText(QStringLiteral(" /usr/share/help\t"));
    });
    QVERIFY(resets.count() >= 1);  // the lists built anew
    QCOMPARE(f.session->viewerSettings.addColor, 0xFF0000);
    QCOMPARE(f.session->viewerSettings.helpPath1, std::string("/usr/share/help"));
    // The rebuild shows the plain texts again; a comparison shows the new colour.
    QCOMPARE(f.session->viewState, ViewState::Plain);
    w.processingSelector()->setCurrentIndex(kKindCurrentState);
    QTest::mouseClick(w.button(MainWindow::kExecute), Qt::LeftButton);
    QCOMPARE(f.background(0, 1).value<QColor>(), QColor(0, 0, 255));
}

void DialogsTest::listPositionSwapsCodeAndWarningListsTogether() {
    CounterSettings settings = apptest::baseCounterSettings();
    Fixture f(settings);
    apptest::withWarningColumns(settings);
    settings.csvapath = f.folder.file("wa.csv");
    apptest::counterSettingsFile(settings).writeTo(f.folder.file("vaelsyst.dat"));
    f.folder.write("wa.csv", "File,Line,Code,Message,Severity\n" + f.folder.file("a.c") +
                                 ",2,W9,after only,low\n");
    MainWindow& w = f.compare(numberedLines(10, {2}), numberedLines(10));
    QCOMPARE(w.warningModel(0)->rowCount(), 1);
    QCOMPARE(w.warningModel(1)->rowCount(), 0);
    runSettings(w, [](SettingsDialog& d) { d.listPosition()->setCurrentIndex(1); });
    // The after module is on the right now, and its warnings under it at once.
    QCOMPARE(f.session->codeLists.lists[1].side, kAfter);
    QVERIFY(w.codeModel(0)
                ->headerData(0, Qt::Horizontal, Qt::DisplayRole)
                .toString()
                .startsWith(QStringLiteral("Before change")));
    QCOMPARE(w.warningModel(0)->rowCount(), 0);
    QCOMPARE(w.warningModel(1)->rowCount(), 1);
}

void DialogsTest::okWithoutChangeAndCancelLeaveEverything() {
    Fixture f;
    MainWindow& w = f.compare(numberedLines(10, {2}), numberedLines(10));
    const std::string before = formatViewerSettings(f.session->viewerSettings);
    QSignalSpy resets(w.codeModel(0), &QAbstractItemModel::modelReset);
    runSettings(w, [](SettingsDialog&) {});
    runSettings(
        w, [](SettingsDialog& d) { d.colour(0)->setValue(0x00FF00); }, false);
    QCOMPARE(resets.count(), 0);
    QCOMPARE(formatViewerSettings(f.session->viewerSettings), before);
    QCOMPARE(f.session->viewState, ViewState::Comparison);
}

void DialogsTest::browseIgnoresPathsOfTwoCharactersOrFewer() {
    FakeFiles files;
    SettingsDialog dialog(nullptr, files);
    dialog.load(DisplaySettings{});
    dialog.helpPath(1)->setText(QStringLiteral("/old"));
    files.next = QStringLiteral("/x");
    dialog.browse(2);
    QCOMPARE(dialog.helpPath(1)->text(), QStringLiteral("/old"));
    files.next = QStringLiteral("/new/help");
    dialog.browse(2);
    QCOMPARE(dialog.helpPath(1)->text(), QStringLiteral("/new/help"));
}

void DialogsTest::fontIsStoredAndAppliedAfterARestart() {
    Fixture f;
    MainWindow& w = f.compare(numberedLines(5), numberedLines(5));
    FakeFiles files;
    w.setFileChooser(&files);
    files.nextFont = QFont(QStringLiteral("DejaVu Sans Mono"), 13);
    w.showFontDialog();
    QCOMPARE(w.codeView(1)->font().family(), QStringLiteral("DejaVu Sans Mono"));
    QCOMPARE(w.warningView(0)->font().pointSize(), 13);
    QCOMPARE(f.session->viewerSettings.fontName, std::string("DejaVu Sans Mono"));
    QCOMPARE(f.session->viewerSettings.fontSize, 13);
    // A cancelled dialog stores the font the lists have.
    files.nextFont = QFont(QString());
    w.showFontDialog();
    QCOMPARE(f.session->viewerSettings.fontSize, 13);
    // The settings written at the end bring the font back at the next start.
    QCOMPARE(writeViewerSettings(f.session->viewerSettings, f.folder.path()), 0);
    f.window.reset();
    MainWindow& again = f.compare(numberedLines(5), numberedLines(5));
    QCOMPARE(again.codeView(0)->font().family(), QStringLiteral("DejaVu Sans Mono"));
    QCOMPARE(again.codeView(0)->font().pointSize(), 13);
}

void DialogsTest::monitorAndVersionDialogs() {
    Fixture f;
    f.folder.write("tavesyst.dat", "[DEBUG_MODE]\n1\n");
    MainWindow& w = f.compare(numberedLines(5, {1}), numberedLines(5));
    QCOMPARE(w.processingSelector()->count(), 12);
    int rows = 0;
    QString heading;
    w.setDialogHook([&](QDialog* dialog) {
        auto* monitor = qobject_cast<MonitorDialog*>(dialog);
        QVERIFY(monitor != nullptr);
        QCOMPARE(monitor->windowTitle(), QStringLiteral("Internal Data"));
        rows = monitor->table()->rowCount();
        heading = monitor->table()->item(6, 1)->text();
        QTimer::singleShot(0, dialog, &QDialog::accept);
    });
    w.processingSelector()->setCurrentIndex(kKindDataMonitor);
    QTest::mouseClick(w.button(MainWindow::kExecute), Qt::LeftButton);
    QCOMPARE(rows, 52);
    QCOMPARE(heading, QStringLiteral("Module information after change"));
    QCOMPARE(f.session->viewState, ViewState::Plain);

    QStringList texts;
    w.setDialogHook([&](QDialog* dialog) {
        texts << dialog->windowTitle();
        for (const QLabel* label : dialog->findChildren<QLabel*>()) {
            texts << label->text();
        }
        QTimer::singleShot(0, dialog, &QDialog::accept);
    });
    w.showAboutDialog();
    QCOMPARE(texts.value(0), QStringLiteral("Version information"));
    QVERIFY(texts.contains(QStringLiteral("Version 1.68E")));
}

}  // namespace tavelin::ui

QTEST_MAIN(tavelin::ui::DialogsTest)
#include "dialogs_test.moc"
