#include "deploy/commandcontext.h"

#include "catalogue/modcfg.h"
#include "deploy/commandpaths.h"
#include "deploy/gamelayout.h"
#include "deploy/journalentry.h"
#include "platform/filesync.h"
#include "state/gamemanifest.h"

#include <QFileInfo>

GameManifest *CommandContext::manifest() const
{
    if (!sharedManifest) {
        sharedManifest = std::make_shared<GameManifest>(catalogue.m_cfgPath);
    }
    return sharedManifest.get();
}

FileCopier::CopyOptions CommandContext::byteProgress() const
{
    FileCopier::CopyOptions options;
    const CommandProgress &sink = progress;
    options.progress = [&sink](qint64 done, qint64 total) { sink.fileBytes(done, total); };
    options.writeBack = syncing;
    return options;
}

void CommandContext::flush(const JournalEntry &entry) const
{
    if (!syncing) {
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
        if (!action.setAside.isEmpty()) {
            files << action.setAside;
        }
    }
    if (!FileSync::sync({layout.gameRoot(), entry.backupFolder, entry.keptFolder}, files,
                        progress.whileWaiting)) {
        logLine("[SyncError]:", layout.gameRoot());
    }
}

bool CommandContext::gameFolderUsable() const
{
    if (layout.gameRoot().isEmpty()) {
        return false;
    }
    const QFileInfo game(layout.gameRoot());
    return game.isAbsolute() && game.isDir();
}

CommandReport CommandContext::refusal(CommandReport::Outcome outcome)
{
    CommandReport report;
    report.outcome = outcome;
    return report;
}
