#include "widgets/xYellabl.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace {

constexpr int CornerDiameter = 10;

QPainterPath RoundedBox(qreal l, qreal t, qreal r, qreal b)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(l, t, r - l, b - t), CornerDiameter / 2.0, CornerDiameter / 2.0);
    return path;
}

} // namespace

TxYellowLabel::TxYellowLabel(QWidget *parent)
    : QLabel(parent)
{
    // Only the note is painted; the parent shows through around its rounded corners.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(false);
}

TxYellowLabel::~TxYellowLabel() = default;

void TxYellowLabel::SetColor(TColor value)
{
    if (value == FColor)
        return;
    FColor = value;
    update();
}

void TxYellowLabel::SetSpeed(int value)
{
    if (value <= 0 || value >= 1000)
        throw EAssertionFailed(QString(), QStringLiteral("comp5\\xYellabl"), 250);
    FSpeed = value;
}

void TxYellowLabel::SetLines(const QStringList &value)
{
    FLines = value;
    update();
}

void TxYellowLabel::SetAlignment(TAlignment value)
{
    if (value == FAlignment)
        return;
    FAlignment = value;
    update();
}

TFont TxYellowLabel::Font() const
{
    TFont current = TFont::FromQFont(font(), FFontColor);
    current.SetCharset(FFontCharset);
    return current;
}

void TxYellowLabel::SetFont(const TFont &value)
{
    FFontColor = value.Color();
    FFontCharset = value.Charset();
    setFont(value.ToQFont());
    update();
}

QString TxYellowLabel::NoteText() const
{
    if (!text().isEmpty())
        return text();
    QString joined;
    for (const QString &line : FLines)
        joined += line + QStringLiteral("\r\n");
    return joined;
}

void TxYellowLabel::AnimationStep()
{
    if (!FTimer)
        return;
    FCurWidth = std::min(FCurWidth + FStepWidth, width());
    FCurHeight = std::min(FCurHeight + FStepHeight, height());
    if (FCurWidth == width() && FCurHeight == height()) {
        delete FTimer;
        FTimer = nullptr;
    } else {
        FFramePending = true;
    }
    update();
}

void TxYellowLabel::paintEvent(QPaintEvent *)
{
    if (FFirstPaint) {
        FFirstPaint = false;
        FCurWidth = 0;
        FCurHeight = 0;
        FStepWidth = width() / AnimationSteps + 1;
        FStepHeight = height() / AnimationSteps + 1;
        FTimer = new QTimer(this);
        FTimer->setInterval(FSpeed);
        connect(FTimer, &QTimer::timeout, this, &TxYellowLabel::AnimationStep);
        FTimer->start();
        return;
    }
    QPainter painter(this);
    if (FTimer) {
        if (!FFramePending)
            return;
        FFramePending = false;
        const QRect frame(
            (width() - FCurWidth) / 2, (height() - FCurHeight) / 2, FCurWidth, FCurHeight);
        DrawNote(painter, frame, false);
        return;
    }
    DrawNote(painter, rect(), true);
}

void TxYellowLabel::DrawNote(QPainter &painter, const QRect &rect, bool withText) const
{
    const int l = rect.left(), t = rect.top();
    const int r = l + rect.width(), b = t + rect.height();
    const QPalette &pal = palette();

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ToQColor(Colors::clBtnShadow, pal));
    painter.drawPath(RoundedBox(l + 3, t + 2, r, b));

    // The outline runs along the middle of the edge pixels, so that its straight parts fill
    // whole pixels at any device pixel ratio.
    painter.setBrush(ToQColor(FColor, pal));
    painter.setPen(QPen(ToQColor(Colors::clBtnText, pal), 1));
    painter.drawPath(RoundedBox(l + 0.5, t + 0.5, r - 3 - 0.5, b - 2 - 0.5));
    painter.restore();

    if (!withText)
        return;
    const QRect textRect(QPoint(l + 3, t + 3), QPoint(r - 6 - 1, b - 5 - 1));
    if (!textRect.isValid())
        return;
    painter.save();
    painter.setClipRect(textRect);
    // The widget's font, which follows setFont() and the parent's font like any label's.
    painter.setFont(font());
    painter.setPen(ToQColor(FFontColor, pal));
    painter.drawText(textRect, int(ToQtAlignment(FAlignment)) | Qt::AlignTop | Qt::TextWordWrap,
        NoteText().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    painter.restore();
}
