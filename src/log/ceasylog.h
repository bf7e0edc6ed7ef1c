#ifndef VELDANE_LOG_CEASYLOG_H
#define VELDANE_LOG_CEASYLOG_H

#include <QMutex>
#include <QString>

// Daily log of failures the user does not see when they happen. Each call
// appends one time-stamped line to <yyyy-M-d>.log in the workspace's log
// folder (log/ in the working directory unless a front end names another) and
// closes the file again, so the log can be read or deleted at any time.
class CEasyLog
{
public:
    static CEasyLog *instance();

    void write(const QString &message);

    // Set once at start by a front end whose workspace is not the working
    // directory.
    void setFolder(const QString &folder);
    static QString folder();

    // Path of today's log file, relative to the working directory for the
    // default folder.
    static QString todayFilePath();

    virtual ~CEasyLog();

private:
    CEasyLog() = default;
    CEasyLog(const CEasyLog &) = delete;
    CEasyLog &operator=(const CEasyLog &) = delete;

    QMutex m_mutex;
    QString m_folder = QStringLiteral("log");
};

#endif
