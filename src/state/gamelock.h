#ifndef VELDANE_STATE_GAMELOCK_H
#define VELDANE_STATE_GAMELOCK_H

#include <QLockFile>
#include <QString>

// Keeps two processes from running commands on one game at once: held for
// the length of a command or a recovery, in config/<game>.lock beside the
// catalogue. A lock left by a killed process is taken over (its process id is
// checked), however long ago it was made.
class GameLock
{
public:
    explicit GameLock(const QString &cataloguePath);

    // Waits up to `timeoutMs` for another process to finish; false only when
    // it still holds the game.
    bool acquire(int timeoutMs = 2000);
    bool isLocked() const { return m_file.isLocked(); }

    static QString pathForCatalogue(const QString &cataloguePath);

private:
    QString m_path;
    QLockFile m_file;
};

#endif
