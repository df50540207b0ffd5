// The window on a pair of large modules, offscreen, beside the unattended run of the same pair.
//
//   bench_window_scale [LINES]
//
// Writes two C modules of LINES lines each (default 1,000,000; the after module has about 1.5%
// of its lines changed, deleted or inserted, fixed seed) into a temporary folder, then
//  - runs the unattended step comparison of the pair with the tavelin program next to this
//    folder's parent (build/release/tavelin) and times it;
//  - opens the window on the pair with /exec (the step comparison at first activation) and
//    measures: the whole first activation; the row walk (the part between the comparison's end
//    and the lists being handed to the views); from the lists being handed over to the first
//    painted rows; 100 presses of Down, each painted; the End key of a list; a resize; the
//    overview strip, changed characters and find; the peak memory of the process beside the
//    inputs' size; the pair opened as a row of the folder comparison opens it, beside the same
//    pair opened by hand and executed.

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "display/change_blocks.h"
#include "display/code_lists.h"
#include "platform/paths.h"
#include "ui/find_bar.h"
#include "ui/main_window.h"
#include "ui/overview_strip.h"
#include "window_bench.h"

namespace {

// Records when the viewport of a list is painted next.
class PaintWatch final : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && armed) {
            painted = std::chrono::steady_clock::now();
            armed = false;
        }
        return QObject::eventFilter(watched, event);
    }
    bool armed = false;
    std::chrono::steady_clock::time_point painted;
};

void writePair(const std::string& after, const std::string& before, long lines) {
    std::mt19937 rng(1);
    std::ofstream a(after, std::ios::binary);
    std::ofstream b(before, std::ios::binary);
    for (long i = 0; i < lines; ++i) {
        std::string line = "    total_" + std::to_string(i % 977) + " += compute(item[" +
                           std::to_string(i) + "], " + std::to_string(i % 31) + ");";
        if (i % 50 == 0) {
            line = "    /* step " + std::to_string(i) + " */";
        }
        b << line << '\n';
        const unsigned r = rng() % 1000;
        if (r < 5) {
            continue;  // deleted in the after module
        }
        if (r < 10) {
            a << "    changed(" << i << ");\n";
            continue;
        }
        if (r < 15) {
            a << "    inserted(" << i << ");\n";
        }
        a << line << '\n';
    }
}

}  // namespace

int main(int argc, char** argv) {
    const long lines = argc > 1 ? std::atol(argv[1]) : 1000000;
    const std::string programFolder = tavelin::folderOf(tavelin::programFolder(argv[0]));
    const std::filesystem::path work = std::filesystem::temp_directory_path() /
                                       ("tavelin-window-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(work);
    const std::string after = (work / "after.c").string();
    const std::string before = (work / "before.c").string();
    writePair(after, before, lines);
    const double inputs =
        static_cast<double>(std::filesystem::file_size(after) + std::filesystem::file_size(before));
    std::printf("pair: 2 x %ld lines, %.0f MB\n", lines, inputs / 1e6);

    // The unattended run of the same pair.
    const std::string command = "cd '" + work.string() + "' && '" + programFolder +
                                "/tavelin' /aafter.c /bbefore.c /exec /s /ml /nbench > /dev/null";
    auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    std::printf("unattended step comparison (report written):   %7.3f s%s\n", bench::seconds(start),
                status == 0 ? "" : "  (failed)");

    // The window.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    tavelin::Session session;
    bench::startForPair(session, programFolder, work.string(), after, before);
    tavelin::ui::MainWindow window(session);
    bench::show(window);

    PaintWatch watch;
    window.codeView(0)->viewport()->installEventFilter(&watch);
    std::chrono::steady_clock::time_point handedOver;
    QObject::connect(window.codeModel(0), &QAbstractItemModel::modelReset, [&] {
        if (window.codeModel(0)->rowCount() > 0) {
            handedOver = std::chrono::steady_clock::now();
            watch.armed = true;
        }
    });
    start = std::chrono::steady_clock::now();
    window.activate();
    const double activation = bench::seconds(start);
    while (watch.armed) {
        QApplication::processEvents();
    }
    const double toPaint = std::chrono::duration<double>(watch.painted - handedOver).count();

    // The walk that runs between the comparison's end and the hand-over, timed on its own.
    tavelin::CodeListModels models;
    start = std::chrono::steady_clock::now();
    tavelin::refreshLists(
        models, session.panes, session.counterSettings,
        {session.viewerSettings.listPosition(), session.tabWidth, tavelin::ViewState::Comparison},
        session.stepCounts);
    const double walk = bench::seconds(start);
    std::printf("first activation (open, compare, rows):        %7.3f s\n", activation);
    std::printf(
        "comparison's end to first painted rows:         %7.3f s  (walk %.3f + paint %.3f)\n",
        walk + toPaint, walk, toPaint);
    std::printf("rows: %d and %d\n", window.codeModel(0)->rowCount(),
                window.codeModel(1)->rowCount());

    start = std::chrono::steady_clock::now();
    for (int i = 0; i < 100; ++i) {
        window.nextDifference();
        window.codeView(0)->viewport()->repaint();
        window.codeView(1)->viewport()->repaint();
    }
    std::printf("100 x Down, each painted:                       %7.3f s  (top row now %d)\n",
                bench::seconds(start), window.codeView(0)->verticalScrollBar()->value());

    start = std::chrono::steady_clock::now();
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(window.codeView(0), &end);
    window.codeView(0)->viewport()->repaint();
    window.codeView(1)->viewport()->repaint();
    std::printf("Ctrl+End in a list, both painted:               %7.3f s\n", bench::seconds(start));

    start = std::chrono::steady_clock::now();
    window.resize(1500, 900);
    QApplication::processEvents();
    window.repaint();
    std::printf("resize, painted:                                %7.3f s\n", bench::seconds(start));

    // Change blocks and the overview strip of the whole comparison, from the rows.
    start = std::chrono::steady_clock::now();
    const std::vector<tavelin::ChangeBlock> blocks = tavelin::changeBlocks(session.codeLists);
    window.overview()->setComparison(blocks, window.codeModel(0)->rowCount(),
                                     {Qt::green, Qt::red, Qt::yellow});
    window.overview()->repaint();
    std::printf("overview strip drawn (%zu blocks):             %7.3f s  (goal: under 0.050)\n",
                blocks.size(), bench::seconds(start));

    // 100 rows that hold a changed pair, painted with their changed characters (each row's
    // highlighting computed afresh).
    QImage canvas(1200, 30, QImage::Format_RGB32);
    QPainter painter(&canvas);
    int painted = 0;
    std::chrono::steady_clock::duration paintTime{};
    for (const tavelin::ChangeBlock& block : blocks) {
        if (painted >= 100) {
            break;
        }
        if (block.left != tavelin::LineStatus::Added ||
            block.right != tavelin::LineStatus::Deleted) {
            continue;
        }
        for (int list = 0; list < 2 && painted < 100; ++list) {
            QTableView* view = window.codeView(list);
            QStyleOptionViewItem option;
            option.initFrom(view);
            option.rect = QRect(0, 0, 1200, 20);
            option.font = view->font();
            option.widget = view;
            const QModelIndex index = window.codeModel(list)->index(block.first, 0);
            const auto t = std::chrono::steady_clock::now();
            view->itemDelegate()->paint(&painter, option, index);
            paintTime += std::chrono::steady_clock::now() - t;
            ++painted;
        }
    }
    painter.end();
    std::printf(
        "%3d changed rows painted with their characters:  %7.3f s  (goal: 100 under 0.020)\n",
        painted, std::chrono::duration<double>(paintTime).count());

    // Find: a text only one of the last rows holds, and one no row holds (a whole pass).
    window.findBar()->field()->setText(QStringLiteral("item[999990]"));
    window.codeView(0)->scrollToTop();
    start = std::chrono::steady_clock::now();
    window.find(true);
    std::printf(
        "find the first of the last rows' text:          %7.3f s  (row %d; goal: under 0.200)\n",
        bench::seconds(start), window.found().row);
    window.findBar()->field()->setText(QStringLiteral("no row holds this"));
    start = std::chrono::steady_clock::now();
    window.find(true);
    std::printf("find a text no row holds:                       %7.3f s  (goal: under 0.200)\n",
                bench::seconds(start));

    const double peak = bench::peakMemoryBytes();
    std::printf("peak memory of the window process: %.0f MB = %.2f x the inputs\n", peak / 1e6,
                peak / inputs);
    // The same pair opened from a row of the folder comparison (both files in, the step
    // comparison, the rows) beside the same pair opened by hand (File > after, File > before,
    // Execute with the step comparison selected), each until both lists are painted; medians of
    // three, run in turns. Run after the memory figure: each open holds the pair once more while
    // it replaces the last.
    tavelin::MainController& controller = window.controller();
    const auto paintBoth = [&] {
        window.codeView(0)->viewport()->repaint();
        window.codeView(1)->viewport()->repaint();
    };
    std::vector<double> fromFolders;
    std::vector<double> byHand;
    for (int run = 0; run < 3; ++run) {
        start = std::chrono::steady_clock::now();
        controller.openPair(after, before);
        paintBoth();
        fromFolders.push_back(bench::seconds(start));
        start = std::chrono::steady_clock::now();
        controller.openFile(tavelin::kAfter, after);
        controller.openFile(tavelin::kBefore, before);
        controller.execute(0, session.resyncChoice);
        paintBoth();
        byHand.push_back(bench::seconds(start));
    }
    std::sort(fromFolders.begin(), fromFolders.end());
    std::sort(byHand.begin(), byHand.end());
    std::printf("pair opened from the folder view, painted:      %7.3f s  (median)\n",
                fromFolders[1]);
    std::printf("same pair opened by hand and executed, painted: %7.3f s  (median) = %.2f x\n",
                byHand[1], fromFolders[1] / byHand[1]);

    window.controller().formClose();
    std::filesystem::remove_all(work);
    std::filesystem::remove(programFolder + "/bench.html");
    return 0;
}
