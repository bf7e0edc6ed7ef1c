#ifndef VELDANE_CATALOGUE_INSTALLEDINDEX_H
#define VELDANE_CATALOGUE_INSTALLEDINDEX_H

#include "catalogue/modrecord.h"

#include <QHash>
#include <QMap>
#include <QString>

// How many items of installed mods name each path: the layer a newly recorded
// file gets, and what the file list marks as covered. Kept in step with the
// records by every change, so that no question walks them all.
class InstalledIndex
{
public:
    // Items of installed mods recorded under this path text, compared by
    // PathCase::key while PathCase::ignoresCase() (always on Windows).
    int count(const QString &path) const;
    // The index's own text for `path` when it has one, so that records and
    // index share one string per path.
    QString sharedText(const QString &path) const;

    void addRecord(const ModRecord &record) { countRecord(record, 1); }
    void removeRecord(const ModRecord &record) { countRecord(record, -1); }
    void addPath(const QString &path) { countPath(path, 1); }
    void rebuild(const QMap<QString, ModRecord> &mods);
    void clear();
    // Takes counts made by countSharing().
    void adopt(QHash<QString, int> &&counts);

    // The counts of `mods`, pointing each installed item's path at the one
    // text the counts hold for it.
    static QHash<QString, int> countSharing(QMap<QString, ModRecord> &mods);

private:
    void countRecord(const ModRecord &record, int sign);
    void countPath(const QString &path, int sign);

    QHash<QString, int> m_count;
    // The same by PathCase::key, for game folders that ignore case;
    // built on the first question that needs it, then kept in step.
    mutable QHash<QString, int> m_folded;
    mutable bool m_foldedStale = true;
};

#endif
