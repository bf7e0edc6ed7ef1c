#include "deploy/installbatch.h"

#include "deploy/commandmessages.h"
#include "deploy/modcommands.h"
#include "deploy/modsource.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

QList<InstallBatch::Row> InstallBatch::rows(const QStringList &sources)
{
    QList<Row> rows;
    for (const QString &source : sources) {
        Row row;
        row.source = QFileInfo(source).absoluteFilePath();
        row.name = ModSource(row.source).suggestedName();
        if (ModCommands::isArchive(row.source)) {
            const CommandReport check = ModCommands::checkArchive(row.source);
            if (check.outcome != CommandReport::Done) {
                row.sourceRefusal = check.reason;
            }
        } else if (!QFileInfo(row.source).isDir()) {
            row.sourceRefusal = tr("不是MOD文件夹或 zip、7z、rar 压缩包");
        }
        rows << row;
    }
    return rows;
}

void InstallBatch::checkNames(const ModCommands &commands, const QString &catalogueFile,
                              QList<Row> &rows, const QList<bool> &skipped)
{
    // Names are folder names: two that differ only in case would share
    // folders where the file system ignores case.
    QHash<QString, int> firstRow;
    for (int i = 0; i < rows.size(); ++i) {
        Row &row = rows[i];
        row.refusal = row.sourceRefusal;
        if (!row.refusal.isEmpty() || skipped.value(i)) {
            continue;
        }
        const CommandReport::Outcome outcome = commands.installRefusal(row.source, row.name);
        if (outcome != CommandReport::Done) {
            CommandReport report;
            report.outcome = outcome;
            row.refusal =
                CommandMessages::describe(report, row.name, QString(), QString(), catalogueFile);
            continue;
        }
        const QString key = row.name.toCaseFolded();
        const auto first = firstRow.constFind(key);
        if (first != firstRow.cend()) {
            row.refusal = tr("与第 %1 行的MOD名相同。").arg(*first + 1);
            continue;
        }
        firstRow.insert(key, i);
    }
}

bool InstallBatch::allAccepted(const QList<Row> &rows)
{
    for (const Row &row : rows) {
        if (!row.refusal.isEmpty()) {
            return false;
        }
    }
    return true;
}
