#ifndef VELDANE_DEPLOY_MODFOLDERPLANNER_H
#define VELDANE_DEPLOY_MODFOLDERPLANNER_H

#include "deploy/deploymentplan.h"

#include <QFileInfo>
#include <QString>

// Walks a mod folder and plans where each of its files goes. Only reads the
// disk (the game folder, to tell a replaced file from an added one and, where
// the game ignores case, to take over the spelling of its existing files).
class ModFolderPlanner
{
public:
    // `keptDir` empty: no kept copy is planned (a reinstall deploys the copy
    // itself).
    static DeploymentPlan plan(const QString &sourceDir, const QString &targetDir,
                               const QString &backupDir, const QString &keptDir = QString());

    // Whether a file name can be written into the catalogue and read back.
    static bool isRecordableName(const QString &name);

private:
    // One folder of the walk: the mod's folder and its three mirrors, and its
    // path below the chosen folder in the game's and in the mod's spelling.
    struct Place
    {
        QString source;
        QString target;
        QString backup;
        QString kept;
        QString relative;
        QString keptRelative;

        // The entry `name` of this folder, `gameName` as the game spells it.
        Place child(const QString &path, const QString &name, const QString &gameName) const;
    };
    static void walk(const Place &place, DeploymentPlan &plan);
    // Links and names no game file may have stay out of the plan, noted in it.
    static bool leftOut(const QFileInfo &entry, const QString &path, DeploymentPlan &plan);
};

#endif
