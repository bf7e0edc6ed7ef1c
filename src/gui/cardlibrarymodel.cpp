#include "gui/cardlibrarymodel.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace {

QIcon blankIcon(const QColor &fill)
{
    QPixmap pixmap(ThumbnailStore::box().width() * 252 / 352, ThumbnailStore::box().height());
    pixmap.fill(fill);
    return QIcon(pixmap);
}

} // namespace

CardLibraryModel::CardLibraryModel(const QString &cacheFolder, QObject *parent)
    : QAbstractListModel(parent), m_loader(cacheFolder)
{
    // Thumbnails are 192 x 256 at most, about 190 KB each: some 500 of them.
    m_icons.setMaxCost(96 * 1024);
    m_waiting = blankIcon(QColor(232, 232, 232));
    m_broken = QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
    connect(&m_loader, &ThumbnailLoader::loaded, this, &CardLibraryModel::takeThumbnail);
    connect(&m_loader, &ThumbnailLoader::stampsChecked, this, &CardLibraryModel::takeStamps);
}

int CardLibraryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

QString CardLibraryModel::cacheKey(const CardEntry &card)
{
    return card.absolutePath + QLatin1Char('\n') + QString::number(card.size) + QLatin1Char('\n') +
           QString::number(card.modified);
}

QVariant CardLibraryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size()) {
        return QVariant();
    }
    const CardEntry &card = m_cards.at(m_rows.at(index.row()));
    switch (role) {
    case Qt::DisplayRole:
        if (m_showGroups) {
            return tr("%1组 %2").arg(m_groupOfRow.at(index.row()) + 1).arg(card.fileName);
        }
        return card.fileName;
    case Qt::StatusTipRole:
        return card.absolutePath;
    case Qt::ToolTipRole:
        return tr("%1\n%2，%3")
            .arg(QDir::toNativeSeparators(card.absolutePath),
                 QLocale().formattedDataSize(card.size),
                 QDateTime::fromMSecsSinceEpoch(card.modified)
                     .toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    case Qt::DecorationRole: {
        const QString key = cacheKey(card);
        if (const QIcon *icon = m_icons.object(key)) {
            return *icon;
        }
        if (m_unreadable.contains(key)) {
            return m_broken;
        }
        m_loader.request(card.absolutePath);
        return m_waiting;
    }
    default:
        return QVariant();
    }
}

void CardLibraryModel::prefetch(int first, int count)
{
    // Farthest first: the loader takes the newest request first, so the rows
    // nearest the screen come out first.
    for (int row = qMin(first + count, int(m_rows.size())) - 1; row >= qMax(0, first); --row) {
        const CardEntry &card = m_cards.at(m_rows.at(row));
        const QString key = cacheKey(card);
        if (!m_icons.contains(key) && !m_unreadable.contains(key)) {
            m_loader.request(card.absolutePath);
        }
    }
}

bool CardLibraryModel::hasThumbnail(int row) const
{
    return row >= 0 && row < m_rows.size() &&
           m_icons.contains(cacheKey(m_cards.at(m_rows.at(row))));
}

QString CardLibraryModel::path(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_cards.at(m_rows.at(row)).absolutePath : QString();
}

void CardLibraryModel::setCards(const QVector<CardEntry> &cards)
{
    m_cards = cards;
    m_groups.clear();
    m_showGroups = false;
    // Requests for the previous list would only keep the workers busy.
    m_loader.clearQueue();
    reselect();
}

void CardLibraryModel::setFilter(const QString &text)
{
    m_filter = text;
    reselect();
}

void CardLibraryModel::setSort(CardSort sort)
{
    m_sort = sort;
    reselect();
}

void CardLibraryModel::setGroups(const QVector<QVector<int>> &groups)
{
    m_groups = groups;
    m_showGroups = true;
    reselect();
}

void CardLibraryModel::clearGroups()
{
    m_groups.clear();
    m_showGroups = false;
    reselect();
}

void CardLibraryModel::reselect()
{
    beginResetModel();
    m_groupOfRow.clear();
    if (m_showGroups) {
        m_rows.clear();
        for (int group = 0; group < m_groups.size(); ++group) {
            for (int card : m_groups.at(group)) {
                m_rows.append(card);
                m_groupOfRow.append(group);
            }
        }
    } else {
        m_rows = CardQuery::select(m_cards, m_filter, m_sort);
    }
    m_rowOfPath.clear();
    m_rowOfPath.reserve(m_rows.size());
    for (int row = 0; row < m_rows.size(); ++row) {
        m_rowOfPath.insert(m_cards.at(m_rows.at(row)).absolutePath, row);
    }
    endResetModel();
}

void CardLibraryModel::takeThumbnail(const Thumbnail &thumbnail)
{
    const int row = rowOf(thumbnail.card.absolutePath);
    if (thumbnail.outcome == Thumbnail::Missing) {
        if (row >= 0) {
            emit cardsChangedOnDisk();
        }
        return;
    }
    if (thumbnail.outcome == Thumbnail::Refused) {
        return;
    }
    const QString key = cacheKey(thumbnail.card);
    if (thumbnail.outcome == Thumbnail::Unreadable) {
        m_unreadable.insert(key);
    } else {
        const QImage &image = thumbnail.image;
        m_icons.insert(key, new QIcon(QPixmap::fromImage(image)),
                       qMax(1, int(image.sizeInBytes() / 1024)));
    }
    if (row >= 0) {
        updateStamp(row, thumbnail.card);
    }
}

void CardLibraryModel::updateStamp(int row, const CardEntry &now)
{
    // A card that changed since it was listed is shown as it is now, and the
    // list learns its new size and time.
    CardEntry &card = m_cards[m_rows.at(row)];
    card.size = now.size;
    card.modified = now.modified;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed, {Qt::DecorationRole, Qt::ToolTipRole});
}

void CardLibraryModel::recheck(int first, int count)
{
    QVector<CardEntry> shown;
    for (int row = qMax(0, first); row < qMin(first + count, int(m_rows.size())); ++row) {
        shown << m_cards.at(m_rows.at(row));
    }
    if (!shown.isEmpty()) {
        m_loader.checkStamps(shown);
    }
}

void CardLibraryModel::takeStamps(const QVector<CardEntry> &changed, const QStringList &missing)
{
    for (const CardEntry &now : changed) {
        const int row = rowOf(now.absolutePath);
        if (row >= 0) {
            updateStamp(row, now);
        }
    }
    if (!missing.isEmpty()) {
        emit cardsChangedOnDisk();
    }
}
