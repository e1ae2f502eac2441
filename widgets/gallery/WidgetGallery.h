#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>

// One look of one widget: a host with the widget in it, and how to put it into that look.
struct TGallerySample
{
    QString state;
    std::function<QWidget *(QWidget *host)> create;
    // Runs once the host is on screen; may give the widget the focus.
    std::function<void(QWidget *widget)> apply;
};

struct TGalleryRow
{
    QString title;
    QList<TGallerySample> samples;
};

// Every widget of the kit in each of its looks.
QList<TGalleryRow> GalleryRows();

// The gallery as one picture at a scale (1 for 100 %, 2 for 200 %): each sample is rendered in
// a window of its own, so that every one can show the focus.
struct TGallerySheet
{
    QImage image;
    // Where each sample landed, in logical pixels, named "row / state".
    QList<QPair<QString, QRect>> cells;
};
TGallerySheet RenderGallery(qreal scale);

class QLabel;

// The gallery window: one of each widget to try by hand, and every look as a still.
class TWidgetGallery : public QWidget
{
    Q_OBJECT

public:
    explicit TWidgetGallery(QWidget *parent = nullptr);

    // Where a still ("row / state") shows in the window.
    QRect StillCell(const QString &name) const;

private:
    TGallerySheet FStills;
    QLabel *FStillsLabel = nullptr;
};
