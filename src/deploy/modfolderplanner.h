#ifndef VELDANE_DEPLOY_MODFOLDERPLANNER_H
#define VELDANE_DEPLOY_MODFOLDERPLANNER_H

#include "deploy/deploymentplan.h"

#include <QString>

// Walks a mod folder and plans where each of its files goes. Only reads the
// disk (the game folder, to tell a replaced file from an added one).
class ModFolderPlanner
{
public:
    // `keptDir` empty: no kept copy is planned (a reinstall deploys the copy
    // itself).
    static DeploymentPlan plan(const QString &sourceDir, const QString &targetDir,
                               const QString &backupDir, const QString &keptDir = QString());

private:
    static void walk(const QString &sourceDir, const QString &relative, const QString &targetDir,
                     const QString &backupDir, const QString &keptDir, DeploymentPlan &plan);
};

#endif
