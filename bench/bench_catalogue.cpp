// Records the files of one mod in a game's catalogue: N = 1,000 and 10,000
// files with the batch operation, and N = 1,000 with one addItem per file (a
// full parse and rewrite each), the baseline the batch replaces. Prints the
// times and their ratios. Target: 10,000 files in under 1 s, write included.

#include "catalogue/modcfg.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

// A realistic installed path: game folder, then the mod's folders joined with
// the native separator.
QString gameFile(int i)
{
    return QDir::toNativeSeparators(
        QStringLiteral("/games/HoneySelect/abdata/chara/mod_%1/part_%2.unity3d")
            .arg(i / 100)
            .arg(i));
}

QList<RecordedFile> modFiles(int count)
{
    QList<RecordedFile> files;
    files.reserve(count);
    for (int i = 0; i < count; ++i) {
        RecordedFile f;
        f.path = gameFile(i);
        f.replaced = i % 3 == 0;
        files.append(f);
    }
    return files;
}

// A fresh working folder with a catalogue that already holds one installed
// mod of `existing` files sharing the new mod's paths, so that the layers
// are computed against real records.
struct Workspace
{
    QTemporaryDir dir;
    QString previous = QDir::currentPath();

    explicit Workspace(int existing)
    {
        QDir::setCurrent(dir.path());
        QDir().mkdir(QStringLiteral("config"));
        ModCfg cfg;
        cfg.create();
        cfg.addItems(QStringLiteral("base"), modFiles(existing));
    }
    ~Workspace() { QDir::setCurrent(previous); }
};

double batchSeconds(int count)
{
    Workspace ws(count / 2);
    ModCfg cfg;
    const QList<RecordedFile> files = modFiles(count);
    QElapsedTimer timer;
    timer.start();
    const bool ok = cfg.addItems(QStringLiteral("pack"), files);
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (!ok || cfg.m_mods.value(QStringLiteral("pack")).add.size() +
                       cfg.m_mods.value(QStringLiteral("pack")).replace.size() !=
                   count) {
        std::fprintf(stderr, "batch recording of %d files failed\n", count);
        return -1;
    }
    return seconds;
}

double singleSeconds(int count)
{
    Workspace ws(count / 2);
    ModCfg cfg;
    const QList<RecordedFile> files = modFiles(count);
    QElapsedTimer timer;
    timer.start();
    for (const RecordedFile &f : files) {
        if (!cfg.addItem(QStringLiteral("pack"), f.path, f.replaced)) {
            std::fprintf(stderr, "addItem failed\n");
            return -1;
        }
    }
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    const double batch1k = batchSeconds(1000);
    const double batch10k = batchSeconds(10000);
    const double single1k = singleSeconds(1000);

    out << QStringLiteral("catalogue recording (a mod of N files, catalogue holding N/2 more)\n");
    out << QStringLiteral("  addItems   N=1000:  %1 s\n").arg(batch1k, 0, 'f', 3);
    out << QStringLiteral("  addItems   N=10000: %1 s  (target < 1 s: %2)\n")
               .arg(batch10k, 0, 'f', 3)
               .arg(batch10k >= 0 && batch10k < 1.0 ? QStringLiteral("met")
                                                    : QStringLiteral("MISSED"));
    out << QStringLiteral("  addItem x  N=1000:  %1 s\n").arg(single1k, 0, 'f', 3);
    if (batch1k > 0) {
        out << QStringLiteral("  ratio addItem/addItems at N=1000: %1x\n")
                   .arg(single1k / batch1k, 0, 'f', 1);
        out << QStringLiteral("  ratio addItems N=10000 / N=1000:  %1x\n")
                   .arg(batch10k / batch1k, 0, 'f', 1);
    }
    out.flush();
    return batch10k >= 0 && batch10k < 1.0 ? 0 : 1;
}
