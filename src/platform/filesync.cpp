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
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <thread>
#include <vector>

#include <fcntl.h>
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

// A file's bytes and size (fdatasync); a folder's entries need its whole
// inode (fsync).
bool flushOne(const QString &path, bool folder)
{
    // A pipe would hold the opening; a path that is gone has nothing to write.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_NONBLOCK | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
    if (fd < 0) {
        return errno == ENOENT || errno == ENOTDIR;
    }
    const bool flushed = (folder ? ::fsync(fd) : ::fdatasync(fd)) == 0;
    ::close(fd);
    return flushed;
}

// Each flush of a new file waits for a commit of the file system's log;
// flushes that wait at the same time share one commit, so several run at once.
bool flushAll(const QStringList &files, bool folders)
{
    std::atomic<int> next{0};
    std::atomic<bool> flushed{true};
    const auto work = [&files, folders, &next, &flushed] {
        for (int i = next++; i < files.size(); i = next++) {
            if (!flushOne(files.at(i), folders)) {
                flushed = false;
            }
        }
    };
    std::vector<std::thread> workers;
    // A few dozen large files want as many at once as small ones: each flush
    // of a clone costs a log commit (Btrfs) or a disk cache flush (XFS),
    // which one at a time add up to half a second for a 1 GiB mod.
    const int count = qMin(15, int(files.size() / 4));
    for (int i = 0; i < count; ++i) {
        workers.emplace_back(work);
    }
    work();
    for (std::thread &worker : workers) {
        worker.join();
    }
    return flushed;
}

QString parentOf(const QString &path)
{
    const int cut = path.lastIndexOf(QLatin1Char('/'));
    return cut > 0 ? path.left(cut) : QString();
}

// The folders whose entries changed: each file's folder and, for a file under
// one of `roots`, the folders up to that root and the one holding it, since
// any of them may be new.
QStringList foldersToFlush(const QStringList &roots, const QStringList &files)
{
    QStringList folders;
    QSet<QString> seen;
    const auto add = [&folders, &seen](const QString &folder) {
        if (!folder.isEmpty() && !seen.contains(folder)) {
            seen.insert(folder);
            folders << folder;
        }
    };
    QStringList cleanRoots;
    for (const QString &root : roots) {
        cleanRoots << QDir::cleanPath(root);
        add(cleanRoots.last());
        add(parentOf(cleanRoots.last()));
    }
    for (const QString &file : files) {
        const QString path = QDir::cleanPath(file);
        QString folder = parentOf(path);
        const bool inside =
            std::any_of(cleanRoots.cbegin(), cleanRoots.cend(), [&path](const QString &root) {
                return path.startsWith(root + QLatin1Char('/'));
            });
        if (!inside) {
            add(folder);
            continue;
        }
        while (!folder.isEmpty() && !seen.contains(folder)) {
            add(folder);
            folder = parentOf(folder);
        }
    }
    return folders;
}

bool flushFolders(const QStringList &folders)
{
    QStringList existing;
    QSet<QString> seen;
    for (QString folder : folders) {
        // A folder that is gone (an emptied backup folder) took its entry out
        // of the nearest folder still there.
        while (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
            folder = parentOf(folder);
        }
        if (!folder.isEmpty() && !seen.contains(folder)) {
            seen.insert(folder);
            existing << folder;
        }
    }
    return flushAll(existing, true);
}

// Only what the command wrote is written back: a flush of the whole file
// system (syncfs) would wait for every other program's unwritten data too.
bool syncNow(const QStringList &folders, const QStringList &files)
{
    const bool filesFlushed = flushAll(files, false);
    return flushFolders(foldersToFlush(folders, files)) && filesFlushed;
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

void FileSync::startWriteBack(QFile &file)
{
#if defined(Q_OS_LINUX)
    ::sync_file_range(file.handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    Q_UNUSED(file)
#endif
}

bool FileSync::flushFile(const QString &file)
{
    return flushNow(file) && flushFolderOf(file);
}
