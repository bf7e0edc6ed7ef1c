#include "userdata/cardscanner.h"

#include "platform/filetimes.h"
#include "platform/nativefile.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace {

void addCards(const QString &folder, QVector<CardEntry> *cards)
{
    QDirIterator it(folder, QDir::Files | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        // Case-sensitive like the plain list: the game writes ".png" only.
        if (info.suffix() != QLatin1String("png")) {
            continue;
        }
        CardEntry entry;
        entry.fileName = info.fileName();
        entry.absolutePath = info.absoluteFilePath();
        if (CardScanner::stamp(entry.absolutePath, &entry)) {
            cards->append(entry);
        }
    }
}

} // namespace

CardScan CardScanner::scan(const QString &folder, bool subfolders, const std::atomic_bool *cancel)
{
    CardScan result;
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        return result;
    }
    QStringList pending{QFileInfo(folder).absoluteFilePath()};
    while (!pending.isEmpty()) {
        if (cancel && cancel->load()) {
            break;
        }
        const QString current = pending.takeFirst();
        result.folders << current;
        addCards(current, &result.cards);
        if (!subfolders) {
            continue;
        }
        QDirIterator dirs(current, QDir::Dirs | QDir::NoSymLinks | QDir::NoDotAndDotDot);
        QStringList children;
        while (dirs.hasNext()) {
            dirs.next();
            // Qt 5 does not see a junction as a link: one could lead in a circle.
            if (!NativeFile::isLinkOrJunction(dirs.fileInfo())) {
                children << dirs.filePath();
            }
        }
        children.sort(Qt::CaseInsensitive);
        pending = children + pending;
    }
    return result;
}

bool CardScanner::stamp(const QString &path, CardEntry *entry)
{
    return FileTimes::read(path, &entry->size, &entry->modified);
}
