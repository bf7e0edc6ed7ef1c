#ifndef VELDANE_TESTS_SCOPEDTESTTRASH_H
#define VELDANE_TESTS_SCOPEDTESTTRASH_H

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Points the freedesktop trash (and the home folder, which decides whether a
// file goes to the home trash) at a temporary folder for the lifetime of the
// object, so that a test can move files to the trash and look at them there.
class ScopedTestTrash
{
public:
    ScopedTestTrash();
    ~ScopedTestTrash();

    // Where QFile::moveToTrash puts the trashed files.
    QString filesFolder() const;
    // Makes the trash unusable: its folder is taken by a plain file.
    bool breakTrash();

private:
    QTemporaryDir m_dir;
    QByteArray m_home;
    QByteArray m_dataHome;
};

#endif
