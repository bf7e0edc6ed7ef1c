#ifndef VELDANE_CATALOGUE_MODLISTORDER_H
#define VELDANE_CATALOGUE_MODLISTORDER_H

#include "catalogue/modrecord.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <Qt>

// The orders in which the mod list can be shown, shared by the window's list
// and the command-line tool's, and their spelling in the settings file.
class ModListOrder
{
public:
    enum Key
    {
        Name,  // the catalogue's own order
        Time,  // install time, the oldest first
        Files, // recorded files
    };

    Key key = Name;
    Qt::SortOrder direction = Qt::AscendingOrder;

    // "name", "time" or "files", with " desc" for the other direction; anything
    // else reads as the name order.
    static ModListOrder parse(const QString &text);
    QString text() const;
    static bool isKeyName(const QString &name);

    // Sortable value of a record's time ("yyyy-M-d hh:mm:ss", local): the
    // text is not zero-padded, so it cannot be compared as it stands. An
    // unreadable time comes first.
    static qint64 timeKey(const QString &time);
    static int fileCount(const ModRecord &record);

    // Whether mod a comes before mod b; ties go by name.
    bool lessThan(const QString &a, const ModRecord &ra, const QString &b,
                  const ModRecord &rb) const;
    QStringList ids(const QMap<QString, ModRecord> &mods) const;
};

#endif
