#ifndef VELDANE_CONFIG_GAMEINFO_H
#define VELDANE_CONFIG_GAMEINFO_H

#include <QObject>
#include <QString>
#include <QStringList>

// Plain file copies and counts, and shorthands for the settings of the
// working directory's workspace (GameSettings owns the keys). Everything is static.
class GameInfo : public QObject
{
    Q_OBJECT

public:
    // Name of the settings file in the working directory.
    static QString settingsFile();

    // The games the settings know: every top-level group except "Global", in
    // the order the settings file returns them.
    static QStringList gameList();

    // Install folder of a game: the settings' GamePath when not empty, else
    // what the game's installer registered, else an empty string.
    static QString gamePath(QString game);
    // Writes a game's GamePath, which also adds the game to the list. Returns
    // whether the settings file was written.
    static bool setGamePath(QString game, QString path);
    // Forgets a game with every key of its group. Returns whether the settings
    // file was written (also true when there was nothing to remove).
    static bool removeGameSettings(QString game);

    static bool copyFile(QString src, QString dst, bool overwrite);
    static bool copyFolder(QString src, QString dst, bool overwrite);
    static int countFiles(QString dir);
};

#endif
