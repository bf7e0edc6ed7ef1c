#ifndef VELDANE_PLATFORM_FILETIMES_H
#define VELDANE_PLATFORM_FILETIMES_H

#include <QString>
#include <QtGlobal>

// Size and modification time of a regular file, read in one system call where
// the system allows: listing a hundred thousand cards through QFileInfo spends
// more time turning each time into a local QDateTime than reading it.
class FileTimes
{
public:
    // False when `path` is not a regular file (or cannot be read).
    static bool read(const QString &path, qint64 *size, qint64 *modifiedMSecs);
};

#endif
