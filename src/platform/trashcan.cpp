#include "platform/trashcan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
namespace {

// A freedesktop trash keeps the file in <trash>/files and its record in
// <trash>/info.
bool inFreedesktopTrash(const QString &where)
{
    const QFileInfo placed(where);
    if (placed.isRelative()) {
        return false;
    }
    const QDir files = placed.absoluteDir();
    QDir trash = files;
    return files.dirName() == QLatin1String("files") && trash.cdUp() &&
           QFileInfo(trash.filePath(QStringLiteral("info"))).isDir();
}

// Takes back a move that did not land in a trash, and the record Qt wrote
// for it beside the file.
void takeBack(const QString &where, const QString &path)
{
    if (!QFile::rename(where, path)) {
        return;
    }
    const QFileInfo placed(where);
    const QString record = placed.absoluteDir().filePath(
        QStringLiteral("../info/%1.trashinfo").arg(placed.fileName()));
    QFile info(record);
    const QByteArray content = info.open(QIODevice::ReadOnly) ? info.readAll() : QByteArray();
    if (content.contains("Path=" + QFile::encodeName(path) + '\n') ||
        content.contains("Path=" + QUrl::toPercentEncoding(path, "/") + '\n')) {
        info.close();
        info.remove();
    }
    QDir().rmdir(placed.absolutePath());
    QDir().rmdir(QFileInfo(record).absolutePath());
}

} // namespace
#endif

bool TrashCan::moveToTrash(const QString &path)
{
    QString where;
    if (!QFile::moveToTrash(path, &where)) {
        return false;
    }
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    if (!inFreedesktopTrash(where)) {
        takeBack(where, path);
        return false;
    }
#endif
    return true;
}
