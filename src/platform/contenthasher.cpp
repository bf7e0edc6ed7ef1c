#include "platform/contenthasher.h"

#include <QFile>

#include <xxhash.h>

ContentHasher::ContentHasher() : m_state(XXH3_createState())
{
    XXH3_64bits_reset(m_state);
}

ContentHasher::~ContentHasher()
{
    XXH3_freeState(m_state);
}

void ContentHasher::add(const char *data, qint64 size)
{
    XXH3_64bits_update(m_state, data, static_cast<size_t>(size));
}

quint64 ContentHasher::digest() const
{
    return XXH3_64bits_digest(m_state);
}

bool ContentHasher::hashFile(const QString &path, quint64 *hash)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return false;
    }
    ContentHasher hasher;
    static constexpr qint64 chunkSize = 64 * 1024;
    char buffer[chunkSize];
    qint64 read = 0;
    while ((read = file.read(buffer, chunkSize)) > 0) {
        hasher.add(buffer, read);
    }
    if (read < 0) {
        return false;
    }
    *hash = hasher.digest();
    return true;
}
