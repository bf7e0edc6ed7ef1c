#ifndef VELDANE_DEPLOY_COMMANDREPORT_H
#define VELDANE_DEPLOY_COMMANDREPORT_H

#include "deploy/archiveextractor.h"

#include <QString>
#include <QStringList>

// What a mod command did, for the window to tell the user.
struct CommandReport
{
    enum Outcome
    {
        Done,               // the command ran; `failed` and `leftAlone` tell how well
        SourceMissing,      // the mod folder or kept copy to install is not there
        SourceOverlapsGame, // the mod folder is, holds or lies in the game folder
        NoGameFolder,       // the game folder is not set or does not exist
        NameTaken,          // a mod of that name is already in the catalogue
        UnsafeName,         // the name cannot be used as a folder name
        NotRecorded,        // no mod of that name in the catalogue
        AlreadyInstalled,   // reinstall of an installed mod
        NotInstalled,       // uninstall of a mod that is not installed
        RecordedElsewhere,  // every recorded file lies outside the current game folder
        CatalogueFailed,    // the catalogue could not be written; no game file changed
        GameBusy,           // another process runs a command on this game; nothing changed
        NameIsGame,         // the new mod's name is the game's, which the list shows as no mod
        RestoredRecordKept, // removal put the game files back, but the record could not be
                            // dropped: it stays, marked uninstalled, for another try
        ChangedFiles,       // game files changed since the mod put them there and no
                            // decision was given: nothing changed, `changedFiles` names them
        ArchiveRefused,     // the archive was refused or could not be unpacked; nothing was
                            // kept or changed, `archiveFailure` says why
        KeptFolderTaken,    // a folder of the new mod's name is already among the kept
                            // copies, and no record's: nothing changed
        GameFileHeld        // another program (the running game) holds a game file the
                            // command would change: nothing changed, `path` names it
    };

    Outcome outcome = Done;
    int files = 0;     // files the command handled
    int failed = 0;    // backups, copies, restores or deletions that did not work
    int leftAlone = 0; // links and paths outside the game or backup folder, not touched
    // Removal of an installed mod stopped after the uninstall because files
    // failed: the record, backups and kept copy are still there.
    bool removalStopped = false;
    // Recorded paths of the game files that changed since the mod put them
    // there, in the order the command meets them.
    QStringList changedFiles = {};
    // The folder that received the versions set aside; empty when none was.
    QString setAsideFolder = {};
    int setAside = 0;
    // ArchiveRefused: the archive. GameFileHeld: the game file held open.
    QString path = {};
    // ArchiveRefused: why, with the entry or file at fault.
    ::Outcome<ArchiveExtractor::Failure> archiveFailure = {};

    bool clean() const { return outcome == Done && failed == 0 && leftAlone == 0; }
};

#endif
