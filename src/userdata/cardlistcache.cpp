#include "userdata/cardlistcache.h"

#include "platform/contenthasher.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr quint32 magic = 0x56434c31; // "VCL1"

} // namespace

QString CardListCache::fileFor(const QString &cacheFolder, const QString &folder, bool subfolders)
{
    const QByteArray key = (QFileInfo(folder).absoluteFilePath() +
                            (subfolders ? QStringLiteral("\n1") : QStringLiteral("\n0")))
                               .toUtf8();
    ContentHasher hasher;
    hasher.add(key.constData(), key.size());
    return cacheFolder +
           QStringLiteral("/lists/%1.list").arg(hasher.digest(), 16, 16, QLatin1Char('0'));
}

bool CardListCache::write(const QString &file, const CardScan &scan)
{
    if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
        return false;
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        return false;
    }
    QDataStream stream(&out);
    stream.setVersion(QDataStream::Qt_5_15);
    stream << magic << scan.folders << qint32(scan.cards.size());
    for (const CardEntry &card : scan.cards) {
        stream << card.fileName << card.absolutePath << card.size << card.modified;
    }
    return stream.status() == QDataStream::Ok && out.commit();
}

bool CardListCache::read(const QString &file, CardScan *scan)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        return false;
    }
    QDataStream stream(&in);
    stream.setVersion(QDataStream::Qt_5_15);
    quint32 mark = 0;
    CardScan loaded;
    qint32 count = 0;
    stream >> mark >> loaded.folders >> count;
    // Each card takes at least 24 bytes: a count beyond that is damage.
    if (mark != magic || count < 0 || count > in.size() / 24) {
        return false;
    }
    loaded.cards.resize(count);
    for (CardEntry &card : loaded.cards) {
        stream >> card.fileName >> card.absolutePath >> card.size >> card.modified;
    }
    if (stream.status() != QDataStream::Ok) {
        return false;
    }
    *scan = loaded;
    return true;
}
