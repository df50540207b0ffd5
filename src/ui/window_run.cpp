#include "ui/window_run.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdlib>
#include <exception>
#include <memory>

#include "app/program.h"
#include "app/startup_options.h"
#include "ui/main_window.h"
#include "ui/ui_texts.h"

namespace tavelin::ui {

namespace {

bool environmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Exceptions must not cross the event loop: the first one ends the loop and is passed on to the
// program entry, which reports it.
class Application final : public QApplication {
  public:
    Application(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (...) {
            if (!error) {
                error = std::current_exception();
            }
            exit(kExitInternalError);
            return false;
        }
    }
    std::exception_ptr error;
};

}  // namespace

bool windowWanted(std::span<const std::string_view> args) {
    const StartupOptions options = parseCommandLine(args);
    if (options.execMode && options.silent) {
        return false;
    }
    return environmentSet("DISPLAY") || environmentSet("WAYLAND_DISPLAY") ||
           environmentSet("QT_QPA_PLATFORM");
}

namespace {

// The one application object of the process: made by the first message box or by the window.
Application& application(int& argc, char** argv) {
    static std::unique_ptr<Application> app;
    if (!app) {
        app = std::make_unique<Application>(argc, argv);
        Application::setApplicationName(QStringLiteral("Tavelin"));
    }
    return *app;
}

}  // namespace

WindowMessages::WindowMessages(int& argc, char** argv) : argc_(argc), argv_(argv) {}

void WindowMessages::showMessage(std::string_view text) {
    application(argc_, argv_);
    QMessageBox box(
        QMessageBox::Warning,
        QString::fromUtf8(kTitleTavelin.data(), static_cast<qsizetype>(kTitleTavelin.size())),
        fromEngineText(text), QMessageBox::Ok);
    box.exec();
}

int runWindow(Session& session, int& argc, char** argv) {
    Application& app = application(argc, argv);
    int exitCode = kExitOk;
    {
        MainWindow window(session);
        window.show();
        QTimer::singleShot(0, &window, [&window, &exitCode] {
            if (window.activate() == Activation::ClosedNoMemory) {
                exitCode = kExitNoReport;
            }
        });
        if (!window.controller().closed()) {
            const int loop = Application::exec();
            if (loop != 0 && exitCode == kExitOk) {
                exitCode = loop;
            }
        }
        window.controller().formClose();
    }
    if (app.error) {
        std::rethrow_exception(app.error);
    }
    return exitCode;
}

}  // namespace tavelin::ui
