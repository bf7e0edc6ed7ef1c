#ifndef VELDANE_DEPLOY_FILECOPIER_H
#define VELDANE_DEPLOY_FILECOPIER_H

#include <QString>

// Plain file copies and moves for game files. QFile::copy goes through a
// temporary file and a rename for every file, which makes installing
// thousands of small files several times slower than the copy itself.
class FileCopier
{
public:
    // Copies `source` over `destination` (created or truncated) and gives it the
    // source's permissions. A link at `destination` is replaced, never written
    // through. False when the file could not be copied completely.
    static bool copy(const QString &source, const QString &destination);

    // Copies only when `destination` does not exist yet; false when it does.
    static bool copyNew(const QString &source, const QString &destination);

    // Replaces `destination` by `source` in one step where the file system
    // allows it (a rename), else copies and then deletes `source`. The old
    // destination stays untouched when the move fails.
    static bool move(const QString &source, const QString &destination);
};

#endif
