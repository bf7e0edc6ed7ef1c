#include "gui/thumbnailloader.h"

#include "userdata/cardscanner.h"

#include <QRunnable>

ThumbnailLoader::ThumbnailLoader(const QString &cacheFolder, QObject *parent)
    : QObject(parent), m_store(cacheFolder)
{
    // The window waits on nothing but the screen, so every core may decode.
    m_pool.setMaxThreadCount(qMax(2, QThread::idealThreadCount()));
}

ThumbnailLoader::~ThumbnailLoader()
{
    m_queue.clear();
    // The workers post their results to this object: they must be done before
    // it goes, and the posted results go with it.
    m_pool.waitForDone();
}

void ThumbnailLoader::request(const QString &path)
{
    if (m_running.contains(path)) {
        return;
    }
    m_queue.removeOne(path);
    m_queue.append(path);
    if (m_queue.size() > queueLimit()) {
        m_queue.removeFirst();
    }
    startNext();
}

void ThumbnailLoader::checkStamps(const QVector<CardEntry> &cards)
{
    m_pool.start(QRunnable::create([this, cards] {
        QVector<CardEntry> changed;
        QStringList missing;
        for (const CardEntry &card : cards) {
            CardEntry now = card;
            if (!CardScanner::stamp(card.absolutePath, &now)) {
                missing << card.absolutePath;
            } else if (!now.sameStamp(card)) {
                changed << now;
            }
        }
        if (!changed.isEmpty() || !missing.isEmpty()) {
            QMetaObject::invokeMethod(
                this, [this, changed, missing] { emit stampsChecked(changed, missing); },
                Qt::QueuedConnection);
        }
    }));
}

void ThumbnailLoader::clearQueue()
{
    m_queue.clear();
}

void ThumbnailLoader::startNext()
{
    while (!m_queue.isEmpty() && m_running.size() < m_pool.maxThreadCount()) {
        const QString path = m_queue.takeLast();
        m_running.insert(path);
        const ThumbnailStore *store = &m_store;
        m_pool.start(QRunnable::create([this, store, path] {
            const Thumbnail thumbnail = store->load(path);
            QMetaObject::invokeMethod(
                this, [this, thumbnail] { finished(thumbnail); }, Qt::QueuedConnection);
        }));
    }
}

void ThumbnailLoader::finished(const Thumbnail &thumbnail)
{
    m_running.remove(thumbnail.card.absolutePath);
    emit loaded(thumbnail);
    startNext();
}
