#include "deploy/modcommands.h"

#include "catalogue/modcfg.h"
#include "config/foldername.h"
#include "deploy/archiveinstall.h"
#include "deploy/commandrecovery.h"
#include "deploy/installcommand.h"
#include "deploy/journal.h"
#include "deploy/modverifier.h"
#include "deploy/takeoutcommand.h"
#include "platform/pathcase.h"
#include "state/gamelock.h"

ModCommands::ModCommands(ModCfg &catalogue, const GameLayout &layout,
                         const CommandProgress &progress)
    : m_catalogue(catalogue), m_layout(layout), m_progress(progress)
{
    // Recorded paths are compared as the game's file system compares names.
    PathCase::probe(m_layout.gameRoot());
}

CommandContext ModCommands::context() const
{
    return CommandContext{m_catalogue, m_layout, m_progress, m_syncing, m_manifest};
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
    return context().gameFolderUsable();
}

CommandReport::Outcome ModCommands::installRefusal(const QString &folder, const QString &id) const
{
    return InstallCommand(context()).refusal(folder, id);
}

bool ModCommands::isArchive(const QString &source)
{
    return ArchiveInstall::isArchive(source);
}

CommandReport ModCommands::checkArchive(const QString &archive)
{
    return ArchiveInstall::check(archive);
}

CommandReport ModCommands::install(const QString &source, const QString &id)
{
    return locked([&](Journal &journal) {
        const CommandContext context = this->context();
        return isArchive(source) ? ArchiveInstall(context).install(source, id, journal)
                                 : InstallCommand(context).installFolder(source, id, journal);
    });
}

CommandReport ModCommands::reinstall(const QString &id)
{
    return locked(
        [&](Journal &journal) { return InstallCommand(context()).reinstall(id, journal); });
}

CommandReport ModCommands::uninstall(const QString &id, ChangeDecision decision)
{
    return locked([&](Journal &journal) {
        return TakeOutCommand(context()).uninstall(id, decision, journal);
    });
}

CommandReport ModCommands::remove(const QString &id, ChangeDecision decision)
{
    return locked(
        [&](Journal &journal) { return TakeOutCommand(context()).remove(id, decision, journal); });
}

CommandReport ModCommands::locked(const std::function<CommandReport(Journal &)> &command)
{
    GameLock lock(m_catalogue.m_cfgPath);
    if (!lock.acquire()) {
        return CommandContext::refusal(CommandReport::GameBusy);
    }
    const CommandContext context = this->context();
    Journal journal(context);
    RecoveryReport recovery;
    // A command on top of a half-done one would plan from a catalogue that
    // does not match the game.
    if (!CommandRecovery(context).finishInterrupted(journal, recovery)) {
        return CommandContext::refusal(CommandReport::CatalogueFailed);
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
    const CommandContext context = this->context();
    Journal journal(context);
    CommandRecovery(context).finishInterrupted(journal, recovery);
    return recovery;
}

QList<ModFileCheck> ModCommands::verify(const QString &id) const
{
    return ModVerifier(context()).verify(id);
}
