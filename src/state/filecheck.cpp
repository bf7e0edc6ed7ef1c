#include "state/filecheck.h"

#include "platform/contenthasher.h"

#include <QDateTime>
#include <QFileInfo>

FileCheck::State FileCheck::compare(const QString &path, const ManifestEntry &recorded)
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
    quint64 hash = 0;
    if (!ContentHasher::hashFile(path, &hash)) {
        // Unreadable now: treated as changed, so that it is set aside rather
        // than overwritten.
        return Changed;
    }
    return hash == recorded.hash ? Unchanged : Changed;
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
