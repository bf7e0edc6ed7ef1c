#ifndef VELDANE_PLATFORM_WRITESTAMP_H
#define VELDANE_PLATFORM_WRITESTAMP_H

#include <QString>
#include <QtGlobal>

// What any write to a file, or its replacement by another file, changes: its
// size, its modification time (which a tool may set back) and its status
// change time (which no tool can set) to the clock's finest step, and its
// number on its volume. Equal stamps taken at two moments mean that nothing
// wrote the file in between, short of a write within the same tick of the
// file system's clock as the first stamp.
struct WriteStamp
{
    qint64 size = -1;
    qint64 modified = 0; // nanoseconds since the epoch
    qint64 changed = 0;  // nanoseconds since the epoch
    quint64 fileId = 0;  // the inode; 0 where the system does not tell

    // False when `path` is no regular file (a link is not followed).
    static bool of(const QString &path, WriteStamp *stamp);

    bool operator==(const WriteStamp &other) const
    {
        return size == other.size && modified == other.modified && changed == other.changed &&
               fileId == other.fileId;
    }
    bool operator!=(const WriteStamp &other) const { return !(*this == other); }
};

#endif
