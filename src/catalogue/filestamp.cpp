#include "catalogue/filestamp.h"

#include <QDateTime>
#include <QFileInfo>

#include <algorithm>

FileStamp FileStamp::of(const QString &path)
{
    const QFileInfo info(path);
    FileStamp stamp;
    stamp.takenAt = QDateTime::currentMSecsSinceEpoch();
    stamp.valid = info.isFile();
    stamp.size = info.size();
    stamp.modified = info.lastModified().toMSecsSinceEpoch();
    stamp.changed = info.metadataChangeTime().toMSecsSinceEpoch();
    return stamp;
}

bool FileStamp::timesTooRecent() const
{
    const qint64 clockSlackMs = 2500;
    return std::max(modified, changed) >= takenAt - clockSlackMs;
}

bool FileStamp::sameTimesAndSize(const FileStamp &other) const
{
    return valid && other.valid && size == other.size && modified == other.modified &&
           changed == other.changed;
}
