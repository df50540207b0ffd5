// The window on a module of one very long line, offscreen, beside the unattended run of it.
//
//   bench_window_long_line [MEGABYTES]
//
// Writes two one-line modules (default 20 MB each; the after one differs in a few places) and a
// pair of minified scripts (1.5 MB in lines of about 200 KB), then for each pair:
//  - runs the unattended step comparison with the tavelin program of this build and times it;
//  - opens the window with /exec (the step comparison at first activation), and once the
//    comparison has ended measures the longest single stall of: painting both lists, scrolling
//    to the far right and back, paging down and up, and five resizes, each painted; the goal is
//    no stall over 100 ms;
//  - prints the peak memory of the window process beside the inputs' size after the first pair
//    (goal: within 4 x).

#include <QApplication>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "platform/paths.h"
#include "ui/main_window.h"
#include "window_bench.h"

namespace {

// A minified-looking script: statements without line ends, `lineBytes` to a line.
std::string script(std::size_t bytes, std::size_t lineBytes, unsigned seed) {
    std::mt19937 rng(seed);
    std::string out;
    std::size_t lineStart = 0;
    while (out.size() < bytes) {
        out += "var a" + std::to_string(rng() % 9973) + "=function(b,c){return b[c]+" +
               std::to_string(rng() % 1000) + "};";
        if (out.size() - lineStart >= lineBytes) {
            out += '\n';
            lineStart = out.size();
        }
    }
    out += '\n';
    return out;
}

void write(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

void measure(const char* what, const std::filesystem::path& work, const std::string& after,
             const std::string& before, const std::string& programFolder, int argc, char** argv,
             bool memory) {
    const double inputs =
        static_cast<double>(std::filesystem::file_size(after) + std::filesystem::file_size(before));
    std::printf("%s: %.1f MB a side\n", what, inputs / 2e6);
    const std::string command = "cd '" + work.string() + "' && '" + programFolder +
                                "/tavelin' /a'" + after + "' /b'" + before +
                                "' /exec /s /ml /nbench > /dev/null";
    auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    std::printf("  unattended step comparison:       %8.3f s%s\n", bench::seconds(start),
                status == 0 ? "" : "  (failed)");

    static QApplication* app = nullptr;
    if (app == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        app = new QApplication(argc, argv);
    }
    tavelin::Session session;
    bench::startForPair(session, programFolder, work.string(), after, before);
    tavelin::ui::MainWindow window(session);
    bench::show(window);
    start = std::chrono::steady_clock::now();
    window.activate();
    QApplication::processEvents();
    std::printf("  window: open and compare:         %8.3f s\n", bench::seconds(start));

    double worst = 0;
    const char* worstStep = "";
    auto step = [&](const char* name, const std::function<void()>& action) {
        const auto t = std::chrono::steady_clock::now();
        action();
        QApplication::processEvents();
        window.codeView(0)->viewport()->repaint();
        window.codeView(1)->viewport()->repaint();
        const double took = bench::seconds(t);
        if (took > worst) {
            worst = took;
            worstStep = name;
        }
    };
    step("paint", [] {});
    for (int list = 0; list < 2; ++list) {
        QScrollBar* h = window.codeView(list)->horizontalScrollBar();
        step("scroll right", [h] { h->setValue(h->maximum()); });
        step("scroll left", [h] { h->setValue(0); });
        QScrollBar* v = window.codeView(list)->verticalScrollBar();
        step("page down", [v] { v->setValue(v->value() + v->pageStep()); });
        step("page up", [v] { v->setValue(v->value() - v->pageStep()); });
    }
    for (int i = 0; i < 5; ++i) {
        step("resize", [&window, i] { window.resize(900 + 100 * i, 600 + 50 * i); });
    }
    std::printf("  longest stall after the comparison: %6.1f ms (%s; goal: under 100 ms)\n",
                worst * 1000, worstStep);
    if (memory) {
        const double peak = bench::peakMemoryBytes();
        std::printf(
            "  peak memory of the process: %.0f MB = %.2f x the inputs (goal: within 4 x)\n",
            peak / 1e6, peak / inputs);
    }
    window.controller().formClose();
}

}  // namespace

int main(int argc, char** argv) {
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 20.0;
    const std::string programFolder = tavelin::folderOf(tavelin::programFolder(argv[0]));
    const std::filesystem::path work = std::filesystem::temp_directory_path() /
                                       ("tavelin-long-line-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(work);

    // One line of `megabytes` a side (the largest case first, so the peak memory is its own).
    const auto bytes = static_cast<std::size_t>(megabytes * 1e6);
    std::string line = script(bytes, bytes + 1, 1);
    write(work / "before.js", line);
    for (std::size_t at = 1000; at < line.size(); at += line.size() / 7) {
        line[at] = line[at] == '1' ? '2' : '1';
    }
    write(work / "after.js", line);
    line.clear();
    line.shrink_to_fit();
    measure("one-line module", work, (work / "after.js").string(), (work / "before.js").string(),
            programFolder, argc, argv, true);

    std::string minified = script(1500000, 200000, 2);
    write(work / "before.min.js", minified);
    minified[minified.size() / 2] = minified[minified.size() / 2] == '1' ? '2' : '1';
    write(work / "after.min.js", minified);
    measure("minified script", work, (work / "after.min.js").string(),
            (work / "before.min.js").string(), programFolder, argc, argv, false);

    std::filesystem::remove_all(work);
    std::filesystem::remove(programFolder + "/bench.html");
    return 0;
}
