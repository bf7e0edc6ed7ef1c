// Runs one mod command on the game of a prepared working folder, for the
// crash tests, which kill it part way:
//   veldane_crashhelper <work folder> install <mod> <source folder>
//   veldane_crashhelper <work folder> reinstall|uninstall|remove|recover <mod>
//   veldane_crashhelper <work folder> uninstall|remove <mod> keep|restore
// The layout is the window's for game "HoneySelect" with backups below
// <work>/data. It prints "ready" just before the command starts and "step N"
// at every progress step, where VELDANE_CRASH_SLEEP_US makes it sleep that
// long, so that a test can kill it at a chosen point of the command, at a
// random moment of the file work around it. VELDANE_CRASH_AT=N ends the
// process at once at step N ("range" at the first range report), as a crash
// exactly there would. "keep" and "restore" answer the question about game
// files changed since the install as the window's buttons do.

#include "catalogue/modcfg.h"
#include "deploy/gamelayout.h"
#include "deploy/modcommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: %s work command mod [source]\n", argv[0]);
        return 2;
    }
    QDir::setCurrent(args.at(1));
    const QString command = args.at(2);
    const QString mod = args.at(3);

    const unsigned long sleepUs = qEnvironmentVariableIntValue("VELDANE_CRASH_SLEEP_US");
    const QString crashAt = qEnvironmentVariable("VELDANE_CRASH_AT");
    CommandProgress progress;
    progress.setRange = [crashAt](int, int) {
        if (crashAt == QLatin1String("range")) {
            _exit(9);
        }
    };
    progress.setValue = [sleepUs, crashAt](int value) {
        if (!crashAt.isEmpty() && crashAt == QString::number(value)) {
            _exit(9);
        }
        std::printf("step %d\n", value);
        std::fflush(stdout);
        if (sleepUs != 0) {
            QThread::usleep(sleepUs);
        }
    };

    ModCfg catalogue;
    catalogue.setGame(QStringLiteral("HoneySelect"));
    const QString work = QDir::currentPath();
    ModCommands commands(
        catalogue,
        GameLayout(QDir::toNativeSeparators(work + QStringLiteral("/game/")),
                   QDir::toNativeSeparators(work + QStringLiteral("/data/HoneySelect")),
                   work + QStringLiteral("/mod/HoneySelect")),
        progress);
    std::printf("ready\n");
    std::fflush(stdout);

    const QString answer = args.value(4);
    const ChangeDecision decision = answer == QLatin1String("keep") ? ChangeDecision::KeepChanged
                                    : answer == QLatin1String("restore")
                                        ? ChangeDecision::RestoreAnyway
                                        : ChangeDecision::Ask;
    CommandReport report;
    if (command == QLatin1String("install") && args.size() > 4) {
        report = commands.install(args.at(4), mod);
    } else if (command == QLatin1String("reinstall")) {
        report = commands.reinstall(mod);
    } else if (command == QLatin1String("uninstall")) {
        report = commands.uninstall(mod, decision);
    } else if (command == QLatin1String("remove")) {
        report = commands.remove(mod, decision);
    } else if (command == QLatin1String("recover")) {
        return commands.recover().busy ? 3 : 0;
    } else {
        return 2;
    }
    std::printf("outcome %d failed %d\n", int(report.outcome), report.failed);
    return report.clean() ? 0 : 1;
}
