#ifndef VELDANE_CATALOGUE_FILESTAMP_H
#define VELDANE_CATALOGUE_FILESTAMP_H

#include <QString>

// What a file looked like at one moment: enough to tell, later, whether it
// was written since.
class FileStamp
{
public:
    static FileStamp of(const QString &path);

    // Whether the file's times are too close to the moment of the stamp to
    // show a later write: they follow a coarse clock, and some file systems
    // keep them in whole seconds.
    bool timesTooRecent() const;
    bool sameTimesAndSize(const FileStamp &other) const;

    bool valid = false;
    qint64 size = -1;
    qint64 modified = 0; // ms since the epoch
    qint64 changed = 0;  // metadata change time, ms since the epoch
    qint64 takenAt = 0;  // when the stamp was taken, ms since the epoch
    quint64 hash = 0;    // of the whole content, taken when the times cannot tell
};

#endif
