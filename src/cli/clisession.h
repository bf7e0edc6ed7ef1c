#ifndef VELDANE_CLI_CLISESSION_H
#define VELDANE_CLI_CLISESSION_H

#include "catalogue/modcfg.h"
#include "config/workspace.h"
#include "deploy/commandprogress.h"
#include "deploy/commandreport.h"
#include "deploy/gamelayout.h"
#include "deploy/modbatch.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QString>

class CommandLine;
class ModCommands;

// One run of the tool on one workspace and game: each command prints what it
// found or did and returns the exit status (0 done, 1 refused or some files
// failed). The window's rules apply throughout, because every change goes
// through ModCommands.
class CliSession
{
    Q_DECLARE_TR_FUNCTIONS(CliSession)

public:
    enum Status
    {
        Success = 0,
        Refused = 1,
        UsageError = 2,
    };

    CliSession(const Workspace &workspace, const CommandLine &line);

    int run();

private:
    // Picks and checks the game; false (with the reason printed) when there is
    // none to work on.
    bool chooseGame();

    int games();
    int list();
    int files(const QString &mod);
    int install(const QString &path, const QString &name);
    int preview(const QString &folder, const QString &name);
    int uninstall(const QString &mod);
    int reinstall(const QString &mod);
    int remove(const QString &mod);
    int verify(const QString &mod);
    // Several at once: each mod a command of its own, in the order given,
    // stopping at the first that is refused or does not finish cleanly.
    int several(const QString &command, const QStringList &args);
    int installBatch(const QStringList &paths);
    int finishSeveral(const ModBatch::Report &report, const QString &action,
                      const QString &success);

    // Makes config/ and the game's catalogue when missing, as the window does
    // at start; only commands that change something call it.
    bool prepareCatalogue();
    bool confirmRemoval();
    // A line on standard error that counts up while a command runs, when a
    // person watches it; closed before anything else is printed.
    CommandProgress progress(const QString &label);
    void endProgressLine() const;
    int finish(const CommandReport &report, const QString &mod, const QString &success,
               const QString &action);

    void print(const QString &text) const;
    void printJson(const QJsonDocument &document) const;
    int refuse(const QString &reason) const;

    Workspace m_workspace;
    const CommandLine &m_line;
    QString m_game;
    GameLayout m_layout;
    ModCfg m_catalogue;
    bool m_showProgress = false;
    mutable bool m_progressLineOpen = false;
};

#endif
