#ifndef VELDANE_DEPLOY_COMMANDMESSAGES_H
#define VELDANE_DEPLOY_COMMANDMESSAGES_H

#include "config/foldername.h"
#include "deploy/archiveextractor.h"
#include "deploy/commandreport.h"
#include "deploy/installbatch.h"
#include "deploy/modbatch.h"

#include <QCoreApplication>
#include <QString>

class ModSource;

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

    // One summary of a command over several mods. `action` names the command
    // ("卸载"); `success` is its single-mod success sentence.
    static QString batchSummary(const ModBatch::Report &report, const QString &action,
                                const QString &success, const QString &catalogueFile);
    // Why a row of a batch install is refused: `refusal` is the row's
    // refusal or its source's.
    static QString batchRefusal(const InstallBatch::Row &row, InstallBatch::Refusal refusal);

    // Why an archive was refused; the detail names the entry or file at fault.
    static QString archiveFailure(const Outcome<ArchiveExtractor::Failure> &failure,
                                  qint64 sizeLimit = ArchiveExtractor::DefaultSizeLimit);
    // Why a mod folder or archive could not be prepared (ModSource::prepare).
    static QString sourceFailure(const ModSource &source);
    // Why a name cannot be a folder name, as a phrase that follows the name's
    // kind ("mod名" or "游戏名"), for example "不能以点或空格结尾".
    static QString folderNameReason(FolderNameFault fault);

    // Today's log file, absolute and with native separators.
    static QString logFile();

private:
    // The steps of describe: a command that ran, a refusal about the mod's
    // name or record, any other refusal.
    static QString finished(const CommandReport &report, const QString &success,
                            const QString &action);
    static QString nameRefusal(CommandReport::Outcome outcome, const QString &mod);
    static QString refusal(const CommandReport &report, const QString &catalogueFile);
};

#endif
