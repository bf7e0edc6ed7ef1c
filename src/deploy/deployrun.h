#ifndef VELDANE_DEPLOY_DEPLOYRUN_H
#define VELDANE_DEPLOY_DEPLOYRUN_H

#include "deploy/commandcontext.h"
#include "deploy/commandreport.h"
#include "deploy/deploymentplan.h"
#include "deploy/journalentry.h"
#include "state/manifestentry.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

// One install or reinstall, carried out from its journal entry: the backups
// first, then the catalogue, then the copies into the game and into the kept
// copy, then the write-back. Recovery runs the same steps from an entry left
// by a command that did not finish.
class DeployRun
{
public:
    explicit DeployRun(const CommandContext &context) : m_context(context) {}

    // The entry that lets a start after a crash finish or undo the run.
    JournalEntry entry(JournalEntry::Command command, const QString &id, const QString &source,
                       const DeploymentPlan &plan, const QString &targetRoot,
                       const QString &backupRoot, const QString &keptRoot) const;
    CommandReport run(const JournalEntry &entry, CommandReport report) const;

    // Copies the files marked deployable into the game and, for an install,
    // every file into the kept copy, writes them back, and records them in
    // the manifest.
    void copyAndRecord(const JournalEntry &entry, const DeploymentPlan &plan,
                       const QVector<bool> &deployable, CommandReport &report) const;

    static DeploymentPlan planOf(const JournalEntry &entry);
    static void logSkippedLinks(const DeploymentPlan &plan, CommandReport &report);

private:
    QVector<bool> selectDeployable(const DeploymentPlan &plan, const QString &backupRoot,
                                   CommandReport &report, QStringList &madeBackups,
                                   QList<int> &renamedBackups) const;
    // Makes the backup of a game file the plan replaces; false leaves the
    // file out of the install.
    bool backUp(const PlannedFile &file, int index, CommandReport &report, QStringList &madeBackups,
                QList<int> &renamedBackups) const;
    void makeFolders(const JournalEntry &entry, const DeploymentPlan &plan) const;
    // One planned file into the kept copy (an install from a folder) and,
    // when deployable, into the game, recorded in `copied`.
    void copyFile(const JournalEntry &entry, const PlannedFile &file, bool deployable,
                  bool fromKept, CommandReport &report,
                  QHash<QString, ManifestEntry> &copied) const;
    bool writeRecords(const JournalEntry &entry, const DeploymentPlan &plan,
                      const QVector<bool> &deployable) const;
    void undoBackups(const JournalEntry &entry, const DeploymentPlan &plan,
                     const QStringList &madeBackups, const QList<int> &renamedBackups,
                     CommandReport &report) const;

    const CommandContext &m_context;
};

#endif
