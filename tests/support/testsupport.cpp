#include "support/testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <iterator>

ScopedWorkingDir::ScopedWorkingDir() : m_previous(QDir::currentPath())
{
    QDir::setCurrent(m_dir.path());
}

ScopedWorkingDir::~ScopedWorkingDir()
{
    QDir::setCurrent(m_previous);
}

namespace TestFiles {

bool write(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    return file.write(content) == content.size();
}

QByteArray read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    return file.readAll();
}

QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> entries;
    const QDir base(root);
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString relative = base.relativeFilePath(info.filePath());
        if (info.isSymLink()) {
            entries.insert(relative, "<link>" + QFile::encodeName(info.symLinkTarget()));
        } else if (info.isDir()) {
            entries.insert(relative, "<dir>");
        } else {
            entries.insert(relative, read(info.filePath()));
        }
    }
    return entries;
}

QMap<QString, QByteArray> fileSnapshot(const QString &root)
{
    QMap<QString, QByteArray> files = snapshot(root);
    for (auto it = files.begin(); it != files.end();) {
        it = it.value() == "<dir>" ? files.erase(it) : std::next(it);
    }
    return files;
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace TestFiles
