#ifndef VELDANE_CATALOGUE_CATALOGUEFILE_H
#define VELDANE_CATALOGUE_CATALOGUEFILE_H

#include "catalogue/filestamp.h"

#include <QByteArray>
#include <QString>

// The catalogue file as this process last read or wrote it. A file that still
// carries that stamp need not be read again; one that does not is read whole,
// because someone else wrote it.
class CatalogueFile
{
public:
    // Reads the whole file with a stamp taken before reading, so that a change
    // made meanwhile shows at the next check.
    static bool read(const QString &path, QByteArray &bytes, FileStamp &stamp);
    static quint64 contentHash(const QByteArray &bytes);

    // Whether the file at `path` is still the one last read or written here.
    bool unchanged(const QString &path) const;
    // Replaces the file atomically with `bytes` (emptied on the way).
    bool commit(const QString &path, QByteArray &bytes);
    void stampWritten(const QString &path, quint64 hash);
    void adopt(const FileStamp &stamp) { m_stamp = stamp; }
    void forget() { m_stamp = FileStamp(); }

private:
    FileStamp m_stamp;
};

#endif
