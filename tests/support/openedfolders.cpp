#include "support/openedfolders.h"

#include "platform/folderopener.h"

#include <QDesktopServices>
#include <QDir>

OpenedFolders::OpenedFolders()
{
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open");
    FolderOpener::setLauncher([this](const QString &program, const QString &arguments) {
        QString folder = arguments;
        if (folder.startsWith(QLatin1Char('"')) && folder.endsWith(QLatin1Char('"'))) {
            folder = folder.mid(1, folder.size() - 2);
        }
        // Another program than Explorer shows up whole, to fail the comparison.
        folders << (program == QLatin1String("explorer") ? QDir::fromNativeSeparators(folder)
                                                         : program + QLatin1Char(' ') + arguments);
        return true;
    });
}

OpenedFolders::~OpenedFolders()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    FolderOpener::setLauncher(FolderOpener::Launcher());
}

void OpenedFolders::open(const QUrl &url)
{
    folders << url.toLocalFile();
}
