#include "search/FindAnimation.h"

#include <QPainter>
#include <QPainterPath>

namespace {

// The page: four lines of text, the magnifier's lens passing over each in six frames.
constexpr int LineCount = 4;
constexpr int FramesPerLine = TFindAnimation::FrameCount / LineCount;

} // namespace

TFindAnimation::TFindAnimation(QWidget *parent)
    : QWidget(parent)
{
    FTimer.setInterval(FrameInterval);
    connect(&FTimer, &QTimer::timeout, this, [this] { SetFrame((FFrame + 1) % FrameCount); });
}

TFindAnimation::~TFindAnimation() = default;

void TFindAnimation::Play()
{
    if (!FTimer.isActive())
        FTimer.start();
}

void TFindAnimation::Stop()
{
    FTimer.stop();
    SetFrame(0);
}

void TFindAnimation::SetFrame(int frame)
{
    if (frame == FFrame)
        return;
    FFrame = frame;
    update();
}

void TFindAnimation::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // A sheet with a folded corner, scaled from a 48 x 50 design to the control.
    p.scale(width() / 48.0, height() / 50.0);
    const QRectF sheet(6.5, 3.5, 30, 38);
    QPainterPath page;
    page.moveTo(sheet.left(), sheet.top());
    page.lineTo(sheet.right() - 8, sheet.top());
    page.lineTo(sheet.right(), sheet.top() + 8);
    page.lineTo(sheet.right(), sheet.bottom());
    page.lineTo(sheet.left(), sheet.bottom());
    page.closeSubpath();
    p.setPen(QPen(QColor(64, 64, 64), 1));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setBrush(QColor(192, 192, 192));
    p.drawPolygon(QPolygonF({QPointF(sheet.right() - 8, sheet.top()),
        QPointF(sheet.right() - 8, sheet.top() + 8), QPointF(sheet.right(), sheet.top() + 8)}));

    const int line = FFrame / FramesPerLine;
    const int step = FFrame % FramesPerLine;
    auto lineY = [&](int i) { return sheet.top() + 12 + i * 7; };
    p.setPen(Qt::NoPen);
    for (int i = 0; i < LineCount; ++i) {
        // Lines already searched turn a shade darker.
        p.setBrush(i < line ? QColor(96, 96, 128) : QColor(160, 160, 176));
        p.drawRect(QRectF(sheet.left() + 4, lineY(i), i % 2 ? 16 : 21, 2.5));
    }

    // The lens moves left to right along the current line.
    const QPointF lens(sheet.left() + 7 + step * 3.6, lineY(line) + 1);
    const double radius = 7;
    p.setBrush(QColor(200, 230, 255, 150));
    p.setPen(QPen(QColor(0, 0, 128), 2));
    p.drawEllipse(lens, radius, radius);
    p.setPen(QPen(QColor(128, 64, 0), 3.5, Qt::SolidLine, Qt::RoundCap));
    const QPointF handle = lens + QPointF(radius * 0.72, radius * 0.72);
    p.drawLine(handle, handle + QPointF(7, 7));
}
