#include "deploy/gamelayout.h"

#include "config/foldername.h"
#include "config/gamesettings.h"
#include "platform/pathcase.h"

#include <QDir>
#include <QFileInfo>

GameLayout::GameLayout(const QString &gamePath, const QString &bakRoot, const QString &modStore)
    : m_gamePath(gamePath), m_gameRoot(withoutTrailingSeparator(gamePath)), m_bakRoot(bakRoot),
      m_modStore(modStore)
{
}

GameLayout GameLayout::forGame(const Workspace &workspace, const QString &game)
{
    const GameSettings settings(workspace);
    return GameLayout(settings.gamePath(game), settings.backupRoot(game), workspace.modStore(game));
}

QString GameLayout::backupFolder(const QString &mod) const
{
    return join(m_bakRoot, mod);
}

QString GameLayout::keptCopy(const QString &mod) const
{
    return join(m_modStore, mod);
}

QString GameLayout::setAsideRoot() const
{
    return join(m_bakRoot, setAsideFolderName());
}

QString GameLayout::relativePath(const QString &recordedPath) const
{
    if (m_gameRoot.isEmpty()) {
        return QString();
    }
    // A catalogue written before the game folder was set again in another
    // case, or on Windows with the other separator, still names the same
    // files there. Folding keeps each separator one character long.
    const QString prefix = QDir::fromNativeSeparators(join(m_gameRoot, QString()));
    if (!QDir::fromNativeSeparators(recordedPath).startsWith(prefix, PathCase::sensitivity()) ||
        recordedPath.size() == prefix.size()) {
        return QString();
    }
    return recordedPath.mid(prefix.size());
}

QString GameLayout::backupPath(const QString &mod, const QString &recordedPath) const
{
    const QString relative = relativePath(recordedPath);
    if (relative.isEmpty()) {
        return QString();
    }
    return join(backupFolder(mod), relative);
}

GameLayout::InstallRoots GameLayout::installRoots(const QString &folder, const QString &mod) const
{
    InstallRoots roots{gameRoot(), backupFolder(mod), keptCopy(mod)};
    const QString ownFolder = gameFolderName(folder);
    if (!ownFolder.isEmpty()) {
        const QString gameSpelling = PathCase::existingName(roots.target, ownFolder);
        roots.target = join(roots.target, gameSpelling);
        roots.backup = join(roots.backup, gameSpelling);
        roots.kept = join(roots.kept, ownFolder);
    }
    return roots;
}

QString GameLayout::gameFolderName(const QString &folder)
{
    const QString name = QFileInfo(withoutTrailingSeparator(folder)).fileName();
    for (const char *own : {"abdata", "Plugins", "UserData"}) {
        if (name.compare(QLatin1String(own), PathCase::sensitivity()) == 0) {
            return name;
        }
    }
    return QString();
}

QString GameLayout::join(const QString &parent, const QString &child)
{
    return parent + QDir::separator() + child;
}

QString GameLayout::withoutTrailingSeparator(const QString &path)
{
    QString result = path;
    while (result.size() > 1 &&
           (result.endsWith(QLatin1Char('/')) || result.endsWith(QDir::separator()))) {
        result.chop(1);
    }
    return result;
}
