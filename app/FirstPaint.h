#pragma once

#include <QObject>
#include <functional>

class QWidget;

// Calls done once, after a window's first paint has been drawn and handed to the screen:
// the moment a user first sees it. Used to measure start-up.
class TFirstPaintWatcher : public QObject
{
public:
    TFirstPaintWatcher(QWidget *window, std::function<void()> done);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void()> FDone;
    bool FSeen = false;
};
