#ifndef VELDANE_GUI_MODLISTITEM_H
#define VELDANE_GUI_MODLISTITEM_H

#include "catalogue/conflictcounts.h"
#include "catalogue/modrecord.h"

#include <QCoreApplication>
#include <QTreeWidgetItem>

class ModCfg;

// One mod's row of the mod list: name, install time, file count and its
// conflicts with the other installed mods. Sorts by the value a column stands
// for, not by its text. The conflicts are counted when the row is first drawn
// (or sorted by them), so that a list of hundreds of mods costs only the rows
// on screen; the mods behind them are named only when the tool tip is asked
// for, as that reads the whole catalogue.
class ModListItem : public QTreeWidgetItem
{
    Q_DECLARE_TR_FUNCTIONS(ModListItem)

public:
    enum Column
    {
        NameColumn,
        TimeColumn,
        FilesColumn,
        ConflictColumn,
        ColumnCount
    };

    // The catalogue must outlive the item; the list is rebuilt after every
    // change to it.
    ModListItem(const ModCfg &catalogue, const QString &id, const ModRecord &record);

    QString id() const { return text(NameColumn); }
    const ConflictCounts &conflicts() const;

    bool operator<(const QTreeWidgetItem &other) const override;
    QVariant data(int column, int role) const override;

    // Whether the filter text is part of the name or of the notes.
    bool matches(const QString &filter) const;

private:
    QString conflictToolTip() const;

    const ModCfg &m_catalogue;
    qint64 m_timeKey;
    int m_fileCount;
    mutable ConflictCounts m_conflicts;
    mutable bool m_counted = false;
    mutable QString m_conflictToolTip;
    mutable bool m_toolTipMade = false;
};

#endif
