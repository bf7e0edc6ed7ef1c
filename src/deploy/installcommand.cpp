#include "deploy/installcommand.h"

#include "catalogue/modcfg.h"
#include "config/foldername.h"
#include "deploy/archiveinstall.h"
#include "deploy/commandpaths.h"
#include "deploy/deployrun.h"
#include "deploy/gamelayout.h"
#include "deploy/journal.h"
#include "deploy/modcommands.h"
#include "deploy/modfolderplanner.h"
#include "deploy/pathguard.h"

#include <QFileInfo>

CommandReport::Outcome InstallCommand::refusal(const QString &folder, const QString &id) const
{
    const GameLayout &layout = m_context.layout;
    if (!m_context.gameFolderUsable()) {
        return CommandReport::NoGameFolder;
    }
    if (!isSafeFolderName(id) || isSetAsideFolderName(id) || isUnpackFolderName(id)) {
        return CommandReport::UnsafeName;
    }
    // The mod list shows the game's name for "no mod selected": a mod of that
    // name could never be chosen for uninstalling or removing.
    if (id.compare(m_context.catalogue.m_gameName, Qt::CaseInsensitive) == 0) {
        return CommandReport::NameIsGame;
    }
    // Installing into a name the catalogue holds would mix two installs in one
    // record and let the new backups be mistaken for the old ones.
    if (m_context.catalogue.m_mods.contains(id)) {
        return CommandReport::NameTaken;
    }
    // A kept copy without a record (left by a removal that could not delete
    // it, or by a catalogue reset) is not this mod's: merged into the new
    // copy, its files would come into the game at the next reinstall.
    if (existsOrIsLink(layout.keptCopy(id))) {
        return CommandReport::KeptFolderTaken;
    }
    if (ArchiveInstall::isArchive(folder)) {
        return CommandReport::Done;
    }
    const QFileInfo source(folder);
    if (!source.isDir()) {
        return CommandReport::SourceMissing;
    }
    // Copying a folder into itself or into its own parent would overwrite the
    // files being read and back up the mod's own copies as game files.
    const QString game = QFileInfo(layout.gameRoot()).canonicalFilePath();
    if (source.canonicalFilePath() == game || PathGuard(layout.gameRoot()).contains(folder) ||
        PathGuard(folder).contains(layout.gameRoot())) {
        return CommandReport::SourceOverlapsGame;
    }
    return CommandReport::Done;
}

CommandReport InstallCommand::installFolder(const QString &folder, const QString &id,
                                            Journal &journal) const
{
    CommandReport report;
    report.outcome = refusal(folder, id);
    if (report.outcome != CommandReport::Done) {
        return report;
    }

    const GameLayout::InstallRoots roots = m_context.layout.installRoots(folder, id);
    const DeploymentPlan plan =
        ModFolderPlanner::plan(folder, roots.target, roots.backup, roots.kept);
    DeployRun::logSkippedLinks(plan, report);
    if (refusedForHeldFile(plan, report)) {
        return report;
    }
    const DeployRun run(m_context);
    JournalEntry entry =
        run.entry(JournalEntry::Install, id, folder, plan, roots.target, roots.backup, roots.kept);
    entry.id = journal.begin(entry);
    report = run.run(entry, report);
    journal.finish(entry.id);
    return report;
}

bool InstallCommand::refusedForHeldFile(const DeploymentPlan &plan, CommandReport &report)
{
    QStringList replaced;
    for (const PlannedFile &file : plan.files) {
        if (file.replaced) {
            replaced << file.target;
        }
    }
    return ::refusedForHeldFile(replaced, report);
}

CommandReport InstallCommand::reinstall(const QString &id, Journal &journal) const
{
    CommandReport report;
    const auto record = m_context.catalogue.m_mods.constFind(id);
    if (record == m_context.catalogue.m_mods.cend()) {
        return CommandContext::refusal(CommandReport::NotRecorded);
    }
    if (record->install != 0) {
        return CommandContext::refusal(CommandReport::AlreadyInstalled);
    }
    if (!ModCommands::isSafeModName(id)) {
        return CommandContext::refusal(CommandReport::UnsafeName);
    }
    if (!m_context.gameFolderUsable()) {
        return CommandContext::refusal(CommandReport::NoGameFolder);
    }
    const QString kept = m_context.layout.keptCopy(id);
    if (!QFileInfo(kept).isDir()) {
        return CommandContext::refusal(CommandReport::SourceMissing);
    }

    const QString backupRoot = m_context.layout.backupFolder(id);
    const QString gameRoot = m_context.layout.gameRoot();
    const DeploymentPlan plan = ModFolderPlanner::plan(kept, gameRoot, backupRoot);
    DeployRun::logSkippedLinks(plan, report);
    if (refusedForHeldFile(plan, report)) {
        return report;
    }
    const DeployRun run(m_context);
    JournalEntry entry =
        run.entry(JournalEntry::Reinstall, id, kept, plan, gameRoot, backupRoot, QString());
    entry.id = journal.begin(entry);
    report = run.run(entry, report);
    journal.finish(entry.id);
    return report;
}
