#include "gui/thumbnailstore.h"

#include "gui/cardpreview.h"
#include "platform/contenthasher.h"
#include "userdata/cardscanner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>
#include <QThread>

#include <atomic>

namespace {

std::atomic_int refusals{0};

bool onGuiThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

ThumbnailStore::ThumbnailStore(const QString &cacheFolder) : m_folder(cacheFolder) {}

int ThumbnailStore::guiThreadRefusals()
{
    return refusals.load();
}

QString ThumbnailStore::entryPath(const CardEntry &card) const
{
    const QByteArray key = QStringLiteral("%1\n%2\n%3\n%4x%5")
                               .arg(card.absolutePath)
                               .arg(card.size)
                               .arg(card.modified)
                               .arg(box().width())
                               .arg(box().height())
                               .toUtf8();
    ContentHasher hasher;
    hasher.add(key.constData(), key.size());
    const QString name = QStringLiteral("%1").arg(hasher.digest(), 16, 16, QLatin1Char('0'));
    // Two levels, so that no folder holds a hundred thousand entries.
    return m_folder + QLatin1Char('/') + name.left(2) + QLatin1Char('/') + name + ".png";
}

Thumbnail ThumbnailStore::load(const QString &path) const
{
    Thumbnail result;
    if (onGuiThread()) {
        ++refusals;
        qWarning("ThumbnailStore::load called on the GUI thread for %s", qPrintable(path));
        return result;
    }
    result.card.absolutePath = path;
    result.card.fileName = QFileInfo(path).fileName();
    if (!CardScanner::stamp(path, &result.card)) {
        result.outcome = Thumbnail::Missing;
        return result;
    }
    const QString entry = entryPath(result.card);
    QImageReader cached(entry, "png");
    result.image = cached.read();
    if (!result.image.isNull()) {
        result.fromCache = true;
        result.outcome = Thumbnail::Ready;
        return result;
    }
    result.image = decode(path);
    if (result.image.isNull()) {
        result.outcome = Thumbnail::Unreadable;
        return result;
    }
    result.outcome = Thumbnail::Ready;
    // A card rewritten while it was read keeps no entry under its old stamp.
    CardEntry after;
    if (CardScanner::stamp(path, &after) && after.sameStamp(result.card)) {
        keep(entry, result.image);
    }
    return result;
}

QImage ThumbnailStore::decode(const QString &path) const
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    if (!size.isValid()) {
        return QImage();
    }
    const QSize target = CardPreview::fittedSize(size, box()).boundedTo(size);
    if (target.isEmpty()) {
        return QImage();
    }
    reader.setScaledSize(target);
    return reader.read();
}

void ThumbnailStore::keep(const QString &entry, const QImage &image) const
{
    // The cache is only a speed-up: a failed write costs a decode next time.
    if (!QDir().mkpath(QFileInfo(entry).absolutePath())) {
        return;
    }
    QSaveFile file(entry);
    if (file.open(QIODevice::WriteOnly) && image.save(&file, "PNG", 80)) {
        file.commit();
    }
}
