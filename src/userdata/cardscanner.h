#ifndef VELDANE_USERDATA_CARDSCANNER_H
#define VELDANE_USERDATA_CARDSCANNER_H

#include "userdata/cardentry.h"

#include <QStringList>
#include <QVector>

#include <atomic>

// What one listing of a category found: the cards and the folders it looked
// in, so that the library can watch exactly those.
struct CardScan
{
    QVector<CardEntry> cards;
    QStringList folders;
};

// Lists the cards of a category for the card library, by the same rules as the
// plain list (regular files, no links, nothing hidden, names ending in exactly
// ".png"), optionally descending into subfolders. Hidden folders and linked
// folders are not entered: a link may lead back up the tree or into another
// game's data.
class CardScanner
{
public:
    // A cancelled scan (cancel set from another thread) returns what it found
    // so far; callers throw it away.
    static CardScan scan(const QString &folder, bool subfolders,
                         const std::atomic_bool *cancel = nullptr);

    // The stamp of one file as it is now; false when it is no longer a file.
    static bool stamp(const QString &path, CardEntry *entry);
};

#endif
