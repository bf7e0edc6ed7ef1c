#ifndef VELDANE_GUI_THUMBNAILLOADER_H
#define VELDANE_GUI_THUMBNAILLOADER_H

#include "gui/thumbnailstore.h"

#include <QObject>
#include <QSet>
#include <QStringList>
#include <QThreadPool>
#include <QVector>

// Runs ThumbnailStore::load on worker threads for the cards the view asks
// for. The newest request goes first (the rows on screen now), and the queue
// keeps only the latest requests, so a fast scroll through a hundred thousand
// cards does not leave the workers decoding rows long gone from the screen.
class ThumbnailLoader : public QObject
{
    Q_OBJECT

public:
    explicit ThumbnailLoader(const QString &cacheFolder, QObject *parent = nullptr);
    ~ThumbnailLoader() override;

    void request(const QString &path);
    // Looks at the cards' size and time on a worker and reports those that
    // changed or vanished since they were listed: a folder watch tells of
    // cards added and removed, not of a card rewritten in place.
    void checkStamps(const QVector<CardEntry> &cards);
    // Forgets the requests not started yet.
    void clearQueue();
    bool isIdle() const { return m_queue.isEmpty() && m_running.isEmpty(); }
    // How many requests are waiting at most.
    static int queueLimit() { return 512; }

signals:
    // On the GUI thread.
    void loaded(const Thumbnail &thumbnail);
    void stampsChecked(const QVector<CardEntry> &changed, const QStringList &missing);

private:
    void startNext();
    void finished(const Thumbnail &thumbnail);

    ThumbnailStore m_store;
    QThreadPool m_pool;
    QStringList m_queue; // newest last
    QSet<QString> m_running;
};

#endif
