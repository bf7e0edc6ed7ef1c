#ifndef VELDANE_CONFIG_GAMESETTINGS_H
#define VELDANE_CONFIG_GAMESETTINGS_H

#include "config/workspace.h"

#include <QString>
#include <QStringList>

// The settings file of a workspace, and the only code that spells its keys:
// /Global/BakPath (the backup root the user chose), /Global/Select (the game
// shown at start), /Global/ModListOrder (how the mod list is sorted) and
// /<game>/GamePath (where a game is installed). Every call
// opens the file afresh, so the window and the command-line tool see each
// other's changes.
class GameSettings
{
public:
    explicit GameSettings(const Workspace &workspace = Workspace());

    QString file() const { return m_workspace.settingsFile(); }

    // The games the settings know: every top-level group except "Global", in
    // the order the settings file returns them.
    QStringList games() const;
    // Whether the file holds more than one group: before that, the window asks
    // for the first game instead of picking one.
    bool hasGames() const;
    // The game to work on: /Global/Select when it is a plain folder name, else
    // the first game of the file that is one (empty when there is none).
    QString currentGame() const;

    // As stored, possibly empty.
    QString backupPath() const;
    QString selectedGame() const;
    // Where a game's backups go, with native separators: below BakPath, or
    // below the workspace's data/ when none is set.
    QString backupRoot(const QString &game) const;
    // What the settings dialog shows as backup folder.
    QString shownBackupPath() const;

    // Install folder of a game: GamePath when not empty, else what the
    // game's installer registered, else an empty string.
    QString gamePath(const QString &game) const;

    // Each returns whether the settings file was written.
    bool setBackupPath(const QString &path);
    bool setSelectedGame(const QString &game);
    // The interface language (LanguageSetting::key()); it takes effect at the
    // next start.
    bool setLanguage(const QString &language);
    // The mod list's order as ModListOrder spells it ("name", "time desc"),
    // empty when never chosen.
    QString modListOrder() const;
    bool setModListOrder(const QString &order);
    // Also adds the game to the list.
    bool setGamePath(const QString &game, const QString &path);
    // Forgets a game with every key of its group (true when there was nothing
    // to remove).
    bool removeGame(const QString &game);

private:
    bool setValue(const QString &key, const QString &value);

    Workspace m_workspace;
};

#endif
