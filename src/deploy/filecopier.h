#ifndef VELDANE_DEPLOY_FILECOPIER_H
#define VELDANE_DEPLOY_FILECOPIER_H

#include <QString>

#include <functional>

// Plain file copies and moves for game files. QFile::copy goes through a
// temporary file and a rename for every file, which makes installing
// thousands of small files several times slower than the copy itself. The
// bytes are copied by the kernel where it can (copy_file_range, CopyFileExW),
// which also clones them on file systems that share extents.
class FileCopier
{
public:
    struct CopyOptions
    {
        // Called with the bytes copied so far and the file's size, every
        // `step` bytes of a file larger than one step, so that a window can
        // move its bar and handle its events during a large file. Never
        // called for smaller files, which cost no more than a call.
        std::function<void(qint64 done, qint64 total)> progress;
        qint64 step = qint64(4) << 20;
        // When set, receives the XXH3 (64 bits) of the bytes copied. The
        // kernel still copies (or clones) them, and the source, in memory
        // just after, is read once for the hash (a large one on a second
        // thread while the kernel copies it); a copy through a buffer of
        // ours hashes the bytes as they pass. A file that needs no copy (the
        // same file, a move by rename) is read once for it. A hash that
        // cannot be computed makes the call return false.
        quint64 *hash = nullptr;
        // When set, receives whether the copy is a clone, sharing the
        // source's blocks (XFS with reflink, Btrfs). With `hash` as well, a
        // clone is not read for its hash, which is left as it was: the
        // caller records where it can be read when it is needed.
        bool *cloned = nullptr;
        // The disk starts writing each copy as soon as it is made, for a
        // flush of the command's files that comes later.
        bool writeBack = false;
    };

    // Copies `source` over `destination` (created or truncated) and gives it the
    // source's permissions. A link at `destination` is replaced, never written
    // through; the same file under two names is left as it is. False when the
    // file could not be copied completely.
    static bool copy(const QString &source, const QString &destination);
    static bool copy(const QString &source, const QString &destination, const CopyOptions &options);

    // Copies only when `destination` does not exist yet; false when it does.
    static bool copyNew(const QString &source, const QString &destination);
    static bool copyNew(const QString &source, const QString &destination,
                        const CopyOptions &options);

    // Replaces `destination` by `source` in one step where the file system
    // allows it (a rename), else copies and then deletes `source`. The old
    // destination stays untouched when the move fails.
    static bool move(const QString &source, const QString &destination);
    static bool move(const QString &source, const QString &destination, const CopyOptions &options);

    // Deletes a file or a link. With a progress, a large file is first
    // shrunk a piece at a time: file systems free the blocks of a
    // deleted file inside one call, a second for a few gigabytes, and the
    // window would stop answering meanwhile.
    static bool remove(const QString &path, const CopyOptions &options);
};

#endif
