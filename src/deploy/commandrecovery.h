#ifndef VELDANE_DEPLOY_COMMANDRECOVERY_H
#define VELDANE_DEPLOY_COMMANDRECOVERY_H

#include "deploy/commandcontext.h"
#include "deploy/journalentry.h"
#include "state/recoveryreport.h"

#include <QSet>
#include <QString>

class Journal;

// Finishes what commands killed part-way left in the journal: uninstalls and
// removals forward, installs forward when their source is complete and back
// otherwise, unpacks back. Runs under the game's lock, before every command.
class CommandRecovery
{
public:
    explicit CommandRecovery(const CommandContext &context) : m_context(context) {}

    // False when an entry could not be finished: the ones after it were
    // written on top of its catalogue and wait.
    bool finishInterrupted(Journal &journal, RecoveryReport &recovery) const;

private:
    bool replay(const JournalEntry &entry, RecoveryReport &recovery) const;
    bool replayDeploy(const JournalEntry &entry, RecoveryReport &recovery) const;
    bool replayUnrecorded(const JournalEntry &entry, RecoveryReport &recovery) const;
    bool undoDeploy(const JournalEntry &entry, const QSet<QString> &recorded,
                    RecoveryReport &recovery) const;
    bool replayTakeOut(const JournalEntry &entry, RecoveryReport &recovery) const;
    bool replayUnpack(const JournalEntry &entry, RecoveryReport &recovery) const;
    void removeLeftUnpackFolders() const;
    static bool sourceComplete(const JournalEntry &entry);
    static void dropNewBackups(const JournalEntry &entry);

    const CommandContext &m_context;
};

#endif
