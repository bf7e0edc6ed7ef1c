#ifndef VELDANE_TESTS_TESTSUPPORT_H
#define VELDANE_TESTS_TESTSUPPORT_H

#include <QByteArray>
#include <QMap>
#include <QPair>
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

// Makes `link` a symbolic link to `target`, a file, a folder or nothing. On
// Windows QFile::link makes a shortcut file, no link: there it is a real
// symbolic link, under Wine one of the host's. False when none was made.
bool makeLink(const QString &target, const QString &link);

// Whether this Windows program runs under Wine.
bool underWine();

// The file's identity (device or volume, and inode or file index), to tell a
// renamed file from a copy; {0, 0} when it cannot be read.
QPair<quint64, quint64> fileId(const QString &path);

// A folder on another file system than the temporary folder's (Linux: the
// tmpfs at /dev/shm) or a second drive (Windows: the one that
// VELDANE_TEST_OTHER_DRIVE names, as "D:"); empty when there is none.
QString otherVolume();

} // namespace TestFiles

#endif
