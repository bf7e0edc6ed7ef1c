#ifndef VELDANE_GUI_MODDROPFILTER_H
#define VELDANE_GUI_MODDROPFILTER_H

#include <QObject>
#include <QStringList>

class QAbstractItemView;

// Lets the mod list take drops of files and folders. It accepts every drag
// that carries URLs and hands the dropped paths on through a signal; deciding
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
    // Local files as local paths, anything else (a web address) as its URL
    // text, in the order of the drop.
    void pathsDropped(const QStringList &paths);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

#endif
