// The folder comparison view, offscreen, beside tavelin-count on the same trees.
//
//   bench_window_folder_view [FILES] [RUNS]
//
// 1. pyenv's Python 3.10.13 standard library against 3.11.7's without site-packages (two trees
//    generated in a temporary folder, 1,750 files a side, where those are missing): the time from
//    start() to the first painted rows, and to the count's end, beside `tavelin-count --format
//    csv` of the same folders (the program next to this folder's parent, build/release); medians
//    of RUNS (default 3), run in turns.
// 2. Two generated trees of FILES files a side (default 50,000): the same figures, the longest
//    time the window's thread went without handling its events while rows arrived (a timer asks
//    every 2 ms), then a sort of every row by a number column, a filter keystroke and "Show
//    unchanged", each with its repaint.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QHeaderView>
#include <QLineEdit>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "ui/folder_view.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double since(Clock::time_point from, Clock::time_point to = Clock::now()) {
    return std::chrono::duration<double>(to - from).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

std::string quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

// Two versions of a project of `files` C modules of about 30 lines: a third changed, one in 50
// deleted, one in 50 added.
void makeTrees(const fs::path& before, const fs::path& after, int files) {
    for (int i = 0; i < files; ++i) {
        const std::string folder = "d" + std::to_string(i / 100);
        const std::string name = folder + "/f" + std::to_string(i) + ".c";
        fs::create_directories(before / folder);
        fs::create_directories(after / folder);
        std::string text;
        std::string changed;
        for (int k = 0; k < 30; ++k) {
            const std::string line = k % 10 == 0
                                         ? "/* part " + std::to_string(k) + " */\n"
                                         : "int v_" + std::to_string(i) + "_" + std::to_string(k) +
                                               " = " + std::to_string(k * i) + ";\n";
            text += line;
            changed += k == i % 30 ? "int changed_" + std::to_string(k) + " = 0;\n" : line;
        }
        std::ofstream(before / name, std::ios::binary) << text;
        if (i % 50 == 7) {
            continue;
        }
        std::ofstream(after / name, std::ios::binary) << (i % 3 == 0 ? changed : text);
        if (i % 50 == 11) {
            std::ofstream(after / folder / ("n" + std::to_string(i) + ".c"), std::ios::binary)
                << text << "int extra = 1;\n";
        }
    }
}

struct ViewFigures {
    double firstRows = 0;  // start() to the first painted rows
    double finished = 0;   // start() to the end of the count, every row in the table
    double stall = 0;      // longest time without the window's thread handling its events
    double stallCpu = 0;   // the processor time the window's thread had in that time
    std::size_t rows = 0;
    double sort = 0;
    double filter = 0;
    double showUnchanged = 0;
};

// The processor time of the calling thread.
double threadCpu() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Records the first paint of the table's rows.
class PaintWatch final : public QObject {
  public:
    explicit PaintWatch(const tavelin::ui::FolderView& view) : view_(view) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen && view_.rowCount() > 0) {
            seen = true;
            at = Clock::now();
        }
        return QObject::eventFilter(watched, event);
    }
    bool seen = false;
    Clock::time_point at;

  private:
    const tavelin::ui::FolderView& view_;
};

// Time of `change` and of the repaint it leads to.
template <class F>
double timed(F change) {
    const auto start = Clock::now();
    change();
    QApplication::processEvents();
    return since(start);
}

ViewFigures runView(const std::string& programFolder, const std::string& before,
                    const std::string& after, const tavelin::project::PathFilter& filter,
                    bool extras) {
    tavelin::ui::FolderView view;
    tavelin::project::SetupSources sources;
    sources.programFolder = programFolder;
    view.setSetupSources(sources);
    view.setCountFilter(filter);
    view.setMessageHandler([](const QString& m) { std::printf("message: %s\n", qPrintable(m)); });
    view.resize(1200, 800);
    view.show();
    QApplication::processEvents();

    PaintWatch paints(view);
    view.table()->viewport()->installEventFilter(&paints);
    // A tick every 2 ms: the longest gap between two, once rows arrive, is the longest stall.
    Clock::time_point last = Clock::now();
    double lastCpu = threadCpu();
    double stall = 0;
    double stallCpu = 0;
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    ticks.setInterval(2);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        const double cpu = threadCpu();
        if (view.resultCount() > 0 && since(last, now) > stall) {
            stall = since(last, now);
            stallCpu = cpu - lastCpu;
        }
        last = now;
        lastCpu = cpu;
    });
    QEventLoop loop;
    QObject::connect(&view, &tavelin::ui::FolderView::countFinished, &loop, &QEventLoop::quit);

    ViewFigures f;
    const auto start = Clock::now();
    ticks.start();
    view.start(QString::fromStdString(before), QString::fromStdString(after));
    loop.exec();
    f.finished = since(start);
    ticks.stop();
    QApplication::processEvents();
    f.firstRows = paints.seen ? since(start, paints.at) : -1;
    f.stall = stall;
    f.stallCpu = stallCpu;
    f.rows = view.resultCount();
    if (extras) {
        f.sort = timed([&] {
            view.table()->header()->setSortIndicator(tavelin::ui::FolderModel::kNew,
                                                     Qt::DescendingOrder);
        });
        f.filter = timed([&] { view.filterBox()->setText(QStringLiteral("d1")); });
        view.filterBox()->clear();
        f.showUnchanged = timed([&] { view.showUnchangedBox()->setChecked(true); });
    }
    return f;
}

double runCount(const std::string& programFolder, const std::string& before,
                const std::string& after, const std::string& exclude) {
    const std::string command = quote(programFolder + "/tavelin-count") + " --format csv " +
                                (exclude.empty() ? "" : "--exclude " + quote(exclude) + " ") +
                                quote(before) + " " + quote(after) + " > /dev/null";
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    const double t = since(start);
    // 0: every file counted; 1: some could not be read (listed); anything else failed.
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
        std::printf("tavelin-count failed: %s\n", command.c_str());
    }
    return t;
}

void compare(const char* title, const std::string& programFolder, const std::string& before,
             const std::string& after, const std::string& exclude, int runs, bool extras) {
    tavelin::project::PathFilter filter;
    if (!exclude.empty()) {
        filter.exclude.emplace_back(exclude);
    }
    std::printf("%s\n  before %s\n  after  %s\n", title, before.c_str(), after.c_str());
    std::fflush(stdout);
    runCount(programFolder, before, after, exclude);  // the files into the page cache
    std::vector<double> count;
    std::vector<double> first;
    std::vector<double> finished;
    std::vector<double> stalls;
    std::vector<double> stallCpus;
    ViewFigures last;
    for (int i = 0; i < runs; ++i) {
        count.push_back(runCount(programFolder, before, after, exclude));
        last = runView(programFolder, before, after, filter, extras && i + 1 == runs);
        first.push_back(last.firstRows);
        finished.push_back(last.finished);
        stalls.push_back(last.stall);
        stallCpus.push_back(last.stallCpu);
    }
    const double c = median(count);
    const double v = median(finished);
    std::printf("  files (rows)                         %zu\n", last.rows);
    std::printf("  tavelin-count --format csv           %7.3f s  (median of %d)\n", c, runs);
    std::printf("  folder view: first rows painted      %7.3f s  (median; goal 0.5 s)\n",
                median(first));
    std::printf(
        "  folder view: count finished          %7.3f s  (median) = %.2f x tavelin-count "
        "(goal 1.5 x)\n",
        v, v / c);
    const auto worst = std::max_element(stalls.begin(), stalls.end()) - stalls.begin();
    std::printf(
        "  folder view: longest stall of the window's thread while rows arrive: %.0f ms, "
        "%.0f ms of it running (worst of %d)\n",
        stalls[static_cast<std::size_t>(worst)] * 1000,
        stallCpus[static_cast<std::size_t>(worst)] * 1000, runs);
    if (extras) {
        std::printf("  sort by New, %zu rows, repainted     %7.1f ms\n", last.rows,
                    last.sort * 1000);
        std::printf("  filter keystroke, repainted          %7.1f ms\n", last.filter * 1000);
        std::printf("  Show unchanged, repainted            %7.1f ms\n", last.showUnchanged * 1000);
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 50000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const std::string programFolder = tavelin::folderOf(tavelin::programFolder(argv[0]));
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const fs::path work =
        fs::temp_directory_path() / ("tavelin-folder-bench-" + std::to_string(::getpid()));

    const std::string py310 = "/root/.pyenv/versions/3.10.13/lib/python3.10";
    const std::string py311 = "/root/.pyenv/versions/3.11.7/lib/python3.11";
    std::error_code ec;
    if (fs::is_directory(py310, ec) && fs::is_directory(py311, ec)) {
        compare("Python 3.10.13 -> 3.11.7 standard library, site-packages left out", programFolder,
                py310, py311, "site-packages", runs, false);
    } else {
        makeTrees(work / "small-before", work / "small-after", 1750);
        compare("(pyenv's standard libraries are missing) two generated trees, 1,750 files a side",
                programFolder, (work / "small-before").string(), (work / "small-after").string(),
                "", runs, false);
    }

    const auto made = Clock::now();
    makeTrees(work / "before", work / "after", files);
    std::printf("\n(%d files a side generated in %.1f s)\n", files, since(made));
    compare("Two generated trees", programFolder, (work / "before").string(),
            (work / "after").string(), "", runs, true);
    fs::remove_all(work, ec);
    return 0;
}
