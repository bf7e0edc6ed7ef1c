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

const QString kJournalColumns =
    QStringLiteral("(id INTEGER PRIMARY KEY AUTOINCREMENT, payload BLOB NOT NULL)");

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

// A name beside the database that nothing holds yet: a file set aside by an
// earlier start is kept as well.
QString freeAsideName(const QString &path)
{
    QString aside = path + QStringLiteral(".unreadable");
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo::exists(aside + QStringLiteral("-wal"));
         ++n) {
        aside = path + QStringLiteral(".unreadable-%1").arg(n);
    }
    return aside;
}

// Whether the journal table, created by `sql`, is ours and takes an entry:
// the try is rolled back, so the file stays as it was found.
bool takesEntries(QSqlDatabase &db, const QString &sql)
{
    if (sql != QStringLiteral("CREATE TABLE journal ") + kJournalColumns) {
        logLine(QStringLiteral("another journal table: ") + sql);
        return false;
    }
    QSqlQuery query(db);
    const bool taken = db.transaction() &&
                       query.exec(QStringLiteral("INSERT INTO journal (payload) VALUES (x'')"));
    if (!taken) {
        logLine(QStringLiteral("takes no entry: ") + query.lastError().text());
    }
    query.finish();
    db.rollback();
    return taken;
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
    const QString aside = freeAsideName(m_path);
    if (QFileInfo::exists(m_path) && QFile::rename(m_path, aside)) {
        // Its log and index go with it, so that the new file does not take
        // them for its own.
        for (const QString &part : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
            if (QFileInfo::exists(m_path + part)) {
                QFile::rename(m_path + part, aside + part);
            }
        }
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
    // SQLite takes a file too short to hold its header for a new, empty
    // database and writes over it: such a file is unreadable like any other.
    QFile file(m_path);
    if (file.size() > 0 && file.open(QIODevice::ReadOnly) &&
        file.read(16) != QByteArray("SQLite format 3", 16)) {
        logLine(QStringLiteral("not a database"));
        return false;
    }
    file.close();
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
    // Checked before anything is written, so that a file set aside is as it
    // was found. A damaged file can pass the statements below and fail only
    // when its rows are read or written; a journal table with other columns
    // would take entries that no later start can read back or remove.
    if (!query.exec(QStringLiteral("PRAGMA quick_check")) || !query.next() ||
        query.value(0).toString() != QLatin1String("ok")) {
        logLine(QStringLiteral("damaged: ") +
                (query.isValid() ? query.value(0).toString() : query.lastError().text()));
        return false;
    }
    if (!query.exec(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'journal'"))) {
        logLine(query.lastError().text());
        return false;
    }
    if (query.next() && !takesEntries(db, query.value(0).toString())) {
        return false;
    }
    // WAL keeps a commit to one appended record. NORMAL flushes the log only
    // at a checkpoint (at the latest when the database closes); the journal's
    // entry alone waits for the disk (addEntry). Set first, so that making a
    // new file a WAL database flushes as little as NORMAL does.
    if (!setSynchronous(QStringLiteral("NORMAL")) ||
        !query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) ||
        !query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS journal ") + kJournalColumns)) {
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
    // The one commit that is on the disk before the command goes on: the
    // entry is what the next start replays. The commits before it in the log
    // reach the disk with it; those after it at the next such commit or at
    // the checkpoint when the database closes. An entry that might not be
    // durable is not written at all: the command then runs without one.
    QVariant id;
    if (!m_open || !setSynchronous(QStringLiteral("FULL"))) {
        return 0;
    }
    const bool added =
        runOnJournal(QStringLiteral("INSERT INTO journal (payload) VALUES (?)"), payload, &id);
    setSynchronous(QStringLiteral("NORMAL"));
    return added ? id.toLongLong() : 0;
}

bool StateDatabase::setSynchronous(const QString &level)
{
    // SQLite refuses to change it inside a transaction: every write of this
    // connection commits or rolls back before it returns, so none is open.
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(QStringLiteral("PRAGMA synchronous=") + level)) {
        logLine(query.lastError().text());
        return false;
    }
    return true;
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
