#ifndef VELDANE_DEPLOY_GAMELAYOUT_H
#define VELDANE_DEPLOY_GAMELAYOUT_H

#include <QString>

class Workspace;

// The three per-game roots that every mod command works with, and the mirror
// rule between them: a game file, its backup and its kept copy have the same
// path relative to the game folder, the mod's backup folder and its kept copy.
class GameLayout
{
public:
    GameLayout() = default;
    GameLayout(const QString &gamePath, const QString &bakRoot, const QString &modStore);
    // The roots of `game` as the workspace's settings name them.
    static GameLayout forGame(const Workspace &workspace, const QString &game);

    // The game folder without its trailing separator; empty when none is set.
    QString gameRoot() const { return m_gameRoot; }
    QString gamePath() const { return m_gamePath; }

    // The folder holding the kept copies of this game's mods.
    QString modStore() const { return m_modStore; }
    QString backupFolder(const QString &mod) const;
    QString keptCopy(const QString &mod) const;

    // Where an install of `folder` as `mod` writes: a chosen game folder such
    // as "abdata" lands in the game's folder of that name (as the game spells
    // it), its backups and kept copy one level down too.
    struct InstallRoots
    {
        QString target;
        QString backup;
        QString kept;
    };
    InstallRoots installRoots(const QString &folder, const QString &mod) const;
    // Where uninstalls set aside file versions; no mod's backup folder.
    QString setAsideRoot() const;

    // Path of a recorded game file relative to the game folder, or an empty
    // string when the text does not start with the game folder.
    QString relativePath(const QString &recordedPath) const;
    // Where `mod` keeps its backup of the recorded game file; empty when the
    // path is not below the game folder.
    QString backupPath(const QString &mod, const QString &recordedPath) const;

    // The folder's own name when it is one of the game's top-level folders
    // ("abdata", "Plugins", "UserData"), compared as the game's file system
    // compares names (PathCase); else empty. Every place that recognises the
    // game's own folders asks here.
    static QString gameFolderName(const QString &folder);

    // Joins with the platform's separator, without normalising either part.
    static QString join(const QString &parent, const QString &child);
    // Drops one trailing "/" (and "\" on Windows), but never the root's only one.
    static QString withoutTrailingSeparator(const QString &path);

private:
    QString m_gamePath;
    QString m_gameRoot;
    QString m_bakRoot;
    QString m_modStore;
};

#endif
