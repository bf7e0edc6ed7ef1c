#ifndef VELDANE_PLATFORM_KERNELCOPY_H
#define VELDANE_PLATFORM_KERNELCOPY_H

#include <QString>
#include <QtGlobal>

#include <functional>

class QFile;

// File contents copied by the operating system instead of through a buffer of
// ours: the kernel moves the bytes without handing them to the program, and
// file systems that can share extents (btrfs, XFS, ReFS) clone them.
namespace KernelCopy {

enum class Result
{
    Copied,
    // A clone: the copy shares the source's blocks, and no byte was read or
    // written, so none of them is in memory either.
    Cloned,
    Failed,
    // The system has no such copy for these files; nothing was written.
    Unsupported,
};

// Told the bytes copied so far and the file's size, about every `step` bytes.
using Progress = std::function<void(qint64 done, qint64 total)>;

// Told once that the copy is under way (never for a clone, nor for a copy the
// system refuses), with the file's size, so that work on the same file can
// run beside the rest of the copy.
using Starting = std::function<void(qint64 size)>;

// Copies the whole file at `source` over `destination`, attributes included
// (CopyFileExW). Windows only; elsewhere Unsupported. `starting` comes with
// the system's first report, which Wine never sends.
Result copyFile(const QString &source, const QString &destination, const Progress &progress,
                qint64 step, const Starting &starting = {});

// Copies `in` to `out`, both just opened: a clone where the file system
// can make one (FICLONE, then Cloned), else copy_file_range; Unsupported
// only before the first byte moved. Linux only; elsewhere Unsupported.
Result copyContent(QFile &in, QFile &out, const Progress &progress, qint64 step,
                   const Starting &starting = {});

} // namespace KernelCopy

#endif
