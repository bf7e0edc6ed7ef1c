#ifndef VELDANE_CONFIG_GAMEINFO_H
#define VELDANE_CONFIG_GAMEINFO_H

#include <QObject>
#include <QString>

// Where a game is installed (settings file first, then the registry) and the
// plain file operations that the install, uninstall and delete-game commands
// share. Everything is static.
class GameInfo : public QObject
{
    Q_OBJECT

public:
    // Name of the settings file in the working directory.
    static QString settingsFile();

    static QString gamePath(QString game);
    static void setGamePath(QString game, QString path);
    static void removeGameSettings(QString game);

    static bool copyFile(QString src, QString dst, bool overwrite);
    static bool copyFolder(QString src, QString dst, bool overwrite);
    static int countFiles(QString dir);
    static bool removeFolder(const QString &dir);
};

#endif
