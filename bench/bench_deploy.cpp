// Times installing and uninstalling a mod of N small files through the mod
// commands, next to `cp -a` and `rm` doing the same physical work, and prints
// both times and their ratio: with the commands' journal and their write-back
// to disk against the copies and a write-back of their own files, and with
// the journal only against the plain copies. On a slow disk the write-back of
// thousands of small files takes far longer than copying them into the page
// cache, and it is the same work on both sides.
// Also times checking the installed files when nothing changed (size and
// time only), next to `find` reading the same sizes and times; the check of
// 10,000 files has to stay under a second.
// The same install and uninstall through veldane-cli and through the main
// window (offscreen, questions answered at once; see benchwindow.h), against
// the synced copies. Every line shows the best of the rounds and, beside it,
// each round's time of the synced sides. BENCH_ROOT, BENCH_WRITER as in
// benchrig.h; BENCH_ROUNDS the rounds (three unless set); BENCH_FILES one
// mod size instead of 1,000 and 10,000 files.

#include "catalogue/modcfg.h"
#include "deploy/gamelayout.h"
#include "deploy/modcommands.h"

#include "benchrig.h"
#include "benchwindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QVector>

#include <algorithm>
#include <cstdio>

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(path.left(path.lastIndexOf(QLatin1Char('/'))));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(content);
    }
}

// A mod of n files over nested folders; every second file also exists in the
// game, so half of the install replaces game files. Returns the added files.
QStringList generate(const QString &root, int n)
{
    QStringList added;
    for (int i = 0; i < n; ++i) {
        const QString relative = QStringLiteral("abdata/d%1/e%2/f%3/file%4.unity3d")
                                     .arg(i % 10)
                                     .arg(i / 10 % 10)
                                     .arg(i / 100 % 10)
                                     .arg(i);
        const QByteArray content = QByteArray(512 + i % 1024, char('a' + i % 26));
        writeFile(root + "/src/Mod/" + relative, "mod " + content);
        if (i % 2 == 0) {
            writeFile(root + "/game/" + relative, "game " + content);
        } else {
            added << relative;
        }
    }
    return added;
}

using BenchRig::shell;

// Writes dirty pages out before a timed step, so that neither side pays for
// the write-back of the files generated or written before it.
void settle()
{
    shell(QStringLiteral("sync"));
}

QString workRoot()
{
    return BenchRig::workRoot(QDir::tempPath());
}

struct Times
{
    qint64 install = 0;
    qint64 uninstall = 0;
    qint64 verify = 0;
};

Times runEngine(int n, bool syncing)
{
    QTemporaryDir dir(workRoot() + "/deploy-XXXXXX");
    QDir::setCurrent(dir.path());
    generate(dir.path(), n);
    QDir().mkdir(QStringLiteral("config"));
    ModCfg catalogue;
    catalogue.setGame(QStringLiteral("HoneySelect"));
    catalogue.create();
    settle();
    ModCommands commands(catalogue,
                         GameLayout(dir.path() + "/game/", dir.path() + "/data/HoneySelect",
                                    dir.path() + "/mod/HoneySelect"));
    commands.setSyncing(syncing);
    Times times;
    QElapsedTimer clock;
    clock.start();
    const CommandReport installed =
        commands.install(dir.path() + "/src/Mod", QStringLiteral("Mod"));
    times.install = clock.nsecsElapsed();
    clock.restart();
    const QList<ModFileCheck> checks = commands.verify();
    times.verify = clock.nsecsElapsed();
    if (checks.size() != 1 || checks.first().unchanged != n || checks.first().unrecorded != 0) {
        std::fprintf(stderr, "check found changes or files without records\n");
    }
    settle();
    clock.restart();
    const CommandReport uninstalled = commands.uninstall(QStringLiteral("Mod"));
    times.uninstall = clock.nsecsElapsed();
    if (!installed.clean() || !uninstalled.clean() || installed.files != n) {
        std::fprintf(stderr, "engine run failed\n");
    }
    QDir::setCurrent(QDir::tempPath());
    return times;
}

Times runCli(int n)
{
    QTemporaryDir dir(workRoot() + "/deploy-XXXXXX");
    generate(dir.path(), n);
    BenchRig::cli(dir.path(), {QStringLiteral("list")});
    settle();
    Times times;
    QElapsedTimer clock;
    clock.start();
    BenchRig::cli(dir.path(),
                  {QStringLiteral("install"), dir.path() + "/src/Mod", QStringLiteral("Mod")});
    times.install = clock.nsecsElapsed();
    settle();
    clock.restart();
    BenchRig::cli(dir.path(), {QStringLiteral("uninstall"), QStringLiteral("Mod")});
    times.uninstall = clock.nsecsElapsed();
    return times;
}

Times runWindow(int n)
{
    QTemporaryDir dir(workRoot() + "/deploy-XXXXXX");
    generate(dir.path(), n);
    BenchWindow::Session window(dir.path());
    settle();
    Times times;
    QElapsedTimer clock;
    clock.start();
    const bool installed = window.install(dir.path() + "/src/Mod", QStringLiteral("Mod"));
    times.install = clock.nsecsElapsed();
    settle();
    clock.restart();
    const bool uninstalled = window.uninstall(QStringLiteral("Mod"));
    times.uninstall = clock.nsecsElapsed();
    if (!installed || !uninstalled) {
        std::fprintf(stderr, "window run failed\n");
    }
    return times;
}

Times runBaseline(int n, bool syncing)
{
    QTemporaryDir dir(workRoot() + "/deploy-XXXXXX");
    const QStringList added = generate(dir.path(), n);
    {
        QFile list(dir.path() + "/added.txt");
        list.open(QIODevice::WriteOnly);
        for (const QString &file : added) {
            list.write(QFile::encodeName(file) + '\0');
        }
    }
    const QString root = dir.path();
    settle();
    Times times;
    QElapsedTimer clock;
    clock.start();
    // Replaced game files aside (the game holds exactly those), the mod into
    // the game and into a kept copy.
    shell(QStringLiteral("cd '%1' && mkdir -p data mod && cp -a game data/Mod && "
                         "cp -a --reflink=auto src/Mod/. game/ && cp -a --reflink=auto src/Mod "
                         "mod/Mod")
              .arg(root) +
          (syncing ? BenchRig::syncOf(QStringLiteral("game data mod")) : QString()));
    times.install = clock.nsecsElapsed();
    clock.restart();
    shell(QStringLiteral("find '%1/game' -type f -printf '%s %T@\\n' >/dev/null").arg(root));
    times.verify = clock.nsecsElapsed();
    settle();
    clock.restart();
    // Replaced files back, added files deleted, backups gone.
    shell(QStringLiteral("cd '%1' && cp -a data/Mod/. game/ && "
                         "(cd game && xargs -0 rm -f < ../added.txt) && rm -rf data/Mod")
              .arg(root) +
          (syncing ? BenchRig::syncOf(QStringLiteral("game data")) : QString()));
    times.uninstall = clock.nsecsElapsed();
    return times;
}

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

// Every round's times of one side.
using Rounds = QVector<Times>;

Times best(const Rounds &rounds)
{
    Times result = rounds.first();
    for (const Times &times : rounds) {
        result.install = std::min(result.install, times.install);
        result.uninstall = std::min(result.uninstall, times.uninstall);
        result.verify = std::min(result.verify, times.verify);
    }
    return result;
}

// The rounds of one step, in milliseconds: "12.3/11.9/12.8".
QString single(const Rounds &rounds, qint64 Times::*step)
{
    QStringList list;
    for (const Times &times : rounds) {
        list << QString::number(ms(times.*step), 'f', 1);
    }
    return list.join(QLatin1Char('/'));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int rounds = qEnvironmentVariableIntValue("BENCH_ROUNDS") > 0
                           ? qEnvironmentVariableIntValue("BENCH_ROUNDS")
                           : 3;
    const BenchRig::Writer writer(workRoot());
    std::printf("%8s  %-10s %12s %12s %8s %12s %12s %8s   %s\n", "files", "command", "synced ms",
                "cp+sync ms", "ratio", "no-sync ms", "cp ms", "ratio",
                "single runs: synced | cp+sync");
    const QList<int> sizes = qEnvironmentVariableIsSet("BENCH_FILES")
                                 ? QList<int>{qEnvironmentVariableIntValue("BENCH_FILES")}
                                 : QList<int>{1000, 10000};
    for (int n : sizes) {
        Rounds engine;
        Rounds unsynced;
        Rounds baseline;
        Rounds unsyncedBaseline;
        Rounds cli;
        Rounds window;
        // Alternate the runs so that neither side always finds warm caches.
        for (int round = 0; round < rounds; ++round) {
            baseline << runBaseline(n, true);
            unsyncedBaseline << runBaseline(n, false);
            engine << runEngine(n, true);
            unsynced << runEngine(n, false);
            cli << runCli(n);
            window << runWindow(n);
        }
        const Times bestEngine = best(engine);
        const Times bestUnsynced = best(unsynced);
        const Times bestBaseline = best(baseline);
        const Times bestUnsyncedBaseline = best(unsyncedBaseline);
        // The front ends run only with their write-back: no columns without.
        const auto line = [&](const char *command, qint64 Times::*step, const Rounds &side) {
            const qint64 time = best(side).*step;
            const QString unsyncedColumns =
                &side == &cli || &side == &window
                    ? QStringLiteral("%1").arg(QString(), 34)
                    : QString::asprintf("%12.1f %12.1f %8.2f", ms(bestUnsynced.*step),
                                        ms(bestUnsyncedBaseline.*step),
                                        double(bestUnsynced.*step) /
                                            double(bestUnsyncedBaseline.*step));
            std::printf("%8d  %-10s %12.1f %12.1f %8.2f %s   %s | %s\n", n, command, ms(time),
                        ms(bestBaseline.*step), double(time) / double(bestBaseline.*step),
                        qPrintable(unsyncedColumns), qPrintable(single(side, step)),
                        qPrintable(single(baseline, step)));
            std::fflush(stdout);
        };
        line("install", &Times::install, engine);
        line("uninstall", &Times::uninstall, engine);
        line("cli inst", &Times::install, cli);
        line("cli uninst", &Times::uninstall, cli);
        line("win inst", &Times::install, window);
        line("win uninst", &Times::uninstall, window);
        // The check writes nothing: both columns time the same work.
        line("check", &Times::verify, engine);
        if (std::min(bestEngine.verify, bestUnsynced.verify) > qint64(n) * 100000) {
            std::printf("%8d  check over 1 s per 10,000 files\n", n);
        }
    }
    return 0;
}
