#ifndef VELDANE_DEPLOY_JOURNALENTRY_H
#define VELDANE_DEPLOY_JOURNALENTRY_H

#include "catalogue/modrecord.h"
#include "deploy/fileaction.h"
#include "deploy/plannedfile.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

// What one mod command is about to do, written before its first file changes
// so that a start after a crash can finish or undo it. Every step it names can
// be carried out again: copies overwrite, a move whose source is gone is done,
// a deletion of a missing file is done.
struct JournalEntry
{
    enum Command
    {
        Install,
        Reinstall,
        Uninstall,
        Remove,
        // An archive being unpacked for an install: its folder, and the kept
        // copy unless it was there before, go when the command did not get
        // as far as its install entry.
        Unpack
    };

    qint64 id = 0; // set when read back from the database
    Command command = Install;
    QString mod;
    // The mod's own backup folder and kept copy, as the layout named them
    // when the command started.
    QString backupFolder;
    QString keptFolder;

    // Install and reinstall: the folder installed from (the chosen folder or
    // the kept copy), the roots of this install, and every planned file with
    // its size and whether a backup was already there before the command.
    QString source;
    QString targetRoot;
    QString backupRoot;
    QString keptRoot;
    bool backupFolderExisted = false;
    bool keptFolderExisted = false;
    QStringList folders;
    QStringList keptFolders; // the same folders as the mod spells them
    QList<PlannedFile> files;
    QVector<qint64> sizes;
    QVector<bool> backupExisted;

    // Uninstall and remove: the catalogue records written before the files
    // move, and the file actions. Reinstall: the mod's record before it.
    QMap<QString, ModRecord> changed;
    QList<FileAction> actions;
    // Remove: whether the mod was installed, so its files had to come back.
    bool wasInstalled = false;
    // Unpack, and the install of an unpacked archive: the folder the archive
    // is unpacked into.
    QString unpackFolder;
};

#endif
