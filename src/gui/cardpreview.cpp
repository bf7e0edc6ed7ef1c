#include "gui/cardpreview.h"

#include <QImageReader>

QSize CardPreview::fittedSize(const QSize &pictureSize, const QSize &box)
{
    if (pictureSize.isEmpty() || box.isEmpty()) {
        return QSize();
    }
    return pictureSize.scaled(box, Qt::KeepAspectRatio);
}

QImage CardPreview::load(const QString &path, const QSize &box)
{
    if (path.isEmpty() || box.isEmpty()) {
        return QImage();
    }
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QSize pictureSize = reader.size();
    if (pictureSize.isValid()) {
        const QSize target = fittedSize(pictureSize, box);
        if (target.isEmpty()) {
            return QImage();
        }
        reader.setScaledSize(target);
        return reader.read();
    }
    // A format that cannot tell its size from the header is decoded whole.
    const QImage full = reader.read();
    if (full.isNull()) {
        return QImage();
    }
    return full.scaled(fittedSize(full.size(), box), Qt::IgnoreAspectRatio, Qt::FastTransformation);
}
