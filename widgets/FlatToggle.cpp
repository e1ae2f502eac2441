#include "widgets/FlatToggle.h"

#include "core/TColor.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr int CaptionGap = 4;

void Pixel(QPainter &p, int x, int y, const QColor &c)
{
    p.fillRect(QRect(x, y, 1, 1), c);
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

template <class Button>
TFlatToggle<Button>::TFlatToggle(QWidget *parent)
    : Button(parent)
{ }

template <class Button> void TFlatToggle<Button>::SetAlignment(TAlignment value)
{
    if (value == FAlignment)
        return;
    FAlignment = value;
    this->setLayoutDirection(
        value == TAlignment::taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
    this->update();
}

template <class Button> void TFlatToggle<Button>::SetCtl3D(bool value)
{
    if (value == FCtl3D)
        return;
    FCtl3D = value;
    this->update();
}

template <class Button> QImage TFlatToggle<Button>::BoxBitmap() const
{
    QImage image(BoxImageSize(), QImage::Format_RGB32);
    QPainter p(&image);
    DrawBox(p, 0, 0);
    return image;
}

template <class Button> QColor TFlatToggle<Button>::FaceColor() const
{
    return ToQColor(FHot != FPressed ? Colors::clSilver : Colors::clWhite);
}

template <class Button> void TFlatToggle<Button>::paintEvent(QPaintEvent *event)
{
    if (Ctl3D()) {
        Button::paintEvent(event);
        return;
    }
    QPainter p(this);
    const QPoint origin = FlatBox::BoxOrigin(this, FAlignment);
    DrawBox(p, origin.x(), origin.y());
    FlatBox::DrawCaption(p, this, FAlignment);
}

template <class Button> void TFlatToggle<Button>::SetHot(bool value)
{
    // A disabled control shows no hot state.
    value = value && this->isEnabled();
    if (value == FHot)
        return;
    FHot = value;
    this->update();
}

template <class Button> void TFlatToggle<Button>::changeEvent(QEvent *event)
{
    Button::changeEvent(event);
    if (event->type() != QEvent::EnabledChange)
        return;
    // Enabled again under a resting pointer, the control lights up as if just entered.
    FPressed = false;
    FHot = this->isEnabled() && this->underMouse();
    this->update();
}

template <class Button> void TFlatToggle<Button>::enterEvent(QEnterEvent *event)
{
    Button::enterEvent(event);
    SetHot(true);
}

template <class Button> void TFlatToggle<Button>::leaveEvent(QEvent *event)
{
    Button::leaveEvent(event);
    SetHot(false);
}

template <class Button> void TFlatToggle<Button>::mousePressEvent(QMouseEvent *event)
{
    Button::mousePressEvent(event);
    if (event->button() == Qt::LeftButton) {
        FPressed = true;
        this->update();
    }
}

template <class Button> void TFlatToggle<Button>::mouseMoveEvent(QMouseEvent *event)
{
    Button::mouseMoveEvent(event);
    // The pointer held on the control leaves it without a leave notice until the release.
    if (event->buttons() & Qt::LeftButton)
        SetHot(this->rect().contains(event->position().toPoint()));
}

template <class Button> void TFlatToggle<Button>::mouseReleaseEvent(QMouseEvent *event)
{
    Button::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        FPressed = false;
        this->update();
    }
}

template <class Button> bool TFlatToggle<Button>::hitButton(const QPoint &pos) const
{
    if (Ctl3D())
        return Button::hitButton(pos);
    return this->rect().contains(pos);
}

template class TFlatToggle<QCheckBox>;
template class TFlatToggle<QRadioButton>;
