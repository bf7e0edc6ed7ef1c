#include "platform/filetimes.h"

#include <QFileInfo>

#ifdef Q_OS_WIN
#include <QDateTime>
#else
#include <QFile>

#include <sys/stat.h>
#endif

bool FileTimes::read(const QString &path, qint64 *size, qint64 *modifiedMSecs)
{
#ifdef Q_OS_WIN
    const QFileInfo info(path);
    if (!info.isFile()) {
        return false;
    }
    *size = info.size();
    *modifiedMSecs = info.lastModified().toMSecsSinceEpoch();
    return true;
#else
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return false;
    }
    *size = qint64(status.st_size);
#ifdef Q_OS_DARWIN
    const struct timespec &modified = status.st_mtimespec;
#else
    const struct timespec &modified = status.st_mtim;
#endif
    *modifiedMSecs = qint64(modified.tv_sec) * 1000 + modified.tv_nsec / 1000000;
    return true;
#endif
}
