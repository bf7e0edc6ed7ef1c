#include "deploy/modcommands.h"

#include "catalogue/modcfg.h"
#include "config/foldername.h"
#include "config/gameinfo.h"
#include "deploy/archiveextractor.h"
#include "deploy/filecopier.h"
#include "deploy/layerstack.h"
#include "deploy/modfolderplanner.h"
#include "deploy/pathguard.h"
#include "log/ceasylog.h"
#include "platform/filesync.h"
#include "platform/nativefile.h"
#include "platform/pathcase.h"
#include "state/filecheck.h"
#include "state/gamelock.h"
#include "state/gamemanifest.h"
#include "state/journal.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>

#include <map>

namespace {

void logLine(const char *tag, const QString &path)
{
    CEasyLog::instance()->write(QLatin1String(tag) + path);
}

// Answers PathGuard's question for many files at once. The last name of a
// path is judged by its own place and not followed, so every ordinary file of
// one folder gets the same answer: the folder is resolved once.
class FolderCheck
{
public:
    explicit FolderCheck(const QString &root) : m_guard(root) {}

    bool contains(const QString &path)
    {
        const QString plain = QDir::fromNativeSeparators(path);
        const int cut = plain.lastIndexOf(QLatin1Char('/'));
        const QString name = plain.mid(cut + 1);
        if (cut < 0 || name.isEmpty() || name == QLatin1String(".") ||
            name == QLatin1String("..")) {
            return m_guard.contains(path);
        }
        const QString folder = plain.left(cut);
        auto known = m_folders.constFind(folder);
        if (known == m_folders.cend()) {
            known = m_folders.insert(folder, m_guard.contains(folder + QStringLiteral("/f")));
        }
        return known.value();
    }

private:
    PathGuard m_guard;
    QHash<QString, bool> m_folders;
};

bool isPlainFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isSymLink();
}

bool existsOrIsLink(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// Large files report their bytes to the command's progress while copied.
FileCopier::CopyOptions byteProgress(const CommandProgress &progress)
{
    FileCopier::CopyOptions options;
    options.progress = [&progress](qint64 done, qint64 total) { progress.fileBytes(done, total); };
    return options;
}

// Renames only where that is one step on one volume and nothing is in the
// way; false leaves both names as they were. On another volume the backup is
// then copied and listed for the flush, where a rename would have let the
// system copy it unflushed and delete the original.
bool renameNew(const QString &from, const QString &to)
{
    return NativeFile::renameNew(from, to);
}

CommandReport refusal(CommandReport::Outcome outcome)
{
    CommandReport report;
    report.outcome = outcome;
    return report;
}

CommandReport archiveRefusal(const QString &archive, const ArchiveExtractor &extractor)
{
    CommandReport report = refusal(CommandReport::ArchiveRefused);
    report.path = archive;
    report.reason = extractor.errorString();
    return report;
}

// The folders that making `folder` would create, the deepest first.
QStringList missingFolders(const QString &folder)
{
    QStringList missing;
    for (QFileInfo info(folder); !info.exists() && !info.isSymLink() && !info.isRoot();
         info.setFile(info.absolutePath())) {
        missing << info.absoluteFilePath();
    }
    return missing;
}

// A folder name beside the kept copies that nothing uses.
QString newUnpackFolder(const QString &store)
{
    for (;;) {
        const QString folder =
            GameLayout::join(store, unpackFolderPrefix() +
                                        QString::number(QRandomGenerator::global()->generate(), 16)
                                            .rightJustified(8, QLatin1Char('0')));
        if (!existsOrIsLink(folder)) {
            return folder;
        }
    }
}

QString parentOf(const QString &path)
{
    const QString plain = QDir::fromNativeSeparators(path);
    return plain.left(plain.lastIndexOf(QLatin1Char('/')));
}

// Copies a mod's file into the game and describes the copy for the manifest;
// the content is hashed as it passes, never read a second time.
bool copyRecorded(const QString &source, const QString &target, const CommandProgress &progress,
                  ManifestEntry *entry)
{
    quint64 hash = 0;
    FileCopier::CopyOptions options = byteProgress(progress);
    options.hash = &hash;
    if (!FileCopier::copy(source, target, options)) {
        return false;
    }
    *entry = FileCheck::stamp(target, hash);
    return true;
}

} // namespace

ModCommands::ModCommands(ModCfg &catalogue, const GameLayout &layout,
                         const CommandProgress &progress)
    : m_catalogue(catalogue), m_layout(layout), m_progress(progress)
{
    // Recorded paths are compared as the game's file system compares names.
    PathCase::probe(m_layout.gameRoot());
}

bool ModCommands::isSafeModName(const QString &name)
{
    // The set-aside folder is no mod's backup folder, also for a name that an
    // older version accepted.
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !isSetAsideFolderName(name) && !hasReservedCharacter(name);
}

bool ModCommands::gameFolderUsable() const
{
    if (m_layout.gameRoot().isEmpty()) {
        return false;
    }
    const QFileInfo game(m_layout.gameRoot());
    return game.isAbsolute() && game.isDir();
}

CommandReport::Outcome ModCommands::installRefusal(const QString &folder, const QString &id) const
{
    if (!gameFolderUsable()) {
        return CommandReport::NoGameFolder;
    }
    if (!isSafeFolderName(id) || isSetAsideFolderName(id) || isUnpackFolderName(id)) {
        return CommandReport::UnsafeName;
    }
    // The mod list shows the game's name for "no mod selected": a mod of that
    // name could never be chosen for uninstalling or removing.
    if (id.compare(m_catalogue.m_gameName, Qt::CaseInsensitive) == 0) {
        return CommandReport::NameIsGame;
    }
    // Installing into a name the catalogue holds would mix two installs in one
    // record and let the new backups be mistaken for the old ones.
    if (m_catalogue.m_mods.contains(id)) {
        return CommandReport::NameTaken;
    }
    // A kept copy without a record (left by a removal that could not delete
    // it, or by a catalogue reset) is not this mod's: merged into the new
    // copy, its files would come into the game at the next reinstall.
    if (existsOrIsLink(m_layout.keptCopy(id))) {
        return CommandReport::KeptFolderTaken;
    }
    if (isArchive(folder)) {
        return CommandReport::Done;
    }
    const QFileInfo source(folder);
    if (!source.isDir()) {
        return CommandReport::SourceMissing;
    }
    // Copying a folder into itself or into its own parent would overwrite the
    // files being read and back up the mod's own copies as game files.
    const QString game = QFileInfo(m_layout.gameRoot()).canonicalFilePath();
    if (source.canonicalFilePath() == game || PathGuard(m_layout.gameRoot()).contains(folder) ||
        PathGuard(folder).contains(m_layout.gameRoot())) {
        return CommandReport::SourceOverlapsGame;
    }
    return CommandReport::Done;
}

bool ModCommands::isArchive(const QString &source)
{
    return QFileInfo(source).isFile() && ArchiveExtractor::isArchiveFile(source);
}

CommandReport ModCommands::checkArchive(const QString &archive)
{
    ArchiveExtractor extractor;
    return extractor.check(archive) ? CommandReport() : archiveRefusal(archive, extractor);
}

CommandReport ModCommands::install(const QString &source, const QString &id)
{
    return locked([&](Journal &journal) {
        return isArchive(source) ? installArchiveLocked(source, id, journal)
                                 : installLocked(source, id, journal);
    });
}

CommandReport ModCommands::reinstall(const QString &id)
{
    return locked([&](Journal &journal) { return reinstallLocked(id, journal); });
}

CommandReport ModCommands::uninstall(const QString &id, ChangeDecision decision)
{
    return locked([&](Journal &journal) { return uninstallLocked(id, decision, journal); });
}

CommandReport ModCommands::remove(const QString &id, ChangeDecision decision)
{
    return locked([&](Journal &journal) { return removeLocked(id, decision, journal); });
}

CommandReport ModCommands::locked(const std::function<CommandReport(Journal &)> &command)
{
    GameLock lock(m_catalogue.m_cfgPath);
    if (!lock.acquire()) {
        return refusal(CommandReport::GameBusy);
    }
    Journal journal(m_catalogue.m_cfgPath);
    RecoveryReport recovery;
    // A command on top of a half-done one would plan from a catalogue that
    // does not match the game.
    if (!finishInterrupted(journal, recovery)) {
        return refusal(CommandReport::CatalogueFailed);
    }
    return command(journal);
}

RecoveryReport ModCommands::recover()
{
    RecoveryReport recovery;
    GameLock lock(m_catalogue.m_cfgPath);
    if (!lock.acquire()) {
        recovery.busy = true;
        return recovery;
    }
    Journal journal(m_catalogue.m_cfgPath);
    finishInterrupted(journal, recovery);
    return recovery;
}

CommandReport ModCommands::installLocked(const QString &folder, const QString &id, Journal &journal)
{
    CommandReport report;
    report.outcome = installRefusal(folder, id);
    if (report.outcome != CommandReport::Done) {
        return report;
    }

    const GameLayout::InstallRoots roots = m_layout.installRoots(folder, id);
    const DeploymentPlan plan =
        ModFolderPlanner::plan(folder, roots.target, roots.backup, roots.kept);
    logSkippedLinks(plan, report);
    JournalEntry entry = deployEntry(JournalEntry::Install, id, folder, plan, roots.target,
                                     roots.backup, roots.kept);
    entry.id = journal.begin(entry);
    report = deploy(entry, report);
    journal.finish(entry.id);
    return report;
}

CommandReport ModCommands::installArchiveLocked(const QString &archive, const QString &id,
                                                Journal &journal)
{
    CommandReport report;
    report.outcome = installRefusal(archive, id);
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
    const QString store = m_layout.modStore();
    const QStringList madeFolders = missingFolders(store);
    const auto dropMadeFolders = [&madeFolders] {
        for (const QString &folder : madeFolders) {
            QDir().rmdir(folder); // only while empty
        }
    };
    JournalEntry unpack;
    unpack.command = JournalEntry::Unpack;
    unpack.mod = id;
    unpack.source = archive;
    unpack.keptFolder = m_layout.keptCopy(id);
    unpack.keptFolderExisted = existsOrIsLink(unpack.keptFolder);
    unpack.unpackFolder = newUnpackFolder(store);
    unpack.id = journal.begin(unpack);
    const auto refuse = [&](const QString &reason) {
        removeOwnFolder(unpack.unpackFolder);
        dropMadeFolders();
        journal.finish(unpack.id);
        report.outcome = CommandReport::ArchiveRefused;
        report.path = archive;
        report.reason = reason;
        return report;
    };
    if (!QDir().mkpath(unpack.unpackFolder)) {
        return refuse(QCoreApplication::translate("ModCommands", "无法创建文件夹：%1")
                          .arg(QDir::toNativeSeparators(unpack.unpackFolder)));
    }
    m_progress.range(0, 1000);
    extractor.setProgress([this](int perMille) { m_progress.value(perMille); });
    if (!extractor.extract(archive, unpack.unpackFolder)) {
        return refuse(extractor.errorString());
    }

    const QString unpacked = ArchiveExtractor::modFolder(unpack.unpackFolder);
    const GameLayout::InstallRoots roots = m_layout.installRoots(unpacked, id);
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
    logSkippedLinks(plan, report);
    JournalEntry entry =
        deployEntry(JournalEntry::Install, id, source, plan, roots.target, roots.backup, keptRoot);
    entry.keptFolderExisted = unpack.keptFolderExisted;
    entry.unpackFolder = unpack.unpackFolder;
    // Never without an entry that undoes the kept copy: the install's is in
    // place before the unpack's goes.
    entry.id = journal.begin(entry);
    journal.finish(unpack.id);
    report = deploy(entry, report);
    if (report.outcome != CommandReport::Done && !entry.keptFolderExisted) {
        removeOwnFolder(entry.keptFolder);
    }
    journal.finish(entry.id);
    // Gone only now: a replay of the install may still need it as its source.
    if (existsOrIsLink(entry.unpackFolder)) {
        removeOwnFolder(entry.unpackFolder);
    }
    dropMadeFolders();
    return report;
}

CommandReport ModCommands::reinstallLocked(const QString &id, Journal &journal)
{
    CommandReport report;
    const auto record = m_catalogue.m_mods.constFind(id);
    if (record == m_catalogue.m_mods.cend()) {
        return refusal(CommandReport::NotRecorded);
    }
    if (record->install != 0) {
        return refusal(CommandReport::AlreadyInstalled);
    }
    if (!isSafeModName(id)) {
        return refusal(CommandReport::UnsafeName);
    }
    if (!gameFolderUsable()) {
        return refusal(CommandReport::NoGameFolder);
    }
    const QString kept = m_layout.keptCopy(id);
    if (!QFileInfo(kept).isDir()) {
        return refusal(CommandReport::SourceMissing);
    }

    const QString backupRoot = m_layout.backupFolder(id);
    const DeploymentPlan plan = ModFolderPlanner::plan(kept, m_layout.gameRoot(), backupRoot);
    logSkippedLinks(plan, report);
    JournalEntry entry = deployEntry(JournalEntry::Reinstall, id, kept, plan, m_layout.gameRoot(),
                                     backupRoot, QString());
    entry.id = journal.begin(entry);
    report = deploy(entry, report);
    journal.finish(entry.id);
    return report;
}

JournalEntry ModCommands::deployEntry(JournalEntry::Command command, const QString &id,
                                      const QString &source, const DeploymentPlan &plan,
                                      const QString &targetRoot, const QString &backupRoot,
                                      const QString &keptRoot) const
{
    JournalEntry entry;
    entry.command = command;
    entry.mod = id;
    entry.backupFolder = m_layout.backupFolder(id);
    entry.keptFolder = m_layout.keptCopy(id);
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
        entry.changed.insert(id, m_catalogue.m_mods.value(id));
    }
    return entry;
}

CommandReport ModCommands::deploy(const JournalEntry &entry, CommandReport report)
{
    const bool install = entry.command == JournalEntry::Install;
    DeploymentPlan plan;
    plan.folders = entry.folders;
    plan.keptFolders = entry.keptFolders;
    plan.files = entry.files;
    const int count = plan.files.size();
    if (count != 0) {
        m_progress.range(0, install ? count + 1 : count);
    }
    QStringList madeBackups;
    QList<int> renamedBackups;
    const QVector<bool> deployable =
        selectDeployable(plan, entry.backupRoot, report, madeBackups, renamedBackups);
    // The catalogue is about to say that these backups hold the game's files:
    // they must be on disk before it does.
    if (m_syncing && !madeBackups.isEmpty()) {
        FileSync::sync({entry.backupRoot}, madeBackups, m_progress.whileWaiting);
    }

    bool written = true;
    if (install) {
        QList<RecordedFile> recorded;
        for (int i = 0; i < count; ++i) {
            if (deployable.at(i)) {
                recorded << RecordedFile{plan.files.at(i).target, plan.files.at(i).replaced};
            }
        }
        if (!recorded.isEmpty() && !m_catalogue.addItems(entry.mod, recorded)) {
            // The records in memory run ahead of a failed write; no file was
            // copied, so they go back to what the file holds.
            m_catalogue.setGame(m_catalogue.m_gameName);
            written = false;
        }
    } else {
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
        changed.insert(entry.mod, LayerStack::reinstalled(m_catalogue.m_mods, entry.mod, files));
        written = m_catalogue.applyChanges(changed);
    }
    if (!written) {
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
        return report;
    }

    copyIntoGame(plan, entry.targetRoot, deployable, entry.mod, report);
    if (install) {
        // An unpacked archive was installed from its kept copy.
        if (!entry.keptRoot.isEmpty()) {
            QDir().mkpath(entry.keptRoot);
            keepCopy(plan, entry.keptRoot, report);
        }
        m_progress.value(count + 1);
    }
    sync(entry);
    return report;
}

void ModCommands::sync(const JournalEntry &entry) const
{
    if (!m_syncing) {
        return;
    }
    QStringList files;
    for (const PlannedFile &file : entry.files) {
        files << file.target;
        if (!file.keptCopy.isEmpty()) {
            files << file.keptCopy;
        } else if (!entry.unpackFolder.isEmpty()) {
            files << file.source; // the kept copy, unpacked
        }
    }
    for (const FileAction &action : entry.actions) {
        files << action.path;
        if (!action.upperBackup.isEmpty()) {
            files << action.upperBackup;
        }
    }
    if (!FileSync::sync({m_layout.gameRoot(), entry.backupFolder, entry.keptFolder}, files,
                        m_progress.whileWaiting)) {
        logLine("[SyncError]:", m_layout.gameRoot());
    }
}

bool ModCommands::finishInterrupted(Journal &journal, RecoveryReport &recovery)
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
        sync(entry);
        journal.finish(entry.id);
    }
    removeLeftUnpackFolders();
    return true;
}

void ModCommands::removeLeftUnpackFolders() const
{
    // Every unpack runs under the game's lock and is named by an unfinished
    // entry until its folder is gone or renamed into the kept copy: with the
    // journal empty, a folder of that name is a leftover of a killed command.
    if (m_layout.modStore().isEmpty()) {
        return;
    }
    const QDir store(m_layout.modStore());
    const QStringList left = store.entryList({unpackFolderPrefix() + QLatin1Char('*')},
                                             QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &name : left) {
        bool recorded = false;
        for (auto it = m_catalogue.m_mods.cbegin(); it != m_catalogue.m_mods.cend(); ++it) {
            recorded = recorded || it.key().compare(name, Qt::CaseInsensitive) == 0;
        }
        if (!recorded) {
            removeOwnFolder(store.filePath(name));
        }
    }
}

bool ModCommands::replay(const JournalEntry &entry, RecoveryReport &recovery)
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

bool ModCommands::replayUnpack(const JournalEntry &entry, RecoveryReport &recovery)
{
    // Killed before the install's own entry: nothing is in the game or the
    // catalogue, and the archive is still where it was.
    if (existsOrIsLink(entry.unpackFolder)) {
        removeOwnFolder(entry.unpackFolder);
    }
    if (!entry.keptFolderExisted && !m_catalogue.m_mods.contains(entry.mod)) {
        removeOwnFolder(entry.keptFolder);
    }
    recovery.steps << RecoveryReport::Step{RecoveryReport::Step::InstallUndone, entry.mod};
    return true;
}

bool ModCommands::sourceComplete(const JournalEntry &entry)
{
    for (int i = 0; i < entry.files.size(); ++i) {
        const QFileInfo source(entry.files.at(i).source);
        if (!source.isFile() || source.isSymLink() || source.size() != entry.sizes.at(i)) {
            return false;
        }
    }
    return true;
}

void ModCommands::dropNewBackups(const JournalEntry &entry)
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
            QFile::remove(file.backup);
        }
    }
}

bool ModCommands::replayDeploy(const JournalEntry &entry, RecoveryReport &recovery)
{
    using Step = RecoveryReport::Step;
    const bool install = entry.command == JournalEntry::Install;
    const auto record = m_catalogue.m_mods.constFind(entry.mod);
    const bool recorded = record != m_catalogue.m_mods.cend() && (install || record->install != 0);
    const bool complete = sourceComplete(entry);
    CommandReport report;
    if (!recorded) {
        dropNewBackups(entry);
        if (complete) {
            report = deploy(entry, report);
        }
        if (!complete || report.outcome != CommandReport::Done) {
            if (!entry.backupFolderExisted) {
                removeOwnFolder(entry.backupFolder);
            }
            if (install && !entry.keptFolderExisted) {
                removeOwnFolder(entry.keptFolder);
            }
            recovery.steps << Step{Step::InstallUndone, entry.mod};
            return true;
        }
    } else {
        QSet<QString> targets;
        for (const QList<FileItem> *list : {&record->replace, &record->add}) {
            for (const FileItem &item : *list) {
                targets.insert(item.path);
            }
        }
        if (!complete) {
            return undoDeploy(entry, targets, recovery);
        }
        DeploymentPlan plan;
        plan.folders = entry.folders;
        plan.keptFolders = entry.keptFolders;
        plan.files = entry.files;
        QVector<bool> deployable(plan.files.size(), false);
        for (int i = 0; i < plan.files.size(); ++i) {
            deployable[i] = targets.contains(plan.files.at(i).target);
        }
        copyIntoGame(plan, entry.targetRoot, deployable, entry.mod, report);
        if (install && !entry.keptRoot.isEmpty()) {
            QDir().mkpath(entry.keptRoot);
            keepCopy(plan, entry.keptRoot, report);
        }
    }
    recovery.failed += report.failed;
    recovery.steps << Step{Step::Installed, entry.mod};
    return true;
}

bool ModCommands::undoDeploy(const JournalEntry &entry, const QSet<QString> &recorded,
                             RecoveryReport &recovery)
{
    // Files first and the record last: undoing is replayed as a whole when
    // it is cut short, and every step finds its own state.
    const ModRecord record = m_catalogue.m_mods.value(entry.mod);
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
                   !QFile::remove(file.target)) {
            logLine("[DeleteFileError]:", file.target);
            ++recovery.failed;
        }
    }
    const bool written = entry.command == JournalEntry::Install
                             ? m_catalogue.deleteMod(entry.mod)
                             : m_catalogue.applyChanges(entry.changed);
    if (!written) {
        return false;
    }
    manifest()->forget(entry.mod);
    if (!entry.backupFolderExisted) {
        removeOwnFolder(entry.backupFolder);
    }
    if (entry.command == JournalEntry::Install && !entry.keptFolderExisted) {
        removeOwnFolder(entry.keptFolder);
    }
    recovery.steps << RecoveryReport::Step{RecoveryReport::Step::InstallUndone, entry.mod};
    return true;
}

bool ModCommands::replayTakeOut(const JournalEntry &entry, RecoveryReport &recovery)
{
    using Step = RecoveryReport::Step;
    const bool removal = entry.command == JournalEntry::Remove;
    if (!m_catalogue.m_mods.contains(entry.mod)) {
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
        if (!m_catalogue.applyChanges(entry.changed)) {
            return false;
        }
        StackChange change;
        change.changed = entry.changed;
        change.actions = entry.actions;
        carryOut(change, entry.mod, report, true);
        recovery.failed += report.failed;
        manifest()->forget(entry.mod);
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
    if (!m_catalogue.deleteMod(entry.mod)) {
        return false;
    }
    removeOwnFolder(entry.backupFolder);
    removeOwnFolder(entry.keptFolder);
    recovery.steps << Step{Step::Removed, entry.mod};
    return true;
}

void ModCommands::logSkippedLinks(const DeploymentPlan &plan, CommandReport &report) const
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

void ModCommands::dropBackups(const QStringList &backups)
{
    for (const QString &backup : backups) {
        QFile::remove(backup);
    }
}

QVector<bool> ModCommands::selectDeployable(const DeploymentPlan &plan, const QString &backupRoot,
                                            CommandReport &report, QStringList &madeBackups,
                                            QList<int> &renamedBackups) const
{
    // A game folder that is a link to somewhere else would carry the copies
    // out of the game, where no uninstall may follow them.
    FolderCheck game(m_layout.gamePath());
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
        if (!file.replaced) {
            deployable[i] = true;
            continue;
        }
        // A backup is never overwritten: one already there (left by a command
        // that did not finish) is the older version and stays.
        if (existsOrIsLink(file.backup)) {
            logLine("[BackupFileError]:", file.target);
            ++report.failed;
            deployable[i] = isPlainFile(file.backup);
            continue;
        }
        // On the same volume the game file itself becomes the backup, one
        // rename instead of a copy of its bytes; the journal written before
        // makes a crash before the catalogue write move it back. A link is
        // copied as today: its backup must be a plain file.
        if (isPlainFile(file.target) && renameNew(file.target, file.backup)) {
            renamedBackups << i;
            deployable[i] = true;
            continue;
        }
        // Without a backup the game file could never come back: it is left
        // as it is and not recorded.
        if (!FileCopier::copyNew(file.target, file.backup, byteProgress(m_progress))) {
            logLine("[BackupFileError]:", file.target);
            ++report.failed;
            QFile::remove(file.backup);
            continue;
        }
        madeBackups << file.backup;
        deployable[i] = true;
    }
    return deployable;
}

void ModCommands::copyIntoGame(const DeploymentPlan &plan, const QString &targetRoot,
                               const QVector<bool> &deployable, const QString &id,
                               CommandReport &report) const
{
    QDir().mkdir(targetRoot);
    for (const QString &folder : plan.folders) {
        const QString target = GameLayout::join(targetRoot, folder);
        if (!QFileInfo(target).isDir()) {
            QDir().mkdir(target);
        }
    }
    QHash<QString, ManifestEntry> copied;
    copied.reserve(plan.files.size());
    for (int i = 0; i < plan.files.size(); ++i) {
        const PlannedFile &file = plan.files.at(i);
        if (deployable.at(i)) {
            ManifestEntry entry;
            if (copyRecorded(file.source, file.target, m_progress, &entry)) {
                copied.insert(file.target, entry);
            } else {
                logLine("[InstallFileError]:", file.source);
                ++report.failed;
                // The game file was moved into the backup, or partly
                // overwritten: the original goes back, and the backup stays
                // for the record.
                if (file.replaced && isPlainFile(file.backup) &&
                    !FileCopier::copy(file.backup, file.target)) {
                    FileCopier::move(file.backup, file.target);
                }
            }
        }
        m_progress.value(i + 1);
    }
    // The records' commit makes the disk write back every byte just copied
    // first; that wait is taken here, where the window can answer meanwhile.
    if (m_syncing && !copied.isEmpty()) {
        FileSync::sync({targetRoot}, copied.keys(), m_progress.whileWaiting);
    }
    // Without records the files only count as unchanged later, as files
    // installed before records were kept do.
    if (!manifest()->replace(id, copied)) {
        logLine("[ManifestError]:", id);
    }
}

void ModCommands::keepCopy(const DeploymentPlan &plan, const QString &keptRoot,
                           CommandReport &report) const
{
    for (const QString &folder : plan.keptFolders) {
        QDir().mkdir(GameLayout::join(keptRoot, folder));
    }
    for (const PlannedFile &file : plan.files) {
        if (!FileCopier::copy(file.source, file.keptCopy, byteProgress(m_progress))) {
            logLine("[KeepCopyError]:", file.source);
            ++report.failed;
        }
    }
}

CommandReport ModCommands::uninstallLocked(const QString &id, ChangeDecision decision,
                                           Journal &journal)
{
    const auto record = m_catalogue.m_mods.constFind(id);
    if (record == m_catalogue.m_mods.cend()) {
        return refusal(CommandReport::NotRecorded);
    }
    if (record->install == 0) {
        return refusal(CommandReport::NotInstalled);
    }
    if (!isSafeModName(id)) {
        return refusal(CommandReport::UnsafeName);
    }
    JournalEntry entry;
    entry.command = JournalEntry::Uninstall;
    entry.mod = id;
    entry.backupFolder = m_layout.backupFolder(id);
    entry.keptFolder = m_layout.keptCopy(id);
    CommandReport report = takeOut(id, decision, entry, journal);
    // A backup that could not be put back is the only copy of that version:
    // the backup folder stays until a later command can use it.
    if (report.outcome == CommandReport::Done && report.failed == 0) {
        removeOwnFolder(entry.backupFolder);
    }
    if (report.outcome == CommandReport::Done) {
        sync(entry);
        journal.finish(entry.id);
    }
    return report;
}

CommandReport ModCommands::removeLocked(const QString &id, ChangeDecision decision,
                                        Journal &journal)
{
    CommandReport report;
    const auto record = m_catalogue.m_mods.constFind(id);
    if (record == m_catalogue.m_mods.cend()) {
        return refusal(CommandReport::NotRecorded);
    }
    const bool safeName = isSafeModName(id);
    JournalEntry entry;
    entry.command = JournalEntry::Remove;
    entry.mod = id;
    entry.backupFolder = m_layout.backupFolder(id);
    entry.keptFolder = m_layout.keptCopy(id);
    entry.wasInstalled = record->install != 0;
    if (entry.wasInstalled) {
        if (!safeName) {
            return refusal(CommandReport::UnsafeName);
        }
        // The record is dropped only after the files are back: until then the
        // catalogue holds the mod as uninstalled, with its backups in place.
        report = takeOut(id, decision, entry, journal);
        if (report.outcome != CommandReport::Done) {
            return report;
        }
        if (report.failed != 0) {
            report.removalStopped = true;
            sync(entry);
            journal.finish(entry.id);
            return report;
        }
    } else if (safeName) {
        // Only a usable name has folders to finish removing after a crash.
        entry.id = journal.begin(entry);
    }
    if (!m_catalogue.deleteMod(id)) {
        sync(entry);
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
    sync(entry);
    journal.finish(entry.id);
    return report;
}

CommandReport ModCommands::takeOut(const QString &id, ChangeDecision decision, JournalEntry &entry,
                                   Journal &journal)
{
    CommandReport report;
    if (recordedElsewhere(id)) {
        return refusal(CommandReport::RecordedElsewhere);
    }
    StackChange change = LayerStack::uninstall(m_catalogue.m_mods, id, m_layout);
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
    if (!m_catalogue.applyChanges(change.changed)) {
        journal.finish(entry.id);
        entry.id = 0;
        return refusal(CommandReport::CatalogueFailed);
    }
    carryOut(change, id, report);
    if (report.setAside != 0) {
        report.setAsideFolder = setAsideFolder;
    }
    if (!manifest()->forget(id)) {
        logLine("[ManifestError]:", id);
    }
    return report;
}

QString ModCommands::markChanged(StackChange &change, const QString &id,
                                 const QStringList &changedFiles, ChangeDecision decision) const
{
    if (changedFiles.isEmpty()) {
        return QString();
    }
    // A folder of this command's own, so that no earlier set-aside version is
    // ever overwritten; it is made when the first file moves there.
    const QString base = GameLayout::join(
        GameLayout::join(m_layout.setAsideRoot(), id),
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
        const QString relative = m_layout.relativePath(action.path);
        if (!relative.isEmpty()) {
            action.setAside = GameLayout::join(folder, relative);
        }
    }
    return folder;
}

QStringList ModCommands::changedGameFiles(const QString &id, const StackChange &change) const
{
    // A top layer restores or deletes the game file. A lower layer leaves the
    // game alone, but overwrites or drops the backup of the layer above, which
    // holds what the game had when that layer came: this mod's file, unless
    // it was changed in between.
    QStringList changed;
    const QHash<QString, ManifestEntry> recorded = manifest()->entries(id);
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
        if (!file.isEmpty() && entry != recorded.cend() &&
            FileCheck::compare(file, *entry) == FileCheck::Changed) {
            changed << action.path;
        }
    }
    return changed;
}

QList<ModFileCheck> ModCommands::verify(const QString &id) const
{
    QHash<QString, QStringList> topFiles;
    const QMap<QString, QStringList> stacks = LayerStack::stacks(m_catalogue.m_mods);
    for (auto it = stacks.cbegin(); it != stacks.cend(); ++it) {
        if (id.isEmpty() || it->constLast() == id) {
            topFiles[it->constLast()] << it.key();
        }
    }
    QList<ModFileCheck> checks;
    for (auto mod = m_catalogue.m_mods.cbegin(); mod != m_catalogue.m_mods.cend(); ++mod) {
        if (mod->install == 0 || (!id.isEmpty() && mod.key() != id)) {
            continue;
        }
        ModFileCheck check;
        check.mod = mod.key();
        const QHash<QString, ManifestEntry> recorded = manifest()->entries(mod.key());
        for (const QString &path : topFiles.value(mod.key())) {
            const auto entry = recorded.constFind(path);
            FileCheck::State state = FileCheck::Unchanged;
            if (entry != recorded.cend()) {
                state = FileCheck::compare(path, *entry);
            } else if (!existsOrIsLink(path)) {
                state = FileCheck::Missing;
            } else {
                ++check.unrecorded;
            }
            switch (state) {
            case FileCheck::Unchanged:
                ++check.unchanged;
                break;
            case FileCheck::Changed:
                check.changed << path;
                break;
            case FileCheck::Missing:
                check.missing << path;
                break;
            }
        }
        checks << check;
    }
    return checks;
}

GameManifest *ModCommands::manifest() const
{
    if (!m_manifest) {
        m_manifest = std::make_shared<GameManifest>(m_catalogue.m_cfgPath);
    }
    return m_manifest.get();
}

bool ModCommands::recordedElsewhere(const QString &id) const
{
    const ModRecord record = m_catalogue.m_mods.value(id);
    if (record.replace.isEmpty() && record.add.isEmpty()) {
        return false;
    }
    FolderCheck game(m_layout.gamePath());
    for (const QList<FileItem> *list : {&record.replace, &record.add}) {
        for (const FileItem &item : *list) {
            if (game.contains(item.path)) {
                return false;
            }
        }
    }
    return true;
}

void ModCommands::carryOut(const StackChange &change, const QString &id, CommandReport &report,
                           bool replaying) const
{
    // Replayed after a crash, a move whose backup is gone was carried out
    // before the crash: the file is in the game or in the layer above.
    const auto alreadyMoved = [&](const FileAction &action) {
        return replaying && !action.backup.isEmpty() && !existsOrIsLink(action.backup);
    };
    FolderCheck game(m_layout.gamePath());
    FolderCheck ownBackups(m_layout.backupFolder(id));
    std::map<QString, FolderCheck> upperBackups;
    const auto upperHolds = [&](const FileAction &action) {
        if (action.upperBackup.isEmpty() || !isSafeModName(action.upperMod)) {
            return false;
        }
        auto check = upperBackups.find(action.upperMod);
        if (check == upperBackups.end()) {
            check =
                upperBackups
                    .emplace(action.upperMod, FolderCheck(m_layout.backupFolder(action.upperMod)))
                    .first;
        }
        return check->second.contains(action.upperBackup);
    };
    const auto leaveAlone = [&](const char *tag, const QString &path) {
        logLine(tag, path);
        ++report.leftAlone;
    };
    const auto fail = [&](const char *tag, const QString &path) {
        logLine(tag, path);
        ++report.failed;
    };

    // A version that does not stay in the game is moved, never deleted, and
    // never moved over another file.
    const auto setAside = [&](const QString &from, const FileAction &action) {
        if (action.setAside.isEmpty() || existsOrIsLink(action.setAside) || !isPlainFile(from)) {
            return false;
        }
        QDir().mkpath(parentOf(action.setAside));
        if (!FileCopier::move(from, action.setAside, byteProgress(m_progress))) {
            return false;
        }
        logLine("[SetAside]:", action.setAside);
        ++report.setAside;
        return true;
    };
    // Putting the backup in place of a changed file (in the game, or in the
    // backups of the layer above): the changed file moves out first, and a
    // replay finds it already gone.
    const auto moveOverChanged = [&](const FileAction &action, const QString &target) {
        if (!existsOrIsLink(action.setAside) && !setAside(target, action)) {
            return false;
        }
        return !existsOrIsLink(target) && isPlainFile(action.backup) &&
               FileCopier::move(action.backup, target, byteProgress(m_progress));
    };

    m_progress.range(0, change.actions.size());
    int position = 0;
    for (const FileAction &action : change.actions) {
        ++report.files;
        switch (action.kind) {
        case FileAction::Restore:
            if (alreadyMoved(action)) {
                break;
            }
            if (!game.contains(action.path)) {
                leaveAlone("[OutsideGameError]:", action.path);
            } else if (action.backup.isEmpty() || !ownBackups.contains(action.backup)) {
                leaveAlone("[OutsideBackupError]:",
                           action.backup.isEmpty() ? action.path : action.backup);
            } else if (action.changed) {
                // The restore is skipped when the changed file could not be
                // set aside.
                if (action.keepChanged ? !setAside(action.backup, action)
                                       : !moveOverChanged(action, action.path)) {
                    fail("[SetAsideError]:", action.path);
                }
            } else if (!isPlainFile(action.backup) ||
                       !FileCopier::move(action.backup, action.path, byteProgress(m_progress))) {
                fail("[RestoreFileError]:", action.path);
            }
            break;
        case FileAction::Delete:
            if (!game.contains(action.path)) {
                leaveAlone("[OutsideGameError]:", action.path);
            } else if (action.changed) {
                // A replay finds the file set aside already.
                if (!action.keepChanged && existsOrIsLink(action.path) &&
                    !setAside(action.path, action)) {
                    fail("[SetAsideError]:", action.path);
                }
            } else if (existsOrIsLink(action.path)) {
                const QFileInfo file(action.path);
                if ((file.isDir() && !file.isSymLink()) ||
                    !FileCopier::remove(action.path, byteProgress(m_progress))) {
                    fail("[DeleteFileError]:", action.path);
                }
            }
            break;
        case FileAction::HandDown:
            if (alreadyMoved(action)) {
                break;
            }
            if (!game.contains(action.path)) {
                leaveAlone("[OutsideGameError]:", action.path);
            } else if (action.backup.isEmpty() || !ownBackups.contains(action.backup)) {
                leaveAlone("[OutsideBackupError]:",
                           action.backup.isEmpty() ? action.path : action.backup);
            } else if (!upperHolds(action)) {
                leaveAlone("[OutsideBackupError]:",
                           action.upperBackup.isEmpty() ? action.path : action.upperBackup);
            } else if (action.changed) {
                // The layer above keeps what the game held when it came, which
                // is no longer this mod's file: kept, the original goes aside.
                QDir().mkpath(parentOf(action.upperBackup));
                if (action.keepChanged ? !setAside(action.backup, action)
                                       : !moveOverChanged(action, action.upperBackup)) {
                    fail("[SetAsideError]:", action.path);
                }
            } else {
                QDir().mkpath(parentOf(action.upperBackup));
                if (!isPlainFile(action.backup) ||
                    !FileCopier::move(action.backup, action.upperBackup,
                                      byteProgress(m_progress))) {
                    fail("[RestoreFileError]:", action.path);
                }
            }
            break;
        case FileAction::DropBackup:
            // The layer above is an add now; its old backup is a stale copy of
            // the uninstalled mod's file and may go, or stay when it cannot.
            // A changed one is the only copy of that version and goes aside.
            if (game.contains(action.path) && upperHolds(action) &&
                existsOrIsLink(action.upperBackup)) {
                if (!action.changed) {
                    QFile::remove(action.upperBackup);
                } else if (!setAside(action.upperBackup, action)) {
                    fail("[SetAsideError]:", action.path);
                }
            }
            break;
        case FileAction::KeepAsIs:
            break;
        }
        m_progress.value(++position);
    }
}

void ModCommands::removeOwnFolder(const QString &folder)
{
    // A link put in place of the folder is removed as a link: following it
    // would empty a folder that is not ours.
    if (QFileInfo(folder).isSymLink()) {
        QFile::remove(folder);
        return;
    }
    GameInfo::removeFolder(folder);
}
