#include "platform/nativefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include "platform/longpath.h"

#include <vector>
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace NativeFile {

#ifdef Q_OS_WIN

namespace {

// The extended form, so that no call of ours stops at 260 characters.
class WinPath
{
public:
    explicit WinPath(const QString &path) : m_path(LongPath::toWin32(path)) {}
    operator const wchar_t *() const { return reinterpret_cast<const wchar_t *>(m_path.utf16()); }

private:
    QString m_path;
};

bool information(const QString &path, DWORD flags, BY_HANDLE_FILE_INFORMATION &info)
{
    // Attributes only, shared with everyone: a running game holding the file
    // does not stop the question.
    const HANDLE handle = CreateFileW(
        WinPath(path), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool got = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    return got;
}

// A virus scanner or an indexer opens a file just written for a moment; a
// few short tries let it finish instead of failing the step.
template<typename Step> bool withRetries(Step step)
{
    for (int attempt = 1;; ++attempt) {
        if (step()) {
            return true;
        }
        const DWORD error = GetLastError();
        if (attempt == 5 || (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION &&
                             error != ERROR_ACCESS_DENIED)) {
            return false;
        }
        Sleep(DWORD(20 * attempt));
    }
}

// Clears the read-only attribute for `step` and puts it back when the file
// is still there afterwards.
template<typename Step> bool withoutReadOnly(const WinPath &path, Step step)
{
    const DWORD old = GetFileAttributesW(path);
    const bool readOnly = old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY);
    if (readOnly) {
        SetFileAttributesW(path,
                           NativeFile::settableAttributes(old & ~DWORD(FILE_ATTRIBUTE_READONLY)));
    }
    const bool done = step();
    if (!done && readOnly) {
        SetFileAttributesW(path, NativeFile::settableAttributes(old));
    }
    return done;
}

// Whether a reparse point leads to another name: a symbolic link, a junction
// or a mount point. The others (OneDrive placeholders, deduplicated and
// compressed files) hold the entry's own content and are walked and copied as
// plain files; one that cannot be told is taken for a link. Wine shows a Unix
// link as a reparse point without a tag, which no real one lacks.
bool redirects(const WinPath &path, DWORD attributes)
{
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return false;
    }
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW(path, &data);
    if (find == INVALID_HANDLE_VALUE) {
        return true;
    }
    FindClose(find);
    return data.dwReserved0 == 0 || IsReparseTagNameSurrogate(data.dwReserved0);
}

} // namespace

unsigned long settableAttributes(unsigned long attributes)
{
    const DWORD kept =
        attributes & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                      FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_TEMPORARY);
    return kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL;
}

Entry entry(const QString &path)
{
    Entry found;
    const WinPath native(path);
    const DWORD attributes = GetFileAttributesW(native);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        found.exists = true;
        found.link = redirects(native, attributes);
        found.readOnly = attributes & FILE_ATTRIBUTE_READONLY;
    }
    return found;
}

bool isLink(const QString &path)
{
    const WinPath native(path);
    return redirects(native, GetFileAttributesW(native));
}

bool isLinkOrJunction(const QFileInfo &entry)
{
    return entry.isSymbolicLink() || entry.isJunction() || isLink(entry.absoluteFilePath());
}

QString realPath(const QString &path)
{
    const HANDLE handle = CreateFileW(WinPath(path), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return QString();
    }
    std::vector<wchar_t> buffer(32768);
    const DWORD size = GetFinalPathNameByHandleW(handle, buffer.data(), DWORD(buffer.size()),
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(handle);
    if (size == 0 || size >= buffer.size()) {
        return QString();
    }
    QString real = QString::fromWCharArray(buffer.data(), int(size));
    // Back from the extended form the system answers in.
    if (real.startsWith(QLatin1String("\\\\?\\UNC\\"))) {
        real = QLatin1String("\\\\") + real.mid(8);
    } else if (real.startsWith(QLatin1String("\\\\?\\"))) {
        real = real.mid(4);
    }
    return QDir::fromNativeSeparators(real);
}

int linkCount(const QString &path)
{
    BY_HANDLE_FILE_INFORMATION info;
    return information(path, FILE_FLAG_OPEN_REPARSE_POINT, info) ? int(info.nNumberOfLinks) : -1;
}

bool fileId(const QString &path, FileId &id)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!information(path, 0, info)) {
        return false;
    }
    id.volume = info.dwVolumeSerialNumber;
    id.index = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

bool copyPermissions(const QString &from, const QString &to)
{
    const WinPath target(to);
    const DWORD source = GetFileAttributesW(WinPath(from));
    const DWORD attributes = GetFileAttributesW(target);
    if (source == INVALID_FILE_ATTRIBUTES || attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    const DWORD wanted =
        (attributes & ~DWORD(FILE_ATTRIBUTE_READONLY)) | (source & FILE_ATTRIBUTE_READONLY);
    return wanted == attributes ||
           SetFileAttributesW(target, NativeFile::settableAttributes(wanted));
}

bool addName(const QString &existing, const QString &name)
{
    return CreateHardLinkW(WinPath(name), WinPath(existing), nullptr) != 0;
}

bool makeWritable(const QString &path)
{
    const WinPath native(path);
    const DWORD attributes = GetFileAttributesW(native);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    return !(attributes & FILE_ATTRIBUTE_READONLY) ||
           SetFileAttributesW(native, NativeFile::settableAttributes(
                                          attributes & ~DWORD(FILE_ATTRIBUTE_READONLY)));
}

bool replace(const QString &from, const QString &to)
{
    // Without MOVEFILE_COPY_ALLOWED: a move to another drive would be a copy
    // and a delete, and the caller must flush that copy before the delete.
    const WinPath source(from);
    const WinPath target(to);
    return withoutReadOnly(target, [&] {
        return withRetries([&] {
            return MoveFileExW(source, target,
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        });
    });
}

bool renameNew(const QString &from, const QString &to)
{
    const WinPath source(from);
    const WinPath target(to);
    return withRetries([&] { return MoveFileExW(source, target, MOVEFILE_WRITE_THROUGH) != 0; });
}

static bool heldBySystem(const QString &path)
{
    // Asking for delete access with every sharing allowed fails exactly when
    // an opener forbade sharing the delete; nothing is changed by asking.
    const HANDLE handle = CreateFileW(
        WinPath(path), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
    }
    CloseHandle(handle);
    return false;
}

bool remove(const QString &path)
{
    const WinPath native(path);
    const DWORD attributes = GetFileAttributesW(native);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        // A junction or a link to a folder goes as the folder entry it is;
        // a real folder is no file and stays.
        return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
               withoutReadOnly(native, [&] { return RemoveDirectoryW(native) != 0; });
    }
    return withoutReadOnly(native,
                           [&] { return withRetries([&] { return DeleteFileW(native) != 0; }); });
}

#else

namespace {

bool linkStatus(const QString &path, struct stat &status)
{
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

} // namespace

Entry entry(const QString &path)
{
    Entry found;
    struct stat status;
    if (linkStatus(path, status)) {
        found.exists = true;
        found.link = S_ISLNK(status.st_mode);
        found.readOnly = !found.link && !(status.st_mode & S_IWUSR);
    }
    return found;
}

bool isLink(const QString &path)
{
    struct stat status;
    return linkStatus(path, status) && S_ISLNK(status.st_mode);
}

bool isLinkOrJunction(const QFileInfo &entry)
{
    return entry.isSymLink();
}

QString realPath(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}

int linkCount(const QString &path)
{
    struct stat status;
    return linkStatus(path, status) ? int(status.st_nlink) : -1;
}

bool fileId(const QString &path, FileId &id)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        return false;
    }
    id.volume = quint64(status.st_dev);
    id.index = quint64(status.st_ino);
    return true;
}

bool copyPermissions(const QString &from, const QString &to)
{
    struct stat status;
    return ::stat(QFile::encodeName(from).constData(), &status) == 0 &&
           ::chmod(QFile::encodeName(to).constData(), status.st_mode & 07777) == 0;
}

bool addName(const QString &existing, const QString &name)
{
    return ::link(QFile::encodeName(existing).constData(), QFile::encodeName(name).constData()) ==
           0;
}

bool makeWritable(const QString &path)
{
    struct stat status;
    if (!linkStatus(path, status)) {
        return false;
    }
    // A link's own permissions are never asked; its target is not ours.
    if (S_ISLNK(status.st_mode) || (status.st_mode & S_IWUSR)) {
        return true;
    }
    return ::chmod(QFile::encodeName(path).constData(), (status.st_mode & 07777) | S_IWUSR) == 0;
}

bool replace(const QString &from, const QString &to)
{
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool renameNew(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
#ifdef Q_OS_LINUX
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    // A file system without the flag: the check and the rename are two steps.
#endif
    struct stat status;
    if (::lstat(target.constData(), &status) == 0 || errno != ENOENT) {
        return false;
    }
    return ::rename(source.constData(), target.constData()) == 0;
}

static bool heldBySystem(const QString &)
{
    return false;
}

bool remove(const QString &path)
{
    // The folder's permissions decide, not the file's: nothing to clear.
    return ::unlink(QFile::encodeName(path).constData()) == 0;
}

#endif

namespace {

QString &heldForTest()
{
    static QString path;
    return path;
}

} // namespace

bool sameFile(const QString &first, const QString &second)
{
    FileId one;
    FileId other;
    return fileId(first, one) && fileId(second, other) && one == other;
}

bool heldOpen(const QString &path)
{
    return (!heldForTest().isEmpty() &&
            QDir::cleanPath(QDir::fromNativeSeparators(path)) == heldForTest()) ||
           heldBySystem(path);
}

void setHeldForTest(const QString &path)
{
    heldForTest() = path.isEmpty() ? path : QDir::cleanPath(QDir::fromNativeSeparators(path));
}

} // namespace NativeFile
