#ifndef VELDANE_PLATFORM_NATIVEFILE_H
#define VELDANE_PLATFORM_NATIVEFILE_H

#include <QString>

class QFileInfo;

// Single files as the operating system sees them, where Qt and the C++
// library fall short on Windows: MinGW's std::filesystem sees neither links nor
// link counts there, a rename may turn into an unflushed copy to another drive,
// and a read-only file refuses to be deleted or replaced.
namespace NativeFile {

#ifdef Q_OS_WIN
// Of the attributes a file has, those SetFileAttributesW takes (the others
// describe the file's kind); FILE_ATTRIBUTE_NORMAL when none is left.
unsigned long settableAttributes(unsigned long attributes);
#endif

// What is at a path, from one look at the entry itself (never through a link).
struct Entry
{
    bool exists = false;
    bool link = false;
    // Read-only attribute on Windows; no write permission for the owner elsewhere.
    bool readOnly = false;
};
Entry entry(const QString &path);

// Whether the entry itself is a link of any kind: a symbolic link, or on
// Windows a junction or mount point too (a OneDrive placeholder is no link).
// Never follows it. Qt 5 sees no junction as a link, so a walk that follows
// its answer walks out of the tree; ask this before entering or deleting
// through an entry.
bool isLink(const QString &path);
bool isLinkOrJunction(const QFileInfo &entry);

// Where `path` really is, every link and junction on the way followed, with
// "/" separators; empty when it does not exist. Qt 5 follows no junction
// when it makes a canonical path, so a junction inside a folder that leads
// out of it would still look inside.
QString realPath(const QString &path);

// The number of names of the file (hard links) at `path`, not following a
// link there; -1 when it cannot be told.
int linkCount(const QString &path);

// The volume and the file's number on it, following links: the same under
// every name the file has and across a move on its volume, for as long as
// the file exists.
struct FileId
{
    quint64 volume = 0;
    quint64 index = 0;
    bool operator==(const FileId &other) const
    {
        return volume == other.volume && index == other.index;
    }
};
bool fileId(const QString &path, FileId &id);

// Whether the two paths name the same file, following links; false when
// either does not exist.
bool sameFile(const QString &first, const QString &second);

// Gives `to` the read-only state (Windows) or the permissions (elsewhere) of
// `from`, for a copy made through a buffer of ours.
bool copyPermissions(const QString &from, const QString &to);

// Gives the file at `existing` a second name `name` (a hard link).
bool addName(const QString &existing, const QString &name);

// Lets the owner write the file or folder: clears the read-only attribute on
// Windows, adds the owner's write permission elsewhere. For copies of our own
// (game copies of mod files, kept copies, backups) about to be replaced or
// removed, never for one that is to stay. True when it is writable afterwards.
bool makeWritable(const QString &path);

// Renames `from` to `to` in one step, replacing a file at `to`, so that `to`
// never goes missing. Only on one volume: false, with both left as they were,
// where that would need a copy. A read-only file at `to` is replaced as well.
bool replace(const QString &from, const QString &to);

// Renames `from` to `to` only when nothing is at `to` and it is one step on
// one volume; false leaves both names as they were.
bool renameNew(const QString &from, const QString &to);

// Whether another program holds the file open so that it can be neither
// renamed, replaced nor deleted now (Windows: a running game's sharing
// mode). Asked before a command's first change, so that it can refuse and
// name the file instead of stopping half applied. Never on Unix, where a held
// file can be renamed and deleted. A program image being run is not seen here:
// its delete fails later, and the journal covers that.
bool heldOpen(const QString &path);
// While set, heldOpen() also answers true for this one path: lets a test
// hold a file where the system cannot. Empty turns it off.
void setHeldForTest(const QString &path);

// Deletes a file, or a link itself (never what it points to), read-only or
// not. A file that stays keeps its attributes.
bool remove(const QString &path);

} // namespace NativeFile

#endif
