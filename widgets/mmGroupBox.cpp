#include "widgets/mmGroupBox.h"

#include "core/TColor.h"
#include "widgets/mmCheckBoxEx.h"

#include <QFontMetrics>
#include <QPainter>

using namespace Colors;

TmmGroupBox::TmmGroupBox(QWidget *parent)
    : QGroupBox(parent)
{ }

TmmGroupBox::TmmGroupBox(const QString &caption, QWidget *parent)
    : QGroupBox(caption, parent)
{ }

TmmGroupBox::~TmmGroupBox() = default;

void TmmGroupBox::SetCtl3D(bool value)
{
    if (value == FCtl3D)
        return;
    FCtl3D = value;
    update();
}

void TmmGroupBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    PaintFrame(painter, *this, FCtl3D);
}

void TmmGroupBox::PaintFrame(QPainter &p, const QGroupBox &box, bool ctl3D)
{
    const QPalette &pal = box.palette();
    const QFontMetrics metrics(box.font());
    const int th = metrics.height();
    const int top = th / 2 - 1;
    const int width = box.width();
    const int height = box.height();
    auto ring = [&p](int l, int t, int r, int b, const QColor &c) {
        p.fillRect(QRect(l, t, r - l, 1), c);
        p.fillRect(QRect(l, b - 1, r - l, 1), c);
        p.fillRect(QRect(l, t, 1, b - t), c);
        p.fillRect(QRect(r - 1, t, 1, b - t), c);
    };
    if (ctl3D) {
        ring(1, top + 1, width, height, ToQColor(clBtnHighlight, pal));
        ring(0, top, width - 1, height - 1, ToQColor(clBtnShadow, pal));
    } else {
        ring(0, top, width, height, ToQColor(clWindowFrame, pal));
    }
    if (box.title().isEmpty())
        return;
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic;
    const QRect caption = metrics.boundingRect(QRect(8, 0, width - 8, th), flags, box.title());
    p.fillRect(caption, pal.color(QPalette::Window));
    p.setPen(box.isEnabled() ? pal.color(QPalette::WindowText) : FlatBox::GrayText);
    p.drawText(caption, flags, box.title());
}
