#include "platform/kernelcopy.h"

#include <QFile>

#ifdef Q_OS_WIN
#include "platform/longpath.h"
#include "platform/nativefile.h"

#include <windows.h>
#endif
#ifdef Q_OS_LINUX
#include <cerrno>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace KernelCopy {

#ifdef Q_OS_WIN

namespace {

struct CopyState
{
    const Progress *progress;
    qint64 step;
    qint64 reported;
    // Told on the first report only.
    const Starting *starting;
};

DWORD CALLBACK reportCopied(LARGE_INTEGER total, LARGE_INTEGER done, LARGE_INTEGER, LARGE_INTEGER,
                            DWORD, DWORD, HANDLE, HANDLE, LPVOID data)
{
    auto *state = static_cast<CopyState *>(data);
    if (state->starting && *state->starting) {
        (*state->starting)(total.QuadPart);
    }
    state->starting = nullptr;
    if (*state->progress && done.QuadPart < total.QuadPart &&
        done.QuadPart - state->reported >= state->step) {
        state->reported = done.QuadPart;
        (*state->progress)(done.QuadPart, total.QuadPart);
    }
    return PROGRESS_CONTINUE;
}

bool copyWithProgress(const QString &from, const QString &to, CopyState &state)
{
    return CopyFileExW(reinterpret_cast<const wchar_t *>(from.utf16()),
                       reinterpret_cast<const wchar_t *>(to.utf16()), &reportCopied, &state,
                       nullptr, 0) != 0;
}

} // namespace

Result copyFile(const QString &source, const QString &destination, const Progress &progress,
                qint64 step, const Starting &starting)
{
    CopyState state{&progress, step, 0, &starting};
    const QString from = LongPath::toWin32(source);
    const QString to = LongPath::toWin32(destination);
    if (copyWithProgress(from, to, state)) {
        return Result::Copied;
    }
    // The system refuses to copy over a hidden, system or read-only file:
    // those attributes go for the copy, which brings the source's own. They
    // come back when the copy fails and the old file stays.
    if (GetLastError() != ERROR_ACCESS_DENIED) {
        return Result::Failed;
    }
    const wchar_t *target = reinterpret_cast<const wchar_t *>(to.utf16());
    const DWORD old = GetFileAttributesW(target);
    const DWORD refusing = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;
    if (old == INVALID_FILE_ATTRIBUTES || (old & FILE_ATTRIBUTE_DIRECTORY) || !(old & refusing) ||
        !SetFileAttributesW(target, NativeFile::settableAttributes(old & ~refusing))) {
        return Result::Failed;
    }
    state.reported = 0;
    if (copyWithProgress(from, to, state)) {
        return Result::Copied;
    }
    SetFileAttributesW(target, NativeFile::settableAttributes(old));
    return Result::Failed;
}

#else

Result copyFile(const QString &, const QString &, const Progress &, qint64, const Starting &)
{
    return Result::Unsupported;
}

#endif

#ifdef Q_OS_LINUX

Result copyContent(QFile &in, QFile &out, const Progress &progress, qint64 step,
                   const Starting &starting)
{
    const int from = in.handle();
    const int to = out.handle();
    // A file system that shares blocks between files (XFS, Btrfs) makes the
    // copy a clone in one call, whatever its size, and uses no more disk.
    if (::ioctl(to, FICLONE, from) == 0) {
        return Result::Cloned;
    }
    const qint64 total = progress || starting ? in.size() : 0;
    qint64 done = 0;
    qint64 reported = 0;
    for (;;) {
        // Asked for a step at a time, so that a large file reports its bytes
        // while it is copied.
        const ssize_t copied = ::copy_file_range(from, nullptr, to, nullptr, size_t(step), 0);
        if (copied < 0) {
            if (errno == EINTR) {
                continue;
            }
            // Refused between these files (another file system, a kind of
            // file without it, an old kernel): that shows on the first call,
            // before anything moved, and read and write take over.
            if (done == 0 &&
                (errno == EXDEV || errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL)) {
                return Result::Unsupported;
            }
            return Result::Failed;
        }
        if (copied == 0) {
            // Some kernels copy nothing from files that report no size (proc
            // and sysfs files); read and write settle what is really there.
            return done == 0 ? Result::Unsupported : Result::Copied;
        }
        if (done == 0 && starting) {
            starting(total);
        }
        done += copied;
        if (progress && done - reported >= step && done < total) {
            reported = done;
            progress(done, total);
        }
    }
}

#else

Result copyContent(QFile &, QFile &, const Progress &, qint64, const Starting &)
{
    return Result::Unsupported;
}

#endif

} // namespace KernelCopy
