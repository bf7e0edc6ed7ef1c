#include "catalogue/cataloguefile.h"

#include "catalogue/cataloguewriter.h"
#include "platform/contenthasher.h"

#include <QFile>

bool CatalogueFile::read(const QString &path, QByteArray &bytes, FileStamp &stamp)
{
    stamp = FileStamp::of(path);
    QFile file(path);
    if (!stamp.valid || !file.open(QIODevice::ReadOnly)) {
        return false;
    }
    bytes = file.readAll();
    if (file.error() != QFile::NoError) {
        return false;
    }
    if (stamp.timesTooRecent()) {
        stamp.hash = contentHash(bytes);
    }
    return true;
}

quint64 CatalogueFile::contentHash(const QByteArray &bytes)
{
    ContentHasher hasher;
    hasher.add(bytes.constData(), bytes.size());
    return hasher.digest();
}

bool CatalogueFile::unchanged(const QString &path) const
{
    if (!m_stamp.sameTimesAndSize(FileStamp::of(path))) {
        return false;
    }
    // Another write close to the stamp can leave the same times and size;
    // only the content tells then.
    quint64 hash = 0;
    return !m_stamp.timesTooRecent() ||
           (ContentHasher::hashFile(path, &hash) && hash == m_stamp.hash);
}

bool CatalogueFile::commit(const QString &path, QByteArray &bytes)
{
    CatalogueWriter writer(path);
    quint64 hash = 0;
    if (!writer.commit(bytes, &hash)) {
        return false;
    }
    stampWritten(path, hash);
    return true;
}

void CatalogueFile::stampWritten(const QString &path, quint64 hash)
{
    m_stamp = FileStamp::of(path);
    m_stamp.hash = hash;
}
