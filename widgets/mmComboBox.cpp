#include "widgets/mmComboBox.h"

#include "widgets/FrameRing.h"

#include <QAbstractItemView>
#include <QCursor>
#include <QEnterEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

using namespace Colors;

namespace {

// Inside the frame: the space the text or the edit part takes.
constexpr int TextInset = 3;

} // namespace

TmmComboBox::TmmComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setMouseTracking(true);
    // Typed text is the program's to keep or drop (a search history adds each text once):
    // Enter never appends it to the list.
    setInsertPolicy(QComboBox::NoInsert);
}

TmmComboBox::~TmmComboBox() = default;

void TmmComboBox::SetColorBt(TColor value)
{
    if (value == FColorBt)
        return;
    FColorBt = value;
    update();
}

TColor TmmComboBox::Color() const
{
    return FromQColor(ControlColor());
}

void TmmComboBox::SetColor(TColor value)
{
    FColor = value;
    FParentColor = false;
    ApplyColor();
}

void TmmComboBox::SetParentColor(bool value)
{
    if (value == FParentColor)
        return;
    FParentColor = value;
    ApplyColor();
}

QColor TmmComboBox::ControlColor() const
{
    if (FParentColor && parentWidget())
        return parentWidget()->palette().color(parentWidget()->backgroundRole());
    return ToQColor(FColor, palette());
}

void TmmComboBox::ApplyColor()
{
    const QColor color = ControlColor();
    if (palette().color(QPalette::Base) != color) {
        QPalette pal = palette();
        pal.setColor(QPalette::Base, color);
        setPalette(pal);
    }
    update();
}

void TmmComboBox::SetCtl3D(bool value)
{
    if (value == FCtl3D)
        return;
    FCtl3D = value;
    // The platform places its own edit part; the flat look moves it off the wider frame.
    QResizeEvent resize(size(), size());
    QComboBox::resizeEvent(&resize);
    PlaceEdit();
    update();
}

QRect TmmComboBox::ButtonRect() const
{
    return QRect(QPoint(width() - ButtonWidth, 1), QPoint(width() - 1, height() - 1));
}

void TmmComboBox::PlaceEdit()
{
    QLineEdit *edit = lineEdit();
    if (!edit)
        return;
    edit->setMouseTracking(true);
    edit->removeEventFilter(this);
    edit->installEventFilter(this);
    if (FCtl3D)
        return;
    edit->setGeometry(
        TextInset, TextInset, width() - ButtonWidth - 1 - TextInset, height() - 2 * TextInset);
}

void TmmComboBox::SetButtonHot(bool value)
{
    // A disabled control shows no hot state.
    value = value && isEnabled();
    if (value == FButtonHot)
        return;
    FButtonHot = value;
    update();
}

void TmmComboBox::SetButtonPressed(bool value)
{
    if (value == FButtonPressed)
        return;
    FButtonPressed = value;
    update();
}

void TmmComboBox::PointerMovedTo(const QPoint &pos)
{
    if (ButtonRect().contains(pos))
        SetButtonHot(true);
    else if (FButtonHot)
        SetButtonHot(false);
}

void TmmComboBox::showPopup()
{
    QComboBox::showPopup();
    // The style may open the list over the combo: the release of the press that dropped it
    // then lands on the list's viewport.
    for (QWidget *part : {view()->parentWidget(), view()->viewport()}) {
        if (!part)
            continue;
        part->removeEventFilter(this);
        part->installEventFilter(this);
    }
    FDroppedDown = true;
    update();
}

void TmmComboBox::hidePopup()
{
    QComboBox::hidePopup();
    FDroppedDown = false;
    SetButtonPressed(false);
    update();
}

bool TmmComboBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lineEdit() && event->type() == QEvent::MouseMove) {
        const auto *move = static_cast<QMouseEvent *>(event);
        PointerMovedTo(lineEdit()->mapTo(this, move->position().toPoint()));
    } else if (view() && watched == view()->viewport()) {
        if (event->type() == QEvent::MouseButtonRelease)
            SetButtonPressed(false);
    } else if (view() && watched == view()->parentWidget()) {
        // While the list is down it has the pointer: the release of the press that dropped it
        // and the closing of the list arrive there.
        if (event->type() == QEvent::MouseButtonRelease)
            SetButtonPressed(false);
        else if (event->type() == QEvent::Hide) {
            FDroppedDown = false;
            SetButtonPressed(false);
            update();
        }
    }
    return QComboBox::eventFilter(watched, event);
}

void TmmComboBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        SetButtonPressed(true);
    QComboBox::mousePressEvent(event);
}

void TmmComboBox::mouseReleaseEvent(QMouseEvent *event)
{
    QComboBox::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        SetButtonPressed(false);
}

void TmmComboBox::mouseMoveEvent(QMouseEvent *event)
{
    QComboBox::mouseMoveEvent(event);
    PointerMovedTo(event->position().toPoint());
}

void TmmComboBox::enterEvent(QEnterEvent *event)
{
    QComboBox::enterEvent(event);
    // Decided by where the pointer comes in. An enter also follows the closing of the list
    // with the pointer still on the button, which must not put the arrow out.
    SetButtonHot(ButtonRect().contains(event->position().toPoint()));
}

void TmmComboBox::leaveEvent(QEvent *event)
{
    QComboBox::leaveEvent(event);
    SetButtonHot(false);
}

void TmmComboBox::resizeEvent(QResizeEvent *event)
{
    QComboBox::resizeEvent(event);
    PlaceEdit();
}

void TmmComboBox::showEvent(QShowEvent *event)
{
    QComboBox::showEvent(event);
    if (FParentColor)
        ApplyColor();
    PlaceEdit();
}

void TmmComboBox::changeEvent(QEvent *event)
{
    QComboBox::changeEvent(event);
    switch (event->type()) {
    case QEvent::StyleChange:
        PlaceEdit();
        break;
    case QEvent::PaletteChange:
        // The parent's colour changed while shown: the edit part takes it along with the frame.
        if (FParentColor)
            ApplyColor();
        break;
    case QEvent::EnabledChange:
        SetButtonHot(
            isEnabled() && underMouse() && ButtonRect().contains(mapFromGlobal(QCursor::pos())));
        break;
    default:
        break;
    }
}

bool TmmComboBox::event(QEvent *event)
{
    const bool result = QComboBox::event(event);
    if (event->type() == QEvent::ChildPolished || event->type() == QEvent::ParentChange) {
        if (event->type() == QEvent::ParentChange && FParentColor)
            ApplyColor();
        PlaceEdit();
    }
    return result;
}

void TmmComboBox::paintEvent(QPaintEvent *event)
{
    if (FCtl3D) {
        QComboBox::paintEvent(event);
        return;
    }
    QPainter p(this);
    const QColor color = ControlColor();
    p.fillRect(rect(), color);
    if (!isEditable()) {
        const QRect field(
            TextInset, TextInset, width() - ButtonWidth - 1 - TextInset, height() - 2 * TextInset);
        QColor ink
            = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text);
        if (hasFocus() && !FDroppedDown) {
            p.fillRect(field, palette().color(QPalette::Highlight));
            ink = palette().color(QPalette::HighlightedText);
        }
        p.setPen(ink);
        p.setFont(font());
        const QString text
            = fontMetrics().elidedText(currentText(), Qt::ElideRight, field.width() - 2);
        p.drawText(field.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    }
    DrawFlatFrame(p);
}

void TmmComboBox::DrawFlatFrame(QPainter &p)
{
    const int W = width(), H = height();
    const QColor color = ControlColor();
    const QColor black = ToQColor(clBlack);
    FrameRing(p, QRect(0, 0, W, H), black);
    FrameRing(p, QRect(1, 1, W - 2, H - 2), color);
    p.fillRect(QRect(W - ButtonWidth, 1, ButtonWidth - 1, H - 2),
        FButtonPressed ? black : ToQColor(FColorBt, palette()));
    const QColor arrow = (FButtonHot && !FDroppedDown) || FButtonPressed ? color : black;
    const int mid = H / 2;
    p.fillRect(QRect(W - 12, mid - 1, 5, 1), arrow);
    p.fillRect(QRect(W - 11, mid, 3, 1), arrow);
    p.fillRect(QRect(W - 10, mid + 1, 1, 1), arrow);
    p.fillRect(QRect(W - ButtonWidth, 0, 1, H), black);
}
