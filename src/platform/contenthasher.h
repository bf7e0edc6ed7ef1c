#ifndef VELDANE_PLATFORM_CONTENTHASHER_H
#define VELDANE_PLATFORM_CONTENTHASHER_H

#include <QString>

struct XXH3_state_s;

// XXH3 (64 bits) of a file's content, fed piece by piece, so that a copy loop
// can hash the bytes it moves without reading the file a second time.
class ContentHasher
{
public:
    ContentHasher();
    ~ContentHasher();
    ContentHasher(const ContentHasher &) = delete;
    ContentHasher &operator=(const ContentHasher &) = delete;

    void add(const char *data, qint64 size);
    quint64 digest() const;

    // Reads the whole file; false when it cannot be read.
    static bool hashFile(const QString &path, quint64 *hash);

private:
    XXH3_state_s *m_state;
};

#endif
