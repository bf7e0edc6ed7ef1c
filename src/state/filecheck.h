#ifndef VELDANE_STATE_FILECHECK_H
#define VELDANE_STATE_FILECHECK_H

#include "state/manifestentry.h"

#include <QString>

#include <optional>

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
    // since copying a file back or touching it changes only its time, and
    // compared with the recorded hash. A hash still pending is read from its
    // source now; `settled`, when given, then receives it, for the manifest
    // to keep.
    static State compare(const QString &path, const ManifestEntry &recorded,
                         std::optional<quint64> *settled = nullptr);

    // The hash of the content the record was made of: its own, or the one of
    // its clone's source, read now, when that source is still as it was when
    // the clone was made. False when it was written since, replaced, or is
    // gone or unreadable: then no hash can stand for the copy's content.
    static bool recordedHash(const ManifestEntry &recorded, quint64 *hash);

    // Size and time of the file as it is now, with the given content hash;
    // size -1 when it is no plain file.
    static ManifestEntry stamp(const QString &path, quint64 hash);
    // The same for a clone of `source`, whose hash is left for later: the
    // source stamped as it was while the clone was made.
    static ManifestEntry stampOfClone(const QString &path, const QString &source,
                                      const WriteStamp &sourceStamp);
};

#endif
