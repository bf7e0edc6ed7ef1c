#ifndef VELDANE_DEPLOY_GAMEDELETION_H
#define VELDANE_DEPLOY_GAMEDELETION_H

#include "config/workspace.h"

#include <QString>
#include <QStringList>

// Deletes what Veldane keeps for one game: its backup tree below the backup
// root, the kept copies of its mods in the workspace's mod/, its catalogue
// config/<game>.xml and its settings group. The game's own install folder is
// never touched, and neither is the folder of set-aside file versions in the
// backup tree: those are the user's own versions of game files, which only the
// user deletes.
class GameDeletion
{
public:
    enum class Refusal
    {
        None,
        NoGame,        // no game named
        NoBackupRoot,  // the backup root is empty
        UnsafeName,    // the name is not one folder name (a hand-edited settings file)
        ProgramFolder, // the backup tree would hold the program's own folders
        UserFolder,    // a folder to remove is or holds a game's install folder or the
                       // user's home folder
    };

    struct Result
    {
        Refusal refusal = Refusal::None;
        // Folders and files that could not be removed; the settings group is
        // kept then, so that deleting again can finish the job.
        QStringList failed;
        bool settingsWritten = false;
        // The set-aside folder left in place, when there is one.
        QString keptSetAside;
        bool succeeded() const
        {
            return refusal == Refusal::None && failed.isEmpty() && settingsWritten;
        }
    };

    // Why the game cannot be deleted with this backup root, or Refusal::None.
    // For UserFolder, `heldFolder` receives the folder that would go with it.
    static Refusal check(const QString &backupRoot, const QString &game,
                         QString *heldFolder = nullptr);
    static Refusal check(const Workspace &workspace, const QString &backupRoot, const QString &game,
                         QString *heldFolder = nullptr);

    // Mods of the game that its catalogue records as installed: their backups
    // are the only copies of the game files they replaced.
    static int installedMods(const QString &game, const Workspace &workspace = Workspace());

    // The game's backup tree: backupRoot + "/" + game.
    static QString backupTree(const QString &backupRoot, const QString &game);

    // Checks, then removes the backup tree, the kept copies and the catalogue,
    // and, when all of them are gone, the settings group.
    static Result removeGame(const QString &backupRoot, const QString &game);
    static Result removeGame(const Workspace &workspace, const QString &backupRoot,
                             const QString &game);
};

#endif
