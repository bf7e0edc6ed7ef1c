// Times installing a large mod (1 GiB of 32 MiB files, half of them replacing
// game files) from a folder and from a stored zip, through the code the window
// runs, next to the copies no design can avoid: the mod written once into the
// game and once into the kept copy (for the zip: unpacked once, then copied
// into the game). Every timed step ends with a write-back of its own files on
// both sides, so the figures include writing the bytes out.
//
//   bench_bigmod          the ratios (engine, veldane-cli and the window
//                         from a folder, engine from a zip), each the best
//                         of BENCH_ROUNDS rounds (three unless set), with
//                         every round's time beside it; BENCH_ROOT and
//                         BENCH_WRITER as in benchrig.h; BENCH_NO_ZIP=1
//                         leaves the zip out. The copies are made with
//                         --reflink=auto, so they are clones where the file
//                         system can make them.
//   bench_bigmod stall    the longest time the window's event loop stands
//                         still while a mod of one 1.5 GiB file is installed
//                         and uninstalled

#include "catalogue/modcfg.h"
#include "deploy/gamelayout.h"
#include "deploy/modcommands.h"
#include "gui/progressdialog.h"

#include "benchrig.h"
#include "benchwindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QVector>

#include <algorithm>
#include <cstdio>

namespace {

constexpr qint64 MiB = qint64(1) << 20;
constexpr int FileCount = 32;
constexpr qint64 FileSize = 32 * MiB;

using BenchRig::shell;

// Before a timed step, so that it does not pay for writing back what was
// generated; a timed step ends with a write-back of its own files only.
void sync()
{
    shell(QStringLiteral("sync"));
}

// Incompressible bytes, different in every file, so no file system or zip
// can take a short cut.
bool writeFile(const QString &path, qint64 size, quint32 seed)
{
    QDir().mkpath(path.left(path.lastIndexOf(QLatin1Char('/'))));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QByteArray block(int(4 * MiB), Qt::Uninitialized);
    quint64 state = 0x9e3779b97f4a7c15ull * (seed + 1);
    for (qint64 written = 0; written < size; written += block.size()) {
        auto *words = reinterpret_cast<quint64 *>(block.data());
        for (int i = 0; i < block.size() / 8; ++i) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            words[i] = state;
        }
        if (file.write(block.constData(), qMin<qint64>(block.size(), size - written)) < 0) {
            return false;
        }
    }
    return true;
}

// The mod in <root>/src/Mod, half of its files also in <root>/game.
void generate(const QString &root)
{
    for (int i = 0; i < FileCount; ++i) {
        const QString relative =
            QStringLiteral("abdata/chara/pack%1/asset%2.unity3d").arg(i % 4).arg(i);
        writeFile(root + "/src/Mod/" + relative, FileSize, quint32(i));
        if (i % 2 == 0) {
            writeFile(root + "/game/" + relative, FileSize, quint32(1000 + i));
        }
    }
    QDir().mkpath(root + "/game");
}

struct Engine
{
    explicit Engine(const QString &root)
    {
        QDir::setCurrent(root);
        QDir().mkdir(QStringLiteral("config"));
        catalogue.setGame(QStringLiteral("HoneySelect"));
        catalogue.create();
    }
    ~Engine() { QDir::setCurrent(QDir::tempPath()); }

    ModCommands commands(const QString &root, const CommandProgress &progress = {})
    {
        return ModCommands(
            catalogue,
            GameLayout(root + "/game/", root + "/data/HoneySelect", root + "/mod/HoneySelect"),
            progress);
    }

    ModCfg catalogue;
};

// What the window does with a dropped archive: a check of its headers before
// the name is asked, then the install, which unpacks it into the kept copy.
bool installArchive(ModCommands &commands, const QString &archive, const QString &name)
{
    return ModCommands::checkArchive(archive).outcome == CommandReport::Done &&
           commands.install(archive, name).clean();
}

QString workRoot()
{
    // Beside the build, on the disk the game would be on, not in a tmpfs.
    return BenchRig::workRoot(QDir::currentPath());
}

// The engine wrote back its own files; what is left must be nothing.
void syncOwn(const QString &root)
{
    shell(QStringLiteral("cd '%1'").arg(root) + BenchRig::syncOf(QStringLiteral("game data mod")));
}

qint64 engineFolder()
{
    QTemporaryDir dir(workRoot() + "/bigmod-XXXXXX");
    generate(dir.path());
    Engine engine(dir.path());
    sync();
    QElapsedTimer clock;
    clock.start();
    const CommandReport report =
        engine.commands(dir.path()).install(dir.path() + "/src/Mod", QStringLiteral("Mod"));
    syncOwn(dir.path());
    const qint64 elapsed = clock.nsecsElapsed();
    if (!report.clean() || report.files != FileCount) {
        std::fprintf(stderr, "folder install failed\n");
    }
    return elapsed;
}

qint64 baselineFolder()
{
    QTemporaryDir dir(workRoot() + "/bigmod-XXXXXX");
    generate(dir.path());
    sync();
    QElapsedTimer clock;
    clock.start();
    shell(QStringLiteral("cd '%1' && mkdir -p mod && cp -a --reflink=auto src/Mod/. game/ && "
                         "cp -a --reflink=auto src/Mod mod/Mod")
              .arg(dir.path()) +
          BenchRig::syncOf(QStringLiteral("game mod")));
    return clock.nsecsElapsed();
}

// What a user who types the install meets: the tool's start, its lock and
// catalogue, and the engine.
qint64 cliFolder()
{
    QTemporaryDir dir(workRoot() + "/bigmod-XXXXXX");
    generate(dir.path());
    BenchRig::cli(dir.path(), {QStringLiteral("list")});
    sync();
    QElapsedTimer clock;
    clock.start();
    BenchRig::cli(dir.path(),
                  {QStringLiteral("install"), dir.path() + "/src/Mod", QStringLiteral("Mod")});
    shell(QStringLiteral("cd '%1'").arg(dir.path()) +
          BenchRig::syncOf(QStringLiteral("game work")));
    return clock.nsecsElapsed();
}

// What a user who chooses the folder in the window meets: the name typed,
// the command, the window's answer. The window is made before the clock.
qint64 windowFolder()
{
    QTemporaryDir dir(workRoot() + "/bigmod-XXXXXX");
    generate(dir.path());
    BenchWindow::Session window(dir.path());
    sync();
    QElapsedTimer clock;
    clock.start();
    const bool installed = window.install(dir.path() + "/src/Mod", QStringLiteral("Mod"));
    shell(QStringLiteral("cd '%1'").arg(dir.path()) +
          BenchRig::syncOf(QStringLiteral("game work")));
    const qint64 elapsed = clock.nsecsElapsed();
    if (!installed) {
        std::fprintf(stderr, "window install failed\n");
    }
    return elapsed;
}

void makeZip(const QString &root)
{
    shell(QStringLiteral("cd '%1/src' && zip -q -0 -r ../mod.zip Mod && rm -rf Mod").arg(root));
}

qint64 engineZip()
{
    QTemporaryDir dir(workRoot() + "/bigmod-XXXXXX");
    generate(dir.path());
    makeZip(dir.path());
    Engine engine(dir.path());
    sync();
    QElapsedTimer clock;
    clock.start();
    ModCommands commands = engine.commands(dir.path());
    const bool installed = installArchive(commands, dir.path() + "/mod.zip", QStringLiteral("Mod"));
    syncOwn(dir.path());
    const qint64 elapsed = clock.nsecsElapsed();
    if (!installed) {
        std::fprintf(stderr, "zip install failed\n");
    }
    return elapsed;
}

qint64 baselineZip()
{
    QTemporaryDir dir(workRoot() + "/bigmod-XXXXXX");
    generate(dir.path());
    makeZip(dir.path());
    sync();
    QElapsedTimer clock;
    clock.start();
    shell(QStringLiteral("cd '%1' && unzip -q mod.zip -d kept && cp -a --reflink=auto kept/Mod/. "
                         "game/")
              .arg(dir.path()) +
          BenchRig::syncOf(QStringLiteral("kept game")));
    return clock.nsecsElapsed();
}

double seconds(qint64 ns)
{
    return double(ns) / 1e9;
}

// Every round's time of one side, and the best of them.
struct Runs
{
    QVector<qint64> times;
    qint64 best() const { return *std::min_element(times.cbegin(), times.cend()); }
    QString single() const
    {
        QStringList list;
        for (const qint64 time : times) {
            list << QString::number(seconds(time), 'f', 2);
        }
        return list.join(QLatin1Char('/'));
    }
};

// Every side's rounds, run a round of all sides at a time, the order turned
// by one each round. On a machine whose memory or disk carries a state from
// one step into the next (a virtual machine handing freed memory back to its
// host makes the next step's first touches of memory slow), no side then
// always follows the same other one.
QVector<Runs> run(const QVector<qint64 (*)()> &sides, int rounds)
{
    QVector<Runs> runs(sides.size());
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < sides.size(); ++i) {
            const int side = (round + i) % sides.size();
            runs[side].times << sides.at(side)();
        }
    }
    return runs;
}

void printLine(const char *source, const Runs &veldane, const Runs &copies)
{
    std::printf("%-8s %12.2f %12.2f %8.2f   %s | %s\n", source, seconds(veldane.best()),
                seconds(copies.best()), double(veldane.best()) / double(copies.best()),
                qPrintable(veldane.single()), qPrintable(copies.single()));
    std::fflush(stdout);
}

int ratios()
{
    std::printf("%-8s %12s %12s %8s   %s\n", "source", "veldane s", "copies s", "ratio",
                "single runs: veldane | copies");
    // The best of three: a single round on a shared disk varies by a tenth.
    const int rounds = qEnvironmentVariableIntValue("BENCH_ROUNDS") > 0
                           ? qEnvironmentVariableIntValue("BENCH_ROUNDS")
                           : 3;
    const BenchRig::Writer writer(workRoot());
    const QVector<Runs> folder =
        run({baselineFolder, engineFolder, cliFolder, windowFolder}, rounds);
    printLine("folder", folder.at(1), folder.at(0));
    printLine("cli", folder.at(2), folder.at(0));
    printLine("window", folder.at(3), folder.at(0));
    if (qEnvironmentVariableIntValue("BENCH_NO_ZIP") == 0) {
        const QVector<Runs> zip = run({baselineZip, engineZip}, rounds);
        printLine("zip", zip.at(1), zip.at(0));
    }
    return 0;
}

// Ticks every 10 ms and keeps the longest time between two ticks.
struct Watch
{
    Watch()
    {
        QObject::connect(&timer, &QTimer::timeout,
                         [this] { longest = std::max(longest, clock.restart()); });
    }
    void start()
    {
        longest = 0;
        clock.start();
        timer.start(10);
    }
    qint64 stop()
    {
        longest = std::max(longest, clock.elapsed());
        timer.stop();
        return longest;
    }
    QTimer timer;
    QElapsedTimer clock;
    qint64 longest = 0;
};

int stall()
{
    QTemporaryDir dir(workRoot() + "/bigmod-XXXXXX");
    writeFile(dir.path() + "/src/Mod/abdata/map/huge.unity3d", 1536 * MiB, 7);
    QDir().mkpath(dir.path() + "/game");
    Engine engine(dir.path());
    ProgressDialog dialog;
    dialog.show();
    ModCommands commands = engine.commands(dir.path(), dialog.commandProgress());
    sync();
    Watch watch;
    QElapsedTimer clock;
    clock.start();
    watch.start();
    const bool installed = commands.install(dir.path() + "/src/Mod", QStringLiteral("Mod")).clean();
    const qint64 installStall = watch.stop();
    const qint64 installTime = clock.restart();
    dialog.finish();
    sync();
    dialog.show();
    clock.restart();
    watch.start();
    const bool uninstalled = commands.uninstall(QStringLiteral("Mod")).clean();
    const qint64 uninstallStall = watch.stop();
    const qint64 uninstallTime = clock.elapsed();
    dialog.finish();
    if (!installed || !uninstalled) {
        std::fprintf(stderr, "stall run failed\n");
    }
    std::printf("1.5 GiB file  install %.2f s, longest stall %lld ms; uninstall %.2f s, "
                "longest stall %lld ms\n",
                double(installTime) / 1e3, installStall, double(uninstallTime) / 1e3,
                uninstallStall);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // The stall is measured on the real wait window, without a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    return arguments.contains(QStringLiteral("stall")) ? stall() : ratios();
}
