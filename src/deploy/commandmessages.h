#ifndef VELDANE_DEPLOY_COMMANDMESSAGES_H
#define VELDANE_DEPLOY_COMMANDMESSAGES_H

#include "deploy/commandreport.h"

#include <QString>

// The sentences that tell the user how a mod command went, shared by the
// window's message boxes and the command-line tool's standard error, so that
// both say the same thing in the same words.
class CommandMessages
{
public:
    // `mod` is the mod the command worked on; `success` is the sentence for a
    // clean run and `action` the command's name for a partial one ("安装",
    // "卸载", "移除"); `catalogueFile` is the catalogue that could not be
    // written.
    static QString describe(const CommandReport &report, const QString &mod, const QString &success,
                            const QString &action, const QString &catalogueFile);

    // Today's log file, absolute and with native separators.
    static QString logFile();
};

#endif
