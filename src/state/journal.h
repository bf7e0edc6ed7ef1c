#ifndef VELDANE_STATE_JOURNAL_H
#define VELDANE_STATE_JOURNAL_H

#include "state/journalentry.h"
#include "state/statedatabase.h"

#include <QByteArray>
#include <QList>

// The journal of one game's commands in its state database. An entry is added
// in one committed transaction before a command changes its first file, and
// removed only after its last step and after what it wrote reached the disk.
class Journal
{
public:
    explicit Journal(const QString &cataloguePath);

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
    StateDatabase m_database;
};

#endif
