#include "deploy/modfolderplanner.h"

#include "deploy/gamelayout.h"

#include <QDir>
#include <QFileInfo>

DeploymentPlan ModFolderPlanner::plan(const QString &sourceDir, const QString &targetDir,
                                      const QString &backupDir, const QString &keptDir)
{
    DeploymentPlan plan;
    const QFileInfo source(sourceDir);
    plan.sourceExists = source.isDir() && !source.isSymLink();
    if (plan.sourceExists) {
        walk(sourceDir, QString(), targetDir, backupDir, keptDir, plan);
    }
    return plan;
}

void ModFolderPlanner::walk(const QString &sourceDir, const QString &relative,
                            const QString &targetDir, const QString &backupDir,
                            const QString &keptDir, DeploymentPlan &plan)
{
    // Hidden and system entries are left out of the listing, so they are
    // neither deployed nor counted nor kept.
    const QFileInfoList entries = QDir(sourceDir).entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name | QDir::DirsFirst);
    for (const QFileInfo &entry : entries) {
        const QString name = entry.fileName();
        const QString path = GameLayout::join(sourceDir, name);
        // A link could lead anywhere, also out of the mod folder and into
        // folders that are not the user's mod: it is never followed.
        if (entry.isSymLink()) {
            plan.skippedLinks << path;
            continue;
        }
        const QString childRelative = relative.isEmpty() ? name : GameLayout::join(relative, name);
        const QString target = GameLayout::join(targetDir, name);
        const QString backup = GameLayout::join(backupDir, name);
        const QString kept = keptDir.isEmpty() ? QString() : GameLayout::join(keptDir, name);
        if (entry.isDir()) {
            // The whole name is mirrored: cutting "v1.2" at its dot would send
            // the folder's content into another game folder.
            plan.folders << childRelative;
            walk(path, childRelative, target, backup, kept, plan);
        } else if (entry.isFile()) {
            PlannedFile file;
            file.source = path;
            file.target = target;
            file.backup = backup;
            file.keptCopy = kept;
            const QFileInfo game(target);
            file.replaced = game.exists() || game.isSymLink();
            plan.files << file;
        }
    }
}
