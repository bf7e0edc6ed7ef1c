#ifndef VELDANE_GUI_MODDROPFILTER_H
#define VELDANE_GUI_MODDROPFILTER_H

#include <QList>
#include <QObject>
#include <QUrl>

class QAbstractItemView;

// Lets the mod list take drops of files and folders. It accepts every drag
// that carries URLs and hands the dropped URLs on through a signal; deciding
// what can be installed is left to the window. Drags without URLs are
// refused, so the cursor shows at once that they cannot be dropped.
class ModDropFilter : public QObject
{
    Q_OBJECT

public:
    // Installs itself on the view's viewport, where item views get their
    // drag events, and makes the view accept drops.
    explicit ModDropFilter(QAbstractItemView *view);

signals:
    // In the order of the drop; a web address stays a URL, so that it is
    // never taken for a path.
    void urlsDropped(const QList<QUrl> &urls);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

#endif
