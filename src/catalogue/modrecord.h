#ifndef VELDANE_CATALOGUE_MODRECORD_H
#define VELDANE_CATALOGUE_MODRECORD_H

#include "catalogue/fileitem.h"

#include <QList>
#include <QString>

// One mod of a game's catalogue.
struct ModRecord
{
    QString info;            // the user's notes
    QString time;            // local time of the first recorded file, "yyyy-M-d hh:mm:ss"
    int install = 0;         // 1 while the mod's files are in the game, 0 after uninstalling
    QList<FileItem> replace; // files that overwrote existing game files (backed up first)
    QList<FileItem> add;     // files that were new to the game folder

    bool operator==(const ModRecord &other) const
    {
        return info == other.info && time == other.time && install == other.install &&
               replace == other.replace && add == other.add;
    }
};

#endif
