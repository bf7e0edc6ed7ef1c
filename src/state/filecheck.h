#ifndef VELDANE_STATE_FILECHECK_H
#define VELDANE_STATE_FILECHECK_H

#include "state/manifestentry.h"

#include <QString>

// Compares a game file with what the manifest recorded of it.
class FileCheck
{
public:
    enum State
    {
        Unchanged, // same size and time, or else the same content
        Changed,   // other content, or no longer a plain file (a link or a folder)
        Missing    // nothing at the path any more
    };

    // Size and time decide when both match; otherwise the content is hashed,
    // since copying a file back or touching it changes only its time.
    static State compare(const QString &path, const ManifestEntry &recorded);

    // Size and time of the file as it is now, with the given content hash;
    // size -1 when it is no plain file.
    static ManifestEntry stamp(const QString &path, quint64 hash);
};

#endif
