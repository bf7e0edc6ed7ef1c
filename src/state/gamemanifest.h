#ifndef VELDANE_STATE_GAMEMANIFEST_H
#define VELDANE_STATE_GAMEMANIFEST_H

#include "state/manifestentry.h"

#include <QHash>
#include <QString>

// The files each mod copied into the game, with their size, time and content
// hash at the moment of the copy: table `manifest` of the game's state
// database (config/<game>.db, beside the catalogue). Other parts of the
// program keep their own tables in the same file through their own
// connections, which SQLite's WAL mode allows.
//
// A missing or unreadable database only means that nothing is known: every
// query then answers with no records and every write with false.
class GameManifest
{
public:
    explicit GameManifest(const QString &databasePath);
    ~GameManifest();
    GameManifest(const GameManifest &) = delete;
    GameManifest &operator=(const GameManifest &) = delete;

    // config/<game>.db for the catalogue config/<game>.xml.
    static QString databasePathFor(const QString &cataloguePath);

    bool isOpen() const { return m_open; }

    // Replaces every record of `mod` by these, in one transaction.
    bool replace(const QString &mod, const QHash<QString, ManifestEntry> &entries);
    // Drops every record of `mod`.
    bool forget(const QString &mod);
    // The records of `mod`, by game file path as the catalogue records it.
    QHash<QString, ManifestEntry> entries(const QString &mod) const;

private:
    QString m_connection;
    bool m_open = false;
};

#endif
