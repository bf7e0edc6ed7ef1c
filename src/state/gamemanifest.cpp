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

} // namespace

GameManifest::GameManifest(const QString &cataloguePath)
    : m_database(StateDatabase::pathForCatalogue(cataloguePath))
{
    if (!m_database.isOpen()) {
        return;
    }
    QSqlQuery query(QSqlDatabase::database(m_database.connectionName(), false));
    m_open = query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS manifest ("
                                       "mod TEXT NOT NULL, path TEXT NOT NULL, "
                                       "size INTEGER NOT NULL, modified INTEGER NOT NULL, "
                                       "hash INTEGER NOT NULL, PRIMARY KEY (mod, path))"));
    if (!m_open) {
        logFailure(m_database.path(), query.lastError());
    }
}

bool GameManifest::replace(const QString &mod, const QHash<QString, ManifestEntry> &entries)
{
    if (!m_open) {
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(m_database.connectionName(), false);
    if (!db.transaction()) {
        logFailure(mod, db.lastError());
        return false;
    }
    QSqlQuery drop(db);
    drop.prepare(QStringLiteral("DELETE FROM manifest WHERE mod = ?"));
    drop.addBindValue(mod);
    bool written = drop.exec();
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral(
        "INSERT INTO manifest (mod, path, size, modified, hash) VALUES (?, ?, ?, ?, ?)"));
    for (auto it = entries.cbegin(); written && it != entries.cend(); ++it) {
        insert.bindValue(0, mod);
        insert.bindValue(1, it.key());
        insert.bindValue(2, it->size);
        insert.bindValue(3, it->modified);
        // SQLite integers are signed; the bits go in and come out unchanged.
        insert.bindValue(4, static_cast<qint64>(it->hash));
        written = insert.exec();
    }
    if (!written || !db.commit()) {
        logFailure(
            mod, written ? db.lastError()
                         : (insert.lastError().isValid() ? insert.lastError() : drop.lastError()));
        db.rollback();
        return false;
    }
    return true;
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
    query.prepare(QStringLiteral("SELECT path, size, modified, hash FROM manifest WHERE mod = ?"));
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
        result.insert(query.value(0).toString(), entry);
    }
    return result;
}
