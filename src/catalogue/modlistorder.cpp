#include "catalogue/modlistorder.h"

#include <QDateTime>

#include <algorithm>

namespace {

const char *const kKeyNames[] = {"name", "time", "files"};

} // namespace

ModListOrder ModListOrder::parse(const QString &text)
{
    ModListOrder order;
    const QStringList words = text.simplified().split(QLatin1Char(' '));
    for (int key = Name; key <= Files; ++key) {
        if (words.value(0) == QLatin1String(kKeyNames[key])) {
            order.key = static_cast<Key>(key);
        }
    }
    if (words.value(1) == QLatin1String("desc")) {
        order.direction = Qt::DescendingOrder;
    }
    return order;
}

QString ModListOrder::text() const
{
    QString text = QLatin1String(kKeyNames[key]);
    if (direction == Qt::DescendingOrder) {
        text += QLatin1String(" desc");
    }
    return text;
}

bool ModListOrder::isKeyName(const QString &name)
{
    return std::any_of(std::begin(kKeyNames), std::end(kKeyNames),
                       [&name](const char *known) { return name == QLatin1String(known); });
}

qint64 ModListOrder::timeKey(const QString &time)
{
    const QDateTime parsed = QDateTime::fromString(time, QStringLiteral("yyyy-M-d hh:mm:ss"));
    return parsed.isValid() ? parsed.toMSecsSinceEpoch() : -1;
}

int ModListOrder::fileCount(const ModRecord &record)
{
    return record.replace.size() + record.add.size();
}

bool ModListOrder::lessThan(const QString &a, const ModRecord &ra, const QString &b,
                            const ModRecord &rb) const
{
    qint64 left = 0;
    qint64 right = 0;
    if (key == Time) {
        left = timeKey(ra.time);
        right = timeKey(rb.time);
    } else if (key == Files) {
        left = fileCount(ra);
        right = fileCount(rb);
    }
    if (left != right) {
        return direction == Qt::AscendingOrder ? left < right : right < left;
    }
    return direction == Qt::AscendingOrder || key != Name ? a < b : b < a;
}

QStringList ModListOrder::ids(const QMap<QString, ModRecord> &mods) const
{
    QStringList ids = mods.keys();
    std::stable_sort(ids.begin(), ids.end(), [&](const QString &a, const QString &b) {
        return lessThan(a, mods.value(a), b, mods.value(b));
    });
    return ids;
}
