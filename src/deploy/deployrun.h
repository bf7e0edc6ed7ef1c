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
    // into the kept copy, writes them back, and records them in the manifest.
    void copyAndRecord(const JournalEntry &entry, const DeploymentPlan &plan,
                       const QVector<bool> &deployable, CommandReport &report) const;
    // Copies the files marked deployable into the game; what the manifest
    // will say of each.
    QHash<QString, ManifestEntry> copyIntoGame(const DeploymentPlan &plan,
                                               const QString &targetRoot,
                                               const QVector<bool> &deployable,
                                               CommandReport &report) const;
    // An install from a folder keeps a copy of every file; an unpacked
    // archive became the kept copy already and has no kept root.
    void keepCopy(const JournalEntry &entry, const DeploymentPlan &plan,
                  CommandReport &report) const;

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
    bool writeRecords(const JournalEntry &entry, const DeploymentPlan &plan,
                      const QVector<bool> &deployable) const;
    void undoBackups(const JournalEntry &entry, const DeploymentPlan &plan,
                     const QStringList &madeBackups, const QList<int> &renamedBackups,
                     CommandReport &report) const;

    const CommandContext &m_context;
};

#endif
