#include "widgets/ColCB.h"

#include "i18n/zrMultilingualSupport.h"

#include <QApplication>
#include <QColorDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <cmath>

using namespace Colors;

namespace {

TColorDialogHook &DefaultColorDialog()
{
    static TColorDialogHook hook;
    return hook;
}

std::optional<TColor> SystemColorDialog(TColor initial, QWidget *parent)
{
    const QColor chosen
        = QColorDialog::getColor(ToQColor(initial), parent, TranslateText(QStringLiteral("Цвет")));
    if (!chosen.isValid())
        return std::nullopt;
    return FromQColor(chosen);
}

int CheckedRange(int value, int low, int high)
{
    if (value < low || value > high)
        throw ERangeError::OutOfRange(low, high);
    return value;
}

// Painting works on whole pixels with right and bottom edges exclusive, the way the rectangles
// of this kit are given, and only with filled rectangles: lines then stay sharp at any device
// pixel ratio.
void FillBox(QPainter &p, int l, int t, int r, int b, const QColor &c)
{
    if (r > l && b > t)
        p.fillRect(QRect(l, t, r - l, b - t), c);
}

void FrameBox(QPainter &p, int l, int t, int r, int b, const QColor &c)
{
    if (r <= l || b <= t)
        return;
    FillBox(p, l, t, r, t + 1, c);
    FillBox(p, l, b - 1, r, b, c);
    FillBox(p, l, t, l + 1, b, c);
    FillBox(p, r - 1, t, r, b, c);
}

// Rings of a raised or sunken frame, the outermost first.
void Frame3D(QPainter &p, int l, int t, int r, int b, const QColor &topLeft,
    const QColor &bottomRight, int width)
{
    for (int i = 0; i < width && r - l > 0 && b - t > 0; ++i, ++l, ++t, --r, --b) {
        FillBox(p, l, t, r - 1, t + 1, topLeft);
        FillBox(p, l, t, l + 1, b, topLeft);
        FillBox(p, r - 1, t, r, b, bottomRight);
        FillBox(p, l + 1, b - 1, r, b, bottomRight);
    }
}

// The dotted focus frame: every other pixel around the edge.
void FocusBox(QPainter &p, int l, int t, int r, int b, const QColor &c)
{
    auto dot = [&](int x, int y) {
        if ((x - l + y - t) % 2 == 0)
            FillBox(p, x, y, x + 1, y + 1, c);
    };
    for (int x = l; x < r; ++x) {
        dot(x, t);
        dot(x, b - 1);
    }
    for (int y = t + 1; y < b - 1; ++y) {
        dot(l, y);
        dot(r - 1, y);
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------

TColorWindow::TColorWindow(TColorCombo *combo)
    : QWidget(combo, Qt::Popup | Qt::FramelessWindowHint)
    , FCombo(combo)
{
    FPalette = {RGBColor(255, 255, 255), RGBColor(0, 0, 0), RGBColor(192, 192, 192),
        RGBColor(128, 128, 128), RGBColor(255, 0, 0), RGBColor(128, 0, 0), RGBColor(255, 255, 0),
        RGBColor(128, 128, 0), RGBColor(0, 255, 0), RGBColor(0, 128, 0), RGBColor(0, 255, 255),
        RGBColor(0, 128, 128), RGBColor(0, 0, 255), RGBColor(0, 0, 128), RGBColor(255, 0, 255),
        RGBColor(128, 0, 128),
        // Entries 8 to 11 of the classic 20-colour system palette: this platform has none to
        // read them from.
        RGBColor(192, 220, 192), RGBColor(166, 202, 240), RGBColor(255, 251, 240),
        RGBColor(160, 160, 164),
        // Unused cells and the custom colour.
        0, 0, 0, 0, 0, 0, 0};

    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);

    FOtherButton = new QPushButton(QStringLiteral("&Другой..."), this);
    FOtherButton->setDefault(false);
    // A focused push button is pressed by Enter as well as Space, as on the classic desktop.
    FOtherButton->setAutoDefault(true);
    FOtherButton->setGeometry(0, 0, 62, 21);
    connect(FOtherButton, &QPushButton::clicked, this, &TColorWindow::OtherButtonClick);
    UpdateSize();
    PlaceOtherButton();
}

TColorWindow::~TColorWindow()
{
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
}

TColorCombo *TColorWindow::Combo() const
{
    return FCombo.data();
}

void TColorWindow::CreateWnd()
{
    FCreated = true;
    FOtherButton->setDefault(false);
    UpdateSize();
    PlaceOtherButton();
    FOtherButton->setVisible(FColorButton);
    FColorIndex = IndexOfColor(FColor);
    if (FColorIndex == CustomIndex && FColorButton) {
        FPalette[CustomIndex] = ColorToRGB(FColor, palette());
        if (width() < FOtherButton->width() + CustomCellSide) {
            FButtonWidth = FOtherButton->width();
            FOtherButton->resize(FButtonWidth - CustomCellSide, FOtherButton->height());
        }
    }
}

void TColorWindow::SetColor(TColor value)
{
    FColor = value;
    FColorIndex = IndexOfColor(value);
    if (FColorIndex == CustomIndex && FColorButton)
        FPalette[CustomIndex] = ColorToRGB(value, palette());
    if (FColorIndex < CustomIndex || FButtonWidth < width() - CustomCellSide) {
        if (FButtonWidth != 0)
            FOtherButton->resize(FButtonWidth, FOtherButton->height());
    } else {
        FOtherButton->resize(FButtonWidth - CustomCellSide, FOtherButton->height());
    }
    if (isVisible())
        update();
}

void TColorWindow::SetColorButton(bool value)
{
    if (value == FColorButton)
        return;
    FColorButton = value;
    FOtherButton->setVisible(value);
    UpdateSize();
}

void TColorWindow::SetHorzCount(int value)
{
    CheckedRange(value, 1, 5);
    if (value == FHorzCount)
        return;
    FHorzCount = value;
    UpdateSize();
    if (isVisible())
        update();
}

void TColorWindow::SetVertCount(int value)
{
    CheckedRange(value, 1, 5);
    if (value == FVertCount)
        return;
    FVertCount = value;
    UpdateSize();
    if (isVisible())
        update();
}

void TColorWindow::SetCellSide(int value)
{
    CheckedRange(value, 1, 50);
    if (value == FCellSide)
        return;
    FCellSide = value;
    UpdateSize();
    if (isVisible())
        update();
}

void TColorWindow::SetGridWidth(int value)
{
    CheckedRange(value, 0, 10);
    if (value != FGridWidth) {
        FGridWidth = value;
        UpdateSize();
        if (isVisible())
            update();
    }
    PlaceOtherButton();
}

void TColorWindow::PlaceOtherButton()
{
    FOtherButton->move(2 * FGridWidth, height() - FOtherButton->height() - 2 * FGridWidth);
}

void TColorWindow::SetButtonWidth(int value)
{
    if (value == FOtherButton->width())
        return;
    FButtonWidth = value;
    int buttonWidth = value;
    if (FColorIndex > CustomIndex - 1 && buttonWidth >= width() - CustomCellSide)
        buttonWidth -= CustomCellSide;
    FOtherButton->resize(std::max(buttonWidth, 0), FOtherButton->height());
}

void TColorWindow::SetButtonCaption(const QString &caption)
{
    FOtherButton->setText(caption);
}

void TColorWindow::SetButtonHeight(int value)
{
    if (value == FOtherButton->height())
        return;
    FOtherButton->resize(FOtherButton->width(), value);
    UpdateSize();
}

void TColorWindow::SetDrawFont(const QFont &font)
{
    FDrawFont = font;
    setFont(font);
    FOtherButton->setFont(font);
}

void TColorWindow::UpdateSize()
{
    int w = FCellSide * FHorzCount + 2 * FGridWidth;
    int h = FCellSide * FVertCount + 2 * FGridWidth;
    if (FColorButton)
        h += FOtherButton->height() + 2 * FGridWidth + 4;
    resize(w, h);
    FOtherButton->move(FOtherButton->x(), h - FOtherButton->height() - 2 * FGridWidth);
}

int TColorWindow::IndexOfColor(TColor color) const
{
    for (int i = 0; i < CellCount(); ++i)
        if (FPalette[size_t(i)] == color)
            return i;
    return CustomIndex;
}

int TColorWindow::CellAt(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width() - 2 * FGridWidth || x <= 2 * FGridWidth
        || y >= height() - FGridWidth || y <= FGridWidth)
        return -1;
    if (FCellSide <= 0)
        return -1;
    const int cell = (y / FCellSide) * FHorzCount + x / FCellSide;
    if (cell < CellCount())
        return cell;
    return IndexOfColor(FColor) == CustomIndex ? CustomIndex : -1;
}

QRect TColorWindow::CellRect(int index) const
{
    if (index >= 0 && index < CustomIndex)
        return QRect(FGridWidth + FCellSide * (index % FHorzCount),
            FGridWidth + FCellSide * (index / FHorzCount), FCellSide, FCellSide);
    if (index == CustomIndex && FOtherButton->isVisibleTo(this))
        return QRect(width() - FGridWidth - CustomCellSide,
            height() - FOtherButton->height() - 2 * FGridWidth, CustomCellSide, CustomCellSide);
    return {};
}

bool TColorWindow::Flat() const
{
    return FCombo && !FCombo->Ctl3D();
}

TColor TColorWindow::BackgroundColor() const
{
    return FCombo ? FCombo->ColorButtonColor() : clBtnFace;
}

void TColorWindow::DrawCell(QPainter &p, int index) const
{
    const QRect cell = CellRect(index);
    if (cell.isEmpty())
        return;
    const QPalette &pal = palette();
    const TColor rgb = FPalette[size_t(index)];
    const QColor fill = ToQColor(rgb);
    int l = cell.left(), t = cell.top(), r = l + cell.width(), b = t + cell.height();
    if (Flat()) {
        FillBox(p, l, t, r, b, fill);
        FrameBox(p, l, t, r, b, Qt::black);
        return;
    }
    FillBox(p, l, t, r, b, fill);
    FrameBox(p, l, t, r, b, ToQColor(clBtnFace, pal));
    ++l, ++t, --r, --b;
    if (index != FColorIndex) {
        Frame3D(
            p, l, t, r, b, ToQColor(clBtnShadow, pal), ToQColor(clBtnHighlight, pal), FGridWidth);
        return;
    }
    const QColor rings[]
        = {ToQColor(clBtnText, pal), ToQColor(clBtnHighlight, pal), ToQColor(clBtnText, pal)};
    for (const QColor &ring : rings) {
        FrameBox(p, l, t, r, b, ring);
        ++l, ++t, --r, --b;
    }
}

void TColorWindow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QPalette &pal = palette();
    const int w = width(), h = height();
    Frame3D(p, 0, 0, w, h, ToQColor(clBtnHighlight, pal), ToQColor(clBtnShadow, pal), FGridWidth);
    FillBox(p, FGridWidth, FGridWidth, w - FGridWidth, h - FGridWidth,
        ToQColor(BackgroundColor(), pal));
    for (int i = 0; i < CellCount(); ++i)
        DrawCell(p, i);
    if (FOtherButton->isVisibleTo(this)) {
        // The custom colour keeps its cell while the pointer highlights others.
        if (FColorIndex == CustomIndex || IndexOfColor(FColor) == CustomIndex)
            DrawCell(p, CustomIndex);
        const int y = h - FOtherButton->height() - 2 * FGridWidth - 3;
        FillBox(p, FGridWidth + 1, y, w - FGridWidth - 1, y + 1, ToQColor(clBtnHighlight, pal));
        FillBox(p, FGridWidth + 1, y - 1, w - FGridWidth - 1, y, ToQColor(clBtnShadow, pal));
    }
}

void TColorWindow::showEvent(QShowEvent *event)
{
    if (!FCreated)
        CreateWnd();
    QWidget::showEvent(event);
}

void TColorWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // The platform closes a pop-up by itself as well (another window comes up, the program
    // loses the focus): the palette is closed then, without a change.
    if (!FInColorDialog && FCombo && FCombo->FShowColorWindow)
        FCombo->SetShowColorWindow(false);
}

void TColorWindow::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    const int cell = CellAt(pos.x(), pos.y());
    if (cell != -1 && cell != FColorIndex) {
        const int old = FColorIndex;
        FColorIndex = cell;
        update(CellRect(old));
        update(CellRect(cell));
    }
}

void TColorWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton)
        return;
    // A press outside the window does not close it here (the pop-up default): the release
    // that follows does.
    const QPoint pos = event->position().toPoint();
    if (FOtherButton->isVisible() && FOtherButton->geometry().contains(pos)) {
        QMouseEvent press(event->type(), FOtherButton->mapFrom(this, event->position()),
            event->globalPosition(), event->button(), event->buttons(), event->modifiers());
        QApplication::sendEvent(FOtherButton, &press);
    }
}

void TColorWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton)
        return;
    const QPoint pos = event->position().toPoint();
    if (FOtherButton->isVisible() && FOtherButton->isDown()) {
        // The press went to the button; it decides about the click.
        QMouseEvent release(event->type(), FOtherButton->mapFrom(this, event->position()),
            event->globalPosition(), event->button(), event->buttons(), event->modifiers());
        QApplication::sendEvent(FOtherButton, &release);
        return;
    }
    const int index = CellAt(pos.x(), pos.y());
    if (index >= 0 && index < CellCount()) {
        SetColor(FPalette[size_t(index)]);
        if (FCombo)
            FCombo->SetColor(FColor);
    }
    CloseUp();
}

void TColorWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        CloseUp();
        return;
    }
    if (FOtherButton->isVisible())
        FOtherButton->setFocus(Qt::OtherFocusReason);
}

bool TColorWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowDeactivate && isVisible() && !FInColorDialog)
        CloseUp();
    return QWidget::event(event);
}

void TColorWindow::CloseUp()
{
    if (FCombo)
        FCombo->SetShowColorWindow(false);
    else
        hide();
}

void TColorWindow::OtherButtonClick()
{
    QPointer<TColorWindow> self(this);
    FInColorDialog = true;
    hide();
    std::optional<TColor> chosen;
    if (FCombo)
        chosen = FCombo->AskColor(FColor);
    if (!self)
        return;
    FInColorDialog = false;
    if (chosen) {
        SetColor(*chosen);
        if (FCombo)
            FCombo->SetColor(*chosen);
    }
    if (FCombo) {
        FCombo->SetShowColorWindow(false);
        FCombo->setFocus(Qt::PopupFocusReason);
        FCombo->Change();
    }
    FColorIndex = IndexOfColor(FColor);
    if (FColorIndex == CustomIndex)
        FPalette[CustomIndex] = ColorToRGB(FColor, palette());
}

// ---------------------------------------------------------------------------------------------

TColorCombo::TColorCombo(QWidget *parent)
    : QWidget(parent)
    , FColorButtonText(QStringLiteral("&Другой..."))
    , FFont(TFont::FromQFont(font()))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    resize(42, 21);
    FColorWindow = new TColorWindow(this);
    FColorWindow->SetDrawFont(font());
}

TColorCombo::~TColorCombo()
{
    FDestroying = true;
    // The palette is a child; let it go first so that nothing it does on the way reaches back.
    FColorWindow->FCombo = nullptr;
    delete FColorWindow;
}

void TColorCombo::SetDefaultColorDialog(TColorDialogHook hook)
{
    DefaultColorDialog() = std::move(hook);
}

std::optional<TColor> TColorCombo::AskColor(TColor initial)
{
    if (FColorDialog)
        return FColorDialog(initial, this);
    if (DefaultColorDialog())
        return DefaultColorDialog()(initial, this);
    return SystemColorDialog(initial, this);
}

void TColorCombo::SetColor(TColor value)
{
    if (value == FColor)
        return;
    FColor = value;
    FColorWindow->SetColor(value);
    Change();
    update();
}

void TColorCombo::Change()
{
    emit OnChange();
}

void TColorCombo::Click()
{
    emit OnClick();
    SetShowColorWindow(true);
}

void TColorCombo::SetStyle(TButtonStyle value)
{
    FStyle = value;
    update();
}

void TColorCombo::SetColorButtonColor(TColor value)
{
    FColorButtonColor = value;
    update();
    FColorWindow->update();
}

void TColorCombo::SetColorButton(bool value)
{
    if (value == FColorButton)
        return;
    FColorButton = value;
    FColorWindow->SetColorButton(value);
}

void TColorCombo::SetHorzCount(int value)
{
    CheckedRange(value, 1, 5);
    if (value == FHorzCount)
        return;
    FHorzCount = value;
    FColorWindow->SetHorzCount(value);
    PlaceColorWindow();
}

void TColorCombo::SetVertCount(int value)
{
    CheckedRange(value, 1, 5);
    if (value == FVertCount)
        return;
    FVertCount = value;
    FColorWindow->SetVertCount(value);
    PlaceColorWindow();
}

void TColorCombo::SetCellSide(int value)
{
    CheckedRange(value, 1, 50);
    if (value == FCellSide)
        return;
    FCellSide = value;
    FColorWindow->SetCellSide(value);
    PlaceColorWindow();
}

void TColorCombo::SetGridWidth(int value)
{
    CheckedRange(value, 0, 10);
    if (value == FGridWidth)
        return;
    FGridWidth = value;
    FColorWindow->SetGridWidth(value);
    PlaceColorWindow();
}

void TColorCombo::SetColorButtonText(const QString &value)
{
    if (value == FColorButtonText)
        return;
    FColorButtonText = value;
    FColorWindow->SetButtonCaption(value);
    SetColorButtonWidth(QFontMetrics(FColorWindow->font()).horizontalAdvance(value) + 5);
}

void TColorCombo::SetColorButtonFont(const TFont &value)
{
    FFont = value;
    setFont(value.ToQFont());
    FColorWindow->SetDrawFont(value.ToQFont());
    const QFontMetrics metrics(FColorWindow->font());
    SetColorButtonWidth(metrics.horizontalAdvance(FColorButtonText) + 5);
    if (!FColorButtonText.isEmpty())
        SetColorButtonHeight(metrics.height() + 3);
    update();
}

void TColorCombo::SetColorButtonWidth(int value)
{
    FColorButtonWidth = value;
    FColorWindow->SetButtonWidth(value);
}

void TColorCombo::SetColorButtonHeight(int value)
{
    if (value == FColorButtonHeight)
        return;
    FColorButtonHeight = value;
    FColorWindow->SetButtonHeight(value);
}

void TColorCombo::SetShowHint(bool value)
{
    FShowHint = value;
    FSavedShowHint = value;
}

void TColorCombo::SetCtl3D(bool value)
{
    if (value == FCtl3D)
        return;
    FCtl3D = value;
    FColorWindow->update();
}

void TColorCombo::SetShowColorWindow(bool value)
{
    const bool notPainted = FNotPainted;
    FNotPainted = false;
    if (value == FShowColorWindow)
        return;
    if (value) {
        // A control that has never been on screen has nowhere to drop the palette from.
        if (notPainted)
            return;
        FShowColorWindow = true;
        PlaceColorWindow();
        FColorWindow->show();
        FColorWindow->SetColor(FColor);
        FShowHint = false;
        FColorWindow->activateWindow();
        FColorWindow->setFocus(Qt::PopupFocusReason);
    } else {
        FShowColorWindow = false;
        FColorWindow->hide();
        FShowHint = FSavedShowHint;
        if (!FDestroying)
            setFocus(Qt::PopupFocusReason);
    }
}

void TColorCombo::PlaceColorWindow()
{
    FColorWindow->move(mapToGlobal(QPoint(0, height())));
}

void TColorCombo::SetDown(bool value)
{
    if (value == FDown)
        return;
    FDown = value;
    update();
}

void TColorCombo::paintEvent(QPaintEvent *)
{
    FNotPainted = false;
    QPainter p(this);
    const QPalette &pal = palette();
    const QColor face = ToQColor(clBtnFace, pal);
    const QColor highlight = ToQColor(clBtnHighlight, pal);
    const QColor shadow = ToQColor(clBtnShadow, pal);
    const QColor darkShadow = ToQColor(cl3DDkShadow, pal);
    const QColor text = ToQColor(clBtnText, pal);
    const int w = width(), h = height();

    // The push-button face with a one-pixel bevel.
    FillBox(p, 0, 0, w, h, face);
    if (FStyle == TButtonStyle::bsWin31) {
        FrameBox(p, 0, 0, w, h, ToQColor(clWindowFrame, pal));
        if (FDown)
            Frame3D(p, 1, 1, w - 1, h - 1, shadow, face, 1);
        else
            Frame3D(p, 1, 1, w - 1, h - 1, highlight, shadow, 1);
    } else if (FDown) {
        Frame3D(p, 0, 0, w, h, darkShadow, highlight, 1);
        Frame3D(p, 1, 1, w - 1, h - 1, shadow, face, 1);
    } else {
        Frame3D(p, 0, 0, w, h, highlight, darkShadow, 1);
        Frame3D(p, 1, 1, w - 1, h - 1, face, shadow, 1);
    }
    int l = 1, t = 1, r = w - 2, b = h - 2;
    if (FDown)
        ++l, ++t, ++r, ++b;
    if (FColorButtonColor != clBtnFace)
        FillBox(p, l, t, r, b, ToQColor(FColorButtonColor, pal));

    ++l, ++t, --r, --b;
    if (hasFocus())
        FocusBox(p, l, t, r, b, text);

    const int sl = l + 2, st = t + 1, sr = int(std::lround(r * 2.0 / 3.0)), sb = b - 1;
    if (isEnabled()) {
        FillBox(p, sl, st, sr, sb, ToQColor(FColor, pal));
        FrameBox(p, sl, st, sr, sb, text);
    }

    FillBox(p, sr + 3, t + 1, sr + 4, b - 1, shadow);
    FillBox(p, sr + 4, t + 1, sr + 5, b - 1, highlight);

    const int x0 = sr + (r - sr - 4) / 2 + 3;
    const int y0 = t + (b - t - 2) / 2;
    const QColor arrow = isEnabled() ? text : shadow;
    for (int row = 0; row < 3; ++row)
        FillBox(p, x0 + row, y0 + row, x0 + 5 - row, y0 + row + 1, arrow);
    if (!isEnabled()) {
        FillBox(p, x0 + 4, y0, x0 + 5, y0 + 1, highlight);
        FillBox(p, x0 + 3, y0 + 1, x0 + 4, y0 + 2, highlight);
    }
}

void TColorCombo::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || FKeyPressed)
        return;
    FMouseCaptured = true;
    setFocus(Qt::MouseFocusReason);
    SetDown(true);
}

void TColorCombo::mouseMoveEvent(QMouseEvent *event)
{
    if (!FMouseCaptured || FKeyPressed)
        return;
    SetDown(rect().contains(event->position().toPoint()));
}

void TColorCombo::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || FKeyPressed || !FMouseCaptured)
        return;
    FMouseCaptured = false;
    SetDown(false);
    // Wherever the button came up: the palette opens, without OnClick.
    SetShowColorWindow(true);
}

void TColorCombo::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Space) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat() && !FMouseCaptured) {
        FKeyPressed = true;
        SetDown(true);
    }
}

void TColorCombo::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Space) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    if (!event->isAutoRepeat() && FKeyPressed) {
        FKeyPressed = false;
        SetDown(false);
        Click();
    }
}

void TColorCombo::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void TColorCombo::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

void TColorCombo::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        update();
}

void TColorCombo::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    PlaceColorWindow();
}

void TColorCombo::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    PlaceColorWindow();
}

bool TColorCombo::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip && !FShowHint)
        return true;
    return QWidget::event(event);
}
