#include "widgets/mmRadioButtonEx.h"

#include "widgets/mmGroupBox.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>

using namespace Colors;

namespace {

struct Span
{
    int outlineLeft;
    int outlineRight;
    bool solid; // the whole span is outline (top and bottom rows)
};

// The round button, a rounded square of side 10 from (1, 1) whose four stair-step corner
// pixels are given back to the background so that the ring reads as a circle.
constexpr Span RingRows[] = {
    {4, 7, true},
    {3, 8, false},
    {2, 9, false},
    {1, 10, false},
    {1, 10, false},
    {1, 10, false},
    {1, 10, false},
    {2, 9, false},
    {3, 8, false},
    {4, 7, true},
};
constexpr int RingTop = 1;

// The dot, an ellipse in (4, 4)-(8, 8).
constexpr Span DotRows[] = {{5, 6, true}, {4, 7, true}, {4, 7, true}, {5, 6, true}};
constexpr int DotTop = 4;

void Pixel(QPainter &p, int x, int y, const QColor &c)
{
    p.fillRect(QRect(x, y, 1, 1), c);
}

} // namespace

TmmRadioButtonEx::TmmRadioButtonEx(QWidget *parent)
    : TFlatToggle(parent)
{ }

TmmRadioButtonEx::TmmRadioButtonEx(const QString &caption, QWidget *parent)
    : TmmRadioButtonEx(parent)
{
    setText(caption);
}

TmmRadioButtonEx::~TmmRadioButtonEx() = default;

void TmmRadioButtonEx::DrawBox(QPainter &p, int x, int y) const
{
    const QColor background = FlatBox::BackgroundColor(this);
    const QColor face = FaceColor();
    const QColor black = ToQColor(clBlack);
    p.save();
    p.translate(x, y);
    p.fillRect(QRect(0, 0, BoxSide, BoxSide), background);
    int row = RingTop;
    for (const Span &s : RingRows) {
        if (s.solid) {
            p.fillRect(QRect(s.outlineLeft, row, s.outlineRight - s.outlineLeft + 1, 1), black);
        } else {
            Pixel(p, s.outlineLeft, row, black);
            Pixel(p, s.outlineRight, row, black);
            p.fillRect(QRect(s.outlineLeft + 1, row, s.outlineRight - s.outlineLeft - 1, 1), face);
        }
        ++row;
    }
    if (ShowsMark()) {
        row = DotTop;
        for (const Span &s : DotRows)
            p.fillRect(QRect(s.outlineLeft, row++, s.outlineRight - s.outlineLeft + 1, 1), black);
    }
    p.restore();
}

// --- TGroupButton ---

TGroupButton::TGroupButton(TmmRadioGroup *group)
    : TmmRadioButtonEx(group)
    , FGroup(group)
{
    // The group keeps one of its buttons checked itself; an exclusive platform group would
    // refuse to uncheck the last one when ItemIndex becomes -1.
    setAutoExclusive(false);
    setFocusPolicy(Qt::ClickFocus);
    setVisible(false);
    group->FButtons.append(this);
    connect(this, &QAbstractButton::toggled, this, &TGroupButton::CheckedChanged);
}

TGroupButton::~TGroupButton()
{
    FGroup->FButtons.removeOne(this);
}

bool TGroupButton::Ctl3D() const
{
    return FGroup->Ctl3D();
}

void TGroupButton::CheckedChanged(bool checked)
{
    // Only the checked button is a tab stop, as in a platform radio group.
    setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
    if (!checked)
        return;
    for (TGroupButton *sibling : FGroup->FButtons) {
        if (sibling != this)
            sibling->setChecked(false);
    }
    FGroup->ButtonClick(this);
}

void TGroupButton::nextCheckState()
{
    if (FInClick)
        return;
    // Cleared however the group's click handlers end, an error included; the error itself
    // goes on to the application's handler.
    const QScopedValueRollback<bool> inClick(FInClick, true);
    if (FGroup->CanModify())
        setChecked(true);
}

void TGroupButton::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if ((key == Qt::Key_Space || key == Qt::Key_Backspace) && !FGroup->CanModify()) {
        event->accept();
        return;
    }
    int step = 0;
    if (key == Qt::Key_Up || key == Qt::Key_Left)
        step = -1;
    else if (key == Qt::Key_Down || key == Qt::Key_Right)
        step = 1;
    const qsizetype count = FGroup->FButtons.size();
    if (step == 0 || count < 2) {
        TmmRadioButtonEx::keyPressEvent(event);
        return;
    }
    // The arrows move through the group, wrapping at its ends, and check where they land.
    const qsizetype self = FGroup->FButtons.indexOf(this);
    for (qsizetype i = 1; i < count; ++i) {
        TGroupButton *next = FGroup->FButtons.at((self + step * i + count * i) % count);
        if (next->isEnabled() && next->isVisible()) {
            next->setFocus(Qt::TabFocusReason);
            next->click();
            break;
        }
    }
    event->accept();
}

// --- TmmRadioGroup ---

TmmRadioGroup::TmmRadioGroup(QWidget *parent)
    : QGroupBox(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

TmmRadioGroup::~TmmRadioGroup()
{
    FDestroying = true;
    SetButtonCount(0);
}

void TmmRadioGroup::SetCaption(const QString &value)
{
    setTitle(value);
    update();
}

void TmmRadioGroup::SetColumns(int value)
{
    value = qBound(1, value, MaxColumns);
    if (value == FColumns)
        return;
    FColumns = value;
    ArrangeButtons();
    update();
}

void TmmRadioGroup::SetItemIndex(int value)
{
    if (FReading) {
        FItemIndex = value;
        return;
    }
    value = qBound(-1, value, ButtonCount() - 1);
    if (value == FItemIndex)
        return;
    if (FItemIndex >= 0 && FItemIndex < ButtonCount())
        FButtons.at(FItemIndex)->setChecked(false);
    FItemIndex = value;
    if (FItemIndex >= 0)
        FButtons.at(FItemIndex)->setChecked(true);
}

void TmmRadioGroup::SetItems(const QStringList &value)
{
    FItems = value;
    ItemsChange();
}

void TmmRadioGroup::AddItem(const QString &caption)
{
    FItems.append(caption);
    ItemsChange();
}

void TmmRadioGroup::SetColor(TColor value)
{
    FColor = value;
    FParentColor = false;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(value, pal));
    setPalette(pal);
    setAutoFillBackground(true);
    update();
}

void TmmRadioGroup::SetParentColor(bool value)
{
    if (value == FParentColor)
        return;
    if (!value) {
        SetColor(FColor);
        return;
    }
    FParentColor = true;
    setPalette(QPalette());
    setAutoFillBackground(false);
    update();
}

void TmmRadioGroup::SetCtl3D(bool value)
{
    if (value == FCtl3D)
        return;
    FCtl3D = value;
    for (TGroupButton *button : std::as_const(FButtons))
        button->update();
    update();
}

void TmmRadioGroup::EndReading()
{
    FReading = false;
    UpdateButtons();
}

void TmmRadioGroup::ItemsChange()
{
    if (FReading)
        return;
    if (FItemIndex >= FItems.size())
        FItemIndex = int(FItems.size()) - 1;
    UpdateButtons();
}

void TmmRadioGroup::SetButtonCount(int value)
{
    while (ButtonCount() < value)
        new TGroupButton(this);
    while (ButtonCount() > value)
        delete FButtons.last();
}

void TmmRadioGroup::UpdateButtons()
{
    SetButtonCount(int(FItems.size()));
    for (int i = 0; i < ButtonCount(); ++i)
        FButtons.at(i)->setText(FItems.at(i));
    if (FItemIndex >= 0 && FItemIndex < ButtonCount()) {
        const QScopedValueRollback<bool> updating(FUpdating, true);
        FButtons.at(FItemIndex)->setChecked(true);
    }
    ArrangeButtons();
    update();
}

void TmmRadioGroup::ButtonClick(TGroupButton *button)
{
    if (FUpdating || FDestroying)
        return;
    FItemIndex = int(FButtons.indexOf(button));
    emit Changed();
    emit OnClick();
}

void TmmRadioGroup::ArrangeButtons()
{
    if (FReading || FButtons.isEmpty())
        return;
    const int count = ButtonCount();
    const int th = QFontMetrics(font()).height();
    const int perColumn = (count + FColumns - 1) / FColumns;
    const int buttonWidth = (width() - 10) / FColumns;
    const int free = height() - th - 5;
    const int buttonHeight = free / perColumn;
    const int topMargin = th + 1 + (free % perColumn) / 2;
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    for (int i = 0; i < count; ++i) {
        int left = (i / perColumn) * buttonWidth + 8;
        if (rightToLeft)
            left = width() - left - buttonWidth;
        const int top = (i % perColumn) * buttonHeight + topMargin;
        TGroupButton *button = FButtons.at(i);
        button->setGeometry(left, top, buttonWidth, buttonHeight);
        button->setVisible(true);
    }
}

void TmmRadioGroup::paintEvent(QPaintEvent *)
{
    // Drawn here in both looks so that the frame and caption sit where ArrangeButtons expects
    // them.
    QPainter p(this);
    TmmGroupBox::PaintFrame(p, *this, FCtl3D);
}

void TmmRadioGroup::resizeEvent(QResizeEvent *event)
{
    QGroupBox::resizeEvent(event);
    ArrangeButtons();
}

void TmmRadioGroup::changeEvent(QEvent *event)
{
    QGroupBox::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::LayoutDirectionChange)
        ArrangeButtons();
}
