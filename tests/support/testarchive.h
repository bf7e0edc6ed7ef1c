#ifndef VELDANE_TESTS_TESTARCHIVE_H
#define VELDANE_TESTS_TESTARCHIVE_H

#include <QByteArray>
#include <QList>
#include <QString>

// Writes zip and 7z archives with libarchive for the archive and drop tests,
// including entries no honest mod has (links, pipes, devices, odd paths).
namespace TestArchive {

enum class Format
{
    Zip,
    SevenZip
};

struct Entry
{
    enum Kind
    {
        File,
        Folder,
        Symlink,
        Hardlink,
        Fifo,
        CharDevice
    };
    Kind kind = File;
    QString name;
    QByteArray data; // file content, or the target of a link
};

Entry file(const QString &name, const QByteArray &data);
Entry folder(const QString &name);
Entry special(Entry::Kind kind, const QString &name, const QByteArray &target = QByteArray());

// options: a libarchive option string such as "zip:encryption=zipcrypt" or
// "7zip:compression=ppmd"; a passphrase is set whenever options are given.
bool write(const QString &path, Format format, const QList<Entry> &entries,
           const char *options = nullptr);

} // namespace TestArchive

#endif
