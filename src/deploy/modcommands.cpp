#include "deploy/modcommands.h"

#include "catalogue/modcfg.h"
#include "config/foldername.h"
#include "config/gameinfo.h"
#include "deploy/filecopier.h"
#include "deploy/layerstack.h"
#include "deploy/modfolderplanner.h"
#include "deploy/pathguard.h"
#include "log/ceasylog.h"
#include "state/filecheck.h"
#include "state/gamemanifest.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
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
}

bool ModCommands::isSafeModName(const QString &name)
{
    // The set-aside folder is no mod's backup folder, also for a name that an
    // older version accepted.
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        isSetAsideFolderName(name)) {
        return false;
    }
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || QStringLiteral("<>:\"/\\|?*").contains(c)) {
            return false;
        }
    }
    return true;
}

QString ModCommands::gameFolderName(const QString &folder)
{
    const QString name = QFileInfo(GameLayout::withoutTrailingSeparator(folder)).fileName();
    for (const char *own : {"abdata", "Plugins", "UserData"}) {
        if (name == QLatin1String(own)) {
            return name;
        }
    }
    return QString();
}

bool ModCommands::gameFolderUsable() const
{
    if (m_layout.gameRoot().isEmpty()) {
        return false;
    }
    const QFileInfo game(m_layout.gameRoot());
    return game.isAbsolute() && game.isDir();
}

CommandReport ModCommands::install(const QString &folder, const QString &id)
{
    CommandReport report;
    if (!gameFolderUsable()) {
        report.outcome = CommandReport::NoGameFolder;
        return report;
    }
    if (!isSafeFolderName(id) || isSetAsideFolderName(id)) {
        report.outcome = CommandReport::UnsafeName;
        return report;
    }
    // Installing into a name the catalogue holds would mix two installs in one
    // record and let the new backups be mistaken for the old ones.
    if (m_catalogue.m_mods.contains(id)) {
        report.outcome = CommandReport::NameTaken;
        return report;
    }
    const QFileInfo source(folder);
    if (!source.isDir()) {
        report.outcome = CommandReport::SourceMissing;
        return report;
    }
    // Copying a folder into itself or into its own parent would overwrite the
    // files being read and back up the mod's own copies as game files.
    const QString game = QFileInfo(m_layout.gameRoot()).canonicalFilePath();
    if (source.canonicalFilePath() == game || PathGuard(m_layout.gameRoot()).contains(folder) ||
        PathGuard(folder).contains(m_layout.gameRoot())) {
        report.outcome = CommandReport::SourceOverlapsGame;
        return report;
    }

    QString targetRoot = m_layout.gameRoot();
    QString backupRoot = m_layout.backupFolder(id);
    QString keptRoot = m_layout.keptCopy(id);
    const QString ownFolder = gameFolderName(folder);
    if (!ownFolder.isEmpty()) {
        targetRoot = GameLayout::join(targetRoot, ownFolder);
        backupRoot = GameLayout::join(backupRoot, ownFolder);
        keptRoot = GameLayout::join(keptRoot, ownFolder);
    }

    const DeploymentPlan plan = ModFolderPlanner::plan(folder, targetRoot, backupRoot, keptRoot);
    const int count = plan.files.size();
    if (count != 0) {
        m_progress.range(0, count + 1);
    }
    logSkippedLinks(plan, report);

    const bool backupFolderExisted = QFileInfo::exists(m_layout.backupFolder(id));
    QStringList madeBackups;
    const QVector<bool> deployable = selectDeployable(plan, backupRoot, report, madeBackups);

    QList<RecordedFile> recorded;
    for (int i = 0; i < count; ++i) {
        if (deployable.at(i)) {
            recorded << RecordedFile{plan.files.at(i).target, plan.files.at(i).replaced};
        }
    }
    if (!recorded.isEmpty() && !m_catalogue.addItems(id, recorded)) {
        // The records in memory run ahead of a failed write; no file was
        // copied, so they go back to what the file holds.
        m_catalogue.setGame(m_catalogue.m_gameName);
        dropBackups(madeBackups);
        if (!backupFolderExisted) {
            removeOwnFolder(m_layout.backupFolder(id));
        }
        report.outcome = CommandReport::CatalogueFailed;
        return report;
    }

    copyIntoGame(plan, targetRoot, deployable, id, report);
    QDir().mkpath(keptRoot);
    keepCopy(plan, keptRoot, report);
    m_progress.value(count + 1);
    return report;
}

CommandReport ModCommands::reinstall(const QString &id)
{
    CommandReport report;
    const auto record = m_catalogue.m_mods.constFind(id);
    if (record == m_catalogue.m_mods.cend()) {
        report.outcome = CommandReport::NotRecorded;
        return report;
    }
    if (record->install != 0) {
        report.outcome = CommandReport::AlreadyInstalled;
        return report;
    }
    if (!isSafeModName(id)) {
        report.outcome = CommandReport::UnsafeName;
        return report;
    }
    if (!gameFolderUsable()) {
        report.outcome = CommandReport::NoGameFolder;
        return report;
    }
    const QString kept = m_layout.keptCopy(id);
    if (!QFileInfo(kept).isDir()) {
        report.outcome = CommandReport::SourceMissing;
        return report;
    }

    const QString backupRoot = m_layout.backupFolder(id);
    const DeploymentPlan plan = ModFolderPlanner::plan(kept, m_layout.gameRoot(), backupRoot);
    const int count = plan.files.size();
    if (count != 0) {
        m_progress.range(0, count);
    }
    logSkippedLinks(plan, report);
    QStringList madeBackups;
    const QVector<bool> deployable = selectDeployable(plan, backupRoot, report, madeBackups);

    // The reinstall goes on top of every stack it touches, and its record says
    // what it found in the game now, so that a later uninstall hands the right
    // version back.
    QList<QPair<QString, bool>> files;
    for (int i = 0; i < count; ++i) {
        if (deployable.at(i)) {
            files << qMakePair(plan.files.at(i).target, plan.files.at(i).replaced);
        }
    }
    QMap<QString, ModRecord> changed;
    changed.insert(id, LayerStack::reinstalled(m_catalogue.m_mods, id, files));
    if (!m_catalogue.applyChanges(changed)) {
        // Left behind, these copies would be taken for the backups of a later
        // reinstall, when the game may hold other versions.
        dropBackups(madeBackups);
        report.outcome = CommandReport::CatalogueFailed;
        return report;
    }
    copyIntoGame(plan, m_layout.gameRoot(), deployable, id, report);
    return report;
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
}

void ModCommands::dropBackups(const QStringList &backups)
{
    for (const QString &backup : backups) {
        QFile::remove(backup);
    }
}

QVector<bool> ModCommands::selectDeployable(const DeploymentPlan &plan, const QString &backupRoot,
                                            CommandReport &report, QStringList &madeBackups) const
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
            }
        }
        m_progress.value(i + 1);
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
    for (const QString &folder : plan.folders) {
        QDir().mkdir(GameLayout::join(keptRoot, folder));
    }
    for (const PlannedFile &file : plan.files) {
        if (!FileCopier::copy(file.source, file.keptCopy, byteProgress(m_progress))) {
            logLine("[KeepCopyError]:", file.source);
            ++report.failed;
        }
    }
}

CommandReport ModCommands::uninstall(const QString &id, ChangeDecision decision)
{
    CommandReport report;
    const auto record = m_catalogue.m_mods.constFind(id);
    if (record == m_catalogue.m_mods.cend()) {
        report.outcome = CommandReport::NotRecorded;
        return report;
    }
    if (record->install == 0) {
        report.outcome = CommandReport::NotInstalled;
        return report;
    }
    if (!isSafeModName(id)) {
        report.outcome = CommandReport::UnsafeName;
        return report;
    }
    report = takeOut(id, decision);
    // A backup that could not be put back is the only copy of that version:
    // the backup folder stays until a later command can use it.
    if (report.outcome == CommandReport::Done && report.failed == 0) {
        removeOwnFolder(m_layout.backupFolder(id));
    }
    return report;
}

CommandReport ModCommands::remove(const QString &id, ChangeDecision decision)
{
    CommandReport report;
    const auto record = m_catalogue.m_mods.constFind(id);
    if (record == m_catalogue.m_mods.cend()) {
        report.outcome = CommandReport::NotRecorded;
        return report;
    }
    const bool safeName = isSafeModName(id);
    if (record->install != 0) {
        if (!safeName) {
            report.outcome = CommandReport::UnsafeName;
            return report;
        }
        // The record is dropped only after the files are back: until then the
        // catalogue holds the mod as uninstalled, with its backups in place.
        report = takeOut(id, decision);
        if (report.outcome != CommandReport::Done) {
            return report;
        }
        if (report.failed != 0) {
            report.removalStopped = true;
            return report;
        }
    }
    if (!m_catalogue.deleteMod(id)) {
        report.outcome = CommandReport::CatalogueFailed;
        return report;
    }
    // An unusable name would make these paths point at other folders.
    if (safeName) {
        removeOwnFolder(m_layout.backupFolder(id));
        removeOwnFolder(m_layout.keptCopy(id));
    }
    return report;
}

CommandReport ModCommands::takeOut(const QString &id, ChangeDecision decision)
{
    CommandReport report;
    if (recordedElsewhere(id)) {
        report.outcome = CommandReport::RecordedElsewhere;
        return report;
    }
    const StackChange change = LayerStack::uninstall(m_catalogue.m_mods, id, m_layout);
    // Asked before anything is written, so that cancelling leaves everything
    // as it was.
    const QStringList changedFiles = changedGameFiles(id, change);
    if (!changedFiles.isEmpty() && decision == ChangeDecision::Ask) {
        report.outcome = CommandReport::ChangedFiles;
        report.changedFiles = changedFiles;
        return report;
    }

    // The catalogue is written before any file moves, in the state after the
    // uninstall: the mod marked uninstalled, the layers above renumbered. A
    // crash part way then leaves each game file either restored or still the
    // mod's version, and the mod's backup folder is deleted only after the
    // last file, so every original is still on disk: in the game, in the
    // mod's backups, or handed to the layer above. Reinstalling the mod keeps
    // those backups (a backup is never overwritten) and uninstalling it again
    // completes the restore. Writing the catalogue after the files instead
    // would leave a mod marked installed whose backups are gone, and its next
    // uninstall would delete the files of the mods below it.
    if (!m_catalogue.applyChanges(change.changed)) {
        report.outcome = CommandReport::CatalogueFailed;
        return report;
    }
    carryOut(change, id, changedFiles, decision, report);
    if (!manifest()->forget(id)) {
        logLine("[ManifestError]:", id);
    }
    return report;
}

QStringList ModCommands::changedGameFiles(const QString &id, const StackChange &change) const
{
    // Only a top layer's file is restored or deleted; lower layers leave the
    // game file alone.
    QStringList changed;
    const QHash<QString, ManifestEntry> recorded = manifest()->entries(id);
    if (recorded.isEmpty()) {
        return changed;
    }
    for (const FileAction &action : change.actions) {
        if (action.kind != FileAction::Restore && action.kind != FileAction::Delete) {
            continue;
        }
        const auto entry = recorded.constFind(action.path);
        if (entry != recorded.cend() &&
            FileCheck::compare(action.path, *entry) == FileCheck::Changed) {
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
        m_manifest =
            std::make_shared<GameManifest>(GameManifest::databasePathFor(m_catalogue.m_cfgPath));
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

void ModCommands::carryOut(const StackChange &change, const QString &id,
                           const QStringList &changedFiles, ChangeDecision decision,
                           CommandReport &report) const
{
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

    // Versions that do not stay in the game go to a folder of this command's
    // own below the set-aside root, at their path relative to the game folder,
    // and are never deleted.
    const QSet<QString> changed(changedFiles.cbegin(), changedFiles.cend());
    const bool keepChanged = decision == ChangeDecision::KeepChanged;
    QString setAsideFolder;
    const auto setAside = [&](const QString &from, const QString &gamePath) {
        const QString relative = m_layout.relativePath(gamePath);
        if (relative.isEmpty()) {
            return false;
        }
        if (setAsideFolder.isEmpty()) {
            const QString base = GameLayout::join(
                GameLayout::join(m_layout.setAsideRoot(), id),
                QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh-mm-ss")));
            setAsideFolder = base;
            for (int n = 2; existsOrIsLink(setAsideFolder); ++n) {
                setAsideFolder = base + QStringLiteral(" (%1)").arg(n);
            }
            report.setAsideFolder = setAsideFolder;
        }
        const QString target = GameLayout::join(setAsideFolder, relative);
        QDir().mkpath(parentOf(target));
        if (existsOrIsLink(target) || !isPlainFile(from) || !FileCopier::move(from, target)) {
            return false;
        }
        logLine("[SetAside]:", target);
        ++report.setAside;
        return true;
    };

    m_progress.range(0, change.actions.size());
    int position = 0;
    for (const FileAction &action : change.actions) {
        ++report.files;
        switch (action.kind) {
        case FileAction::Restore:
            if (!game.contains(action.path)) {
                leaveAlone("[OutsideGameError]:", action.path);
            } else if (action.backup.isEmpty() || !ownBackups.contains(action.backup)) {
                leaveAlone("[OutsideBackupError]:",
                           action.backup.isEmpty() ? action.path : action.backup);
            } else if (changed.contains(action.path)) {
                // Either way one version leaves: the restore is skipped when
                // the changed file could not be set aside.
                if (keepChanged ? !setAside(action.backup, action.path)
                                : (!setAside(action.path, action.path) ||
                                   !FileCopier::move(action.backup, action.path))) {
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
            } else if (changed.contains(action.path)) {
                if (!keepChanged && !setAside(action.path, action.path)) {
                    fail("[SetAsideError]:", action.path);
                }
            } else if (existsOrIsLink(action.path)) {
                const QFileInfo file(action.path);
                if ((file.isDir() && !file.isSymLink()) || !QFile::remove(action.path)) {
                    fail("[DeleteFileError]:", action.path);
                }
            }
            break;
        case FileAction::HandDown:
            if (!game.contains(action.path)) {
                leaveAlone("[OutsideGameError]:", action.path);
            } else if (action.backup.isEmpty() || !ownBackups.contains(action.backup)) {
                leaveAlone("[OutsideBackupError]:",
                           action.backup.isEmpty() ? action.path : action.backup);
            } else if (!upperHolds(action)) {
                leaveAlone("[OutsideBackupError]:",
                           action.upperBackup.isEmpty() ? action.path : action.upperBackup);
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
            if (game.contains(action.path) && upperHolds(action) &&
                existsOrIsLink(action.upperBackup)) {
                QFile::remove(action.upperBackup);
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
