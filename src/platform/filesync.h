#ifndef VELDANE_PLATFORM_FILESYNC_H
#define VELDANE_PLATFORM_FILESYNC_H

#include <QStringList>

class QFile;

#include <functional>

// Makes what a command wrote durable before its journal entry goes, so that a
// power cut cannot leave a renamed but empty file behind a finished entry.
class FileSync
{
public:
    // Writes back the bytes of each of `files` and the folders that name
    // them: on Linux and other Unix systems each file (fdatasync) and each
    // folder from a file up to the one of `folders` above it, and the folder
    // holding that (fsync); on Windows each file and each of `folders`
    // (FlushFileBuffers). Files that are gone count as written back. Nothing
    // else on the disk is waited for. False when a flush was refused. Writing back a gigabyte takes
    // seconds: `whileWaiting`, when given, is called every 50 ms meanwhile, so that a window can
    // answer.
    static bool sync(const QStringList &folders, const QStringList &files,
                     const std::function<void()> &whileWaiting = {});

    // Starts the disk writing `file`, open for writing, without waiting, so
    // that a flush that follows finds most of it done. Linux only.
    static void startWriteBack(QFile &file);

    // Writes back one file's bytes and its entry in its folder now, before
    // something that relies on them (deleting the file it was copied from).
    // A read-only file is flushed as well. False when the file cannot be
    // opened or the flush was refused.
    static bool flushFile(const QString &file);
};

#endif
