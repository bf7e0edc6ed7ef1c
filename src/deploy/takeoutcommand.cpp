#include "deploy/takeoutcommand.h"

#include "catalogue/modcfg.h"
#include "deploy/commandpaths.h"
#include "deploy/fileactionrunner.h"
#include "deploy/foldercheck.h"
#include "deploy/gamelayout.h"
#include "deploy/journal.h"
#include "deploy/layerstack.h"
#include "deploy/modcommands.h"
#include "state/filecheck.h"
#include "state/gamemanifest.h"

#include <QDateTime>
#include <QSet>

JournalEntry TakeOutCommand::entryFor(JournalEntry::Command command, const QString &id) const
{
    JournalEntry entry;
    entry.command = command;
    entry.mod = id;
    entry.backupFolder = m_context.layout.backupFolder(id);
    entry.keptFolder = m_context.layout.keptCopy(id);
    return entry;
}

CommandReport TakeOutCommand::uninstall(const QString &id, ChangeDecision decision,
                                        Journal &journal) const
{
    const auto record = m_context.catalogue.m_mods.constFind(id);
    if (record == m_context.catalogue.m_mods.cend()) {
        return CommandContext::refusal(CommandReport::NotRecorded);
    }
    if (record->install == 0) {
        return CommandContext::refusal(CommandReport::NotInstalled);
    }
    if (!ModCommands::isSafeModName(id)) {
        return CommandContext::refusal(CommandReport::UnsafeName);
    }
    JournalEntry entry = entryFor(JournalEntry::Uninstall, id);
    CommandReport report = takeOut(id, decision, entry, journal);
    // A backup that could not be put back is the only copy of that version:
    // the backup folder stays until a later command can use it.
    if (report.outcome == CommandReport::Done && report.failed == 0) {
        removeOwnFolder(entry.backupFolder);
    }
    if (report.outcome == CommandReport::Done) {
        m_context.flush(entry);
        journal.finish(entry.id);
    }
    return report;
}

CommandReport TakeOutCommand::remove(const QString &id, ChangeDecision decision,
                                     Journal &journal) const
{
    CommandReport report;
    const auto record = m_context.catalogue.m_mods.constFind(id);
    if (record == m_context.catalogue.m_mods.cend()) {
        return CommandContext::refusal(CommandReport::NotRecorded);
    }
    const bool safeName = ModCommands::isSafeModName(id);
    JournalEntry entry = entryFor(JournalEntry::Remove, id);
    entry.wasInstalled = record->install != 0;
    if (entry.wasInstalled) {
        if (!safeName) {
            return CommandContext::refusal(CommandReport::UnsafeName);
        }
        // The record is dropped only after the files are back: until then the
        // catalogue holds the mod as uninstalled, with its backups in place.
        report = takeOut(id, decision, entry, journal);
        if (report.outcome != CommandReport::Done) {
            return report;
        }
        if (report.failed != 0) {
            report.removalStopped = true;
            m_context.flush(entry);
            journal.finish(entry.id);
            return report;
        }
    } else if (safeName) {
        // Only a usable name has folders to finish removing after a crash.
        entry.id = journal.begin(entry);
    }
    if (!m_context.catalogue.deleteMod(id)) {
        m_context.flush(entry);
        journal.finish(entry.id);
        // After an uninstall the game is already restored and the record says
        // so; only the record itself is left over.
        report.outcome =
            entry.wasInstalled ? CommandReport::RestoredRecordKept : CommandReport::CatalogueFailed;
        return report;
    }
    // An unusable name would make these paths point at other folders.
    if (safeName) {
        removeOwnFolder(entry.backupFolder);
        removeOwnFolder(entry.keptFolder);
    }
    m_context.flush(entry);
    journal.finish(entry.id);
    return report;
}

CommandReport TakeOutCommand::takeOut(const QString &id, ChangeDecision decision,
                                      JournalEntry &entry, Journal &journal) const
{
    CommandReport report;
    if (recordedElsewhere(id)) {
        return CommandContext::refusal(CommandReport::RecordedElsewhere);
    }
    StackChange change = LayerStack::uninstall(m_context.catalogue.m_mods, id, m_context.layout);
    if (refusedForHeldFile(gameFilesTouched(change), report)) {
        return report;
    }
    // Asked before anything is written, so that cancelling leaves everything
    // as it was.
    const QStringList changedFiles = changedGameFiles(id, change);
    if (!changedFiles.isEmpty() && decision == ChangeDecision::Ask) {
        report.outcome = CommandReport::ChangedFiles;
        report.changedFiles = changedFiles;
        return report;
    }
    // The journal carries the decision with every action, so that a replay
    // after a crash sets aside the same versions.
    const QString setAsideFolder = markChanged(change, id, changedFiles, decision);

    // The catalogue is written before any file moves, in the state after the
    // uninstall: the mod marked uninstalled, the layers above renumbered. The
    // journal entry written just before it holds the same records and every
    // file action, so a crash at any point is rolled forward at the next
    // start; until then each game file is either restored or still the mod's
    // version, and every original is still on disk: in the game, in the
    // mod's backups, or handed to the layer above. Writing the catalogue
    // after the files instead would leave a mod marked installed whose
    // backups are gone, and its next uninstall would delete the files of the
    // mods below it.
    entry.changed = change.changed;
    entry.actions = change.actions;
    entry.id = journal.begin(entry);
    if (!m_context.catalogue.applyChanges(change.changed)) {
        journal.finish(entry.id);
        entry.id = 0;
        return CommandContext::refusal(CommandReport::CatalogueFailed);
    }
    FileActionRunner(m_context, id, report, false).run(change.actions);
    if (report.setAside != 0) {
        report.setAsideFolder = setAsideFolder;
    }
    if (!m_context.manifest()->forget(id)) {
        logLine("[ManifestError]:", id);
    }
    return report;
}

QStringList TakeOutCommand::gameFilesTouched(const StackChange &change)
{
    // The other kinds change only backups, which no game holds open.
    QStringList files;
    for (const FileAction &action : change.actions) {
        if (action.kind == FileAction::Restore || action.kind == FileAction::Delete) {
            files << action.path;
        }
    }
    return files;
}

QString TakeOutCommand::markChanged(StackChange &change, const QString &id,
                                    const QStringList &changedFiles, ChangeDecision decision) const
{
    if (changedFiles.isEmpty()) {
        return QString();
    }
    // A folder of this command's own, so that no earlier set-aside version is
    // ever overwritten; it is made when the first file moves there.
    const QString base = GameLayout::join(
        GameLayout::join(m_context.layout.setAsideRoot(), id),
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh-mm-ss")));
    QString folder = base;
    for (int n = 2; existsOrIsLink(folder); ++n) {
        folder = base + QStringLiteral(" (%1)").arg(n);
    }
    const QSet<QString> changed(changedFiles.cbegin(), changedFiles.cend());
    for (FileAction &action : change.actions) {
        if (!changed.contains(action.path)) {
            continue;
        }
        action.changed = true;
        action.keepChanged = decision == ChangeDecision::KeepChanged;
        const QString relative = m_context.layout.relativePath(action.path);
        if (!relative.isEmpty()) {
            action.setAside = GameLayout::join(folder, relative);
        }
    }
    return folder;
}

QStringList TakeOutCommand::changedGameFiles(const QString &id, const StackChange &change) const
{
    // A top layer restores or deletes the game file. A lower layer leaves the
    // game alone, but overwrites or drops the backup of the layer above, which
    // holds what the game had when that layer came: this mod's file, unless
    // it was changed in between.
    QStringList changed;
    const QHash<QString, ManifestEntry> recorded = m_context.manifest()->entries(id);
    if (recorded.isEmpty()) {
        return changed;
    }
    for (const FileAction &action : change.actions) {
        QString file;
        if (action.kind == FileAction::Restore || action.kind == FileAction::Delete) {
            file = action.path;
        } else if (action.kind == FileAction::HandDown || action.kind == FileAction::DropBackup) {
            file = action.upperBackup;
        }
        const auto entry = recorded.constFind(action.path);
        if (file.isEmpty() || entry == recorded.cend()) {
            continue;
        }
        if (m_context.manifest()->check(id, action.path, file, *entry) == FileCheck::Changed) {
            changed << action.path;
        }
    }
    return changed;
}

bool TakeOutCommand::recordedElsewhere(const QString &id) const
{
    const ModRecord record = m_context.catalogue.m_mods.value(id);
    if (record.replace.isEmpty() && record.add.isEmpty()) {
        return false;
    }
    FolderCheck game(m_context.layout.gamePath());
    for (const QList<FileItem> *list : {&record.replace, &record.add}) {
        for (const FileItem &item : *list) {
            if (game.contains(item.path)) {
                return false;
            }
        }
    }
    return true;
}
