#include "platform/writestamp.h"

#ifdef Q_OS_WIN
#include <QDateTime>
#include <QFileInfo>
#else
#include <QFile>

#include <sys/stat.h>
#endif

#ifndef Q_OS_WIN
namespace {

qint64 nanoseconds(const struct timespec &time)
{
    return qint64(time.tv_sec) * 1000000000 + qint64(time.tv_nsec);
}

} // namespace
#endif

bool WriteStamp::of(const QString &path, WriteStamp *stamp)
{
#ifdef Q_OS_WIN
    // Only the times Qt gives, in milliseconds: good enough for a stamp that
    // is only compared with another taken the same way.
    const QFileInfo info(path);
    if (!info.isFile() || info.isSymLink()) {
        return false;
    }
    stamp->size = info.size();
    stamp->modified = info.lastModified().toMSecsSinceEpoch() * 1000000;
    stamp->changed = info.metadataChangeTime().toMSecsSinceEpoch() * 1000000;
    stamp->fileId = 0;
    return true;
#else
    struct stat status;
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return false;
    }
    stamp->size = qint64(status.st_size);
#ifdef Q_OS_DARWIN
    stamp->modified = nanoseconds(status.st_mtimespec);
    stamp->changed = nanoseconds(status.st_ctimespec);
#else
    stamp->modified = nanoseconds(status.st_mtim);
    stamp->changed = nanoseconds(status.st_ctim);
#endif
    stamp->fileId = quint64(status.st_ino);
    return true;
#endif
}
