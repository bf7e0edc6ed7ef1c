#ifndef VELDANE_STATE_STATEDATABASE_H
#define VELDANE_STATE_STATEDATABASE_H

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

// Veldane's private bookkeeping for one game, config/<game>.db beside the
// catalogue: the journal of the command in progress, and the tables of the
// manifest (GameManifest) on the same connection. The catalogue stays the
// record of mods and files; this file says what a command was doing when it
// stopped, and what the installed files were like. A missing or unreadable
// file is replaced by an empty one, so that it never stands in the way of a
// command.
class StateDatabase
{
public:
    explicit StateDatabase(const QString &path);
    ~StateDatabase();
    StateDatabase(const StateDatabase &) = delete;
    StateDatabase &operator=(const StateDatabase &) = delete;

    // The database of the game whose catalogue is `cataloguePath` (<game>.xml).
    static QString pathForCatalogue(const QString &cataloguePath);
    // That database with the files SQLite keeps beside it while it is open:
    // what goes when the game's catalogue goes.
    static QStringList filesForCatalogue(const QString &cataloguePath);

    bool isOpen() const { return m_open; }
    QString path() const { return m_path; }
    // The Qt connection of this object, for other tables of the same file
    // (the manifest) that need no connection of their own.
    QString connectionName() const { return m_connection; }

    // Adds one journal entry in a committed transaction that is on the disk
    // when this returns; its id, or 0 when the database cannot take it. The
    // other commits of this file wait for no flush of their own.
    qint64 addEntry(const QByteArray &payload);
    bool removeEntry(qint64 id);
    // Every entry, oldest first.
    QList<QPair<qint64, QByteArray>> entries();

private:
    bool open();
    bool prepare();
    // PRAGMA synchronous of this connection: "NORMAL" or "FULL".
    bool setSynchronous(const QString &level);
    // One statement with one bound value; false (logged) when it failed.
    bool runOnJournal(const QString &statement, const QVariant &value,
                      QVariant *insertedId = nullptr);
    void close();

    QString m_path;
    QString m_connection;
    bool m_open = false;
};

#endif
