#include "deploy/modbatch.h"

#include "deploy/commandmessages.h"

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

QString ModBatch::describe(const Report &report, const QString &action, const QString &success,
                           const QString &catalogueFile)
{
    const QString separator = tr("、");
    QStringList lines;
    if (!report.done.isEmpty()) {
        lines << tr("已%1 %2 个MOD：%3。")
                     .arg(action)
                     .arg(report.done.size())
                     .arg(report.done.join(separator));
    }
    // Versions moved aside are the user's: every folder that received one is
    // named, as a single command names it.
    for (int i = 0; i < report.reports.size(); ++i) {
        if (!report.reports.at(i).setAsideFolder.isEmpty()) {
            lines << tr("“%1”：%2")
                         .arg(report.done.at(i),
                              CommandMessages::describe(report.reports.at(i), report.done.at(i),
                                                        QString(), action, catalogueFile)
                                  .trimmed());
        }
    }
    if (!report.complete()) {
        lines << tr("在“%1”处停止：%2")
                     .arg(report.stoppedAt,
                          CommandMessages::describe(report.stop, report.stoppedAt, success, action,
                                                    catalogueFile));
        if (!report.notRun.isEmpty()) {
            lines << tr("未处理：%1。").arg(report.notRun.join(separator));
        }
    }
    return lines.join(QLatin1Char('\n'));
}
