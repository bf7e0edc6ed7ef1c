#ifndef VELDANE_DEPLOY_INSTALLCOMMAND_H
#define VELDANE_DEPLOY_INSTALLCOMMAND_H

#include "deploy/commandcontext.h"
#include "deploy/commandreport.h"
#include "deploy/modfolderplanner.h"

#include <QString>

class Journal;

// Install from a mod folder and reinstall from the kept copy: the refusals,
// the plan and the journal entry; DeployRun carries the entry out.
class InstallCommand
{
public:
    explicit InstallCommand(const CommandContext &context) : m_context(context) {}

    // Why installing `source` as `id` would change nothing, or Done.
    CommandReport::Outcome refusal(const QString &source, const QString &id) const;
    CommandReport installFolder(const QString &folder, const QString &id, Journal &journal) const;
    CommandReport reinstall(const QString &id, Journal &journal) const;

    // refusedForHeldFile() for the game files that `plan` replaces.
    static bool refusedForHeldFile(const DeploymentPlan &plan, CommandReport &report);

private:
    const CommandContext &m_context;
};

#endif
