#include "shell/ui/StartUp.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Dispatch.h"
#include "platform/Env.h"
#include "platform/qt/QtUi.h"
#include "shell/OptionsStore.h"
#include "shell/ProgramOptions.h"
#include "shell/ui/Dialogs.h"
#include "shell/ui/MainForm.h"
#include "shell/StartLogic.h"

namespace shell::ui {

using shell::ChooseStartWindow;
using shell::CloseTipsAfterStart;
using shell::ParseCommandLine;
using shell::TStartWindow;

bool InstallQtItalian() {
    auto* app = QCoreApplication::instance();
    if (!app) return false;
    // Owned by the application: it lives as long as the texts are used.
    auto* qt = new QTranslator(app);
    if (!qt->load(QStringLiteral("qtbase_it"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        return false;
    }
    QCoreApplication::installTranslator(qt);
    return true;
}

int RunQuor(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quor"));
    QApplication::setOrganizationName(QStringLiteral("ZR"));
    InstallQtItalian();

    platform::qt::TQtUi qtUi(kAppTitle);
    platform::ScopedUi uiScope(qtUi);
    platform::qt::TQtDispatch qtDispatch;
    platform::Dispatch* previousDispatch = platform::SetDispatch(&qtDispatch);
    platform::qt::TQtTimers qtTimers;
    platform::TimerFactory* previousTimers = platform::SetTimers(&qtTimers);
    platform::SystemEnv sysEnv;
    if (QScreen* s = QGuiApplication::primaryScreen()) sysEnv.SetPixelsPerInch(static_cast<int>(s->logicalDotsPerInch() + 0.5));
    platform::Env* previousEnv = platform::SetEnv(&sysEnv);

    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    const TStartCommand command = ParseCommandLine(args);
    const char* shot = std::getenv("QUOR_SCREENSHOT");
    const char* exitIdle = std::getenv("QUOR_EXIT_WHEN_IDLE");
    const bool scripted = (shot && *shot) || (exitIdle && *exitIdle);

    // 1. Tips window, or the about box as a splash.
    const shell::TProgramOptions opts = shell::ReadProgramOptions(shell::options());
    QPointer<TTipForm> tips;
    std::unique_ptr<TAboutBox> splash;
    if (!scripted && ChooseStartWindow(opts.tipOfTheDay, command) == TStartWindow::Tips) {
        tips = new TTipForm;
        tips->setAttribute(Qt::WA_DeleteOnClose);
        tips->show();
    } else if (!scripted) {
        splash = std::make_unique<TAboutBox>(nullptr, true);
        splash->show();
    }
    QCoreApplication::processEvents();

    // 2.-3. The main window.
    const TProgramPaths paths =
        TProgramPaths::Find(QCoreApplication::applicationFilePath().isEmpty() ? std::filesystem::path(argv[0])
                                                                               : std::filesystem::path(QCoreApplication::applicationFilePath().toStdString()));
    auto form = std::make_unique<TMainForm>(paths);
    qtUi.SetParentWindow(form.get());
    form->show();

    form->onStarted = [&, formPtr = form.get()] {
        if (shot && *shot) {
            QTimer::singleShot(200, formPtr, [formPtr, file = std::string(shot)] {
                const bool ok = formPtr->grab().save(QString::fromStdString(file), "PNG");
                std::fprintf(stderr, "%s %s\n", ok ? "screenshot:" : "screenshot failed:", file.c_str());
                QCoreApplication::exit(ok ? 0 : 1);
            });
        } else if (exitIdle && *exitIdle == '1') {
            QTimer::singleShot(0, formPtr, [] { QCoreApplication::exit(0); });
        }
    };

    // 4.-5. Library, command line or default start; 7. the start timer.
    form->Start(command);
    if (exitIdle && std::string_view(exitIdle) == "opened")
        QTimer::singleShot(0, form.get(), [] { QCoreApplication::exit(0); });

    // 6. The tips window stays as "Suggerimenti" unless told otherwise.
    if (tips) {
        if (CloseTipsAfterStart(opts.autoHideTip, command)) tips->close();
        else {
            tips->SetStarting(false);
            tips->raise();
        }
    }
    splash.reset();

    const int status = QApplication::exec();
    if (tips) tips->close();
    if (!scripted && form) form->StoreOptions();
    form.reset();
    platform::SetEnv(previousEnv);
    platform::SetTimers(previousTimers);
    platform::SetDispatch(previousDispatch);
    return status;
}

}  // namespace shell::ui
