#include "state/filecheck.h"

#include "platform/contenthasher.h"

#include <QDateTime>
#include <QFileInfo>

FileCheck::State FileCheck::compare(const QString &path, const ManifestEntry &recorded,
                                    std::optional<quint64> *settled)
{
    const QFileInfo info(path);
    if (info.isSymLink()) {
        return Changed;
    }
    if (!info.exists()) {
        return Missing;
    }
    if (!info.isFile()) {
        return Changed;
    }
    if (info.size() != recorded.size) {
        return Changed;
    }
    if (info.lastModified().toMSecsSinceEpoch() == recorded.modified) {
        return Unchanged;
    }
    // A pending hash whose source was written since cannot say what the
    // game file held: the answer is "changed", so that the user is asked and
    // every version is kept, never "unchanged" on a guess.
    quint64 original = 0;
    if (!recordedHash(recorded, &original)) {
        return Changed;
    }
    if (recorded.hashPending() && settled) {
        *settled = original;
    }
    quint64 hash = 0;
    if (!ContentHasher::hashFile(path, &hash)) {
        // Unreadable now: treated as changed, so that it is set aside rather
        // than overwritten.
        return Changed;
    }
    return hash == original ? Unchanged : Changed;
}

bool FileCheck::recordedHash(const ManifestEntry &recorded, quint64 *hash)
{
    if (!recorded.hashPending()) {
        *hash = recorded.hash;
        return true;
    }
    // Stamped before and after the read: a write while it is read shows as
    // well as one before.
    WriteStamp before;
    WriteStamp after;
    return WriteStamp::of(recorded.hashSource, &before) && before == recorded.hashSourceStamp &&
           ContentHasher::hashFile(recorded.hashSource, hash) &&
           WriteStamp::of(recorded.hashSource, &after) && after == before;
}

ManifestEntry FileCheck::stamp(const QString &path, quint64 hash)
{
    const QFileInfo info(path);
    ManifestEntry entry;
    if (info.isFile() && !info.isSymLink()) {
        entry.size = info.size();
        entry.modified = info.lastModified().toMSecsSinceEpoch();
    }
    entry.hash = hash;
    return entry;
}

ManifestEntry FileCheck::stampOfClone(const QString &path, const QString &source,
                                      const WriteStamp &sourceStamp)
{
    ManifestEntry entry = stamp(path, 0);
    entry.hashSource = source;
    entry.hashSourceStamp = sourceStamp;
    return entry;
}
