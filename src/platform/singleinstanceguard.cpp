#include "platform/singleinstanceguard.h"

SingleInstanceGuard::SingleInstanceGuard(const QString &key) : m_key(key), m_memory(key) {}

bool SingleInstanceGuard::claim()
{
#ifdef Q_OS_WIN
    // Named shared memory vanishes with the last process that holds it.
    return m_memory.create(1, QSharedMemory::ReadWrite);
#else
    // A System V segment outlives a creator that crashed or was killed.
    // Attaching and detaching again removes it when nobody else is attached; a
    // live instance keeps its own attachment, so its segment stays. Attaching
    // needs the key file, which may be gone while the segment is not (its key
    // is derived from the file's inode, and a new file can get the old inode):
    // the failed create() leaves a key file behind, so a second round then
    // finds and removes such a segment too.
    for (int round = 0; round < 2; ++round) {
        QSharedMemory stale(m_key);
        if (stale.attach()) {
            stale.detach();
        }
        if (m_memory.create(1, QSharedMemory::ReadWrite)) {
            return true;
        }
        if (m_memory.error() != QSharedMemory::AlreadyExists) {
            return false;
        }
    }
    return false;
#endif
}
