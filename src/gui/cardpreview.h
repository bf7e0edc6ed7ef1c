#ifndef VELDANE_GUI_CARDPREVIEW_H
#define VELDANE_GUI_CARDPREVIEW_H

#include <QImage>
#include <QSize>
#include <QString>

// Loads a picture for the preview, already at the size it is shown at.
class CardPreview
{
public:
    // The largest size with the picture's aspect ratio that fits `box`: a big
    // picture shrinks, a small one grows until it touches the box's width or
    // height.
    static QSize fittedSize(const QSize &pictureSize, const QSize &box);

    // Reads the picture at `path` scaled to fittedSize(its size, box), the
    // format detected from the file. A file that cannot be read, or an empty
    // box, gives a null image.
    //
    // The reader is told the target size before decoding, so a large card is
    // scaled while it is read instead of being decoded into a full-size pixmap
    // first and scaled afterwards.
    static QImage load(const QString &path, const QSize &box);
};

#endif
