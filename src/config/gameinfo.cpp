#include "config/gameinfo.h"

#include "config/gamesettings.h"
#include "platform/nativefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString GameInfo::settingsFile()
{
    return Workspace().settingsFile();
}

QStringList GameInfo::gameList()
{
    return GameSettings().games();
}

QString GameInfo::gamePath(QString game)
{
    return GameSettings().gamePath(game);
}

bool GameInfo::setGamePath(QString game, QString path)
{
    return GameSettings().setGamePath(game, path);
}

bool GameInfo::removeGameSettings(QString game)
{
    return GameSettings().removeGame(game);
}

bool GameInfo::copyFile(QString src, QString dst, bool overwrite)
{
    dst = QDir::fromNativeSeparators(dst);
    if (src == dst) {
        return true;
    }
    if (!QFile::exists(src)) {
        return false;
    }
    if (overwrite) {
        const QFileInfo existing(dst);
        if (existing.exists() || existing.isSymLink()) {
            QFile::remove(dst);
        }
    }
    return QFile::copy(src, dst);
}

bool GameInfo::copyFolder(QString src, QString dst, bool overwrite)
{
    QDir target(dst);
    if (!target.exists() && !target.mkdir(target.absolutePath())) {
        return false;
    }
    const QFileInfoList entries = QDir(src).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot,
                                                          QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &entry : entries) {
        // Links are not copied: the install does not follow them either, and a
        // kept copy must hold exactly what was installed.
        if (NativeFile::isLinkOrJunction(entry)) {
            continue;
        }
        if (entry.isDir()) {
            if (!copyFolder(entry.filePath(), target.filePath(entry.fileName()), overwrite)) {
                return false;
            }
            continue;
        }
        const QString copy = target.filePath(entry.fileName());
        if (overwrite && (QFileInfo::exists(copy) || QFileInfo(copy).isSymLink())) {
            QFile::remove(copy);
        }
        if (!QFile::copy(entry.filePath(), copy)) {
            return false;
        }
    }
    return true;
}

int GameInfo::countFiles(QString dir)
{
    int count = 0;
    const QFileInfoList entries = QDir(dir).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        // The same files that an install deploys: links are skipped there.
        if (NativeFile::isLinkOrJunction(entry)) {
            continue;
        }
        if (entry.isDir()) {
            count += countFiles(entry.filePath());
        } else if (entry.isFile()) {
            ++count;
        }
    }
    return count;
}
