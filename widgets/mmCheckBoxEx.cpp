#include "widgets/mmCheckBoxEx.h"

#include <QPainter>

using namespace Colors;

namespace {

void Pixel(QPainter &p, int x, int y, const QColor &c)
{
    p.fillRect(QRect(x, y, 1, 1), c);
}

void Ring(QPainter &p, int l, int t, int r, int b, const QColor &c)
{
    p.fillRect(QRect(l, t, r - l, 1), c);
    p.fillRect(QRect(l, b - 1, r - l, 1), c);
    p.fillRect(QRect(l, t, 1, b - t), c);
    p.fillRect(QRect(r - 1, t, 1, b - t), c);
}

// A one-pixel line from (x0, y0) towards (x1, y1) at 45 degrees or straight, without its end
// point, as the toolkit's polylines are drawn.
void Line(QPainter &p, int x0, int y0, int x1, int y1, const QColor &c)
{
    const int dx = (x1 > x0) - (x1 < x0), dy = (y1 > y0) - (y1 < y0);
    while (x0 != x1 || y0 != y1) {
        Pixel(p, x0, y0, c);
        x0 += dx;
        y0 += dy;
    }
}

} // namespace

TmmCheckBoxEx::TmmCheckBoxEx(QWidget *parent)
    : TFlatToggle(parent)
{
    resize(width(), 17);
}

TmmCheckBoxEx::TmmCheckBoxEx(const QString &caption, QWidget *parent)
    : TmmCheckBoxEx(parent)
{
    setText(caption);
}

TmmCheckBoxEx::~TmmCheckBoxEx() = default;

void TmmCheckBoxEx::DrawBox(QPainter &p, int x, int y) const
{
    const QColor background = FlatBox::BackgroundColor(this);
    const QColor face = FaceColor();
    const QColor black = ToQColor(clBlack);
    p.save();
    p.translate(x, y);
    p.fillRect(QRect(0, 0, 13, 13), face);
    Ring(p, 0, 0, 13, 13, background);
    p.fillRect(QRect(0, 13, 13, 1), background);
    Ring(p, 1, 1, 12, 12, black);
    if (ShowsMark()) {
        for (int shift = 0; shift < 3; ++shift) {
            Line(p, 3, 7 - shift, 5, 9 - shift, black);
            Line(p, 5, 9 - shift, 10, 4 - shift, black);
        }
    }
    p.restore();
}
