#include "state/statedatabase.h"

#include "log/ceasylog.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

void logLine(const QString &text)
{
    CEasyLog::instance()->write(QStringLiteral("[StateDatabase]:") + text);
}

// A connection belongs to the object that opened it: two games, or the
// window and a recovery, never share one.
QString newConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("veldane-state-%1").arg(++counter);
}

} // namespace

StateDatabase::StateDatabase(const QString &path) : m_path(path), m_connection(newConnectionName())
{
    if (open()) {
        return;
    }
    // A damaged file is set aside rather than deleted: it may still tell
    // someone what happened.
    close();
    const QString aside = m_path + QStringLiteral(".unreadable");
    QFile::remove(aside);
    if (QFileInfo::exists(m_path) && QFile::rename(m_path, aside)) {
        QFile::remove(m_path + QStringLiteral("-wal"));
        QFile::remove(m_path + QStringLiteral("-shm"));
        logLine(QStringLiteral("unreadable, set aside as ") + QDir::toNativeSeparators(aside));
    }
    if (!open()) {
        close();
        logLine(QStringLiteral("cannot be opened, commands run without a journal: ") +
                QDir::toNativeSeparators(m_path));
    } else {
        logLine(QStringLiteral("recreated empty: ") + QDir::toNativeSeparators(m_path));
    }
}

StateDatabase::~StateDatabase()
{
    close();
}

QString StateDatabase::pathForCatalogue(const QString &cataloguePath)
{
    QString path = cataloguePath;
    if (path.endsWith(QLatin1String(".xml"))) {
        path.chop(4);
    }
    return path + QStringLiteral(".db");
}

bool StateDatabase::open()
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(m_path);
        if (!db.open()) {
            logLine(db.lastError().text());
            return false;
        }
    }
    m_open = prepare();
    return m_open;
}

bool StateDatabase::prepare()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    // WAL keeps a commit to one appended record; FULL makes that record
    // durable before the command touches its first file.
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) ||
        !query.exec(QStringLiteral("PRAGMA synchronous=FULL")) ||
        !query.exec(
            QStringLiteral("CREATE TABLE IF NOT EXISTS journal ("
                           "id INTEGER PRIMARY KEY AUTOINCREMENT, payload BLOB NOT NULL)")) ||
        !query.exec(QStringLiteral("SELECT count(*) FROM journal"))) {
        logLine(query.lastError().text());
        return false;
    }
    return true;
}

void StateDatabase::close()
{
    m_open = false;
    if (QSqlDatabase::contains(m_connection)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }
}

qint64 StateDatabase::addEntry(const QByteArray &payload)
{
    QVariant id;
    if (!runOnJournal(QStringLiteral("INSERT INTO journal (payload) VALUES (?)"), payload, &id)) {
        return 0;
    }
    return id.toLongLong();
}

bool StateDatabase::removeEntry(qint64 id)
{
    return runOnJournal(QStringLiteral("DELETE FROM journal WHERE id = ?"), id);
}

bool StateDatabase::runOnJournal(const QString &statement, const QVariant &value,
                                 QVariant *insertedId)
{
    if (!m_open) {
        return false;
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(statement);
    query.addBindValue(value);
    if (!query.exec()) {
        logLine(query.lastError().text());
        return false;
    }
    if (insertedId) {
        *insertedId = query.lastInsertId();
    }
    return true;
}

QList<QPair<qint64, QByteArray>> StateDatabase::entries()
{
    QList<QPair<qint64, QByteArray>> result;
    if (!m_open) {
        return result;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT id, payload FROM journal ORDER BY id"))) {
        logLine(query.lastError().text());
        return result;
    }
    while (query.next()) {
        result << qMakePair(query.value(0).toLongLong(), query.value(1).toByteArray());
    }
    return result;
}

QStringList StateDatabase::filesForCatalogue(const QString &cataloguePath)
{
    const QString database = pathForCatalogue(cataloguePath);
    return {database, database + QStringLiteral("-wal"), database + QStringLiteral("-shm")};
}
