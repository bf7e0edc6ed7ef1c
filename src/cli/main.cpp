#include "cli/clisession.h"
#include "cli/commandline.h"
#include "config/translationloader.h"
#include "config/workspace.h"
#include "log/ceasylog.h"
#include "platform/console.h"

#include <QCoreApplication>
#include <QFileInfo>

// veldane-cli: the window's mod commands for scripts and terminals, on the
// same workspace files, through the same engine.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("veldane-cli"));
    Console::useUtf8();
    TranslationLoader::apply(CommandLine::languageFor(QCoreApplication::arguments()));

    CommandLine line;
    if (!line.parse(QCoreApplication::arguments())) {
        Console::writeError(
            (line.error() + QStringLiteral("\n\n") + CommandLine::usage()).toUtf8());
        return CliSession::UsageError;
    }
    if (line.helpWanted()) {
        Console::writeOut(CommandLine::usage().toUtf8());
        return CliSession::Success;
    }
    if (!line.workdir().isEmpty() && !QFileInfo(line.workdir()).isDir()) {
        Console::writeError(CommandLine::tr("文件夹“%1”不存在\n").arg(line.workdir()).toUtf8());
        return CliSession::UsageError;
    }
    const Workspace workspace =
        line.workdir().isEmpty() ? Workspace(QStringLiteral(".")) : Workspace(line.workdir());
    CEasyLog::instance()->setFolder(workspace.logFolder());
    return CliSession(workspace, line).run();
}
