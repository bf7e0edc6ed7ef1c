#ifndef VELDANE_DEPLOY_MODCOMMANDS_H
#define VELDANE_DEPLOY_MODCOMMANDS_H

#include "deploy/commandprogress.h"
#include "deploy/commandreport.h"
#include "deploy/deploymentplan.h"
#include "deploy/gamelayout.h"
#include "deploy/stackchange.h"

#include <QString>
#include <QStringList>
#include <QVector>

class ModCfg;

// The four mod commands on one game: install a mod folder, reinstall a mod
// from its kept copy, uninstall, remove. No dialogs: each returns a report and
// the window tells the user.
//
// Every command writes the catalogue once, after its backups are in place and
// before it changes a game file, so that the catalogue always names every
// file of the game that a backup has to bring back. Per-file problems go to the
// log and are counted in the report.
class ModCommands
{
public:
    ModCommands(ModCfg &catalogue, const GameLayout &layout,
                const CommandProgress &progress = CommandProgress());

    CommandReport install(const QString &folder, const QString &id);
    // Why install(folder, id) would change nothing, or Done when it would run.
    // Only reads the disk.
    CommandReport::Outcome installRefusal(const QString &folder, const QString &id) const;
    CommandReport reinstall(const QString &id);
    CommandReport uninstall(const QString &id);
    CommandReport remove(const QString &id);

    // A recorded mod name also names two folders: it must not lead out of the
    // backup root or the mod store. New names must pass the stricter
    // isSafeFolderName.
    static bool isSafeModName(const QString &name);

    // Every target is joined to the game folder: without an existing absolute
    // one the files would land at the root of the drive.
    bool gameFolderUsable() const;

private:
    void logSkippedLinks(const DeploymentPlan &plan, CommandReport &report) const;
    QVector<bool> selectDeployable(const DeploymentPlan &plan, const QString &backupRoot,
                                   CommandReport &report, QStringList &madeBackups) const;
    static void dropBackups(const QStringList &backups);
    void copyIntoGame(const DeploymentPlan &plan, const QString &targetRoot,
                      const QVector<bool> &deployable, CommandReport &report) const;
    void keepCopy(const DeploymentPlan &plan, const QString &keptRoot, CommandReport &report) const;
    bool recordedElsewhere(const QString &id) const;
    void carryOut(const StackChange &change, const QString &id, CommandReport &report) const;
    CommandReport takeOut(const QString &id);
    static void removeOwnFolder(const QString &folder);

    ModCfg &m_catalogue;
    GameLayout m_layout;
    CommandProgress m_progress;
};

#endif
