#ifndef VELDANE_DEPLOY_MODCOMMANDS_H
#define VELDANE_DEPLOY_MODCOMMANDS_H

#include "deploy/changedecision.h"
#include "deploy/commandcontext.h"
#include "deploy/commandprogress.h"
#include "deploy/commandreport.h"
#include "deploy/deploymentplan.h"
#include "deploy/gamelayout.h"
#include "deploy/journalentry.h"
#include "deploy/modfilecheck.h"
#include "deploy/stackchange.h"
#include "state/manifestentry.h"
#include "state/recoveryreport.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

class GameManifest;
class Journal;
class ModCfg;

// The four mod commands on one game: install a mod folder, reinstall a mod
// from its kept copy, uninstall, remove. No dialogs: each returns a report and
// the window tells the user.
//
// Every command writes the catalogue once, after its backups are in place and
// before it changes a game file, so that the catalogue always names every
// file of the game that a backup has to bring back. Per-file problems go to the
// log and are counted in the report.
//
// Every command holds the game's lock, first finishes what an earlier run left
// unfinished (recover), and records its own steps in the game's journal before
// its first file changes; the entry goes once the last step is on disk. A
// command killed at any moment is thereby finished, or for an install whose
// source is no longer complete undone, at the next start.
//
// Install and reinstall record every file they copy into the game in the
// game's manifest. Uninstall and removal compare the files they would restore
// or delete with those records first: when any changed, they return
// ChangedFiles and touch nothing until called again with a decision.
//
// This class only takes the lock, recovers and hands the command on:
// InstallCommand and ArchiveInstall plan an install, DeployRun carries it
// out, TakeOutCommand uninstalls and removes through FileActionRunner,
// CommandRecovery replays the journal and ModVerifier compares the files.
class ModCommands
{
public:
    ModCommands(ModCfg &catalogue, const GameLayout &layout,
                const CommandProgress &progress = CommandProgress());

    // `source` is a mod folder, or a zip, 7z or rar archive: an archive is
    // checked and unpacked beside the kept copies, its single top-level folder
    // (ArchiveExtractor::modFolder) renamed into the kept copy, and the mod
    // installed from there; the unpacked share goes to the progress in per
    // mille first. A refused archive leaves nothing behind.
    CommandReport install(const QString &source, const QString &id);
    // Why install(source, id) would change nothing, or Done when it would run
    // (for an archive: whether it may be unpacked). Only reads the disk.
    CommandReport::Outcome installRefusal(const QString &source, const QString &id) const;
    // A file of a type install unpacks.
    static bool isArchive(const QString &source);
    // Done, or ArchiveRefused with its code when install would refuse the
    // archive for what it holds; reads the headers only. A front end may ask
    // before it asks the user for a name.
    static CommandReport checkArchive(const QString &archive);
    CommandReport reinstall(const QString &id);
    CommandReport uninstall(const QString &id, ChangeDecision decision = ChangeDecision::Ask);
    CommandReport remove(const QString &id, ChangeDecision decision = ChangeDecision::Ask);

    // Compares the game files of one installed mod, or of every installed mod
    // when `id` is empty, with what their install recorded; only the files
    // that no later mod overwrote count. Changes nothing.
    QList<ModFileCheck> verify(const QString &id = QString()) const;

    // Finishes the unfinished commands of this game: uninstalls and removals
    // forward, installs forward when their source is complete and back
    // otherwise. Front ends call it before showing the mods; every command
    // calls it too.
    RecoveryReport recover();

    // Benchmarks compare the commands with and without the write-back that
    // makes their files durable; everything else keeps it on.
    void setSyncing(bool syncing) { m_syncing = syncing; }

    // A recorded mod name also names two folders: it must not lead out of the
    // backup root or the mod store. New names must pass the stricter
    // isSafeFolderName.
    static bool isSafeModName(const QString &name);

    // Every target is joined to the game folder: without an existing absolute
    // one the files would land at the root of the drive.
    bool gameFolderUsable() const;

private:
    CommandReport locked(const std::function<CommandReport(Journal &)> &command);
    // The members lent to the units that carry a command out.
    CommandContext context() const;

    ModCfg &m_catalogue;
    GameLayout m_layout;
    CommandProgress m_progress;
    bool m_syncing = true;
    // Opened on first use, and shared by the copies the window makes.
    mutable std::shared_ptr<GameManifest> m_manifest;
};

#endif
