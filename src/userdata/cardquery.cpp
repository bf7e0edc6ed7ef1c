#include "userdata/cardquery.h"

#include <algorithm>

QVector<int> CardQuery::select(const QVector<CardEntry> &entries, const QString &text,
                               CardSort sort)
{
    const QString wanted = text.trimmed();
    QVector<int> rows;
    rows.reserve(entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        if (wanted.isEmpty() || entries.at(i).fileName.contains(wanted, Qt::CaseInsensitive)) {
            rows.append(i);
        }
    }
    const auto byName = [&entries](int a, int b) {
        return CardEntry::nameLess(entries.at(a), entries.at(b));
    };
    // Newest or largest first; equal ones in name order.
    const auto largestFirst = [&](qint64 CardEntry::*field) {
        return [&entries, &byName, field](int a, int b) {
            const qint64 left = entries.at(a).*field;
            const qint64 right = entries.at(b).*field;
            return left != right ? left > right : byName(a, b);
        };
    };
    switch (sort) {
    case CardSort::Name:
        // The library lists in name order already: checking costs a tenth of
        // sorting a hundred thousand names again on the GUI thread.
        if (!std::is_sorted(rows.begin(), rows.end(), byName)) {
            std::stable_sort(rows.begin(), rows.end(), byName);
        }
        break;
    case CardSort::Date:
        std::stable_sort(rows.begin(), rows.end(), largestFirst(&CardEntry::modified));
        break;
    case CardSort::Size:
        std::stable_sort(rows.begin(), rows.end(), largestFirst(&CardEntry::size));
        break;
    }
    return rows;
}
