#ifndef VELDANE_DEPLOY_MODFILECHECK_H
#define VELDANE_DEPLOY_MODFILECHECK_H

#include <QString>
#include <QStringList>

// How the game files that one installed mod put in the game (those no later
// mod has overwritten) compare with what the install recorded.
struct ModFileCheck
{
    QString mod;
    QStringList changed; // recorded game paths whose content is no longer the mod's
    QStringList missing; // recorded game paths with nothing there any more
    int unchanged = 0;   // the rest, including files installed before records were kept
    int unrecorded = 0;  // of those, the files without a record
};

#endif
