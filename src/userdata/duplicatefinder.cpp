#include "userdata/duplicatefinder.h"

#include "platform/contenthasher.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <map>

namespace {

bool cancelled(const std::atomic_bool *cancel)
{
    return cancel && cancel->load();
}

// Splits rows of one size into groups of equal content.
QVector<QVector<int>> equalContent(const QVector<CardEntry> &entries, const QVector<int> &rows,
                                   const std::atomic_bool *cancel)
{
    QHash<quint64, QVector<int>> byHash;
    for (int row : rows) {
        quint64 hash = 0;
        if (cancelled(cancel) || !ContentHasher::hashFile(entries.at(row).absolutePath, &hash)) {
            continue;
        }
        byHash[hash].append(row);
    }
    QVector<QVector<int>> result;
    for (const QVector<int> &candidates : qAsConst(byHash)) {
        QVector<int> group{candidates.first()};
        for (int i = 1; i < candidates.size(); ++i) {
            if (DuplicateFinder::sameContent(entries.at(group.first()).absolutePath,
                                             entries.at(candidates.at(i)).absolutePath)) {
                group.append(candidates.at(i));
            }
        }
        if (group.size() > 1) {
            result.append(group);
        }
    }
    return result;
}

} // namespace

QVector<QVector<int>> DuplicateFinder::groups(const QVector<CardEntry> &entries,
                                              const std::atomic_bool *cancel)
{
    std::map<qint64, QVector<int>> bySize;
    for (int i = 0; i < entries.size(); ++i) {
        bySize[entries.at(i).size].append(i);
    }
    QVector<QVector<int>> result;
    for (const auto &sized : bySize) {
        if (sized.second.size() > 1) {
            result += equalContent(entries, sized.second, cancel);
        }
    }
    if (cancelled(cancel)) {
        return {};
    }
    const auto nameLess = [&entries](int a, int b) {
        return CardEntry::nameLess(entries.at(a), entries.at(b));
    };
    for (QVector<int> &group : result) {
        std::sort(group.begin(), group.end(), nameLess);
    }
    std::sort(result.begin(), result.end(), [&](const QVector<int> &a, const QVector<int> &b) {
        return nameLess(a.first(), b.first());
    });
    return result;
}

bool DuplicateFinder::sameContent(const QString &first, const QString &second)
{
    QFile a(first);
    QFile b(second);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) || a.size() != b.size()) {
        return false;
    }
    static constexpr qint64 chunkSize = 64 * 1024;
    while (!a.atEnd()) {
        const QByteArray left = a.read(chunkSize);
        const QByteArray right = b.read(chunkSize);
        if (left.isEmpty() || left != right) {
            return false;
        }
    }
    return b.atEnd();
}
