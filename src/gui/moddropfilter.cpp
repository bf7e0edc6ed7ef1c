#include "gui/moddropfilter.h"

#include <QAbstractItemView>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>

ModDropFilter::ModDropFilter(QAbstractItemView *view) : QObject(view)
{
    view->setAcceptDrops(true);
    view->viewport()->setAcceptDrops(true);
    view->viewport()->installEventFilter(this);
}

bool ModDropFilter::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (drag->mimeData() && drag->mimeData()->hasUrls()) {
            drag->acceptProposedAction();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        if (!drop->mimeData() || !drop->mimeData()->hasUrls()) {
            drop->ignore();
            return true;
        }
        const QList<QUrl> urls = drop->mimeData()->urls();
        drop->acceptProposedAction();
        emit urlsDropped(urls);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}
