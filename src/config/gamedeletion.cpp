#include "config/gamedeletion.h"

#include "config/foldername.h"
#include "config/gameinfo.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString absoluteClean(const QString &path)
{
    return QDir::cleanPath(QDir::current().absoluteFilePath(QDir::fromNativeSeparators(path)));
}

bool isSameOrInside(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

} // namespace

QString GameDeletion::backupTree(const QString &backupRoot, const QString &game)
{
    return backupRoot + QStringLiteral("/") + game;
}

GameDeletion::Refusal GameDeletion::check(const QString &backupRoot, const QString &game)
{
    // With either part empty the joined paths would name the whole backup
    // root, the whole mod store, or a folder at the top of the drive.
    if (game.isEmpty()) {
        return Refusal::NoGame;
    }
    if (backupRoot.isEmpty()) {
        return Refusal::NoBackupRoot;
    }
    if (!isSafeFolderName(game)) {
        return Refusal::UnsafeName;
    }
    // A backup root set to the working directory (or above it) would make a
    // game called "mod" or "config" remove every game's kept copies or
    // catalogues.
    const QString tree = absoluteClean(backupTree(backupRoot, game));
    const QString work = absoluteClean(QDir::currentPath());
    for (const QString &own : {work, work + QStringLiteral("/mod"),
                               work + QStringLiteral("/config"), work + QStringLiteral("/log")}) {
        if (isSameOrInside(own, tree)) {
            return Refusal::ProgramFolder;
        }
    }
    return Refusal::None;
}

GameDeletion::Result GameDeletion::removeGame(const QString &backupRoot, const QString &game)
{
    Result result;
    result.refusal = check(backupRoot, game);
    if (result.refusal != Refusal::None) {
        return result;
    }

    const QString backups = backupTree(backupRoot, game);
    const QFileInfo setAside(backups + QLatin1Char('/') + setAsideFolderName());
    if (setAside.isDir() && !setAside.isSymLink()) {
        result.keptSetAside = QDir::toNativeSeparators(setAside.absoluteFilePath());
        const QFileInfoList entries = QDir(backups).entryInfoList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo &entry : entries) {
            if (entry.fileName() == setAsideFolderName()) {
                continue;
            }
            const bool removed = entry.isDir() && !entry.isSymLink()
                                     ? GameInfo::removeFolder(entry.filePath())
                                     : QFile::remove(entry.filePath());
            if (!removed) {
                result.failed << QDir::toNativeSeparators(entry.filePath());
            }
        }
    } else if (!GameInfo::removeFolder(backups)) {
        result.failed << QDir::toNativeSeparators(backups);
    }
    const QString keptCopies = QDir::currentPath() + QStringLiteral("/mod/") + game;
    if (!GameInfo::removeFolder(keptCopies)) {
        result.failed << QDir::toNativeSeparators(keptCopies);
    }
    // The state database goes with the catalogue it keeps the books for.
    for (const char *suffix : {".xml", ".db", ".db-wal", ".db-shm"}) {
        const QString catalogue = QStringLiteral("./config/%1%2").arg(game, QLatin1String(suffix));
        const QFileInfo catalogueInfo(catalogue);
        if ((catalogueInfo.exists() || catalogueInfo.isSymLink()) && !QFile::remove(catalogue)) {
            result.failed << QDir::toNativeSeparators(catalogue);
        }
    }
    if (result.failed.isEmpty()) {
        result.settingsWritten = GameInfo::removeGameSettings(game);
    }
    return result;
}
