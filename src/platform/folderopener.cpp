#include "platform/folderopener.h"

#ifdef Q_OS_WIN
#include <QProcess>
#else
#include <QDesktopServices>
#include <QUrl>
#endif

namespace FolderOpener {

namespace {

Launcher &replacedLauncher()
{
    static Launcher launcher;
    return launcher;
}

} // namespace

void setLauncher(Launcher launcher)
{
    replacedLauncher() = std::move(launcher);
}

QString explorerArgument(const QString &folder)
{
    // Explorer reads its own command line: unquoted, a blank or a comma ends
    // the path and the rest is taken for switches or another path. File names
    // hold no quote, so quoting needs no escape; a trailing separator goes,
    // since some parsers take \" for a quote, and a drive's root, which holds
    // neither blank nor comma, goes unquoted.
    QString native = folder;
    native.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (native.size() == 3 && native.endsWith(QLatin1String(":\\"))) {
        return native;
    }
    while (native.endsWith(QLatin1Char('\\'))) {
        native.chop(1);
    }
    return QLatin1Char('"') + native + QLatin1Char('"');
}

bool openFolder(const QString &folder)
{
    if (folder.isEmpty()) {
        return false;
    }
#ifdef Q_OS_WIN
    const QString program = QStringLiteral("explorer");
    if (const Launcher &launcher = replacedLauncher()) {
        return launcher(program, explorerArgument(folder));
    }
    QProcess explorer;
    explorer.setProgram(program);
    explorer.setNativeArguments(explorerArgument(folder));
    return explorer.startDetached();
#else
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
#endif
}

} // namespace FolderOpener
