#include "platform/folderopener.h"

#ifdef Q_OS_WIN
#include <QProcess>
#else
#include <QDesktopServices>
#include <QUrl>
#endif

namespace FolderOpener {

bool openFolder(const QString &folder)
{
    if (folder.isEmpty()) {
        return false;
    }
#ifdef Q_OS_WIN
    // Explorer parses its own command line, so the folder goes in unchanged
    // and unquoted: "explorer <folder>", as users of earlier versions know it.
    QProcess explorer;
    explorer.setProgram(QStringLiteral("explorer"));
    explorer.setNativeArguments(folder);
    return explorer.startDetached();
#else
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
#endif
}

} // namespace FolderOpener
