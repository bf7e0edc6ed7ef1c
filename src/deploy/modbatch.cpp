#include "deploy/modbatch.h"

bool ModBatch::Report::changedAnything() const
{
    return !done.isEmpty() || stop.outcome == CommandReport::Done ||
           stop.outcome == CommandReport::RestoredRecordKept;
}

ModBatch::Report ModBatch::run(const QStringList &mods, const Command &command)
{
    Report report;
    for (int i = 0; i < mods.size(); ++i) {
        const CommandReport result = command(mods.at(i));
        if (!result.clean() || result.removalStopped) {
            report.stoppedAt = mods.at(i);
            report.stop = result;
            report.notRun = mods.mid(i + 1);
            break;
        }
        report.done << mods.at(i);
        report.reports << result;
    }
    return report;
}
