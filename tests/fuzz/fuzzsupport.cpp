#include "fuzzsupport.h"

#include "log/ceasylog.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace Fuzz {

namespace {

QTemporaryDir *processFolder = nullptr;

QString workFolder()
{
    return processFolder->filePath(QStringLiteral("work"));
}

} // namespace

void initialize()
{
    static int argc = 1;
    static char name[] = "veldane-fuzz";
    static char *argv[] = {name, nullptr};
    // Kept for the life of the process; libFuzzer never returns to main.
    new QCoreApplication(argc, argv);
    processFolder = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/veldane-fuzz-XXXXXX"));
    if (!processFolder->isValid()) {
        fail("cannot make the temporary folder", processFolder->errorString());
    }
    CEasyLog::instance()->setFolder(processFolder->filePath(QStringLiteral("log")));
}

QString freshFolder()
{
    QDir work(workFolder());
    if (work.exists() && !work.removeRecursively()) {
        fail("cannot empty the work folder", work.path());
    }
    if (!QDir().mkpath(work.path())) {
        fail("cannot make the work folder", work.path());
    }
    return work.path();
}

QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(size));
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QMap<QString, QByteArray> tree(const QString &folder)
{
    QMap<QString, QByteArray> entries;
    const QDir root(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString name = root.relativeFilePath(info.filePath());
        if (info.isSymLink()) {
            entries.insert(name, "<link>");
        } else if (info.isDir()) {
            entries.insert(name, "<dir>");
        } else {
            entries.insert(name, readFile(info.filePath()));
        }
    }
    return entries;
}

void fail(const char *what, const QString &detail)
{
    std::fprintf(stderr, "\n== broken promise: %s\n   %s\n", what, qUtf8Printable(detail));
    std::fflush(stderr);
    std::abort();
}

} // namespace Fuzz
