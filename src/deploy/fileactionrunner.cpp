#include "deploy/fileactionrunner.h"

#include "deploy/commandpaths.h"
#include "deploy/filecopier.h"
#include "deploy/gamelayout.h"
#include "deploy/modcommands.h"
#include "platform/nativefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

FileActionRunner::FileActionRunner(const CommandContext &context, const QString &id,
                                   CommandReport &report, bool replaying)
    : m_context(context), m_report(report), m_replaying(replaying),
      m_game(context.layout.gamePath()), m_ownBackups(context.layout.backupFolder(id))
{
}

void FileActionRunner::run(const QList<FileAction> &actions)
{
    m_context.progress.range(0, actions.size());
    int position = 0;
    for (const FileAction &action : actions) {
        ++m_report.files;
        carryOut(action);
        m_context.progress.value(++position);
    }
}

void FileActionRunner::carryOut(const FileAction &action)
{
    switch (action.kind) {
    case FileAction::Restore:
        return restore(action);
    case FileAction::Delete:
        return deleteFile(action);
    case FileAction::HandDown:
        return handDown(action);
    case FileAction::DropBackup:
        return dropBackup(action);
    case FileAction::KeepAsIs:
        return;
    }
}

void FileActionRunner::restore(const FileAction &action)
{
    if (alreadyMoved(action) || !ownBackupMayMove(action)) {
        return;
    }
    if (action.changed) {
        // The restore is skipped when the changed file could not be set
        // aside.
        if (action.keepChanged ? !setAside(action.backup, action)
                               : !moveOverChanged(action, action.path)) {
            fail("[SetAsideError]:", action.path);
        }
    } else if (!isPlainFile(action.backup) ||
               !FileCopier::move(action.backup, action.path, m_context.byteProgress())) {
        fail("[RestoreFileError]:", action.path);
    }
}

void FileActionRunner::deleteFile(const FileAction &action)
{
    if (!m_game.contains(action.path)) {
        leaveAlone("[OutsideGameError]:", action.path);
    } else if (action.changed) {
        // A replay finds the file set aside already.
        if (!action.keepChanged && existsOrIsLink(action.path) && !setAside(action.path, action)) {
            fail("[SetAsideError]:", action.path);
        }
    } else if (existsOrIsLink(action.path)) {
        const QFileInfo file(action.path);
        if ((file.isDir() && !NativeFile::isLinkOrJunction(file)) ||
            !FileCopier::remove(action.path, m_context.byteProgress())) {
            fail("[DeleteFileError]:", action.path);
        }
    }
}

void FileActionRunner::handDown(const FileAction &action)
{
    if (alreadyMoved(action) || !ownBackupMayMove(action)) {
        return;
    }
    if (!upperHolds(action)) {
        leaveAlone("[OutsideBackupError]:",
                   action.upperBackup.isEmpty() ? action.path : action.upperBackup);
    } else if (action.changed) {
        // The layer above keeps what the game held when it came, which is no
        // longer this mod's file: kept, the original goes aside.
        QDir().mkpath(parentOf(action.upperBackup));
        if (action.keepChanged ? !setAside(action.backup, action)
                               : !moveOverChanged(action, action.upperBackup)) {
            fail("[SetAsideError]:", action.path);
        }
    } else {
        QDir().mkpath(parentOf(action.upperBackup));
        if (!isPlainFile(action.backup) ||
            !FileCopier::move(action.backup, action.upperBackup, m_context.byteProgress())) {
            fail("[RestoreFileError]:", action.path);
        }
    }
}

void FileActionRunner::dropBackup(const FileAction &action)
{
    // The layer above is an add now; its old backup is a stale copy of the
    // uninstalled mod's file and may go, or stay when it cannot. A changed
    // one is the only copy of that version and goes aside.
    if (m_game.contains(action.path) && upperHolds(action) && existsOrIsLink(action.upperBackup)) {
        if (!action.changed) {
            NativeFile::remove(action.upperBackup);
        } else if (!setAside(action.upperBackup, action)) {
            fail("[SetAsideError]:", action.path);
        }
    }
}

bool FileActionRunner::alreadyMoved(const FileAction &action) const
{
    // Replayed after a crash, a move whose backup is gone was carried out
    // before the crash: the file is in the game or in the layer above.
    return m_replaying && !action.backup.isEmpty() && !existsOrIsLink(action.backup);
}

bool FileActionRunner::ownBackupMayMove(const FileAction &action)
{
    if (!m_game.contains(action.path)) {
        leaveAlone("[OutsideGameError]:", action.path);
        return false;
    }
    if (action.backup.isEmpty() || !m_ownBackups.contains(action.backup)) {
        leaveAlone("[OutsideBackupError]:", action.backup.isEmpty() ? action.path : action.backup);
        return false;
    }
    return true;
}

bool FileActionRunner::upperHolds(const FileAction &action)
{
    if (action.upperBackup.isEmpty() || !ModCommands::isSafeModName(action.upperMod)) {
        return false;
    }
    auto check = m_upperBackups.find(action.upperMod);
    if (check == m_upperBackups.end()) {
        check = m_upperBackups
                    .emplace(action.upperMod,
                             FolderCheck(m_context.layout.backupFolder(action.upperMod)))
                    .first;
    }
    return check->second.contains(action.upperBackup);
}

bool FileActionRunner::setAside(const QString &from, const FileAction &action)
{
    // A version that does not stay in the game is moved, never deleted, and
    // never moved over another file.
    if (action.setAside.isEmpty() || existsOrIsLink(action.setAside) || !isPlainFile(from)) {
        return false;
    }
    QDir().mkpath(parentOf(action.setAside));
    if (!FileCopier::move(from, action.setAside, m_context.byteProgress())) {
        return false;
    }
    logLine("[SetAside]:", action.setAside);
    ++m_report.setAside;
    return true;
}

bool FileActionRunner::moveOverChanged(const FileAction &action, const QString &target)
{
    // Putting the backup in place of a changed file (in the game, or in the
    // backups of the layer above): the changed file moves out first, and a
    // replay finds it already gone.
    if (!existsOrIsLink(action.setAside) && !setAside(target, action)) {
        return false;
    }
    return !existsOrIsLink(target) && isPlainFile(action.backup) &&
           FileCopier::move(action.backup, target, m_context.byteProgress());
}

void FileActionRunner::leaveAlone(const char *tag, const QString &path)
{
    logLine(tag, path);
    ++m_report.leftAlone;
}

void FileActionRunner::fail(const char *tag, const QString &path)
{
    logLine(tag, path);
    ++m_report.failed;
}
