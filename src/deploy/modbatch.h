#ifndef VELDANE_DEPLOY_MODBATCH_H
#define VELDANE_DEPLOY_MODBATCH_H

#include "deploy/commandreport.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// One command over several mods, as the user chose them: each mod is a
// command of its own (its own lock, journal entry and catalogue write), in the
// order given, and the run stops at the first mod whose command was refused
// or did not finish cleanly, so that one problem is never multiplied.
// CommandMessages::batchSummary words the report.
class ModBatch
{
public:
    using Command = std::function<CommandReport(const QString &mod)>;

    struct Report
    {
        QStringList done;             // finished cleanly, in order
        QList<CommandReport> reports; // of the mods in `done`
        QString stoppedAt;            // the mod the run stopped at; empty when all ran
        CommandReport stop;           // its report
        QStringList notRun;           // the mods after it

        bool complete() const { return stoppedAt.isEmpty(); }
        // Something changed: the list needs drawing again.
        bool changedAnything() const;
    };

    static Report run(const QStringList &mods, const Command &command);
};

#endif
