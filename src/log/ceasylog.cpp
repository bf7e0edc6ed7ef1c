#include "log/ceasylog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMutexLocker>
#include <QTextStream>

#include <cstdio>

CEasyLog *CEasyLog::instance()
{
    static CEasyLog log;
    return &log;
}

CEasyLog::~CEasyLog() = default;

void CEasyLog::setFolder(const QString &folder)
{
    QMutexLocker lock(&m_mutex);
    m_folder = folder;
}

QString CEasyLog::folder()
{
    CEasyLog *log = instance();
    QMutexLocker lock(&log->m_mutex);
    return log->m_folder;
}

QString CEasyLog::todayFilePath()
{
    const QString name = QDate::currentDate().toString(QStringLiteral("yyyy-M-d")) + ".log";
    return folder() + QDir::separator() + name;
}

void CEasyLog::write(const QString &message)
{
    const QString path = todayFilePath();
    QMutexLocker lock(&m_mutex);
    QDir::current().mkdir(m_folder);

    // Create a missing file only: an existing log must never be truncated.
    if (!QFile::exists(path)) {
        if (FILE *created = std::fopen(QFile::encodeName(path).constData(), "w+")) {
            std::fclose(created);
        }
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Text)) {
        return;
    }
    QTextStream stream(&file);
    stream.seek(file.size());
    stream << QDateTime::currentDateTime().toString(QStringLiteral("yyyy-M-d hh:mm:ss")) << '\t'
           << message << '\n';
    stream.flush();
    file.close();
}
