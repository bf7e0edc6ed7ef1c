#ifndef VELDANE_STATE_MANIFESTENTRY_H
#define VELDANE_STATE_MANIFESTENTRY_H

#include "platform/writestamp.h"

#include <QString>
#include <QtGlobal>

// What one file that Veldane copied into the game looked like right after the
// copy: enough to tell later whether anything else has written it since.
struct ManifestEntry
{
    qint64 size = -1;
    qint64 modified = 0; // modification time, milliseconds since the epoch (UTC)
    quint64 hash = 0;    // XXH3 (64 bits) of the content

    // A game file cloned from a file of Veldane's own (the mod's kept copy)
    // has its hash read only when it is first needed: it is the hash of
    // `hashSource` for as long as that file keeps `hashSourceStamp`. Empty
    // once `hash` holds it.
    QString hashSource;
    WriteStamp hashSourceStamp;

    bool hashPending() const { return !hashSource.isEmpty(); }

    bool operator==(const ManifestEntry &other) const
    {
        return size == other.size && modified == other.modified && hash == other.hash &&
               hashSource == other.hashSource && hashSourceStamp == other.hashSourceStamp;
    }
};

#endif
