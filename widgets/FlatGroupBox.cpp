#include "widgets/FlatGroupBox.h"

#include <QPainter>
#include <QStyle>

TFlatGroupBox::TFlatGroupBox(QWidget *parent)
    : TFlatGroupBox(QString(), parent)
{ }

TFlatGroupBox::TFlatGroupBox(const QString &caption, QWidget *parent)
    : QGroupBox(caption, parent)
{
    setFlat(true);
}

TFlatGroupBox::~TFlatGroupBox() = default;

void TFlatGroupBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QString caption = title();
    const QFontMetrics metrics(font());
    // The line runs through the middle of the caption; without one it is the box's edge.
    const int top = caption.isEmpty() ? 0 : metrics.height() / 2;
    p.setPen(QColor(Qt::black));
    p.drawRect(0, top, width() - 1, height() - 1 - top);
    if (caption.isEmpty())
        return;
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic | Qt::TextSingleLine;
    QRect text
        = metrics.boundingRect(QRect(CaptionLeft, 0, width(), metrics.height()), flags, caption);
    text.setHeight(metrics.height());
    p.fillRect(text, palette().color(backgroundRole()));
    style()->drawItemText(&p, text, flags, palette(), isEnabled(), caption, QPalette::WindowText);
}
