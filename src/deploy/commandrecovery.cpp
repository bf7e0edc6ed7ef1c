#include "deploy/commandrecovery.h"

#include "catalogue/modcfg.h"
#include "config/foldername.h"
#include "deploy/commandpaths.h"
#include "deploy/deployrun.h"
#include "deploy/fileactionrunner.h"
#include "deploy/filecopier.h"
#include "deploy/gamelayout.h"
#include "deploy/journal.h"
#include "platform/nativefile.h"
#include "state/gamemanifest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool CommandRecovery::finishInterrupted(Journal &journal, RecoveryReport &recovery) const
{
    for (const JournalEntry &entry : journal.unfinished()) {
        logLine("[Recovery]:", entry.mod);
        const int stepsBefore = recovery.steps.size();
        if (!replay(entry, recovery)) {
            // Later entries were written on top of this one's catalogue.
            recovery.steps << RecoveryReport::Step{RecoveryReport::Step::Pending, entry.mod};
            logLine("[RecoveryPending]:", entry.mod);
            return false;
        }
        // An unpack and the install after it, both cut short, are one step.
        if (stepsBefore >= 1 && recovery.steps.size() == stepsBefore + 1 &&
            recovery.steps.at(stepsBefore).mod == recovery.steps.at(stepsBefore - 1).mod &&
            recovery.steps.at(stepsBefore).kind == recovery.steps.at(stepsBefore - 1).kind) {
            recovery.steps.removeLast();
        }
        m_context.flush(entry);
        journal.finish(entry.id);
    }
    removeLeftUnpackFolders();
    return true;
}

void CommandRecovery::removeLeftUnpackFolders() const
{
    // Every unpack runs under the game's lock and is named by an unfinished
    // entry until its folder is gone or renamed into the kept copy: with the
    // journal empty, a folder of that name is a leftover of a killed command.
    if (m_context.layout.modStore().isEmpty()) {
        return;
    }
    const QDir store(m_context.layout.modStore());
    const QStringList left = store.entryList({unpackFolderPrefix() + QLatin1Char('*')},
                                             QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    const QMap<QString, ModRecord> &mods = m_context.catalogue.m_mods;
    for (const QString &name : left) {
        bool recorded = false;
        for (auto it = mods.cbegin(); it != mods.cend(); ++it) {
            recorded = recorded || it.key().compare(name, Qt::CaseInsensitive) == 0;
        }
        if (!recorded) {
            removeOwnFolder(store.filePath(name));
        }
    }
}

bool CommandRecovery::replay(const JournalEntry &entry, RecoveryReport &recovery) const
{
    switch (entry.command) {
    case JournalEntry::Install:
    case JournalEntry::Reinstall:
        return replayDeploy(entry, recovery);
    case JournalEntry::Uninstall:
    case JournalEntry::Remove:
        return replayTakeOut(entry, recovery);
    case JournalEntry::Unpack:
        return replayUnpack(entry, recovery);
    }
    return false;
}

bool CommandRecovery::replayUnpack(const JournalEntry &entry, RecoveryReport &recovery) const
{
    // Killed before the install's own entry: nothing is in the game or the
    // catalogue, and the archive is still where it was.
    if (existsOrIsLink(entry.unpackFolder)) {
        removeOwnFolder(entry.unpackFolder);
    }
    if (!entry.keptFolderExisted && !m_context.catalogue.m_mods.contains(entry.mod)) {
        removeOwnFolder(entry.keptFolder);
    }
    recovery.steps << RecoveryReport::Step{RecoveryReport::Step::InstallUndone, entry.mod};
    return true;
}

bool CommandRecovery::sourceComplete(const JournalEntry &entry)
{
    for (int i = 0; i < entry.files.size(); ++i) {
        const QFileInfo source(entry.files.at(i).source);
        if (!source.isFile() || source.isSymLink() || source.size() != entry.sizes.at(i)) {
            return false;
        }
    }
    return true;
}

void CommandRecovery::dropNewBackups(const JournalEntry &entry)
{
    // Before the catalogue was written no game file was overwritten: a
    // backup this command made is either the game file moved aside, which
    // goes back, or a copy that may be cut short while the game still holds
    // the original.
    for (int i = 0; i < entry.files.size(); ++i) {
        const PlannedFile &file = entry.files.at(i);
        if (!file.replaced || entry.backupExisted.at(i) || !isPlainFile(file.backup)) {
            continue;
        }
        if (!existsOrIsLink(file.target)) {
            // A backup made by a rename: the game's own file.
            if (!FileCopier::move(file.backup, file.target)) {
                logLine("[RestoreFileError]:", file.target);
            }
        } else if (isPlainFile(file.target)) {
            NativeFile::remove(file.backup);
        }
    }
}

bool CommandRecovery::replayDeploy(const JournalEntry &entry, RecoveryReport &recovery) const
{
    const bool install = entry.command == JournalEntry::Install;
    const auto record = m_context.catalogue.m_mods.constFind(entry.mod);
    const bool recorded =
        record != m_context.catalogue.m_mods.cend() && (install || record->install != 0);
    if (!recorded) {
        return replayUnrecorded(entry, recovery);
    }
    QSet<QString> targets;
    for (const QList<FileItem> *list : {&record->replace, &record->add}) {
        for (const FileItem &item : *list) {
            targets.insert(item.path);
        }
    }
    if (!sourceComplete(entry)) {
        return undoDeploy(entry, targets, recovery);
    }
    const DeploymentPlan plan = DeployRun::planOf(entry);
    QVector<bool> deployable(plan.files.size(), false);
    for (int i = 0; i < plan.files.size(); ++i) {
        deployable[i] = targets.contains(plan.files.at(i).target);
    }
    CommandReport report;
    const DeployRun run(m_context);
    run.copyAndRecord(entry, plan, deployable, report);
    recovery.failed += report.failed;
    recovery.steps << RecoveryReport::Step{RecoveryReport::Step::Installed, entry.mod};
    return true;
}

bool CommandRecovery::replayUnrecorded(const JournalEntry &entry, RecoveryReport &recovery) const
{
    // Killed before the catalogue said anything of this run: it runs again
    // when its source is complete, and is undone otherwise.
    using Step = RecoveryReport::Step;
    const bool complete = sourceComplete(entry);
    CommandReport report;
    dropNewBackups(entry);
    if (complete) {
        report = DeployRun(m_context).run(entry, report);
    }
    if (!complete || report.outcome != CommandReport::Done) {
        if (!entry.backupFolderExisted) {
            removeOwnFolder(entry.backupFolder);
        }
        if (entry.command == JournalEntry::Install && !entry.keptFolderExisted) {
            removeOwnFolder(entry.keptFolder);
        }
        recovery.steps << Step{Step::InstallUndone, entry.mod};
        return true;
    }
    recovery.failed += report.failed;
    recovery.steps << Step{Step::Installed, entry.mod};
    return true;
}

bool CommandRecovery::undoDeploy(const JournalEntry &entry, const QSet<QString> &recorded,
                                 RecoveryReport &recovery) const
{
    // Files first and the record last: undoing is replayed as a whole when
    // it is cut short, and every step finds its own state.
    ModCfg &catalogue = m_context.catalogue;
    const ModRecord record = catalogue.m_mods.value(entry.mod);
    QSet<QString> replaced;
    for (const FileItem &item : record.replace) {
        replaced.insert(item.path);
    }
    for (const PlannedFile &file : entry.files) {
        if (!recorded.contains(file.target)) {
            continue;
        }
        if (replaced.contains(file.target)) {
            if (isPlainFile(file.backup) && !FileCopier::move(file.backup, file.target)) {
                logLine("[RestoreFileError]:", file.target);
                ++recovery.failed;
            }
        } else if (existsOrIsLink(file.target) && !QFileInfo(file.target).isDir() &&
                   !NativeFile::remove(file.target)) {
            logLine("[DeleteFileError]:", file.target);
            ++recovery.failed;
        }
    }
    const bool install = entry.command == JournalEntry::Install;
    if (!(install ? catalogue.deleteMod(entry.mod) : catalogue.applyChanges(entry.changed))) {
        return false;
    }
    m_context.manifest()->forget(entry.mod);
    if (!entry.backupFolderExisted) {
        removeOwnFolder(entry.backupFolder);
    }
    if (install && !entry.keptFolderExisted) {
        removeOwnFolder(entry.keptFolder);
    }
    recovery.steps << RecoveryReport::Step{RecoveryReport::Step::InstallUndone, entry.mod};
    return true;
}

bool CommandRecovery::replayTakeOut(const JournalEntry &entry, RecoveryReport &recovery) const
{
    using Step = RecoveryReport::Step;
    const bool removal = entry.command == JournalEntry::Remove;
    ModCfg &catalogue = m_context.catalogue;
    if (!catalogue.m_mods.contains(entry.mod)) {
        // A removal past its record had only the mod's own folders left to
        // drop; an uninstall without a record was edited away by hand, and
        // its backups stay where they are.
        if (removal) {
            removeOwnFolder(entry.backupFolder);
            removeOwnFolder(entry.keptFolder);
        }
        recovery.steps << Step{removal ? Step::Removed : Step::Uninstalled, entry.mod};
        return true;
    }
    CommandReport report;
    if (!removal || entry.wasInstalled) {
        if (!catalogue.applyChanges(entry.changed)) {
            return false;
        }
        FileActionRunner(m_context, entry.mod, report, true).run(entry.actions);
        recovery.failed += report.failed;
        m_context.manifest()->forget(entry.mod);
    }
    // As in the commands: with a file not back, the backups and the record
    // stay, the mod shown as uninstalled.
    if (!removal || report.failed != 0) {
        if (report.failed == 0) {
            removeOwnFolder(entry.backupFolder);
        }
        recovery.steps << Step{Step::Uninstalled, entry.mod};
        return true;
    }
    if (!catalogue.deleteMod(entry.mod)) {
        return false;
    }
    removeOwnFolder(entry.backupFolder);
    removeOwnFolder(entry.keptFolder);
    recovery.steps << Step{Step::Removed, entry.mod};
    return true;
}
