#ifndef VELDANE_DEPLOY_COMMANDMESSAGES_H
#define VELDANE_DEPLOY_COMMANDMESSAGES_H

#include "config/foldername.h"
#include "deploy/archiveextractor.h"
#include "deploy/commandreport.h"

#include <QCoreApplication>
#include <QString>

// The sentences that tell the user how a mod command went, shared by the
// window's message boxes and the command-line tool's standard error, so that
// both say the same thing in the same words. The engine and its tools report
// codes and details; this is where they become words.
class CommandMessages
{
    Q_DECLARE_TR_FUNCTIONS(CommandMessages)

public:
    // `mod` is the mod the command worked on; `success` is the sentence for a
    // clean run and `action` the command's name for a partial one ("安装",
    // "卸载", "移除"); `catalogueFile` is the catalogue that could not be
    // written.
    static QString describe(const CommandReport &report, const QString &mod, const QString &success,
                            const QString &action, const QString &catalogueFile);

    // Why an archive was refused: `detail` names the entry or file at fault.
    static QString archiveFailure(ArchiveExtractor::Failure failure, const QString &detail,
                                  qint64 sizeLimit);
    // Why a name cannot be a folder name, as a phrase that follows the name's
    // kind ("mod名" or "游戏名"), for example "不能以点或空格结尾".
    static QString folderNameReason(FolderNameFault fault);

    // Today's log file, absolute and with native separators.
    static QString logFile();
};

#endif
