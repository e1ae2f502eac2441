#include "widgets/mBitButton.h"

#include "widgets/FrameRing.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>

using namespace Colors;

namespace {

int VerticalFlag(LayOutType l)
{
    switch (l) {
    case LayOutType::tlTop:
        return Qt::AlignTop;
    case LayOutType::tlBottom:
        return Qt::AlignBottom;
    case LayOutType::tlCenter:
        break;
    }
    return Qt::AlignVCenter;
}

QString DisplayedText(const QString &caption)
{
    QString text;
    text.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == u'&' && i + 1 < caption.size())
            ++i;
        text.append(caption.at(i));
    }
    return text;
}

} // namespace

TmBitButton::TmBitButton(QWidget *parent)
    : QWidget(parent)
    , FFont(QStringLiteral("Tahoma"), 8, 0, clBlack, Charsets::RUSSIAN_CHARSET)
{
    FFont.SetColor(FColorLowLiter);
    QWidget::setFont(FFont.ToQFont());
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    resize(76, 21);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && FCreated && now->window() == window())
            FocusMoved(now);
    });
}

TmBitButton::~TmBitButton() = default;

void TmBitButton::SetAlignment(TAlignment value)
{
    if (value == FAlignment)
        return;
    FAlignment = value;
    update();
}

void TmBitButton::SetLayOut(LayOutType value)
{
    if (value == FLayOut)
        return;
    FLayOut = value;
    update();
}

void TmBitButton::SetBorderStyle(BorderStyleType value)
{
    if (value == FBorderStyle)
        return;
    FBorderStyle = value;
    update();
}

void TmBitButton::SetColorFrame(TColor value)
{
    if (value == FColorFrame)
        return;
    FColorFrame = value;
    update();
}

void TmBitButton::SetColorLightBkgr(TColor value)
{
    if (value == FColorLightBkgr)
        return;
    FColorLightBkgr = value;
    SetColor(value);
}

void TmBitButton::SetColorLowLiter(TColor value)
{
    if (value == FColorLowLiter)
        return;
    FColorLowLiter = value;
    SetTextColor(value);
}

void TmBitButton::SetColorUnEnabledLiter(TColor value)
{
    // Taken over at once, unlike a setter that ignores the value: a form that assigns it
    // expects to see it.
    if (value == FColorUnEnabledLiter)
        return;
    FColorUnEnabledLiter = value;
    update();
}

void TmBitButton::SetColor(TColor value)
{
    if (value == FColor)
        return;
    FColor = value;
    update();
}

void TmBitButton::SetFont(const TFont &value)
{
    FFont = value;
    QWidget::setFont(FFont.ToQFont());
    update();
}

void TmBitButton::SetTextColor(TColor value)
{
    if (value == FFont.Color())
        return;
    FFont.SetColor(value);
    update();
}

void TmBitButton::SetGlyph(const QImage &value)
{
    const TColor transparent
        = value.isNull() ? clNone : FromQColor(value.pixelColor(0, value.height() - 1));
    SetGlyph(value, transparent);
}

void TmBitButton::SetGlyph(const QImage &value, TColor transparentColor)
{
    update();
    FGlyph = value;
    if (value.isNull() || value.height() <= 0) {
        FNumGlyphs = 1;
        return;
    }
    FTransparentColor = transparentColor;
    if (value.width() % value.height() == 0) {
        const int count = value.width() / value.height();
        FNumGlyphs = count >= 1 && count < 4 ? count : 1;
    }
}

void TmBitButton::SetGlyphLayout(TGlyphLayout value)
{
    if (value == FGlyphLayout)
        return;
    FGlyphLayout = value;
    update();
}

void TmBitButton::SetNumGlyphs(int value)
{
    value = qBound(0, value, 255);
    if (value == FNumGlyphs)
        return;
    FNumGlyphs = value;
    update();
}

void TmBitButton::SetMargin(int value)
{
    if (value < -1 || value == FMargin)
        return;
    FMargin = value;
    update();
}

void TmBitButton::SetSpacing(int value)
{
    if (value == FSpacing)
        return;
    FSpacing = value;
    update();
}

void TmBitButton::SetCaption(const QString &value)
{
    if (value == FCaption)
        return;
    FCaption = value;
    if (FShortcutId)
        releaseShortcut(FShortcutId);
    FShortcutId = 0;
    const QKeySequence mnemonic = QKeySequence::mnemonic(value);
    if (!mnemonic.isEmpty())
        FShortcutId = grabShortcut(mnemonic);
    update();
}

void TmBitButton::SetDefault(bool value)
{
    if (value != FDefault) {
        FDefault = value;
        update();
    }
    if (FCreated)
        AnnounceFocus();
}

void TmBitButton::SetTabStop(bool value)
{
    FTabStop = value;
    setFocusPolicy(value ? Qt::TabFocus : Qt::NoFocus);
}

bool TmBitButton::CanFocus() const
{
    return isVisible() && isEnabled();
}

void TmBitButton::Click()
{
    update();
    QPointer<QDialog> dialog = qobject_cast<QDialog *>(window());
    if (dialog)
        dialog->setResult(int(FModalResult));
    emit OnClick();
    // A modal dialog ends after the message that set a non-zero result.
    if (dialog && dialog->isVisible() && dialog->isModal() && dialog->result() != 0)
        dialog->done(dialog->result());
}

void TmBitButton::AnnounceFocus()
{
    QWidget *form = window();
    const auto buttons = form->findChildren<TmBitButton *>();
    QWidget *focused = form->focusWidget();
    for (TmBitButton *button : buttons)
        button->FocusMoved(focused);
    if (form == this)
        FocusMoved(focused);
}

void TmBitButton::FocusMoved(QWidget *focused)
{
    auto *button = qobject_cast<TmBitButton *>(focused);
    const bool active = button ? button == this : FDefault;
    if (active == FDefaultActive)
        return;
    FDefaultActive = active;
    update();
}

void TmBitButton::WatchWindow()
{
    QWidget *form = window();
    if (form == FWatchedWindow)
        return;
    if (FWatchedWindow)
        FWatchedWindow->removeEventFilter(this);
    FWatchedWindow = form;
    if (form != this)
        form->installEventFilter(this);
}

QChar TmBitButton::Mnemonic() const
{
    for (qsizetype i = 0; i + 1 < FCaption.size(); ++i) {
        if (FCaption.at(i) != u'&')
            continue;
        if (FCaption.at(i + 1) != u'&')
            return FCaption.at(i + 1).toUpper();
        ++i;
    }
    return {};
}

bool TmBitButton::DialogKey(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods
        = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && mods == Qt::NoModifier) {
        if (FDefaultActive && CanFocus()) {
            Click();
            return true;
        }
        return false;
    }
    if (key == Qt::Key_Escape && mods == Qt::NoModifier) {
        if (FCancel && CanFocus()) {
            Click();
            return true;
        }
        return false;
    }
    // A typed character reaches the form when the focused control has no use for it; it
    // presses the button whose mnemonic it is, as Alt with that character does anywhere.
    const QChar mnemonic = Mnemonic();
    if (mnemonic.isNull() || (mods & Qt::ControlModifier))
        return false;
    // Only a real character matches: F2, Menu or Super carry a key code that, cut to a
    // character, would read as a digit or a letter.
    const QString text = event->text();
    if (text.size() != 1 || !text.at(0).isPrint())
        return false;
    if (text.at(0).toUpper() != mnemonic || !CanFocus())
        return false;
    Click();
    return true;
}

bool TmBitButton::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FWatchedWindow && event->type() == QEvent::KeyPress
        && DialogKey(static_cast<QKeyEvent *>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

bool TmBitButton::event(QEvent *event)
{
    if (event->type() == QEvent::Shortcut) {
        if (CanFocus())
            Click();
        return true;
    }
    if (event->type() == QEvent::ParentChange && FCreated)
        WatchWindow();
    return QWidget::event(event);
}

void TmBitButton::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    WatchWindow();
    if (!FCreated) {
        FCreated = true;
        FDefaultActive = FDefault;
    }
}

void TmBitButton::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    if (!isEnabled() || QWidget::mouseGrabber())
        return;
    FHot = true;
    SetTextColor(FColorLightLiter);
}

void TmBitButton::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    if (!FHot || !isEnabled())
        return;
    FHot = false;
    SetColor(FColorLightBkgr);
    SetTextColor(FMousePressed ? FColorLightLiter : FColorLowLiter);
}

void TmBitButton::mouseMoveEvent(QMouseEvent *event)
{
    if (isEnabled()) {
        if (FSpacePressed) {
            // The held space bar becomes a press of the pointer, which may now leave.
            FSpacePressed = false;
            FMousePressed = true;
            FSpaceArmed = false;
        }
        const QPoint pos = event->position().toPoint();
        if (rect().contains(pos)) {
            FHot = true;
            SetTextColor(FColorLightLiter);
            SetColor(FMousePressed ? FColorLowBkgr : FColorLightBkgr);
        } else {
            SetColor(FColorLightBkgr);
            SetTextColor(FMousePressed ? FColorLightLiter : FColorLowLiter);
        }
    }
    QWidget::mouseMoveEvent(event);
}

void TmBitButton::LeftButtonDown()
{
    FMousePressed = true;
    SetColor(FColorLowBkgr);
    if (!FEntered && FTabStop)
        setFocus(Qt::MouseFocusReason);
    FClickTracking = true;
}

void TmBitButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // A press the pointer was not seen arriving for is not this button's.
    if (!FHot || !isEnabled()) {
        event->accept();
        return;
    }
    LeftButtonDown();
    event->accept();
}

void TmBitButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

void TmBitButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        SetColor(FColorLightBkgr);
        SetTextColor(FColorLowLiter);
        QWidget::mouseReleaseEvent(event);
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    FMousePressed = false;
    SetColor(FColorLightBkgr);
    SetTextColor(FColorLowLiter);
    const bool click = FClickTracking && rect().contains(event->position().toPoint());
    FClickTracking = false;
    event->accept();
    QPointer<TmBitButton> self(this);
    if (click)
        Click();
    if (self)
        SetDefault(FDefault);
}

void TmBitButton::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    // Enter and Escape belong to the form: they go up to it, where the buttons take them.
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    if (!isEnabled() || FSpacePressed) {
        event->accept();
        return;
    }
    if (key == Qt::Key_Space) {
        if (FSpaceArmed && !event->isAutoRepeat()) {
            FSpacePressed = true;
            SetTextColor(FColorLightLiter);
            SetColor(FColorLowBkgr);
        }
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TmBitButton::keyReleaseEvent(QKeyEvent *event)
{
    if (!isEnabled()) {
        event->accept();
        return;
    }
    if (event->key() != Qt::Key_Space || event->isAutoRepeat()) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    // Only a space press made on this button clicks it: held here, or turned into a pointer
    // press that is still over the button. A release whose press went elsewhere (the key that
    // opened this dialog, say) does not.
    const bool click = FSpacePressed || (!FSpaceArmed && FHot);
    SetTextColor(FColorLowLiter);
    SetColor(FColorLightBkgr);
    FSpaceArmed = true;
    FMousePressed = false;
    event->accept();
    if (click) {
        FSpacePressed = false;
        update();
        Click();
    }
}

void TmBitButton::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    FEntered = true;
    update();
}

void TmBitButton::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    FEntered = false;
    FSpacePressed = false;
    SetColor(FColorLightBkgr);
    SetTextColor(FColorLowLiter);
    update();
}

void TmBitButton::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    switch (event->type()) {
    case QEvent::EnabledChange:
        FFont.SetColor(FColorLowLiter);
        update();
        break;
    case QEvent::ActivationChange:
        update();
        break;
    default:
        break;
    }
}

void TmBitButton::ChooseGlyphIndex(TColor textColor)
{
    if (textColor == FColorLightLiter && FNumGlyphs > 1)
        FGlyphIndex = 2;
    else if (textColor == FColorLowLiter && FNumGlyphs > 0)
        FGlyphIndex = 1;
    else if (!isEnabled())
        FGlyphIndex = FNumGlyphs > 2 ? 3 : 1;
    FGlyphIndex = qBound(1, FGlyphIndex, qMax(1, FNumGlyphs));
}

void TmBitButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QPalette &pal = palette();
    p.fillRect(rect(), ToQColor(FColor, pal));
    p.setFont(FFont.ToQFont());
    const TColor textColor = isEnabled() ? FFont.Color() : FColorUnEnabledLiter;
    ChooseGlyphIndex(textColor);
    DrawGlyphAndCaption(p, ToQColor(textColor, pal));

    const int w = width(), h = height();
    const QColor frame = ToQColor(FColorFrame, pal);
    const bool focused = hasFocus() && isEnabled();
    if (FBorderStyle == BorderStyleType::bstSingle) {
        FrameRing(p, QRect(0, 0, w, h), frame);
        if ((FDefault && isEnabled() && FDefaultActive) || focused)
            FrameRing(p, QRect(1, 1, w - 2, h - 2), frame);
    }
    if (focused)
        FrameRing(p, QRect(3, 3, w - 6, h - 6), ToQColor(FColorFocusRect, pal));
}

void TmBitButton::DrawCaption(QPainter &p, const QRect &rect, int flags, const QColor &textColor)
{
    p.setPen(textColor);
    p.drawText(rect, flags | Qt::TextSingleLine | Qt::TextShowMnemonic, FCaption);
}

void TmBitButton::DrawGlyphAndCaption(QPainter &p, const QColor &textColor)
{
    const int width = this->width(), height = this->height();
    if (FGlyph.isNull()) {
        DrawCaption(p, QRect(3, 0, width - 6, height),
            int(ToQtAlignment(FAlignment)) | VerticalFlag(FLayOut), textColor);
        return;
    }

    const int count = qMax(1, FNumGlyphs);
    const int W = FGlyph.width() / count, H = FGlyph.height();
    // The image being shown, its transparent pixels turned into the current background.
    FGlyphImage
        = FGlyph.copy(W * (FGlyphIndex - 1), 0, W, H).convertToFormat(QImage::Format_ARGB32);
    const QRgb transparent = ToQColor(FTransparentColor).rgb();
    const QRgb background = ToQColor(FColor, palette()).rgb();
    if (FTransparentColor != clNone) {
        for (int y = 0; y < H; ++y) {
            auto *line = reinterpret_cast<QRgb *>(FGlyphImage.scanLine(y));
            for (int x = 0; x < W; ++x) {
                if ((line[x] & 0xFFFFFF) == (transparent & 0xFFFFFF))
                    line[x] = background;
            }
        }
    }

    const QFontMetrics metrics(FFont.ToQFont());
    const int TW = metrics.horizontalAdvance(DisplayedText(FCaption));
    const int TH = metrics.height();
    const int Sp = FSpacing;
    int x = 0, y = 0;
    QRect text;
    int flags = 0;
    switch (FGlyphLayout) {
    case TGlyphLayout::blGlyphLeft:
        x = FMargin == -1 ? (width - (W + TW + Sp)) / 2 : FMargin;
        y = height / 2 - H / 2;
        text = QRect(QPoint(x + W + Sp, 3), QPoint(width - 3 - 1, height - 3 - 1));
        flags = Qt::AlignLeft | Qt::AlignVCenter;
        break;
    case TGlyphLayout::blGlyphRight:
        x = FMargin == -1 ? width - ((width - (W + TW + Sp)) / 2 + W) : width - FMargin - W;
        y = height / 2 - H / 2;
        text = QRect(QPoint(3, 3), QPoint(x - Sp - 1, height - 3 - 1));
        flags = Qt::AlignRight | Qt::AlignVCenter;
        break;
    case TGlyphLayout::blGlyphTop:
        x = width / 2 - W / 2;
        y = FMargin == -1 ? (height - (H + TH + Sp)) / 2 : FMargin;
        text = QRect(QPoint(3, y + H + Sp), QPoint(width - 3 - 1, height - 3 - 1));
        flags = Qt::AlignHCenter | Qt::AlignTop;
        break;
    case TGlyphLayout::blGlyphBottom:
        x = width / 2 - W / 2;
        y = FMargin == -1 ? height - ((height - (H + TH + Sp)) / 2 + H) : height - FMargin - H;
        text = QRect(QPoint(3, 3), QPoint(width - 3 - 1, y - Sp - 1));
        flags = Qt::AlignHCenter | Qt::AlignBottom;
        break;
    }
    p.drawImage(x, y, FGlyphImage);
    DrawCaption(p, text, flags, textColor);
}
