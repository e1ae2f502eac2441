#include "widgets/mmCheckBoxEx.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

using namespace Colors;

namespace {

constexpr int CaptionGap = 4;

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

namespace FlatBox {

QPoint BoxOrigin(const QWidget *control, TAlignment alignment)
{
    const int x = alignment == TAlignment::taLeftJustify ? control->width() - 13 : 0;
    return {x, control->height() / 2 - 7};
}

QColor BackgroundColor(const QWidget *control)
{
    return control->palette().color(QPalette::Window);
}

void DrawCaption(QPainter &p, QAbstractButton *button, TAlignment alignment)
{
    const int w = button->width(), h = button->height();
    const QRect area = alignment == TAlignment::taLeftJustify
        ? QRect(0, 0, w - 13 - CaptionGap, h)
        : QRect(13 + CaptionGap, 0, w - 13 - CaptionGap, h);
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
    p.setFont(button->font());
    p.setPen(button->isEnabled() ? button->palette().color(QPalette::WindowText) : GrayText);
    QRect used;
    p.drawText(area, flags, button->text(), &used);
    if (!button->hasFocus() || button->text().isEmpty())
        return;
    // The dotted frame around the caption, one pixel off the text.
    const QRect frame = used.adjusted(-2, -1, 2, 1).intersected(button->rect());
    const QColor ink = button->palette().color(QPalette::WindowText);
    for (int x = frame.left(); x <= frame.right(); ++x) {
        if ((x - frame.left()) % 2 == 0) {
            Pixel(p, x, frame.top(), ink);
            Pixel(p, x, frame.bottom(), ink);
        }
    }
    for (int y = frame.top(); y <= frame.bottom(); ++y) {
        if ((y - frame.top()) % 2 == 0) {
            Pixel(p, frame.left(), y, ink);
            Pixel(p, frame.right(), y, ink);
        }
    }
}

} // namespace FlatBox

TmmCheckBoxEx::TmmCheckBoxEx(QWidget *parent)
    : QCheckBox(parent)
{
    resize(width(), 17);
}

TmmCheckBoxEx::TmmCheckBoxEx(const QString &caption, QWidget *parent)
    : TmmCheckBoxEx(parent)
{
    setText(caption);
}

TmmCheckBoxEx::~TmmCheckBoxEx() = default;

void TmmCheckBoxEx::SetAlignment(TAlignment value)
{
    if (value == FAlignment)
        return;
    FAlignment = value;
    setLayoutDirection(value == TAlignment::taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
    update();
}

void TmmCheckBoxEx::SetCtl3D(bool value)
{
    if (value == FCtl3D)
        return;
    FCtl3D = value;
    update();
}

void TmmCheckBoxEx::DrawBox(QPainter &p, int x, int y) const
{
    const QColor background = FlatBox::BackgroundColor(this);
    const QColor face = FHot != FPressed ? ToQColor(clSilver) : ToQColor(clWhite);
    const QColor black = ToQColor(clBlack);
    p.save();
    p.translate(x, y);
    p.fillRect(QRect(0, 0, 13, 13), face);
    Ring(p, 0, 0, 13, 13, background);
    p.fillRect(QRect(0, 13, 13, 1), background);
    Ring(p, 1, 1, 12, 12, black);
    if (isChecked() != (FPressed && FHot)) {
        for (int shift = 0; shift < 3; ++shift) {
            Line(p, 3, 7 - shift, 5, 9 - shift, black);
            Line(p, 5, 9 - shift, 10, 4 - shift, black);
        }
    }
    p.restore();
}

QImage TmmCheckBoxEx::BoxBitmap() const
{
    QImage image(BoxWidth, BoxHeight, QImage::Format_RGB32);
    QPainter p(&image);
    DrawBox(p, 0, 0);
    return image;
}

void TmmCheckBoxEx::paintEvent(QPaintEvent *event)
{
    if (FCtl3D) {
        QCheckBox::paintEvent(event);
        return;
    }
    QPainter p(this);
    const QPoint origin = FlatBox::BoxOrigin(this, FAlignment);
    DrawBox(p, origin.x(), origin.y());
    FlatBox::DrawCaption(p, this, FAlignment);
}

void TmmCheckBoxEx::SetHot(bool value)
{
    // A disabled control shows no hot state.
    value = value && isEnabled();
    if (value == FHot)
        return;
    FHot = value;
    update();
}

void TmmCheckBoxEx::changeEvent(QEvent *event)
{
    QCheckBox::changeEvent(event);
    if (event->type() != QEvent::EnabledChange)
        return;
    // Enabled again under a resting pointer, the control lights up as if just entered.
    FPressed = false;
    FHot = isEnabled() && underMouse();
    update();
}

void TmmCheckBoxEx::enterEvent(QEnterEvent *event)
{
    QCheckBox::enterEvent(event);
    SetHot(true);
}

void TmmCheckBoxEx::leaveEvent(QEvent *event)
{
    QCheckBox::leaveEvent(event);
    SetHot(false);
}

void TmmCheckBoxEx::mousePressEvent(QMouseEvent *event)
{
    QCheckBox::mousePressEvent(event);
    if (event->button() == Qt::LeftButton) {
        FPressed = true;
        update();
    }
}

void TmmCheckBoxEx::mouseMoveEvent(QMouseEvent *event)
{
    QCheckBox::mouseMoveEvent(event);
    // The pointer held on the control leaves it without a leave notice until the release.
    if (event->buttons() & Qt::LeftButton)
        SetHot(rect().contains(event->position().toPoint()));
}

void TmmCheckBoxEx::mouseReleaseEvent(QMouseEvent *event)
{
    QCheckBox::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        FPressed = false;
        update();
    }
}

bool TmmCheckBoxEx::hitButton(const QPoint &pos) const
{
    if (FCtl3D)
        return QCheckBox::hitButton(pos);
    return rect().contains(pos);
}
