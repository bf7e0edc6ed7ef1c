#include "deploy/gamedeletion.h"

#include "catalogue/modcfg.h"
#include "config/foldername.h"
#include "config/gamesettings.h"
#include "platform/foldertree.h"
#include "platform/gameregistry.h"
#include "platform/nativefile.h"
#include "platform/pathcase.h"
#include "state/statedatabase.h"

#include <QCoreApplication>
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

// The path with its links and ".." resolved as far as it exists, so that a
// link in the backup root or a spelling with ".." cannot hide what it names.
QString resolved(const QString &path)
{
    QString existing = absoluteClean(path);
    QString rest;
    while (!QFileInfo::exists(existing)) {
        const int cut = existing.lastIndexOf(QLatin1Char('/'));
        if (cut <= 0 || existing.endsWith(QLatin1Char(':'))) {
            return absoluteClean(path);
        }
        rest.prepend(existing.mid(cut));
        existing = existing.left(cut);
    }
    return QDir::cleanPath(QFileInfo(existing).canonicalFilePath() + rest);
}

// Where names differing only in case name one folder (Windows, or a game
// folder found to ignore case on an NTFS or exFAT drive), the tree of "HS"
// is the user's "hs".
bool holds(const QString &folder, const QString &path)
{
    if (PathCase::ignoresCase()) {
        return isSameOrInside(path.toCaseFolded(), folder.toCaseFolded());
    }
    return isSameOrInside(path, folder);
}

// Folders of the user's that no deletion of Veldane's data may take along.
QStringList userFolders(const GameSettings &settings, const QString &game)
{
    QStringList games = settings.games();
    games << game;
    QStringList folders;
    for (const QString &known : qAsConst(games)) {
        folders << settings.gamePath(known) << GameRegistry::installDir(known);
    }
    folders << QDir::homePath();
    folders.removeAll(QString());
    return folders;
}

} // namespace

QString GameDeletion::backupTree(const QString &backupRoot, const QString &game)
{
    return backupRoot + QStringLiteral("/") + game;
}

GameDeletion::Refusal GameDeletion::check(const QString &backupRoot, const QString &game,
                                          QString *heldFolder)
{
    return check(Workspace(), backupRoot, game, heldFolder);
}

GameDeletion::Refusal GameDeletion::check(const Workspace &workspace, const QString &backupRoot,
                                          const QString &game, QString *heldFolder)
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
    const QStringList removed = {resolved(backupTree(backupRoot, game)),
                                 resolved(workspace.modStore(game))};
    const QString work = resolved(workspace.folder());
    QStringList own = {work, work + QStringLiteral("/mod"), work + QStringLiteral("/config"),
                       work + QStringLiteral("/log")};
    if (QCoreApplication::instance()) {
        own << resolved(QCoreApplication::applicationDirPath());
    }
    for (const QString &tree : removed) {
        for (const QString &folder : qAsConst(own)) {
            if (holds(tree, folder)) {
                return Refusal::ProgramFolder;
            }
        }
    }
    // With the backup root in the folder that holds the games, a game named
    // after its folder would have its whole installation removed.
    for (const QString &folder : userFolders(GameSettings(workspace), game)) {
        const QString user = resolved(folder);
        for (const QString &tree : removed) {
            if (holds(tree, user)) {
                if (heldFolder) {
                    *heldFolder = QDir::toNativeSeparators(folder);
                }
                return Refusal::UserFolder;
            }
        }
    }
    return Refusal::None;
}

int GameDeletion::installedMods(const QString &game, const Workspace &workspace)
{
    ModCfg catalogue(workspace.configFolder());
    catalogue.setGame(game);
    int installed = 0;
    for (const ModRecord &record : qAsConst(catalogue.m_mods)) {
        if (record.install != 0) {
            ++installed;
        }
    }
    return installed;
}

GameDeletion::Result GameDeletion::removeGame(const QString &backupRoot, const QString &game)
{
    return removeGame(Workspace(), backupRoot, game);
}

GameDeletion::Result GameDeletion::removeGame(const Workspace &workspace, const QString &backupRoot,
                                              const QString &game)
{
    Result result;
    result.refusal = check(workspace, backupRoot, game);
    if (result.refusal != Refusal::None) {
        return result;
    }

    const QString backups = backupTree(backupRoot, game);
    const QFileInfo setAside(backups + QLatin1Char('/') + setAsideFolderName());
    if (setAside.isDir() && !NativeFile::isLinkOrJunction(setAside)) {
        result.keptSetAside = QDir::toNativeSeparators(setAside.absoluteFilePath());
        const QFileInfoList entries = QDir(backups).entryInfoList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo &entry : entries) {
            if (entry.fileName() == setAsideFolderName()) {
                continue;
            }
            const bool removed = entry.isDir() && !NativeFile::isLinkOrJunction(entry)
                                     ? FolderTree::remove(entry.filePath())
                                     : NativeFile::remove(entry.filePath());
            if (!removed) {
                result.failed << QDir::toNativeSeparators(entry.filePath());
            }
        }
    } else if (!FolderTree::remove(backups)) {
        result.failed << QDir::toNativeSeparators(backups);
    }
    const QString keptCopies = workspace.modStore(game);
    if (!FolderTree::remove(keptCopies)) {
        result.failed << QDir::toNativeSeparators(keptCopies);
    }
    // The state database goes with the catalogue it keeps the books for.
    const QString catalogue = workspace.catalogueFile(game);
    QStringList files = StateDatabase::filesForCatalogue(catalogue);
    files.prepend(catalogue);
    for (const QString &file : qAsConst(files)) {
        const QFileInfo info(file);
        if ((info.exists() || info.isSymLink()) && !NativeFile::remove(file)) {
            result.failed << QDir::toNativeSeparators(file);
        }
    }
    if (result.failed.isEmpty()) {
        result.settingsWritten = GameSettings(workspace).removeGame(game);
    }
    return result;
}
