#include "deploy/deployrun.h"

#include "catalogue/modcfg.h"
#include "deploy/commandpaths.h"
#include "deploy/filecopier.h"
#include "deploy/foldercheck.h"
#include "deploy/gamelayout.h"
#include "deploy/layerstack.h"
#include "deploy/pathguard.h"
#include "platform/contenthasher.h"
#include "platform/filesync.h"
#include "platform/nativefile.h"
#include "platform/writestamp.h"
#include "state/filecheck.h"
#include "state/gamemanifest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace {

// Copies a mod's file into the game and describes the copy for the manifest.
// The content is hashed while it passes or just after, from memory, never
// read from the disk a second time; a clone has no bytes in memory to hash.
//
// So a clone of a file of Veldane's own (`ownSource`: the mod's kept copy)
// leaves its hash for the first time it is needed, which for most files is
// never: the record names the source and its stamp (size, both times to the
// nanosecond, file number), and the source's hash stands for the clone's
// for as long as the stamp holds. The kept copy is written by Veldane only,
// once, before this clone; stamped before and after it, it is known to be
// what was cloned. Should anything write it later, its stamp differs and the
// game file counts as changed when its own stamp no longer tells, so that
// the user is asked: never "unchanged" on a guess (FileCheck::compare). A
// mod folder of the user's is never such a source: it may be edited any
// time, and its hash is read at once. Nor are copies the kernel makes byte
// by byte (ext4): their bytes are in memory now and would be read from the
// disk later.
bool copyRecorded(const QString &source, const QString &target, const CommandContext &context,
                  bool ownSource, ManifestEntry *entry)
{
    quint64 hash = 0;
    bool cloned = false;
    FileCopier::CopyOptions options = context.byteProgress();
    options.hash = &hash;
    WriteStamp before;
    if (ownSource && WriteStamp::of(source, &before)) {
        options.cloned = &cloned;
    }
    if (!FileCopier::copy(source, target, options)) {
        return false;
    }
    if (cloned) {
        WriteStamp after;
        if (WriteStamp::of(source, &after) && after == before) {
            *entry = FileCheck::stampOfClone(target, source, after);
            return true;
        }
        // Written while cloned: only the clone itself says what it holds.
        if (!ContentHasher::hashFile(target, &hash)) {
            return false;
        }
    }
    *entry = FileCheck::stamp(target, hash);
    return true;
}

// Whether the files come from the mod's own kept copy (a reinstall, an
// archive unpacked into it) rather than from a folder of the user's.
bool fromKeptCopy(const JournalEntry &entry)
{
    if (!entry.keptRoot.isEmpty() || entry.keptFolder.isEmpty()) {
        return false;
    }
    const QFileInfo source(entry.source);
    return source == QFileInfo(entry.keptFolder) ||
           PathGuard::isInside(entry.source, entry.keptFolder);
}

void dropBackups(const QStringList &backups)
{
    for (const QString &backup : backups) {
        NativeFile::remove(backup);
    }
}

} // namespace

JournalEntry DeployRun::entry(JournalEntry::Command command, const QString &id,
                              const QString &source, const DeploymentPlan &plan,
                              const QString &targetRoot, const QString &backupRoot,
                              const QString &keptRoot) const
{
    JournalEntry entry;
    entry.command = command;
    entry.mod = id;
    entry.backupFolder = m_context.layout.backupFolder(id);
    entry.keptFolder = m_context.layout.keptCopy(id);
    entry.source = source;
    entry.targetRoot = targetRoot;
    entry.backupRoot = backupRoot;
    entry.keptRoot = keptRoot;
    entry.backupFolderExisted = existsOrIsLink(entry.backupFolder);
    entry.keptFolderExisted = existsOrIsLink(entry.keptFolder);
    entry.folders = plan.folders;
    entry.keptFolders = plan.keptFolders;
    entry.files = plan.files;
    entry.sizes.reserve(plan.files.size());
    entry.backupExisted.reserve(plan.files.size());
    for (const PlannedFile &file : plan.files) {
        entry.sizes << QFileInfo(file.source).size();
        entry.backupExisted << (file.replaced && existsOrIsLink(file.backup));
    }
    if (command == JournalEntry::Reinstall) {
        entry.changed.insert(id, m_context.catalogue.m_mods.value(id));
    }
    return entry;
}

DeploymentPlan DeployRun::planOf(const JournalEntry &entry)
{
    DeploymentPlan plan;
    plan.folders = entry.folders;
    plan.keptFolders = entry.keptFolders;
    plan.files = entry.files;
    return plan;
}

CommandReport DeployRun::run(const JournalEntry &entry, CommandReport report) const
{
    const bool install = entry.command == JournalEntry::Install;
    const DeploymentPlan plan = planOf(entry);
    const int count = plan.files.size();
    if (count != 0) {
        m_context.progress.range(0, install ? count + 1 : count);
    }
    QStringList madeBackups;
    QList<int> renamedBackups;
    const QVector<bool> deployable =
        selectDeployable(plan, entry.backupRoot, report, madeBackups, renamedBackups);
    // The catalogue is about to say that these backups hold the game's files:
    // the copied ones and the names of the renamed ones must be on disk
    // before it does.
    if (m_context.syncing && !(madeBackups.isEmpty() && renamedBackups.isEmpty())) {
        QStringList renamed;
        for (int i : renamedBackups) {
            renamed << plan.files.at(i).backup;
        }
        FileSync::sync(QStringList{entry.backupRoot} + renamed, madeBackups,
                       m_context.progress.whileWaiting);
    }
    if (!writeRecords(entry, plan, deployable)) {
        undoBackups(entry, plan, madeBackups, renamedBackups, report);
        return report;
    }

    copyAndRecord(entry, plan, deployable, report);
    return report;
}

void DeployRun::copyAndRecord(const JournalEntry &entry, const DeploymentPlan &plan,
                              const QVector<bool> &deployable, CommandReport &report) const
{
    makeFolders(entry, plan);
    const bool fromKept = fromKeptCopy(entry);
    QHash<QString, ManifestEntry> copied;
    copied.reserve(plan.files.size());
    for (int i = 0; i < plan.files.size(); ++i) {
        copyFile(entry, plan.files.at(i), deployable.at(i), fromKept, report, copied);
        m_context.progress.value(i + 1);
    }
    if (entry.command == JournalEntry::Install) {
        m_context.progress.value(plan.files.size() + 1);
    }
    // The one write-back of the command: copies and kept copy before the
    // entry goes. It comes before the records' commit, which on some file
    // systems would wait for the same bytes where the window cannot answer;
    // records committed first would do no harm, the entry replays the copies.
    m_context.flush(entry);
    // Without records the files only count as unchanged later, as files
    // installed before records were kept do.
    if (!m_context.manifest()->replace(entry.mod, copied)) {
        logLine("[ManifestError]:", entry.mod);
    }
}

bool DeployRun::writeRecords(const JournalEntry &entry, const DeploymentPlan &plan,
                             const QVector<bool> &deployable) const
{
    ModCfg &catalogue = m_context.catalogue;
    const int count = plan.files.size();
    if (entry.command == JournalEntry::Install) {
        QList<RecordedFile> recorded;
        for (int i = 0; i < count; ++i) {
            if (deployable.at(i)) {
                recorded << RecordedFile{plan.files.at(i).target, plan.files.at(i).replaced};
            }
        }
        if (!recorded.isEmpty() && !catalogue.addItems(entry.mod, recorded)) {
            // The records in memory run ahead of a failed write; no file was
            // copied, so they go back to what the file holds.
            catalogue.setGame(catalogue.m_gameName);
            return false;
        }
        return true;
    }
    // The reinstall goes on top of every stack it touches, and its record
    // says what it found in the game now, so that a later uninstall hands
    // the right version back.
    QList<QPair<QString, bool>> files;
    for (int i = 0; i < count; ++i) {
        if (deployable.at(i)) {
            files << qMakePair(plan.files.at(i).target, plan.files.at(i).replaced);
        }
    }
    QMap<QString, ModRecord> changed;
    changed.insert(entry.mod, LayerStack::reinstalled(catalogue.m_mods, entry.mod, files));
    return catalogue.applyChanges(changed);
}

void DeployRun::undoBackups(const JournalEntry &entry, const DeploymentPlan &plan,
                            const QStringList &madeBackups, const QList<int> &renamedBackups,
                            CommandReport &report) const
{
    // Left behind, these copies would be taken for the backups of a later
    // install, when the game may hold other versions.
    dropBackups(madeBackups);
    for (int i : renamedBackups) {
        if (!FileCopier::move(plan.files.at(i).backup, plan.files.at(i).target)) {
            logLine("[RestoreFileError]:", plan.files.at(i).target);
            ++report.failed;
        }
    }
    if (!entry.backupFolderExisted && report.failed == 0) {
        removeOwnFolder(entry.backupFolder);
    }
    report.outcome = CommandReport::CatalogueFailed;
}

void DeployRun::logSkippedLinks(const DeploymentPlan &plan, CommandReport &report)
{
    for (const QString &link : plan.skippedLinks) {
        logLine("[LinkSkipped]:", link);
        ++report.leftAlone;
    }
    for (const QString &path : plan.unrecordableNames) {
        logLine("[NameSkipped]:", path);
        ++report.leftAlone;
    }
    for (const QString &path : plan.windowsNames) {
        logLine("[WindowsNameSkipped]:", path);
        ++report.leftAlone;
    }
}

QVector<bool> DeployRun::selectDeployable(const DeploymentPlan &plan, const QString &backupRoot,
                                          CommandReport &report, QStringList &madeBackups,
                                          QList<int> &renamedBackups) const
{
    // A game folder that is a link to somewhere else would carry the copies
    // out of the game, where no uninstall may follow them.
    FolderCheck game(m_context.layout.gamePath());
    QDir().mkpath(backupRoot);
    for (const QString &folder : plan.folders) {
        QDir().mkdir(GameLayout::join(backupRoot, folder));
    }

    QVector<bool> deployable(plan.files.size(), false);
    for (int i = 0; i < plan.files.size(); ++i) {
        const PlannedFile &file = plan.files.at(i);
        ++report.files;
        if (!game.contains(file.target)) {
            logLine("[OutsideGameError]:", file.target);
            ++report.leftAlone;
            continue;
        }
        deployable[i] = !file.replaced || backUp(file, i, report, madeBackups, renamedBackups);
    }
    return deployable;
}

bool DeployRun::backUp(const PlannedFile &file, int index, CommandReport &report,
                       QStringList &madeBackups, QList<int> &renamedBackups) const
{
    // A backup is never overwritten: one already there (left by a command
    // that did not finish) is the older version and stays.
    if (existsOrIsLink(file.backup)) {
        logLine("[BackupFileError]:", file.target);
        ++report.failed;
        return isPlainFile(file.backup);
    }
    // On the same volume the game file itself becomes the backup, one
    // rename instead of a copy of its bytes; the journal written before
    // makes a crash before the catalogue write move it back. A link is
    // copied as today: its backup must be a plain file.
    if (isPlainFile(file.target) && renameNew(file.target, file.backup)) {
        renamedBackups << index;
        return true;
    }
    // Without a backup the game file could never come back: it is left
    // as it is and not recorded.
    if (!FileCopier::copyNew(file.target, file.backup, m_context.byteProgress())) {
        logLine("[BackupFileError]:", file.target);
        ++report.failed;
        NativeFile::remove(file.backup);
        return false;
    }
    madeBackups << file.backup;
    return true;
}

void DeployRun::makeFolders(const JournalEntry &entry, const DeploymentPlan &plan) const
{
    QDir().mkdir(entry.targetRoot);
    for (const QString &folder : plan.folders) {
        const QString target = GameLayout::join(entry.targetRoot, folder);
        if (!QFileInfo(target).isDir()) {
            QDir().mkdir(target);
        }
    }
    if (entry.keptRoot.isEmpty()) {
        return;
    }
    QDir().mkpath(entry.keptRoot);
    for (const QString &folder : plan.keptFolders) {
        QDir().mkdir(GameLayout::join(entry.keptRoot, folder));
    }
}

void DeployRun::copyFile(const JournalEntry &entry, const PlannedFile &file, bool deployable,
                         bool fromKept, CommandReport &report,
                         QHash<QString, ManifestEntry> &copied) const
{
    // The kept copy first, and the game's copy made from it: the same bytes,
    // but in a file of Veldane's own, so that on a file system that clones
    // (also when the mod folder lies elsewhere) the game file is a clone of
    // it whose hash can wait (copyRecorded). Every file is kept, also one
    // left out of the game.
    QString source = file.source;
    bool ownSource = fromKept;
    if (!entry.keptRoot.isEmpty()) {
        if (FileCopier::copy(file.source, file.keptCopy, m_context.byteProgress())) {
            source = file.keptCopy;
            ownSource = true;
        } else {
            logLine("[KeepCopyError]:", file.source);
            ++report.failed;
        }
    }
    if (!deployable) {
        return;
    }
    ManifestEntry record;
    if (copyRecorded(source, file.target, m_context, ownSource, &record)) {
        copied.insert(file.target, record);
        return;
    }
    logLine("[InstallFileError]:", file.source);
    ++report.failed;
    // The game file was moved into the backup, or partly overwritten: the
    // original goes back, and the backup stays for the record.
    if (file.replaced && isPlainFile(file.backup) && !FileCopier::copy(file.backup, file.target)) {
        FileCopier::move(file.backup, file.target);
    }
}
