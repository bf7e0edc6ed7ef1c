#include "state/gamemanifest.h"

#include "log/ceasylog.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

QAtomicInteger<quint64> connectionCount;

void logFailure(const QString &what, const QSqlError &error)
{
    CEasyLog::instance()->write(QStringLiteral("[ManifestError]:") + what + QStringLiteral(": ") +
                                error.text());
}

bool run(QSqlDatabase &db, const QString &statement)
{
    QSqlQuery query(db);
    if (!query.exec(statement)) {
        logFailure(statement, query.lastError());
        return false;
    }
    return true;
}

} // namespace

GameManifest::GameManifest(const QString &databasePath)
    : m_connection(QStringLiteral("veldane-manifest-%1").arg(++connectionCount))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(databasePath);
    // Another connection (the command journal) may be writing the same file.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        logFailure(databasePath, db.lastError());
        return;
    }
    m_open = run(db, QStringLiteral("PRAGMA journal_mode=WAL")) &&
             run(db, QStringLiteral("PRAGMA synchronous=FULL")) &&
             run(db, QStringLiteral("CREATE TABLE IF NOT EXISTS manifest ("
                                    "mod TEXT NOT NULL, path TEXT NOT NULL, "
                                    "size INTEGER NOT NULL, modified INTEGER NOT NULL, "
                                    "hash INTEGER NOT NULL, PRIMARY KEY (mod, path))"));
}

GameManifest::~GameManifest()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

QString GameManifest::databasePathFor(const QString &cataloguePath)
{
    const QFileInfo catalogue(cataloguePath);
    return catalogue.path() + QLatin1Char('/') + catalogue.completeBaseName() +
           QStringLiteral(".db");
}

bool GameManifest::replace(const QString &mod, const QHash<QString, ManifestEntry> &entries)
{
    if (!m_open) {
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
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
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
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
