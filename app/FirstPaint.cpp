#include "app/FirstPaint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

TFirstPaintWatcher::TFirstPaintWatcher(QWidget *window, std::function<void()> done)
    : QObject(window)
    , FDone(std::move(done))
{
    window->installEventFilter(this);
}

bool TFirstPaintWatcher::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && !FSeen) {
        FSeen = true;
        watched->removeEventFilter(this);
        // The window's children are drawn and the whole flushed in the same pass, after this
        // event: done runs once that pass is over.
        QTimer::singleShot(0, this, [this] { FDone(); });
    }
    return QObject::eventFilter(watched, event);
}
