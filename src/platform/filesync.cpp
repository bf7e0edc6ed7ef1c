#include "platform/filesync.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#if defined(Q_OS_WIN)

bool FileSync::sync(const QStringList &folders, const QStringList &files)
{
    Q_UNUSED(folders)
    bool synced = true;
    for (const QString &file : files) {
        const HANDLE handle =
            CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(file).utf16()),
                        GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            continue; // moved on or deleted since: nothing of it to flush
        }
        synced = FlushFileBuffers(handle) && synced;
        CloseHandle(handle);
    }
    return synced;
}

#else

bool FileSync::sync(const QStringList &folders, const QStringList &files)
{
    Q_UNUSED(files)
    bool synced = true;
    QSet<quint64> done;
    for (const QString &folder : folders) {
        // The folder may be gone (an emptied backup folder): its file
        // system is the one of the nearest folder still there.
        QString existing = QDir::cleanPath(folder);
        while (!existing.isEmpty() && !QFileInfo(existing).isDir()) {
            const int cut = existing.lastIndexOf(QLatin1Char('/'));
            existing = cut > 0 ? existing.left(cut) : QString();
        }
        if (existing.isEmpty()) {
            continue;
        }
        const int fd = ::open(QFile::encodeName(existing).constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0) {
            synced = false;
            continue;
        }
        struct stat status;
        if (::fstat(fd, &status) == 0 && !done.contains(quint64(status.st_dev))) {
            done.insert(quint64(status.st_dev));
#if defined(Q_OS_LINUX)
            synced = ::syncfs(fd) == 0 && synced;
#else
            ::sync();
#endif
        }
        ::close(fd);
    }
    return synced;
}

#endif
