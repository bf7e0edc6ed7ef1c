#ifndef VELDANE_DEPLOY_TAKEOUTCOMMAND_H
#define VELDANE_DEPLOY_TAKEOUTCOMMAND_H

#include "deploy/changedecision.h"
#include "deploy/commandcontext.h"
#include "deploy/commandreport.h"
#include "deploy/journalentry.h"
#include "deploy/stackchange.h"

#include <QString>
#include <QStringList>

class Journal;

// Uninstall and removal: the mod's files come out of the game and out of the
// stacks they sit in. The game files it would restore or delete are first
// compared with what its install recorded; changed ones stop the command
// until the caller decides, and are then kept or set aside, never lost.
class TakeOutCommand
{
public:
    explicit TakeOutCommand(const CommandContext &context) : m_context(context) {}

    CommandReport uninstall(const QString &id, ChangeDecision decision, Journal &journal) const;
    CommandReport remove(const QString &id, ChangeDecision decision, Journal &journal) const;

private:
    JournalEntry entryFor(JournalEntry::Command command, const QString &id) const;
    CommandReport takeOut(const QString &id, ChangeDecision decision, JournalEntry &entry,
                          Journal &journal) const;
    bool recordedElsewhere(const QString &id) const;
    QStringList changedGameFiles(const QString &id, const StackChange &change) const;
    static QStringList gameFilesTouched(const StackChange &change);
    QString markChanged(StackChange &change, const QString &id, const QStringList &changedFiles,
                        ChangeDecision decision) const;

    const CommandContext &m_context;
};

#endif
