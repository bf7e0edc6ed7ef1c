#ifndef VELDANE_TESTS_TESTSUPPORT_H
#define VELDANE_TESTS_TESTSUPPORT_H

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QTemporaryDir>

// Makes a fresh temporary folder the working directory for the lifetime of the
// object, so that Veldane.ini, config/, mod/, data/ and log/ land there.
class ScopedWorkingDir
{
public:
    ScopedWorkingDir();
    ~ScopedWorkingDir();

    QString path() const { return m_dir.path(); }
    QString filePath(const QString &relative) const { return m_dir.filePath(relative); }
    bool isValid() const { return m_dir.isValid(); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

namespace TestFiles {

// Writes a file, creating its folders.
bool write(const QString &path, const QByteArray &content);
QByteArray read(const QString &path);

// Every entry below root (hidden ones too, links not followed), keyed by the
// path relative to root with "/" separators: files map to their content, folders
// to "<dir>", links to "<link>" plus their target.
QMap<QString, QByteArray> snapshot(const QString &root);
// The same without the folders: an uninstall may leave folders behind.
QMap<QString, QByteArray> fileSnapshot(const QString &root);

// Joins with the platform's separator, as the program builds paths.
QString native(const QString &path);

} // namespace TestFiles

#endif
