#include "platform/singleinstanceguard.h"

SingleInstanceGuard::SingleInstanceGuard(const QString &key) : m_key(key), m_memory(key) {}

bool SingleInstanceGuard::claim()
{
#ifndef Q_OS_WIN
    // A System V segment outlives a creator that crashed or was killed. Attaching
    // and detaching again removes it when nobody else is attached; a live
    // instance keeps its own attachment, so its segment stays.
    {
        QSharedMemory stale(m_key);
        if (stale.attach()) {
            stale.detach();
        }
    }
#endif
    return m_memory.create(1, QSharedMemory::ReadWrite);
}
