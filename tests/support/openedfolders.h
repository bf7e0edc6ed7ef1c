#ifndef VELDANE_TESTS_OPENEDFOLDERS_H
#define VELDANE_TESTS_OPENEDFOLDERS_H

#include <QObject>
#include <QStringList>
#include <QUrl>

// Records the folders that the window asks the desktop to open, instead of
// starting a file manager, for the lifetime of the object. On Windows it reads
// them back from Explorer's command line.
class OpenedFolders : public QObject
{
    Q_OBJECT

public:
    OpenedFolders();
    ~OpenedFolders() override;

    QStringList folders;

public slots:
    void open(const QUrl &url);
};

#endif
