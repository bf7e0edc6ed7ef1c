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
    switch (sort) {
    case CardSort::Name:
        std::stable_sort(rows.begin(), rows.end(), byName);
        break;
    case CardSort::Date:
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
            if (entries.at(a).modified != entries.at(b).modified) {
                return entries.at(a).modified > entries.at(b).modified;
            }
            return byName(a, b);
        });
        break;
    case CardSort::Size:
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
            if (entries.at(a).size != entries.at(b).size) {
                return entries.at(a).size > entries.at(b).size;
            }
            return byName(a, b);
        });
        break;
    }
    return rows;
}
