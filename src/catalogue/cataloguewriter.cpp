#include "catalogue/cataloguewriter.h"

CatalogueWriter::CatalogueWriter(const QString &path) : m_file(path)
{
    m_ok = m_file.open(QIODevice::WriteOnly);
}

void CatalogueWriter::flushPiece(QByteArray &bytes)
{
    if (bytes.size() >= kPieceSize) {
        write(bytes);
    }
}

bool CatalogueWriter::commit(QByteArray &bytes, quint64 *hash)
{
    write(bytes);
    // Flushed here: commit() does not see a failure of its own final flush,
    // and would put a cut-off catalogue in place.
    if (!m_ok || !m_file.flush()) {
        m_file.cancelWriting();
        return false;
    }
    *hash = m_hasher.digest();
    return m_file.commit();
}

void CatalogueWriter::write(QByteArray &bytes)
{
    m_ok = m_ok && m_file.write(bytes) == bytes.size();
    m_hasher.add(bytes.constData(), bytes.size());
    // A reserved array keeps its memory when emptied.
    bytes.resize(0);
}
