#include "ui/window_run.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "app/program.h"
#include "app/startup_options.h"
#include "ui/find_bar.h"
#include "ui/folder_view.h"
#include "ui/main_window.h"
#include "ui/ui_strings.h"
#include "ui/ui_texts.h"

namespace tavelin::ui {

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

namespace {

bool environmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

constexpr const char* kScriptVariable = "TAVELIN_UI_SCRIPT";

#ifndef _WIN32
// The termination signals reach the event loop through a pipe: the handler may only write.
// The pipe is the process's, as signal dispositions are.
int closePipe[2] = {-1, -1};

extern "C" void onCloseSignal(int) {
    const char byte = 1;
    const ssize_t written = write(closePipe[1], &byte, 1);
    (void)written;
}

// While it lives, SIGTERM, SIGINT and SIGHUP close the window as its close button does.
class CloseOnSignal {
  public:
    explicit CloseOnSignal(QWidget& window) {
        if (pipe(closePipe) != 0) {
            return;
        }
        for (int fd : closePipe) {
            fcntl(fd, F_SETFD, FD_CLOEXEC);
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        }
        notifier_ = std::make_unique<QSocketNotifier>(closePipe[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, &window, [&window] {
            char bytes[16];
            while (read(closePipe[0], bytes, sizeof bytes) > 0) {
            }
            window.close();
        });
        struct sigaction action {};
        action.sa_handler = onCloseSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int signal : kSignals) {
            sigaction(signal, &action, nullptr);
        }
        installed_ = true;
    }
    ~CloseOnSignal() {
        if (!installed_) {
            return;
        }
        for (int signal : kSignals) {
            std::signal(signal, SIG_DFL);
        }
        notifier_.reset();
        for (int& fd : closePipe) {
            close(fd);
            fd = -1;
        }
    }
    CloseOnSignal(const CloseOnSignal&) = delete;
    CloseOnSignal& operator=(const CloseOnSignal&) = delete;

  private:
    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
    std::unique_ptr<QSocketNotifier> notifier_;
    bool installed_ = false;
};
#else
class CloseOnSignal {
  public:
    explicit CloseOnSignal(QWidget&) {}
};
#endif

// Carries out the steps of an automated session, one per turn of the event loop.
void runScript(MainWindow& window, QStringList steps) {
    if (steps.isEmpty() || window.controller().closed()) {
        return;
    }
    const QString step = steps.takeFirst().trimmed();
    if (step == QLatin1String("end")) {
        window.button(MainWindow::kEnd)->click();
    } else if (step == QLatin1String("exit")) {
        window.exitAction()->trigger();
    } else if (step == QLatin1String("close")) {
        window.close();
    } else if (step == QLatin1String("escape")) {
        for (QShortcut* shortcut : window.findChildren<QShortcut*>()) {
            if (shortcut->key() == QKeySequence(Qt::Key_Escape)) {
                emit shortcut->activated();
            }
        }
    } else if (step == QLatin1String("execute")) {
        window.button(MainWindow::kExecute)->click();
    } else if (step == QLatin1String("close-while-busy")) {
        // The close arrives while the operation runs; it is carried out when the operation ends.
        QTimer::singleShot(0, &window, [&window] { window.close(); });
        window.button(MainWindow::kExecute)->click();
    } else if (step == QLatin1String("signal")) {
        std::raise(SIGTERM);
    } else if (step == QLatin1String("next-block")) {
        window.nextBlock();
    } else if (step == QLatin1String("next-file")) {
        window.folderView()->selectNextChanged();
    } else if (step == QLatin1String("wait-folders")) {
        // Until the folder comparison has counted every file.
        if (window.folderView()->counting()) {
            steps.prepend(step);
            QTimer::singleShot(50, &window, [&window, steps] { runScript(window, steps); });
            return;
        }
    } else if (step.startsWith(QLatin1String("find:"))) {
        window.openFind();
        window.findBar()->field()->setText(step.mid(5));
        window.find(true);
    } else if (step.startsWith(QLatin1String("size:"))) {
        const QStringList wh = step.mid(5).split(QLatin1Char('x'));
        window.resize(wh.value(0).toInt(), wh.value(1).toInt());
    } else if (step.startsWith(QLatin1String("shot:"))) {
        // A picture of the window as it is painted now.
        QApplication::processEvents();
        if (!window.grab().save(step.mid(5))) {
            std::fprintf(stderr, "tavelin: the picture %s could not be written\n",
                         qPrintable(step.mid(5)));
        }
    } else if (step.startsWith(QLatin1String("wait:"))) {
        const int ms = step.mid(5).toInt();
        QTimer::singleShot(ms, &window, [&window, steps] { runScript(window, steps); });
        return;
    } else {
        std::fprintf(stderr, "tavelin: unknown step \"%s\" in %s\n", qPrintable(step),
                     kScriptVariable);
    }
    QTimer::singleShot(0, &window, [&window, steps] { runScript(window, steps); });
}

}  // namespace

bool windowWanted(std::span<const std::string_view> args) {
    // The usage text and the version are printed without a window.
    if (findInfoRequest(args) != InfoRequest::None) {
        return false;
    }
    const StartupOptions options = parseCommandLine(args);
    if (options.execMode && options.silent) {
        return false;
    }
    return environmentSet("DISPLAY") || environmentSet("WAYLAND_DISPLAY") ||
           environmentSet("QT_QPA_PLATFORM");
}

WindowHost::WindowHost(int& argc, char** argv)
    : argc_(argc), argv_(argv), automated_(environmentSet(kScriptVariable)) {}

WindowHost::~WindowHost() = default;

Application& WindowHost::application() {
    if (!app_) {
        app_ = std::make_unique<Application>(argc_, argv_);
        Application::setApplicationName(QStringLiteral("Tavelin"));
    }
    return *app_;
}

void WindowHost::showMessage(std::string_view text) {
    application();
    if (automated_) {
        std::fprintf(stderr, "tavelin: message: %.*s\n", static_cast<int>(text.size()),
                     text.data());
    }
    QMessageBox box(QMessageBox::Warning, qs(kTitleTavelin), fromEngineText(text), QMessageBox::Ok);
    if (automated_) {
        QTimer::singleShot(0, &box, [&box] { box.done(QMessageBox::Ok); });
    }
    box.exec();
}

int WindowHost::run(Session& session) {
    Application& app = application();
    int exitCode = kExitOk;
    {
        MainWindow window(session);
        const CloseOnSignal closeOnSignal(window);
        if (automated_) {
            window.setMessageHandler([](const QString& text) {
                std::fprintf(stderr, "tavelin: message: %s\n", qPrintable(text));
            });
        }
        window.show();
        QTimer::singleShot(0, &window, [this, &window, &exitCode] {
            if (window.activate() == Activation::ClosedNoMemory) {
                exitCode = kExitNoReport;
            }
            if (automated_) {
                runScript(window, QString::fromLocal8Bit(std::getenv(kScriptVariable))
                                      .split(QLatin1Char(','), Qt::SkipEmptyParts));
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
