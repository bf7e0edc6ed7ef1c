// A heavily modded game: a catalogue of 500 installed mods of 1,000 files
// each (500,000 recorded files, 50 of each mod's files shared by all mods and
// so stacked 500 deep), and one of 200 mods of 500 files (100,000). Times the
// window's start to its drawn mod list, a click on a 1,000-file mod (from one
// mod's row to another's) to its filled file list, one small install through
// the engine on the loaded catalogue, and the process's peak memory.
//
// Each size runs in a process of its own (this program started again with the
// size as arguments), so that each peak memory figure is its own.

#include "catalogue/modcfg.h"
#include "deploy/gamelayout.h"
#include "deploy/modcommands.h"
#include "gui/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeWidget>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <ctime>
#endif

namespace {

const int kShared = 50;

QByteArray sharedPath(const QByteArray &game, int i)
{
    return game + "\\abdata\\shared\\common_" + QByteArray::number(i) + ".unity3d";
}

QByteArray ownPath(const QByteArray &game, int mod, int i)
{
    return game + "\\abdata\\chara\\mod_" + QByteArray::number(mod) + "\\part_" +
           QByteArray::number(i) + ".unity3d";
}

// The catalogue as the program writes it: each mod replaces the shared files
// (layer = its place in the stack) and adds files of its own.
bool writeCatalogue(const QString &path, const QByteArray &game, int mods, int files)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Demo>\n");
    for (int m = 0; m < mods; ++m) {
        QByteArray text = "    <mod id=\"mod_" + QByteArray::number(m) + "\">\n";
        text += "        <info>notes of mod " + QByteArray::number(m) + "</info>\n";
        text += "        <time>2024-3-1 10:00:00</time>\n        <install>1</install>\n";
        text += "        <replace>\n";
        for (int i = 0; i < kShared; ++i) {
            text += "            <item order=\"" + QByteArray::number(m + 1) + "\">" +
                    sharedPath(game, i) + "</item>\n";
        }
        text += "        </replace>\n        <add>\n";
        for (int i = kShared; i < files; ++i) {
            text += "            <item order=\"1\">" + ownPath(game, m, i) + "</item>\n";
        }
        text += "        </add>\n    </mod>\n";
        file.write(text);
    }
    file.write("</Demo>\n");
    return file.error() == QFile::NoError;
}

// CPU time of the process: on a machine shared with other work the wall
// clock also counts the waiting for a core.
double cpuSeconds()
{
#ifdef Q_OS_UNIX
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
#else
    return 0;
#endif
}

qint64 peakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

int measure(int mods, int files)
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QDir().mkpath(QStringLiteral("config"));
    QDir().mkpath(QStringLiteral("game"));
    QDir().mkpath(QStringLiteral("tiny/abdata"));
    const QString gamePath = QDir::toNativeSeparators(dir.filePath(QStringLiteral("game")));
    {
        QFile ini(QStringLiteral("Veldane.ini"));
        ini.open(QIODevice::WriteOnly);
        ini.write("[Global]\nSelect=Demo\n[Demo]\nGamePath=" + QFile::encodeName(gamePath) + "\n");
        QFile tiny(QStringLiteral("tiny/abdata/tiny.unity3d"));
        tiny.open(QIODevice::WriteOnly);
        tiny.write("tiny");
    }
    if (!writeCatalogue(QStringLiteral("config/Demo.xml"), gamePath.toUtf8(), mods, files)) {
        std::fprintf(stderr, "cannot write the catalogue\n");
        return 1;
    }
    const double mib = QFileInfo(QStringLiteral("config/Demo.xml")).size() / 1048576.0;

    QElapsedTimer timer;
    timer.start();
    double cpu = cpuSeconds();
    auto *window = new MainWindow;
    window->show();
    QApplication::processEvents();
    const double start = timer.nsecsElapsed() / 1e9;
    const double startCpu = cpuSeconds() - cpu;

    auto *tree = window->findChild<QTreeWidget *>(QStringLiteral("treeWidget"));
    auto *filesTree = window->findChild<QTreeWidget *>(QStringLiteral("treeWidget2"));
    QTreeWidgetItem *root = tree ? tree->topLevelItem(0) : nullptr;
    if (!root || root->childCount() != mods) {
        std::fprintf(stderr, "the mod list is not drawn\n");
        return 1;
    }
    // First selection of a mod; the timed click then leaves it for another,
    // storing its unchanged notes on the way.
    emit tree->itemPressed(root->child(0), 0);
    QApplication::processEvents();
    timer.restart();
    cpu = cpuSeconds();
    emit tree->itemPressed(root->child(1), 0);
    QApplication::processEvents();
    const double click = timer.nsecsElapsed() / 1e9;
    const double clickCpu = cpuSeconds() - cpu;
    if (filesTree->topLevelItemCount() != files) {
        std::fprintf(stderr, "the file list holds %d rows\n", filesTree->topLevelItemCount());
        return 1;
    }
    delete window;

    ModCfg catalogue;
    catalogue.setGame(QStringLiteral("Demo"));
    ModCommands commands(catalogue, GameLayout(gamePath, dir.filePath(QStringLiteral("data/Demo")),
                                               dir.filePath(QStringLiteral("mod/Demo"))));
    timer.restart();
    cpu = cpuSeconds();
    const CommandReport report =
        commands.install(dir.filePath(QStringLiteral("tiny")), QStringLiteral("tiny"));
    const double install = timer.nsecsElapsed() / 1e9;
    const double installCpu = cpuSeconds() - cpu;
    if (!catalogue.m_mods.contains(QStringLiteral("tiny"))) {
        std::fprintf(stderr, "the small install was not recorded\n");
        return 1;
    }
    Q_UNUSED(report);
    QDir::setCurrent(previous);

    std::printf("%d %d %.1f %.3f %.3f %.3f %.1f %.3f %.3f %.3f\n", mods, files, mib, start, click,
                install, peakKiB() / 1024.0, startCpu, clickCpu, installCpu);
    return 0;
}

struct Target
{
    int mods;
    int files;
    double start;
    double click;
    double install; // negative: no target
    double peakMiB; // negative: no target
};

QString verdict(double value, double target)
{
    if (target < 0) {
        return QString();
    }
    return QStringLiteral("  (target %1: %2)")
        .arg(target)
        .arg(value <= target ? QStringLiteral("met") : QStringLiteral("MISSED"));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() == 3) {
        return measure(args.at(1).toInt(), args.at(2).toInt());
    }

    QTextStream out(stdout);
    bool allMet = true;
    const Target targets[] = {{200, 500, 0.4, 0.05, -1, -1}, {500, 1000, 1.5, 0.1, 0.5, 250}};
    for (const Target &t : targets) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QApplication::applicationFilePath(),
                    {QString::number(t.mods), QString::number(t.files)});
        if (!child.waitForFinished(-1) || child.exitCode() != 0) {
            out << QStringLiteral("%1 x %2: failed\n").arg(t.mods).arg(t.files);
            allMet = false;
            continue;
        }
        const QList<QByteArray> v = child.readAllStandardOutput().trimmed().split(' ');
        const double start = v.value(3).toDouble();
        const double click = v.value(4).toDouble();
        const double install = v.value(5).toDouble();
        const double peak = v.value(6).toDouble();
        const auto withCpu = [&v](int index) {
            return QStringLiteral(" (cpu %1 s)").arg(v.value(index).toDouble(), 0, 'f', 3);
        };
        out << QStringLiteral("%1 mods x %2 files (%3 files, catalogue %4 MiB)\n")
                   .arg(t.mods)
                   .arg(t.files)
                   .arg(t.mods * t.files)
                   .arg(QString::fromLatin1(v.value(2)));
        out << QStringLiteral("  start to drawn list: %1 s%2%3\n")
                   .arg(start, 0, 'f', 3)
                   .arg(withCpu(7), verdict(start, t.start));
        out << QStringLiteral("  click on a mod:      %1 s%2%3\n")
                   .arg(click, 0, 'f', 3)
                   .arg(withCpu(8), verdict(click, t.click));
        out << QStringLiteral("  small install:       %1 s%2%3\n")
                   .arg(install, 0, 'f', 3)
                   .arg(withCpu(9), verdict(install, t.install));
        out << QStringLiteral("  peak memory:         %1 MiB%2\n")
                   .arg(peak, 0, 'f', 1)
                   .arg(verdict(peak, t.peakMiB));
        out.flush();
        allMet = allMet && start <= t.start && click <= t.click &&
                 (t.install < 0 || install <= t.install) && (t.peakMiB < 0 || peak <= t.peakMiB);
    }
    return allMet ? 0 : 1;
}
