#ifndef VELDANE_GUI_CARDLIBRARYMODEL_H
#define VELDANE_GUI_CARDLIBRARYMODEL_H

#include "gui/thumbnailloader.h"
#include "userdata/cardentry.h"
#include "userdata/cardquery.h"

#include <QAbstractListModel>
#include <QCache>
#include <QHash>
#include <QIcon>
#include <QSet>
#include <QVector>

// The cards of the card library as rows of a list view: the file name, the
// path as status tip and tool tip, and a thumbnail that is asked of the loader
// only when the view wants to draw the row (or is about to).
class CardLibraryModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit CardLibraryModel(const QString &cacheFolder, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    void setCards(const QVector<CardEntry> &cards);
    const QVector<CardEntry> &cards() const { return m_cards; }
    void setFilter(const QString &text);
    void setSort(CardSort sort);
    // Shows only these groups of rows of cards(), group after group; an empty
    // list shows nothing. clearGroups() goes back to the filtered list.
    void setGroups(const QVector<QVector<int>> &groups);
    void clearGroups();
    bool showsGroups() const { return m_showGroups; }

    QString path(int row) const;
    int rowOf(const QString &path) const { return m_rowOfPath.value(path, -1); }
    // Asks for the thumbnails of rows about to be shown.
    void prefetch(int first, int count);
    bool hasThumbnail(int row) const;
    // Checks whether these rows' cards changed on disk since they were listed.
    void recheck(int first, int count);
    // No thumbnail waiting or being made.
    bool isIdle() const { return m_loader.isIdle(); }

signals:
    // A card vanished or changed behind the list's back: time to list again.
    void cardsChangedOnDisk();

private:
    void reselect();
    void takeThumbnail(const Thumbnail &thumbnail);
    void takeStamps(const QVector<CardEntry> &changed, const QStringList &missing);
    void updateStamp(int row, const CardEntry &now);
    static QString cacheKey(const CardEntry &card);

    QVector<CardEntry> m_cards;
    QVector<int> m_rows;       // rows of m_cards shown, in order
    QVector<int> m_groupOfRow; // with groups shown: the group number of each row
    QVector<QVector<int>> m_groups;
    bool m_showGroups = false;
    QString m_filter;
    CardSort m_sort = CardSort::Name;
    QHash<QString, int> m_rowOfPath;
    mutable ThumbnailLoader m_loader;
    QCache<QString, QIcon> m_icons;
    QSet<QString> m_unreadable; // cache keys of cards that are no picture
    QIcon m_waiting;
    QIcon m_broken;
};

#endif
