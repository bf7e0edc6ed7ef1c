#include "platform/filesync.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <chrono>
#include <future>

#ifdef Q_OS_WIN
#include "platform/longpath.h"

#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#if defined(Q_OS_WIN)

const wchar_t *wide(const QString &path)
{
    return reinterpret_cast<const wchar_t *>(path.utf16());
}

// FlushFileBuffers needs write access, which a read-only file refuses: its
// attribute is lifted for the opening only.
HANDLE openForFlush(const QString &path)
{
    const QString native = LongPath::toWin32(path);
    const auto open = [&native] {
        return CreateFileW(wide(native), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    };
    HANDLE handle = open();
    if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_ACCESS_DENIED) {
        return handle;
    }
    const DWORD attributes = GetFileAttributesW(wide(native));
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY) ||
        !SetFileAttributesW(wide(native), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY))) {
        return INVALID_HANDLE_VALUE;
    }
    handle = open();
    SetFileAttributesW(wide(native), attributes);
    return handle;
}

bool flushNow(const QString &path)
{
    const HANDLE handle = openForFlush(path);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool flushed = FlushFileBuffers(handle) != 0;
    CloseHandle(handle);
    return flushed;
}

bool syncNow(const QStringList &folders, const QStringList &files)
{
    bool synced = true;
    for (const QString &file : files) {
        if (!flushNow(file) &&
            GetFileAttributesW(wide(LongPath::toWin32(file))) != INVALID_FILE_ATTRIBUTES) {
            synced = false;
        }
    }
    // FAT and exFAT keep a file's size in its folder's entry; NTFS logs it.
    // Folders that refuse a flush, or are gone, have nothing of ours to lose.
    for (const QString &folder : folders) {
        flushNow(folder);
    }
    return synced;
}

bool flushFolderOf(const QString &file)
{
    flushNow(QFileInfo(file).absolutePath());
    return true;
}

#else

bool syncNow(const QStringList &folders, const QStringList &files)
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

bool fsyncPath(const QString &path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | flags);
    if (fd < 0) {
        return false;
    }
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

bool flushNow(const QString &path)
{
    return fsyncPath(path, 0);
}

// A new name in a folder lasts only once the folder is written back.
bool flushFolderOf(const QString &file)
{
    return fsyncPath(QFileInfo(file).absolutePath(), O_DIRECTORY);
}

#endif

} // namespace

bool FileSync::sync(const QStringList &folders, const QStringList &files,
                    const std::function<void()> &whileWaiting)
{
    if (!whileWaiting) {
        return syncNow(folders, files);
    }
    std::future<bool> pending =
        std::async(std::launch::async, [&folders, &files] { return syncNow(folders, files); });
    while (pending.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        whileWaiting();
    }
    return pending.get();
}

bool FileSync::flushFile(const QString &file)
{
    return flushNow(file) && flushFolderOf(file);
}
