#include "gui/modlistitem.h"

#include "catalogue/modcfg.h"
#include "catalogue/modlistorder.h"

#include <QColor>
#include <QHeaderView>
#include <QTreeWidget>

ModListItem::ModListItem(const ModCfg &catalogue, const QString &id, const ModRecord &record)
    : QTreeWidgetItem(UserType), m_catalogue(catalogue),
      m_timeKey(ModListOrder::timeKey(record.time)), m_fileCount(ModListOrder::fileCount(record))
{
    setText(NameColumn, id);
    setText(TimeColumn, record.time);
    setText(FilesColumn, QString::number(m_fileCount));
    setTextAlignment(FilesColumn, Qt::AlignRight | Qt::AlignVCenter);
    const QColor colour = record.install != 0 ? QColor(46, 139, 87) : QColor(Qt::red);
    for (int column = 0; column < ColumnCount; ++column) {
        setForeground(column, colour);
    }
    // The narrow list cuts long names and times short.
    setToolTip(NameColumn, id);
    setToolTip(TimeColumn, record.time);
}

bool ModListItem::operator<(const QTreeWidgetItem &other) const
{
    const auto *mod = dynamic_cast<const ModListItem *>(&other);
    const QTreeWidget *tree = treeWidget();
    const int column = tree ? tree->sortColumn() : NameColumn;
    if (mod && column != NameColumn) {
        qint64 left = 0;
        qint64 right = 0;
        if (column == TimeColumn) {
            left = m_timeKey;
            right = mod->m_timeKey;
        } else if (column == FilesColumn) {
            left = m_fileCount;
            right = mod->m_fileCount;
        } else {
            left = conflicts().overwrites + conflicts().overwrittenBy;
            right = mod->conflicts().overwrites + mod->conflicts().overwrittenBy;
        }
        if (left != right) {
            return left < right;
        }
        // Equal values keep the name order whichever way the column sorts.
        if (tree->header()->sortIndicatorOrder() == Qt::DescendingOrder) {
            return other.text(NameColumn) < text(NameColumn);
        }
    }
    return text(NameColumn) < other.text(NameColumn);
}

const ConflictCounts &ModListItem::conflicts() const
{
    if (!m_counted) {
        m_conflicts = ConflictCounts::of(m_catalogue, id());
        m_counted = true;
    }
    return m_conflicts;
}

QVariant ModListItem::data(int column, int role) const
{
    if (column == ConflictColumn && role == Qt::DisplayRole) {
        return conflicts().isEmpty() ? QString()
                                     : tr("覆盖 %1 / 被覆盖 %2")
                                           .arg(conflicts().overwrites)
                                           .arg(conflicts().overwrittenBy);
    }
    if (column == ConflictColumn && role == Qt::ToolTipRole && !conflicts().isEmpty()) {
        if (!m_toolTipMade) {
            m_conflictToolTip = conflictToolTip();
            m_toolTipMade = true;
        }
        return m_conflictToolTip;
    }
    return QTreeWidgetItem::data(column, role);
}

bool ModListItem::matches(const QString &filter) const
{
    // The notes as stored now: the user may have edited them since the list
    // was drawn.
    if (filter.isEmpty() || id().contains(filter, Qt::CaseInsensitive)) {
        return true;
    }
    const auto record = m_catalogue.m_mods.constFind(id());
    return record != m_catalogue.m_mods.cend() &&
           record->info.contains(filter, Qt::CaseInsensitive);
}

QString ModListItem::conflictToolTip() const
{
    const ConflictCounts::Involved involved = ConflictCounts::involved(m_catalogue, id());
    const QString separator = tr("、");
    const auto names = [&separator](const QStringList &mods, bool more) {
        return mods.join(separator) + (more ? tr("……") : QString());
    };
    QStringList lines;
    if (conflicts().overwrites != 0) {
        lines << tr("覆盖以下MOD的 %1 个文件：%2")
                     .arg(conflicts().overwrites)
                     .arg(names(involved.below, involved.moreBelow));
    }
    if (conflicts().overwrittenBy != 0) {
        lines << tr("%1 个文件被以下MOD覆盖：%2")
                     .arg(conflicts().overwrittenBy)
                     .arg(names(involved.above, involved.moreAbove));
    }
    return lines.join(QLatin1Char('\n'));
}
