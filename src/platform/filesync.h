#ifndef VELDANE_PLATFORM_FILESYNC_H
#define VELDANE_PLATFORM_FILESYNC_H

#include <QStringList>

// Makes what a command wrote durable before its journal entry goes, so that a
// power cut cannot leave a renamed but empty file behind a finished entry.
class FileSync
{
public:
    // Linux and other Unix systems write back each file system holding one
    // of `folders` once (syncfs); Windows flushes each of `files`
    // (FlushFileBuffers), which it can only do per file. False when a sync
    // was refused.
    static bool sync(const QStringList &folders, const QStringList &files);
};

#endif
