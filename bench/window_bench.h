#pragma once
// What the window benchmarks share: the clock, the peak memory, and the window of a module pair
// opened as `tavelin /a<after> /b<before> /exec /ml` opens it (offscreen).

#include <sys/resource.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <string>

#include "app/startup.h"
#include "ui/main_window.h"

namespace bench {

inline double seconds(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

// The most memory the process has held so far, in bytes.
inline double peakMemoryBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) * 1024.0;
}

// The session's start-up for the pair, the step comparison asked for at the first activation.
inline void startForPair(tavelin::Session& session, const std::string& programFolder,
                         const std::string& workFolder, const std::string& after,
                         const std::string& before) {
    session.programFolder = programFolder;
    session.workFolder = workFolder;
    session.options.multiLaunch = true;
    session.options.execMode = true;
    session.options.afterPath = after;
    session.options.beforePath = before;
    tavelin::startupReading(session);
}

// The window shown at 1200 x 800, its messages printed instead of shown.
inline void show(tavelin::ui::MainWindow& window) {
    window.setMessageHandler([](const QString& m) { std::printf("message: %s\n", qPrintable(m)); });
    window.resize(1200, 800);
    window.show();
    QApplication::processEvents();
}

}  // namespace bench
