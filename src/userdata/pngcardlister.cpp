#include "userdata/pngcardlister.h"

#include <QDir>
#include <QFileInfo>

QList<PngCard> PngCardLister::list(const QString &folder)
{
    QList<PngCard> cards;
    if (folder.isEmpty()) {
        return cards;
    }
    const QDir dir(folder);
    const QFileInfoList entries = dir.entryInfoList(
        QDir::Files | QDir::NoSymLinks | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    cards.reserve(entries.size());
    for (const QFileInfo &entry : entries) {
        // The suffix check is case-sensitive on purpose: the game itself only
        // writes ".png", and an upper-case ".PNG" is not one of its cards.
        if (entry.suffix() == QLatin1String("png")) {
            cards.append({entry.fileName(), entry.absoluteFilePath()});
        }
    }
    return cards;
}
