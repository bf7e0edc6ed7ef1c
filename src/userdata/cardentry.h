#ifndef VELDANE_USERDATA_CARDENTRY_H
#define VELDANE_USERDATA_CARDENTRY_H

#include <QString>
#include <QtGlobal>

// One card of the card library, with the stamp it had when it was listed: the
// thumbnail cache and the change checks compare against size and time.
struct CardEntry
{
    QString fileName;     // name with extension
    QString absolutePath; // where the card lies, "/" separators
    qint64 size = 0;
    qint64 modified = 0; // last modification, milliseconds since the epoch

    bool operator==(const CardEntry &other) const
    {
        return absolutePath == other.absolutePath && sameStamp(other);
    }

    bool sameStamp(const CardEntry &other) const
    {
        return size == other.size && modified == other.modified;
    }

    // Name order ignoring case, as the plain list shows; the path settles
    // equal names from different subfolders.
    static bool nameLess(const CardEntry &a, const CardEntry &b)
    {
        const int order = QString::compare(a.fileName, b.fileName, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.absolutePath < b.absolutePath;
    }
};

#endif
