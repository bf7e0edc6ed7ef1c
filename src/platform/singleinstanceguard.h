#ifndef VELDANE_PLATFORM_SINGLEINSTANCEGUARD_H
#define VELDANE_PLATFORM_SINGLEINSTANCEGUARD_H

#include <QSharedMemory>
#include <QString>

// Claims the named shared-memory segment that marks a running Veldane. The
// segment is released when the guard is destroyed.
class SingleInstanceGuard
{
public:
    explicit SingleInstanceGuard(const QString &key = QStringLiteral("Veldane"));

    // True when no other live instance holds the segment.
    bool claim();

private:
    QString m_key;
    QSharedMemory m_memory;
};

#endif
