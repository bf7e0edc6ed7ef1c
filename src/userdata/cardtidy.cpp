#include "userdata/cardtidy.h"

#include "platform/trashcan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString CardTidy::freeName(const QString &folder, const QString &fileName)
{
    const QDir dir(folder);
    if (!QFileInfo::exists(dir.filePath(fileName))) {
        return fileName;
    }
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? fileName.left(dot) : fileName;
    const QString suffix = dot > 0 ? fileName.mid(dot) : QString();
    for (int n = 2;; ++n) {
        const QString candidate = QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(suffix);
        if (!QFileInfo::exists(dir.filePath(candidate))) {
            return candidate;
        }
    }
}

CardTidyReport CardTidy::moveTo(const QStringList &paths, const QString &folder)
{
    CardTidyReport report;
    const QString target = QFileInfo(folder).absoluteFilePath();
    if (!QFileInfo(target).isDir()) {
        report.failed = paths;
        return report;
    }
    for (const QString &path : paths) {
        const QFileInfo source(path);
        if (source.absolutePath() == target) {
            continue;
        }
        const QString name = freeName(target, source.fileName());
        const QString destination = QDir(target).filePath(name);
        // QFile::rename refuses an existing destination, so a file that
        // appeared since freeName looked is still not replaced.
        if (source.isFile() && QFile::rename(path, destination)) {
            report.done << path;
            if (name != source.fileName()) {
                report.renamed << destination;
            }
        } else {
            report.failed << path;
        }
    }
    return report;
}

CardTidyReport CardTidy::moveToTrash(const QStringList &paths)
{
    CardTidyReport report;
    for (int i = 0; i < paths.size(); ++i) {
        const QString &path = paths.at(i);
        if (TrashCan::moveToTrash(path)) {
            report.done << path;
            continue;
        }
        report.failed << path;
        if (QFileInfo::exists(path)) {
            report.trashUnavailable = true;
            report.failed += paths.mid(i + 1);
            break;
        }
    }
    return report;
}
