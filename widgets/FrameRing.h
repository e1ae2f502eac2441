#pragma once

#include <QColor>
#include <QPainter>
#include <QRect>

// A one-pixel frame along the inside of r, drawn as filled rectangles on whole logical pixels so
// that it stays sharp at any scale (a stroked rectangle blurs at fractional scales).
inline void FrameRing(QPainter &p, const QRect &r, const QColor &c)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), c);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), c);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), c);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), c);
}
