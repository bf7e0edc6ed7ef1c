#ifndef VELDANE_STATE_GAMEMANIFEST_H
#define VELDANE_STATE_GAMEMANIFEST_H

#include "state/filecheck.h"
#include "state/manifestentry.h"
#include "state/statedatabase.h"

#include <QHash>
#include <QString>

// The files each mod copied into the game, with their size, time and content
// hash at the moment of the copy: table `manifest` of the game's state
// database (config/<game>.db, beside the catalogue). A hash not read yet (a
// clone's, see ManifestEntry) has hash 0 there and a row in `pending_hash`
// naming its source and that file's stamp; a version that knows no such
// table compares with 0, and so finds the file changed and asks.
//
// A database that cannot be opened only means that nothing is known: every
// query then answers with no records and every write with false, and the
// files count as unchanged, as files installed before records were kept do.
class GameManifest
{
public:
    explicit GameManifest(const QString &cataloguePath);

    // Replaces every record of `mod` by these, in one transaction.
    bool replace(const QString &mod, const QHash<QString, ManifestEntry> &entries);
    // Drops every record of `mod`.
    bool forget(const QString &mod);
    // Keeps the hash read for a record that was `pending`, unless the record
    // was replaced meanwhile (by another process, for one): the hash is then
    // not that record's.
    bool settle(const QString &mod, const QString &path, const ManifestEntry &pending,
                quint64 hash);
    // Compares `file` with the record `recorded` of `mod` under `path`, and
    // keeps the hash the comparison had to read for a record still pending.
    FileCheck::State check(const QString &mod, const QString &path, const QString &file,
                           const ManifestEntry &recorded);
    // The records of `mod`, by game file path as the catalogue records it.
    QHash<QString, ManifestEntry> entries(const QString &mod) const;
    bool isOpen() const { return m_open; }
    // The connection of this manifest, lent to the command's journal: one
    // command opens the game's database once.
    StateDatabase &database() { return m_database; }

private:
    StateDatabase m_database;
    bool m_open = false;
};

#endif
