#ifndef VELDANE_CATALOGUE_CATALOGUEWRITER_H
#define VELDANE_CATALOGUE_CATALOGUEWRITER_H

#include "platform/contenthasher.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>

// A new catalogue written beside the old one in pieces, hashed as it goes,
// and renamed over the old file on commit, so that a crash or a full disk
// leaves the previous catalogue whole.
class CatalogueWriter
{
public:
    // Large catalogues are written through a buffer of this size: a buffer of
    // the whole file would be fresh memory, page by page, every time.
    static const int kPieceSize = 1 << 20;

    explicit CatalogueWriter(const QString &path);

    // Writes `bytes` out once it holds a piece's worth, and empties it.
    void flushPiece(QByteArray &bytes);
    // Writes the rest and puts the file in place; false leaves the old one.
    bool commit(QByteArray &bytes, quint64 *hash);

private:
    void write(QByteArray &bytes);

    QSaveFile m_file;
    ContentHasher m_hasher;
    bool m_ok = false;
};

#endif
