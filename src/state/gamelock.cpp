#include "state/gamelock.h"

#include "log/ceasylog.h"

GameLock::GameLock(const QString &cataloguePath)
    : m_path(pathForCatalogue(cataloguePath)), m_file(m_path)
{
    // A command on thousands of files may hold the lock for minutes; only a
    // dead owner makes it stale.
    m_file.setStaleLockTime(0);
}

bool GameLock::acquire(int timeoutMs)
{
    if (m_file.isLocked() || m_file.tryLock(timeoutMs)) {
        return true;
    }
    if (m_file.error() == QLockFile::LockFailedError) {
        // A process killed between creating the lock file and writing its
        // id into it leaves a file that names no owner, and with no age
        // limit nothing would ever take it over. A live owner writes its id
        // at once, long before the wait above ends.
        qint64 pid = 0;
        QString host;
        QString application;
        if (!m_file.getLockInfo(&pid, &host, &application) && m_file.removeStaleLockFile()) {
            CEasyLog::instance()->write(QStringLiteral("[LockTakenOver]:") + m_path);
            return m_file.tryLock(0);
        }
        return false;
    }
    // No lock file can be made here (a missing or read-only folder): then no
    // other process can have made one either, and the command's own writes
    // will tell whether the folder is usable.
    CEasyLog::instance()->write(QStringLiteral("[LockError]:") + m_path);
    return true;
}

QString GameLock::pathForCatalogue(const QString &cataloguePath)
{
    QString path = cataloguePath;
    if (path.endsWith(QLatin1String(".xml"))) {
        path.chop(4);
    }
    return path + QStringLiteral(".lock");
}
