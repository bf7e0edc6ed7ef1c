#ifndef VELDANE_DEPLOY_DEPLOYMENTPLAN_H
#define VELDANE_DEPLOY_DEPLOYMENTPLAN_H

#include "deploy/plannedfile.h"

#include <QList>
#include <QString>
#include <QStringList>

// Everything an install will do, worked out before anything is written.
struct DeploymentPlan
{
    bool sourceExists = false;
    // Folders in walk order (parents first), relative to the chosen folder with
    // the platform's separator, spelled as the game spells them where it
    // ignores case; mirrored below the target and backup roots.
    QStringList folders;
    // The same folders as the mod spells them; mirrored below the kept root.
    QStringList keptFolders;
    // Files in walk order: folders before files at every level, names compared
    // case-sensitively.
    QList<PlannedFile> files;
    // Links met in the mod folder; they are never followed.
    QStringList skippedLinks;
    // Entries whose names the catalogue cannot record (control characters and
    // the like); nothing below them is deployed.
    QStringList unrecordableNames;
    // Entries whose names Windows cannot hold (device names, a trailing dot
    // or blank, reserved characters); nothing below them is deployed.
    QStringList windowsNames;
};

#endif
