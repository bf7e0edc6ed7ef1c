#include "config/workspace.h"

#include <QDir>

Workspace::Workspace(const QString &folder) : m_folder(QDir::cleanPath(QDir(folder).absolutePath()))
{
}

QString Workspace::folder() const
{
    return m_folder.isEmpty() ? QDir::currentPath() : m_folder;
}

QString Workspace::inside(const QString &name) const
{
    return m_folder.isEmpty() ? name : m_folder + QLatin1Char('/') + name;
}

QString Workspace::settingsFile() const
{
    return inside(QStringLiteral("Veldane.ini"));
}

QString Workspace::configFolder() const
{
    return m_folder.isEmpty() ? QStringLiteral("./config") : inside(QStringLiteral("config"));
}

QString Workspace::catalogueFile(const QString &game) const
{
    return configFolder() + QStringLiteral("/%1.xml").arg(game);
}

QString Workspace::modStore(const QString &game) const
{
    return folder() + QStringLiteral("/mod/") + game;
}

QString Workspace::defaultBackupRoot() const
{
    return folder() + QStringLiteral("/data");
}

QString Workspace::logFolder() const
{
    return inside(QStringLiteral("log"));
}

QString Workspace::resolve(const QString &path) const
{
    if (m_folder.isEmpty() || path.isEmpty() || !QDir::isRelativePath(path)) {
        return path;
    }
    return inside(path);
}
