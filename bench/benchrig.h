#ifndef VELDANE_BENCH_BENCHRIG_H
#define VELDANE_BENCH_BENCHRIG_H

// What the large-copy benchmarks share: where they work, the writer that
// keeps the disk busy meanwhile, the flush of only the baseline's own files,
// and the command-line tool.
//
//   BENCH_ROOT=<folder>   work there instead of beside the build (a mounted
//                         XFS with reflink or a Btrfs, to time clones)
//   BENCH_WRITER=1        another program writes to the same file system
//                         all along (a bounded dd loop, stopped at the end)

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cstdio>

namespace BenchRig {

inline bool shell(const QString &script)
{
    QProcess process;
    process.start(QStringLiteral("sh"), {QStringLiteral("-c"), script});
    process.waitForFinished(-1);
    if (process.exitCode() != 0) {
        std::fprintf(stderr, "shell failed: %s\n%s\n", qPrintable(script),
                     process.readAllStandardError().constData());
    }
    return process.exitCode() == 0;
}

inline QString workRoot(const QString &fallback)
{
    const QString root = qEnvironmentVariable("BENCH_ROOT");
    return root.isEmpty() ? fallback : root;
}

// The baseline's write-back of its own files only (fsync of each file and
// folder under `folders`, relative to `root`), as a careful copy tool would
// do; a plain `sync` would wait for the background writer too.
inline QString syncOf(const QString &folders)
{
    return QStringLiteral(" && find %1 -exec sync {} +").arg(folders);
}

// A 256 MiB file rewritten over and over beside the benchmark's files, until
// the writer goes out of scope.
class Writer
{
public:
    explicit Writer(const QString &root)
        : m_stop(root + QStringLiteral("/writer.stop")),
          m_file(root + QStringLiteral("/writer.bin"))
    {
        if (qEnvironmentVariableIntValue("BENCH_WRITER") == 0) {
            return;
        }
        QFile::remove(m_stop);
        m_process.start(QStringLiteral("sh"),
                        {QStringLiteral("-c"),
                         QStringLiteral("while [ ! -e '%1' ]; do dd if=/dev/zero of='%2' bs=1M "
                                        "count=256 conv=notrunc status=none; done")
                             .arg(m_stop, m_file)});
        m_process.waitForStarted();
    }
    ~Writer()
    {
        if (m_process.state() == QProcess::NotRunning) {
            return;
        }
        QFile(m_stop).open(QIODevice::WriteOnly);
        m_process.waitForFinished(-1);
        QFile::remove(m_stop);
        QFile::remove(m_file);
    }
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

private:
    QString m_stop;
    QString m_file;
    QProcess m_process;
};

// The front ends' working folder `root`/work, whose settings name the game
// folder `root`/game; made on first use.
inline QString workspace(const QString &root)
{
    const QString work = root + QStringLiteral("/work");
    if (!QFile::exists(work + QStringLiteral("/Veldane.ini"))) {
        QDir().mkpath(work);
        QFile settings(work + QStringLiteral("/Veldane.ini"));
        settings.open(QIODevice::WriteOnly);
        settings.write("[Global]\nSelect=HoneySelect\n[HoneySelect]\nGamePath=" +
                       QFile::encodeName(root) + "/game/\n");
    }
    return work;
}

// veldane-cli on the workspace of `root`; true when it reports success.
inline bool cli(const QString &root, const QStringList &arguments)
{
    const QString work = workspace(root);
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(VELDANE_CLI),
                  QStringList{QStringLiteral("--workdir"), work} + arguments);
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "veldane-cli %s failed\n", qPrintable(arguments.join(' ')));
        return false;
    }
    return true;
}

} // namespace BenchRig

#endif
