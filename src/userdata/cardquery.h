#ifndef VELDANE_USERDATA_CARDQUERY_H
#define VELDANE_USERDATA_CARDQUERY_H

#include "userdata/cardentry.h"

#include <QString>
#include <QVector>

// The order the card library shows its cards in.
enum class CardSort
{
    Name, // by file name ignoring case, as the plain list
    Date, // newest first
    Size  // largest first
};

// Which cards the library shows, and in what order: the rows of the entries
// whose file name contains `text` (ignoring case), sorted by `sort`. Ties keep
// name order, so the list never shuffles between two refreshes.
class CardQuery
{
public:
    static QVector<int> select(const QVector<CardEntry> &entries, const QString &text,
                               CardSort sort);
};

#endif
