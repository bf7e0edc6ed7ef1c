#include "deploy/archiveinstall.h"

#include "deploy/archiveextractor.h"
#include "deploy/commandpaths.h"
#include "deploy/deployrun.h"
#include "deploy/gamelayout.h"
#include "deploy/installcommand.h"
#include "deploy/journal.h"
#include "deploy/modfolderplanner.h"

#include <QDir>
#include <QFileInfo>

namespace {

CommandReport archiveRefusal(const QString &archive, const ArchiveExtractor &extractor)
{
    CommandReport report = CommandContext::refusal(CommandReport::ArchiveRefused);
    report.path = archive;
    report.archiveFailure = extractor.outcome();
    return report;
}

void dropMadeFolders(const QStringList &madeFolders)
{
    for (const QString &folder : madeFolders) {
        QDir().rmdir(folder); // only while empty
    }
}

} // namespace

bool ArchiveInstall::isArchive(const QString &source)
{
    return QFileInfo(source).isFile() && ArchiveExtractor::isArchiveFile(source);
}

CommandReport ArchiveInstall::check(const QString &archive)
{
    ArchiveExtractor extractor;
    return extractor.check(archive) ? CommandReport() : archiveRefusal(archive, extractor);
}

CommandReport ArchiveInstall::install(const QString &archive, const QString &id,
                                      Journal &journal) const
{
    CommandReport report;
    report.outcome = InstallCommand(m_context).refusal(archive, id);
    if (report.outcome != CommandReport::Done) {
        return report;
    }
    // A hostile or damaged archive is refused before anything is written.
    ArchiveExtractor extractor;
    if (!extractor.check(archive)) {
        return archiveRefusal(archive, extractor);
    }
    // Unpacked beside the kept copies, on their volume, so that the unpacked
    // tree becomes the kept copy by one rename.
    const QString store = m_context.layout.modStore();
    const QStringList madeFolders = missingFolders(store);
    JournalEntry unpack;
    unpack.command = JournalEntry::Unpack;
    unpack.mod = id;
    unpack.source = archive;
    unpack.keptFolder = m_context.layout.keptCopy(id);
    unpack.keptFolderExisted = existsOrIsLink(unpack.keptFolder);
    unpack.unpackFolder = newUnpackFolder(store);
    unpack.id = journal.begin(unpack);
    if (!unpackInto(extractor, archive, unpack.unpackFolder)) {
        removeOwnFolder(unpack.unpackFolder);
        dropMadeFolders(madeFolders);
        journal.finish(unpack.id);
        return archiveRefusal(archive, extractor);
    }
    report = installUnpacked(unpack, journal);
    dropMadeFolders(madeFolders);
    return report;
}

bool ArchiveInstall::unpackInto(ArchiveExtractor &extractor, const QString &archive,
                                const QString &folder) const
{
    const CommandProgress &progress = m_context.progress;
    progress.range(0, 1000);
    extractor.setProgress([&progress](int perMille) { progress.value(perMille); });
    return extractor.extract(archive, folder);
}

CommandReport ArchiveInstall::installUnpacked(const JournalEntry &unpack, Journal &journal) const
{
    const QString unpacked = ArchiveExtractor::modFolder(unpack.unpackFolder);
    const GameLayout::InstallRoots roots = m_context.layout.installRoots(unpacked, unpack.mod);
    QString source = unpacked;
    QString keptRoot = roots.kept;
    // Should the rename not be possible, the copy goes file by file, as for a
    // mod folder.
    if (!unpack.keptFolderExisted && roots.kept == unpack.keptFolder &&
        renameNew(unpacked, roots.kept)) {
        source = roots.kept;
        keptRoot.clear();
        QDir().rmdir(unpack.unpackFolder);
    }
    const DeploymentPlan plan =
        ModFolderPlanner::plan(source, roots.target, roots.backup, keptRoot);
    CommandReport report;
    DeployRun::logSkippedLinks(plan, report);
    if (InstallCommand::refusedForHeldFile(plan, report)) {
        // Undone as a replay of the unpack would: nothing reached the game.
        removeOwnFolder(unpack.unpackFolder);
        if (!unpack.keptFolderExisted) {
            removeOwnFolder(unpack.keptFolder);
        }
        journal.finish(unpack.id);
        return report;
    }
    const DeployRun run(m_context);
    JournalEntry entry = run.entry(JournalEntry::Install, unpack.mod, source, plan, roots.target,
                                   roots.backup, keptRoot);
    entry.keptFolderExisted = unpack.keptFolderExisted;
    entry.unpackFolder = unpack.unpackFolder;
    // Never without an entry that undoes the kept copy: the install's is in
    // place before the unpack's goes.
    entry.id = journal.begin(entry);
    journal.finish(unpack.id);
    report = run.run(entry, report);
    if (report.outcome != CommandReport::Done && !entry.keptFolderExisted) {
        removeOwnFolder(entry.keptFolder);
    }
    journal.finish(entry.id);
    // Gone only now: a replay of the install may still need it as its source.
    if (existsOrIsLink(entry.unpackFolder)) {
        removeOwnFolder(entry.unpackFolder);
    }
    return report;
}
