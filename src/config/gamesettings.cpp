#include "config/gamesettings.h"

#include "config/foldername.h"
#include "config/languagesetting.h"
#include "platform/gameregistry.h"

#include <QDir>
#include <QSettings>

namespace {

const QString kGlobal = QStringLiteral("Global");

QString gamePathKey(const QString &game)
{
    return QStringLiteral("/%1/GamePath").arg(game);
}

} // namespace

GameSettings::GameSettings(const Workspace &workspace) : m_workspace(workspace) {}

QStringList GameSettings::games() const
{
    QSettings settings(file(), QSettings::IniFormat);
    QStringList games = settings.childGroups();
    games.removeAll(kGlobal);
    return games;
}

bool GameSettings::hasGames() const
{
    return QSettings(file(), QSettings::IniFormat).childGroups().size() > 1;
}

QString GameSettings::currentGame() const
{
    const QStringList groups = QSettings(file(), QSettings::IniFormat).childGroups();
    QString game = selectedGame();
    // A hand-edited selection that is no plain folder name would point the
    // mod store and the backups at other folders: fall back to the list.
    if (isSafeFolderName(game)) {
        return game;
    }
    // The same holds for a group of the file: a hand-made "[%2E%2E]" would
    // make the workspace itself the mod store. The settings' own group is
    // never a game, also when a game's name sorts before it.
    for (const QString &group : groups) {
        if (group != kGlobal && isSafeFolderName(group)) {
            return group;
        }
    }
    return QString();
}

QString GameSettings::backupPath() const
{
    return QSettings(file(), QSettings::IniFormat)
        .value(QStringLiteral("/Global/BakPath"))
        .toString();
}

QString GameSettings::selectedGame() const
{
    return QSettings(file(), QSettings::IniFormat)
        .value(QStringLiteral("/Global/Select"))
        .toString();
}

QString GameSettings::backupRoot(const QString &game) const
{
    const QString chosen = m_workspace.resolve(backupPath());
    const QString root = !chosen.isEmpty() ? chosen : m_workspace.defaultBackupRoot();
    return QDir::toNativeSeparators(root + QStringLiteral("/") + game);
}

QString GameSettings::shownBackupPath() const
{
    const QString chosen = backupPath();
    return !chosen.isEmpty() ? chosen : QDir::toNativeSeparators(m_workspace.defaultBackupRoot());
}

QString GameSettings::gamePath(const QString &game) const
{
    // An empty name would make "//GamePath" a key of the file's top level.
    if (game.isEmpty()) {
        return QString();
    }
    const QString stored =
        QSettings(file(), QSettings::IniFormat).value(gamePathKey(game)).toString();
    if (!stored.isEmpty()) {
        return stored;
    }
    return GameRegistry::installDir(game);
}

bool GameSettings::setValue(const QString &key, const QString &value)
{
    QSettings settings(file(), QSettings::IniFormat);
    settings.setValue(key, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

bool GameSettings::setLanguage(const QString &language)
{
    return setValue(LanguageSetting::key(), language);
}

QString GameSettings::modListOrder() const
{
    return QSettings(file(), QSettings::IniFormat)
        .value(QStringLiteral("/Global/ModListOrder"))
        .toString();
}

bool GameSettings::setModListOrder(const QString &order)
{
    return setValue(QStringLiteral("/Global/ModListOrder"), order);
}

bool GameSettings::setBackupPath(const QString &path)
{
    return setValue(QStringLiteral("/Global/BakPath"), path);
}

bool GameSettings::setSelectedGame(const QString &game)
{
    return setValue(QStringLiteral("/Global/Select"), game);
}

bool GameSettings::setGamePath(const QString &game, const QString &path)
{
    if (game.isEmpty()) {
        return false;
    }
    return setValue(gamePathKey(game), path);
}

bool GameSettings::removeGame(const QString &game)
{
    // An empty name would remove the whole file's content.
    if (game.isEmpty()) {
        return false;
    }
    QSettings settings(file(), QSettings::IniFormat);
    settings.remove(QStringLiteral("/%1").arg(game));
    settings.sync();
    return settings.status() == QSettings::NoError;
}
