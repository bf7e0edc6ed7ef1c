#ifndef VELDANE_CONFIG_WORKSPACE_H
#define VELDANE_CONFIG_WORKSPACE_H

#include <QString>

// The folder Veldane keeps its own files in: the settings file, the
// catalogues in config/, the kept copies in mod/, the default backup root
// data/ and the daily logs in log/. Built once by each front end and handed to
// the core, so that no core class looks at the process's working directory on
// its own.
//
// A default-constructed workspace is the working directory, with the names
// left relative exactly as the window has always used them ("Veldane.ini",
// "./config"); a workspace built from a folder gives absolute paths.
class Workspace
{
public:
    Workspace() = default;
    explicit Workspace(const QString &folder);

    // The workspace folder, absolute; the current one for the default.
    QString folder() const;

    QString settingsFile() const;
    QString configFolder() const;
    QString catalogueFile(const QString &game) const;
    // Absolute, because the window shows and records these paths.
    QString modStore(const QString &game) const;
    QString defaultBackupRoot() const;
    QString logFolder() const;

    // A path from the settings file, such as a relative backup root, taken
    // relative to this workspace: the window reads it relative to its working
    // directory, and the tool run from elsewhere must find the same folder.
    // Unchanged for the default workspace and for absolute paths.
    QString resolve(const QString &path) const;

private:
    QString inside(const QString &name) const;

    QString m_folder; // empty: the working directory
};

#endif
