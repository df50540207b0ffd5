#pragma once
// What the window's tests share: a program folder with the C definition and settings, a session
// read from it, the window over it, and file dialogs answered in code.

#include <QAbstractItemModel>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "app/app_fixtures.h"
#include "app/startup.h"
#include "ui/main_window.h"

namespace tavelin::ui {

using apptest::TempFolder;

// Lines "line 1" .. "line n"; the lines in `changed` read "changed k" instead.
inline std::string numberedLines(int n, std::initializer_list<int> changed = {}) {
    std::string text;
    for (int i = 1; i <= n; ++i) {
        const bool c = std::find(changed.begin(), changed.end(), i) != changed.end();
        text += (c ? "changed " : "line ") + std::to_string(i) + "\n";
    }
    return text;
}

// A program folder, a session read from it and the window over it.
struct Fixture {
    TempFolder folder;
    std::unique_ptr<Session> session;
    std::unique_ptr<MainWindow> window;
    QStringList messages;

    explicit Fixture(CounterSettings settings = apptest::baseCounterSettings()) {
        apptest::writeStandAloneFolder(folder, settings);
    }

    // Reads the settings with the given switches and opens the window (not yet activated).
    MainWindow& open(std::function<void(StartupOptions&)> switches = {}) {
        session = std::make_unique<Session>();
        session->programFolder = folder.path();
        session->workFolder = folder.path();
        session->options.multiLaunch = true;
        if (switches) {
            switches(session->options);
        }
        startupReading(*session);
        window = std::make_unique<MainWindow>(*session);
        window->setMessageHandler([this](const QString& m) { messages << m; });
        window->show();
        (void)QTest::qWaitForWindowActive(window.get());
        return *window;
    }
    // Opens the window on two files and runs the first activation.
    MainWindow& compare(const std::string& after, const std::string& before) {
        folder.write("a.c", after);
        folder.write("b.c", before);
        MainWindow& w = open([&](StartupOptions& o) {
            o.afterPath = folder.file("a.c");
            o.beforePath = folder.file("b.c");
        });
        w.activate();
        return w;
    }
    QString caption(int list, int row) const {
        return window->codeModel(list)
            ->data(window->codeModel(list)->index(row, 0), Qt::DisplayRole)
            .toString();
    }
    QVariant background(int list, int row) const {
        return window->codeModel(list)->data(window->codeModel(list)->index(row, 0),
                                             Qt::BackgroundRole);
    }
    int top(int list) const { return window->codeView(list)->verticalScrollBar()->value(); }
};

class FakeFiles final : public FileChooser {
  public:
    QString openFile(QWidget*, const QString&, const QString& folder, const QString&) override {
        folders << folder;
        return next;
    }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&) override {
        return next;
    }
    QString folder(QWidget*, const QString&, const QString&) override { return next; }
    QFont font(QWidget*, const QFont& current) override {
        return nextFont.family().isEmpty() ? current : nextFont;
    }
    QString next;
    QFont nextFont{QString()};
    QStringList folders;
};

}  // namespace tavelin::ui
