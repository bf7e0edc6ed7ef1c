#ifndef VELDANE_USERDATA_DUPLICATEFINDER_H
#define VELDANE_USERDATA_DUPLICATEFINDER_H

#include "userdata/cardentry.h"

#include <QVector>

#include <atomic>

// Finds cards with identical content. Only cards of equal size are hashed
// (XXH3); cards whose hashes agree are then compared byte for byte against the
// group's first card, because the user may throw copies away on the strength
// of this list.
class DuplicateFinder
{
public:
    // Groups of two or more rows of `entries`, each group in name order and the
    // groups in the order of their first card's name. Unreadable files are
    // left out. A cancelled search returns no groups.
    static QVector<QVector<int>> groups(const QVector<CardEntry> &entries,
                                        const std::atomic_bool *cancel = nullptr);

    static bool sameContent(const QString &first, const QString &second);
};

#endif
