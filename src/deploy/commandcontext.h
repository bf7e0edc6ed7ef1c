#ifndef VELDANE_DEPLOY_COMMANDCONTEXT_H
#define VELDANE_DEPLOY_COMMANDCONTEXT_H

#include "deploy/commandprogress.h"
#include "deploy/commandreport.h"
#include "deploy/filecopier.h"

#include <memory>

class GameLayout;
class GameManifest;
class ModCfg;
struct JournalEntry;

// What every step of a mod command works on: the game's catalogue and
// layout, the progress to report to, whether written files are made durable,
// and the game's manifest. ModCommands lends its own members for the length
// of one call; the units that carry the command out keep nothing else.
struct CommandContext
{
    ModCfg &catalogue;
    const GameLayout &layout;
    const CommandProgress &progress;
    bool syncing;
    // Opened on first use, and shared by the copies the window makes of the
    // commands.
    std::shared_ptr<GameManifest> &sharedManifest;

    GameManifest *manifest() const;
    // Large files report their bytes to the command's progress while copied.
    FileCopier::CopyOptions byteProgress() const;
    // Writes back what the entry's steps wrote, before the entry goes.
    void flush(const JournalEntry &entry) const;
    // Every target is joined to the game folder: without an existing absolute
    // one the files would land at the root of the drive.
    bool gameFolderUsable() const;

    static CommandReport refusal(CommandReport::Outcome outcome);
};

#endif
