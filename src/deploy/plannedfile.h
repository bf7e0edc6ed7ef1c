#ifndef VELDANE_DEPLOY_PLANNEDFILE_H
#define VELDANE_DEPLOY_PLANNEDFILE_H

#include <QString>

// One file of a mod folder and the three places it goes to.
struct PlannedFile
{
    QString source;        // the mod's file
    QString target;        // the game file, in the spelling of an existing game file that
                           // differs only in case; this text is what the catalogue records
    QString backup;        // where the game file is kept before it is overwritten
    QString keptCopy;      // the file in the mod's kept copy, as the mod spells it; empty
                           // when no copy is made
    bool replaced = false; // the game file existed when the mod was planned
};

#endif
