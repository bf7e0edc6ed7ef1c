#include "state/gamemanifest.h"

#include "log/ceasylog.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

void logFailure(const QString &what, const QSqlError &error)
{
    CEasyLog::instance()->write(QStringLiteral("[ManifestError]:") + what + QStringLiteral(": ") +
                                error.text());
}

// Starts a write on `connection`; false, logged, when no transaction opens.
bool beginWrite(const QString &connection, const QString &mod, QSqlDatabase &db)
{
    db = QSqlDatabase::database(connection, false);
    if (!db.transaction()) {
        logFailure(mod, db.lastError());
        return false;
    }
    return true;
}

// Commits a write that went through, else rolls it back and logs why.
bool endWrite(QSqlDatabase &db, const QString &mod, bool written, const QSqlError &writeError)
{
    if (!written || !db.commit()) {
        logFailure(mod, written ? db.lastError() : writeError);
        db.rollback();
        return false;
    }
    return true;
}

// Runs `statement` (or the one prepared already, when empty) with `values`
// bound in order.
bool bindAndRun(QSqlQuery &query, const QString &statement, const QVariantList &values)
{
    if (!statement.isEmpty() && !query.prepare(statement)) {
        return false;
    }
    for (int i = 0; i < values.size(); ++i) {
        query.bindValue(i, values.at(i));
    }
    return query.exec();
}

QVariantList pendingRow(const QString &mod, const QString &path, const ManifestEntry &entry)
{
    const WriteStamp &stamp = entry.hashSourceStamp;
    return {mod,
            path,
            entry.hashSource,
            stamp.size,
            stamp.modified,
            stamp.changed,
            qint64(stamp.fileId)};
}

} // namespace

GameManifest::GameManifest(const QString &cataloguePath)
    : m_database(StateDatabase::pathForCatalogue(cataloguePath))
{
    if (!m_database.isOpen()) {
        return;
    }
    // One transaction: a new database writes both tables with one flush.
    QSqlDatabase db = QSqlDatabase::database(m_database.connectionName(), false);
    QSqlQuery query(db);
    m_open = db.transaction() &&
             query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS manifest ("
                                       "mod TEXT NOT NULL, path TEXT NOT NULL, "
                                       "size INTEGER NOT NULL, modified INTEGER NOT NULL, "
                                       "hash INTEGER NOT NULL, PRIMARY KEY (mod, path))")) &&
             query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS pending_hash ("
                                       "mod TEXT NOT NULL, path TEXT NOT NULL, "
                                       "source TEXT NOT NULL, size INTEGER NOT NULL, "
                                       "modified INTEGER NOT NULL, changed INTEGER NOT NULL, "
                                       "file_id INTEGER NOT NULL, PRIMARY KEY (mod, path))")) &&
             db.commit();
    if (!m_open) {
        logFailure(m_database.path(),
                   query.lastError().isValid() ? query.lastError() : db.lastError());
        db.rollback();
    }
}

bool GameManifest::replace(const QString &mod, const QHash<QString, ManifestEntry> &entries)
{
    QSqlDatabase db;
    if (!m_open || !beginWrite(m_database.connectionName(), mod, db)) {
        return false;
    }
    QSqlQuery query(db);
    bool written =
        bindAndRun(query, QStringLiteral("DELETE FROM manifest WHERE mod = ?"), {mod}) &&
        bindAndRun(query, QStringLiteral("DELETE FROM pending_hash WHERE mod = ?"), {mod});
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral(
        "INSERT INTO manifest (mod, path, size, modified, hash) VALUES (?, ?, ?, ?, ?)"));
    QSqlQuery pending(db);
    pending.prepare(QStringLiteral("INSERT INTO pending_hash (mod, path, source, size, modified, "
                                   "changed, file_id) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    for (auto it = entries.cbegin(); written && it != entries.cend(); ++it) {
        // SQLite integers are signed; the bits go in and come out unchanged.
        written = bindAndRun(insert, QString(),
                             {mod, it.key(), it->size, it->modified, qint64(it->hash)});
        if (written && it->hashPending()) {
            written = bindAndRun(pending, QString(), pendingRow(mod, it.key(), *it));
        }
    }
    const QSqlError writeError =
        insert.lastError().isValid()
            ? insert.lastError()
            : (pending.lastError().isValid() ? pending.lastError() : query.lastError());
    return endWrite(db, mod, written, writeError);
}

bool GameManifest::settle(const QString &mod, const QString &path, const ManifestEntry &pending,
                          quint64 hash)
{
    QSqlDatabase db;
    if (!m_open || !beginWrite(m_database.connectionName(), mod, db)) {
        return false;
    }
    // Only the very row the hash was read for: its source and stamp too.
    QSqlQuery query(db);
    bool written = bindAndRun(query,
                              QStringLiteral("DELETE FROM pending_hash WHERE mod = ? AND path = ? "
                                             "AND source = ? AND size = ? AND modified = ? AND "
                                             "changed = ? AND file_id = ?"),
                              pendingRow(mod, path, pending));
    const bool found = written && query.numRowsAffected() == 1;
    if (found) {
        written = bindAndRun(
            query, QStringLiteral("UPDATE manifest SET hash = ? WHERE mod = ? AND path = ?"),
            {qint64(hash), mod, path});
    }
    return endWrite(db, mod, written, query.lastError()) && found;
}

FileCheck::State GameManifest::check(const QString &mod, const QString &path, const QString &file,
                                     const ManifestEntry &recorded)
{
    std::optional<quint64> settled;
    const FileCheck::State state = FileCheck::compare(file, recorded, &settled);
    if (settled) {
        settle(mod, path, recorded, *settled);
    }
    return state;
}

bool GameManifest::forget(const QString &mod)
{
    return replace(mod, {});
}

QHash<QString, ManifestEntry> GameManifest::entries(const QString &mod) const
{
    QHash<QString, ManifestEntry> result;
    if (!m_open) {
        return result;
    }
    QSqlQuery query(QSqlDatabase::database(m_database.connectionName(), false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral(
        "SELECT m.path, m.size, m.modified, m.hash, p.source, p.size, p.modified, p.changed, "
        "p.file_id FROM manifest m LEFT JOIN pending_hash p ON p.mod = m.mod AND p.path = m.path "
        "WHERE m.mod = ?"));
    query.addBindValue(mod);
    if (!query.exec()) {
        logFailure(mod, query.lastError());
        return result;
    }
    while (query.next()) {
        ManifestEntry entry;
        entry.size = query.value(1).toLongLong();
        entry.modified = query.value(2).toLongLong();
        entry.hash = static_cast<quint64>(query.value(3).toLongLong());
        if (!query.isNull(4)) {
            entry.hashSource = query.value(4).toString();
            entry.hashSourceStamp.size = query.value(5).toLongLong();
            entry.hashSourceStamp.modified = query.value(6).toLongLong();
            entry.hashSourceStamp.changed = query.value(7).toLongLong();
            entry.hashSourceStamp.fileId = static_cast<quint64>(query.value(8).toLongLong());
        }
        result.insert(query.value(0).toString(), entry);
    }
    return result;
}
