#ifndef VELDANE_DEPLOY_FILEACTION_H
#define VELDANE_DEPLOY_FILEACTION_H

#include <QString>

// One change to the game folder or to a backup that taking a mod out of the
// layer stack of a game file needs.
struct FileAction
{
    enum Kind
    {
        Restore,    // the mod is the top layer and replaced the file: put its backup back
        Delete,     // the mod is the top layer and added the file: delete it
        HandDown,   // a lower layer replaced the file: its backup becomes the backup of
                    // the layer above
        DropBackup, // a lower layer added the file: the layer above becomes an add and
                    // its backup is no longer needed
        KeepAsIs    // a lower layer added the file and the layer above added it too
    };

    Kind kind = Restore;
    QString path;        // the recorded game file
    QString backup;      // the uninstalled mod's backup of it (Restore, HandDown)
    QString upperMod;    // the layer directly above (HandDown, DropBackup, KeepAsIs)
    QString upperBackup; // that layer's backup of the file (HandDown, DropBackup)
    // A game file that changed since the mod put it there (for HandDown and
    // DropBackup: the upper layer's backup of it): the version that does not
    // stay (the changed file, or with keepChanged the mod's backup) moves to
    // `setAside` instead of being overwritten or deleted; DropBackup sets the
    // changed backup aside either way. An empty `setAside` leaves the file
    // alone.
    bool changed = false;
    bool keepChanged = false;
    QString setAside;
};

#endif
