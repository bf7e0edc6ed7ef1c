// Unpack-and-install of a 10,000-file zip with ArchiveExtractor, next to the
// same install after the system's `unzip` unpacked the archive. Each run
// installs into a fresh game folder, so both do the same deployment work.
// Prints the times of every round and the ratio of the medians.

#include "catalogue/modcfg.h"
#include "deploy/archiveextractor.h"
#include "deploy/gamelayout.h"
#include "deploy/modcommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cstdio>

namespace {

const int FileCount = 10000;
const int Rounds = 3;

bool writeZip(const QString &path)
{
    archive *a = archive_write_new();
    archive_write_set_format_zip(a);
    bool ok = archive_write_open_filename(a, QFile::encodeName(path).constData()) == ARCHIVE_OK;
    QByteArray content(2048, 'x');
    for (int i = 0; ok && i < FileCount; ++i) {
        content.replace(0, 5, QByteArray::number(10000 + i));
        const QByteArray name = "BenchMod/abdata/set" + QByteArray::number(i / 100) + "/item" +
                                QByteArray::number(i) + ".unity3d";
        archive_entry *entry = archive_entry_new();
        archive_entry_set_pathname(entry, name.constData());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, content.size());
        ok = archive_write_header(a, entry) == ARCHIVE_OK &&
             archive_write_data(a, content.constData(), size_t(content.size())) == content.size();
        archive_entry_free(entry);
    }
    ok = archive_write_close(a) == ARCHIVE_OK && ok;
    archive_write_free(a);
    return ok;
}

// Installs folder as a new mod of a game of its own; returns false on failure.
bool install(const QString &folder, const QString &game)
{
    const QString gamePath = QDir::current().filePath(QStringLiteral("games/") + game) + '/';
    QDir().mkpath(gamePath);
    ModCfg catalogue;
    catalogue.setGame(game);
    catalogue.create();
    const GameLayout layout(gamePath, QDir::current().filePath(QStringLiteral("data/") + game),
                            QDir::current().filePath(QStringLiteral("mod/") + game));
    const CommandReport report =
        ModCommands(catalogue, layout).install(folder, QStringLiteral("mod"));
    return report.clean() && report.files == FileCount;
}

double median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString unzip = QStandardPaths::findExecutable(QStringLiteral("unzip"));
    if (unzip.isEmpty()) {
        std::fprintf(stderr, "`unzip` is not installed (Debian package unzip)\n");
        return 1;
    }
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    QDir().mkpath(QStringLiteral("config"));
    const QString zip = work.filePath(QStringLiteral("BenchMod.zip"));
    if (!writeZip(zip)) {
        std::fprintf(stderr, "cannot write the archive\n");
        return 1;
    }
    std::printf("archive: %d files of 2 KiB, %lld bytes\n", FileCount,
                static_cast<long long>(QFileInfo(zip).size()));

    QVector<double> oursUnpack, oursTotal, unzipUnpack, unzipTotal;
    for (int round = 0; round < Rounds; ++round) {
        {
            QTemporaryDir unpacked(work.filePath(QStringLiteral("ours-XXXXXX")));
            QElapsedTimer clock;
            clock.start();
            ArchiveExtractor extractor;
            if (!extractor.extract(zip, unpacked.path())) {
                std::fprintf(stderr, "extract failed: %s\n", qPrintable(extractor.errorString()));
                return 1;
            }
            const double unpackMs = clock.nsecsElapsed() / 1e6;
            if (!install(ArchiveExtractor::modFolder(unpacked.path()),
                         QStringLiteral("Ours%1").arg(round))) {
                std::fprintf(stderr, "install after ArchiveExtractor failed\n");
                return 1;
            }
            oursUnpack << unpackMs;
            oursTotal << clock.nsecsElapsed() / 1e6;
        }
        {
            QTemporaryDir unpacked(work.filePath(QStringLiteral("unzip-XXXXXX")));
            QElapsedTimer clock;
            clock.start();
            QProcess process;
            process.start(unzip,
                          {QStringLiteral("-q"), zip, QStringLiteral("-d"), unpacked.path()});
            if (!process.waitForFinished(-1) || process.exitCode() != 0) {
                std::fprintf(stderr, "unzip failed\n");
                return 1;
            }
            const double unpackMs = clock.nsecsElapsed() / 1e6;
            if (!install(QDir(unpacked.path()).filePath(QStringLiteral("BenchMod")),
                         QStringLiteral("Unzip%1").arg(round))) {
                std::fprintf(stderr, "install after unzip failed\n");
                return 1;
            }
            unzipUnpack << unpackMs;
            unzipTotal << clock.nsecsElapsed() / 1e6;
        }
        std::printf("round %d: ArchiveExtractor unpack %.0f ms, with install %.0f ms; "
                    "unzip %.0f ms, with install %.0f ms\n",
                    round + 1, oursUnpack.last(), oursTotal.last(), unzipUnpack.last(),
                    unzipTotal.last());
    }
    std::printf("median unpack: ArchiveExtractor %.0f ms, unzip %.0f ms, ratio %.2f\n",
                median(oursUnpack), median(unzipUnpack), median(oursUnpack) / median(unzipUnpack));
    std::printf("median unpack and install: ArchiveExtractor %.0f ms, unzip %.0f ms, ratio %.2f\n",
                median(oursTotal), median(unzipTotal), median(oursTotal) / median(unzipTotal));
    return 0;
}
