#include "catalogue/installedindex.h"

#include "platform/pathcase.h"

int InstalledIndex::count(const QString &path) const
{
    if (!PathCase::ignoresCase()) {
        return m_count.value(path, 0);
    }
    if (m_foldedStale) {
        m_folded.clear();
        for (auto it = m_count.cbegin(); it != m_count.cend(); ++it) {
            m_folded[PathCase::key(it.key())] += it.value();
        }
        m_foldedStale = false;
    }
    return m_folded.value(PathCase::key(path), 0);
}

QString InstalledIndex::sharedText(const QString &path) const
{
    const auto known = m_count.constFind(path);
    return known != m_count.cend() ? known.key() : path;
}

void InstalledIndex::rebuild(const QMap<QString, ModRecord> &mods)
{
    clear();
    for (const ModRecord &record : mods) {
        countRecord(record, 1);
    }
}

void InstalledIndex::clear()
{
    m_count.clear();
    m_foldedStale = true;
}

void InstalledIndex::adopt(QHash<QString, int> &&counts)
{
    m_count = std::move(counts);
    m_foldedStale = true;
}

QHash<QString, int> InstalledIndex::countSharing(QMap<QString, ModRecord> &mods)
{
    QHash<QString, int> counts;
    int installedItems = 0;
    for (const ModRecord &record : qAsConst(mods)) {
        installedItems += record.install != 0 ? record.add.size() + record.replace.size() : 0;
    }
    counts.reserve(installedItems);
    for (auto it = mods.begin(); it != mods.end(); ++it) {
        ModRecord &record = it.value();
        if (record.install == 0) {
            continue;
        }
        for (QList<FileItem> *items : {&record.add, &record.replace}) {
            for (FileItem &item : *items) {
                if (counts[item.path]++ != 0) {
                    item.path = counts.find(item.path).key();
                }
            }
        }
    }
    return counts;
}

void InstalledIndex::countRecord(const ModRecord &record, int sign)
{
    if (record.install == 0) {
        return;
    }
    for (const QList<FileItem> *items : {&record.add, &record.replace}) {
        for (const FileItem &item : *items) {
            countPath(item.path, sign);
        }
    }
}

void InstalledIndex::countPath(const QString &path, int sign)
{
    // Which count applies depends on the file system of the game folder,
    // which the next command may find different.
    const auto add = [sign](QHash<QString, int> &index, const QString &key) {
        auto it = index.find(key);
        if (it == index.end()) {
            it = index.insert(key, 0);
        }
        *it += sign;
        if (*it == 0) {
            index.erase(it);
        }
    };
    add(m_count, path);
    if (!m_foldedStale) {
        add(m_folded, PathCase::key(path));
    }
}
