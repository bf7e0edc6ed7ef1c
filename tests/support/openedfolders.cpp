#include "support/openedfolders.h"

#include <QDesktopServices>

OpenedFolders::OpenedFolders()
{
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open");
}

OpenedFolders::~OpenedFolders()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

void OpenedFolders::open(const QUrl &url)
{
    folders << url.toLocalFile();
}
