#ifndef VELDANE_DEPLOY_JOURNAL_H
#define VELDANE_DEPLOY_JOURNAL_H

#include "deploy/commandcontext.h"
#include "deploy/journalentry.h"
#include "state/statedatabase.h"

#include <QByteArray>
#include <QList>

#include <memory>
#include <optional>

// The journal of one game's commands in its state database. An entry is added
// in one committed transaction before a command changes its first file, and
// removed only after its last step and after what it wrote reached the disk.
class Journal
{
public:
    // On a connection of its own, for a look at a game's entries.
    explicit Journal(const QString &cataloguePath);
    // A command's journal, on the connection of the command's manifest: the
    // entry, the records and the entry's removal go through one open file and
    // one log, and the checkpoint that closes it writes them back together.
    explicit Journal(const CommandContext &context);

    // The entry's id, or 0 when the database cannot record it (logged; the
    // command then runs without one, as before the journal existed).
    qint64 begin(const JournalEntry &entry);
    bool finish(qint64 id);
    // Entries left by commands that did not finish, oldest first. An entry
    // that cannot be read is logged and dropped: it cannot be replayed.
    QList<JournalEntry> unfinished();

    static QByteArray encode(const JournalEntry &entry);
    static bool decode(const QByteArray &payload, JournalEntry &entry);

private:
    // Opened on first use: a command refused before its first step, on a
    // game that never had a journal, leaves no database behind.
    StateDatabase &database();
    bool opened() const;

    QString m_path;
    std::unique_ptr<StateDatabase> m_database;
    std::optional<CommandContext> m_context;
};

#endif
