#include "support/scopedtesttrash.h"

#include <QDir>
#include <QFile>

ScopedTestTrash::ScopedTestTrash() : m_home(qgetenv("HOME")), m_dataHome(qgetenv("XDG_DATA_HOME"))
{
    qputenv("HOME", QFile::encodeName(m_dir.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath("data")));
    QDir().mkpath(m_dir.filePath("data"));
}

ScopedTestTrash::~ScopedTestTrash()
{
    qputenv("HOME", m_home);
    if (m_dataHome.isEmpty()) {
        qunsetenv("XDG_DATA_HOME");
    } else {
        qputenv("XDG_DATA_HOME", m_dataHome);
    }
}

QString ScopedTestTrash::filesFolder() const
{
    return m_dir.filePath("data/Trash/files");
}

bool ScopedTestTrash::breakTrash()
{
    QFile blocker(m_dir.filePath("data/Trash"));
    return blocker.open(QIODevice::WriteOnly);
}
