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
    // the platform's separator; mirrored below the target, backup and kept roots.
    QStringList folders;
    // Files in walk order: folders before files at every level, names compared
    // case-sensitively.
    QList<PlannedFile> files;
    // Links met in the mod folder; they are never followed.
    QStringList skippedLinks;
};

#endif
