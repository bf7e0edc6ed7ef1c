#ifndef VELDANE_GUI_THUMBNAILSTORE_H
#define VELDANE_GUI_THUMBNAILSTORE_H

#include "userdata/cardentry.h"

#include <QImage>
#include <QSize>
#include <QString>

// One thumbnail as a worker made it, with the card's stamp at that moment.
struct Thumbnail
{
    enum Outcome
    {
        Ready,
        Missing,
        Unreadable,
        Refused
    };
    Outcome outcome = Refused;
    QImage image;
    CardEntry card; // path and the stamp the picture belongs to
    bool fromCache = false;
};

// Makes thumbnails of cards and keeps them on disk below Veldane's own cache
// folder, one small PNG per card, named after a hash of the card's path, size,
// modification time and the thumbnail box. A card that changed therefore
// never finds its old thumbnail: the stamp it has now names another entry.
//
// load() reads files and decodes pictures, so it refuses to run on the GUI
// thread (and counts the refusal, which the tests watch): a thousand cards
// decoded there would freeze the window.
class ThumbnailStore
{
public:
    explicit ThumbnailStore(const QString &cacheFolder);

    // Every thumbnail is made to fit this box; the view scales it down.
    static QSize box() { return QSize(192, 256); }

    // The cache file for a card with this stamp.
    QString entryPath(const CardEntry &card) const;

    // The card's thumbnail: from the cache when an entry for its current
    // stamp exists, else decoded at the box's size (a scaled read, never the
    // whole picture first) and written to the cache.
    Thumbnail load(const QString &path) const;

    static int guiThreadRefusals();

private:
    QImage decode(const QString &path) const;
    void keep(const QString &entry, const QImage &image) const;

    QString m_folder;
};

#endif
