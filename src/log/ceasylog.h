#ifndef VELDANE_LOG_CEASYLOG_H
#define VELDANE_LOG_CEASYLOG_H

#include <QMutex>
#include <QString>

// Daily log of failures the user does not see when they happen. Each call
// appends one time-stamped line to log/<yyyy-M-d>.log in the working directory
// and closes the file again, so the log can be read or deleted at any time.
class CEasyLog
{
public:
    static CEasyLog *instance();

    void write(const QString &message);

    // Path of today's log file, relative to the working directory.
    static QString todayFilePath();

    virtual ~CEasyLog();

private:
    CEasyLog() = default;
    CEasyLog(const CEasyLog &) = delete;
    CEasyLog &operator=(const CEasyLog &) = delete;

    QMutex m_mutex;
};

#endif
