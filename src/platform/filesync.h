#ifndef VELDANE_PLATFORM_FILESYNC_H
#define VELDANE_PLATFORM_FILESYNC_H

#include <QStringList>

#include <functional>

// Makes what a command wrote durable before its journal entry goes, so that a
// power cut cannot leave a renamed but empty file behind a finished entry.
class FileSync
{
public:
    // Linux and other Unix systems write back each file system holding one
    // of `folders` once (syncfs); Windows flushes each of `files`
    // (FlushFileBuffers), which it can only do per file. False when a sync
    // was refused. Writing back a gigabyte takes seconds: `whileWaiting`, when
    // given, is called every 50 ms meanwhile, so that a window can answer.
    static bool sync(const QStringList &folders, const QStringList &files,
                     const std::function<void()> &whileWaiting = {});

    // Writes back one file's bytes and its entry in its folder now, before
    // something that relies on them (deleting the file it was copied from).
    // A read-only file is flushed as well. False when the file cannot be
    // opened or the flush was refused.
    static bool flushFile(const QString &file);
};

#endif
