#include "deploy/installbatch.h"

#include "deploy/modcommands.h"
#include "deploy/modsource.h"

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
                row.sourceRefusal = Refusal::Archive;
                row.archiveFailure = check.archiveFailure;
            }
        } else if (!QFileInfo(row.source).isDir()) {
            row.sourceRefusal = Refusal::NotAModSource;
        }
        rows << row;
    }
    return rows;
}

void InstallBatch::checkNames(const ModCommands &commands, QList<Row> &rows,
                              const QList<bool> &skipped)
{
    // Names are folder names: two that differ only in case would share
    // folders where the file system ignores case.
    QHash<QString, int> firstRow;
    for (int i = 0; i < rows.size(); ++i) {
        Row &row = rows[i];
        row.refusal = row.sourceRefusal;
        row.installRefusal = CommandReport::Done;
        row.sameNameAs = -1;
        if (row.refused() || skipped.value(i)) {
            continue;
        }
        row.installRefusal = commands.installRefusal(row.source, row.name);
        if (row.installRefusal != CommandReport::Done) {
            row.refusal = Refusal::Install;
            continue;
        }
        const QString key = row.name.toCaseFolded();
        const auto first = firstRow.constFind(key);
        if (first != firstRow.cend()) {
            row.refusal = Refusal::NameTwice;
            row.sameNameAs = *first;
            continue;
        }
        firstRow.insert(key, i);
    }
}

bool InstallBatch::allAccepted(const QList<Row> &rows)
{
    for (const Row &row : rows) {
        if (row.refused()) {
            return false;
        }
    }
    return true;
}
