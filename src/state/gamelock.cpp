#include "state/gamelock.h"

#include "log/ceasylog.h"

#include <QDateTime>
#include <QFileInfo>

namespace {

// Removes a lock file that names no owner: its maker was killed between
// creating it and writing its id. A live maker writes its id at once, so a
// file a second old that still names nobody is left by a dead one.
bool removeUnnamed(QLockFile &lock, const QString &path)
{
    const QFileInfo file(path);
    qint64 pid = 0;
    QString host;
    QString application;
    return file.exists() && file.lastModified().msecsTo(QDateTime::currentDateTime()) >= 1000 &&
           !lock.getLockInfo(&pid, &host, &application) && lock.removeStaleLockFile();
}

} // namespace

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
        // With no age limit, a lock file that names no owner would never be
        // taken over. Nor would a dead owner's lock while the ".rmlock" that
        // QLockFile holds as it removes such a lock names nobody: a process
        // killed there blocks every removal for half a minute.
        const QString removalPath = m_path + QStringLiteral(".rmlock");
        QLockFile removal(removalPath);
        const bool lockFreed = removeUnnamed(m_file, m_path);
        const bool removalFreed = removeUnnamed(removal, removalPath);
        if (lockFreed || removalFreed) {
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
