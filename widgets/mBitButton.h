#pragma once

#include "core/TAlignment.h"
#include "core/TColor.h"
#include "core/TFont.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

class QPainter;

// How a dialog was closed: the value a button gives its form and QDialog::exec() returns.
enum class TModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10
};

// Vertical placement of a caption.
enum class LayOutType : int { tlTop = 0, tlCenter = 1, tlBottom = 2 };
enum class BorderStyleType : int { bstNone = 0, bstSingle = 1 };
// The side of the caption the glyph sits on.
enum class TGlyphLayout : int {
    blGlyphLeft = 0,
    blGlyphRight = 1,
    blGlyphTop = 2,
    blGlyphBottom = 3
};

// The flat push button of the grid's dialogs. It swaps its text and background colours as the
// pointer moves over it and presses it, frames itself more thickly when focused or when it is
// the default button that Enter would press, and may show one image of a strip of up to three
// (idle, hot or pressed, disabled).
//
// On a QDialog it answers Enter when it is the active default button, Escape when it is a
// Cancel button, and its "&" mnemonic. A click stores ModalResult as the dialog's result before
// OnClick runs; a modal dialog whose result is still non-zero after OnClick closes with it, so a
// handler may keep the dialog open with setResult(0).
class TmBitButton : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

public:
    static constexpr TColor DefaultLightBkgr = 9741733; // RGB 165, 165, 148
    static constexpr TColor DefaultFocusRect = 7237230; // RGB 110, 110, 110
    static constexpr TColor DefaultUnEnabledLiter = 7368816; // RGB 112, 112, 112

    explicit TmBitButton(QWidget *parent = nullptr);
    ~TmBitButton() override;

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    LayOutType LayOut() const { return FLayOut; }
    void SetLayOut(LayOutType value);
    BorderStyleType BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(BorderStyleType value);

    TColor ColorFrame() const { return FColorFrame; }
    void SetColorFrame(TColor value);
    // Text colour while hot or pressed.
    TColor ColorLightLiter() const { return FColorLightLiter; }
    void SetColorLightLiter(TColor value) { FColorLightLiter = value; }
    // Normal background; setting it also sets Color.
    TColor ColorLightBkgr() const { return FColorLightBkgr; }
    void SetColorLightBkgr(TColor value);
    // Normal text colour; setting it also sets the font's colour.
    TColor ColorLowLiter() const { return FColorLowLiter; }
    void SetColorLowLiter(TColor value);
    // Background while pressed.
    TColor ColorLowBkgr() const { return FColorLowBkgr; }
    void SetColorLowBkgr(TColor value) { FColorLowBkgr = value; }
    TColor ColorFocusRect() const { return FColorFocusRect; }
    void SetColorFocusRect(TColor value) { FColorFocusRect = value; }
    TColor ColorUnEnabledLiter() const { return FColorUnEnabledLiter; }
    void SetColorUnEnabledLiter(TColor value);

    // The background as the state handlers leave it.
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    // The font; its colour is the current text colour, which the state handlers switch.
    const TFont &Font() const { return FFont; }
    void SetFont(const TFont &value);

    // The image strip. Its bottom-left pixel is the transparent colour, as with the toolkit's
    // bitmaps; a strip whose width is 1 to 3 times its height sets NumGlyphs.
    const QImage &Glyph() const { return FGlyph; }
    void SetGlyph(const QImage &value);
    void SetGlyph(const QImage &value, TColor transparentColor);
    TColor GlyphTransparentColor() const { return FTransparentColor; }
    TGlyphLayout GlyphLayout() const { return FGlyphLayout; }
    void SetGlyphLayout(TGlyphLayout value);
    int NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(int value);
    // Distance of the glyph from its edge; -1 centres glyph and caption together.
    int Margin() const { return FMargin; }
    void SetMargin(int value);
    int Spacing() const { return FSpacing; }
    void SetSpacing(int value);

    QString Caption() const { return FCaption; }
    void SetCaption(const QString &value);
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult value) { FModalResult = value; }
    bool Default() const { return FDefault; }
    void SetDefault(bool value);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool value) { FCancel = value; }
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool value);

    // Whether Enter presses this button now: it has the focus, or it is the Default button and
    // the focus is on a control that is not one of these buttons.
    bool DefaultActive() const { return FDefaultActive; }
    bool Hot() const { return FHot; }
    bool MousePressed() const { return FMousePressed; }
    bool SpacePressed() const { return FSpacePressed; }
    // 1-based image of the strip drawn last.
    int GlyphIndex() const { return FGlyphIndex; }

    // Presses the button: the dialog's result, then OnClick.
    void Click();
    // Whether the button could take the focus, which the dialog keys require.
    bool CanFocus() const;

    QSize sizeHint() const override { return {76, 21}; }

signals:
    void OnClick();

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void SetTextColor(TColor value);
    void LeftButtonDown();
    // Every button of the window recomputes DefaultActive for the window's focused control.
    void AnnounceFocus();
    void FocusMoved(QWidget *focused);
    void WatchWindow();
    bool DialogKey(const QKeyEvent *event);
    QChar Mnemonic() const;
    void ChooseGlyphIndex(TColor textColor);
    void DrawGlyphAndCaption(QPainter &painter, const QColor &textColor);
    void DrawCaption(QPainter &painter, const QRect &rect, int flags, const QColor &textColor);

    TAlignment FAlignment = TAlignment::taCenter;
    LayOutType FLayOut = LayOutType::tlCenter;
    BorderStyleType FBorderStyle = BorderStyleType::bstSingle;
    TColor FColorFrame = Colors::clBlack;
    TColor FColorLightLiter = Colors::clWhite;
    TColor FColorLightBkgr = DefaultLightBkgr;
    TColor FColorLowLiter = Colors::clBlack;
    TColor FColorLowBkgr = Colors::clBlack;
    TColor FColorFocusRect = DefaultFocusRect;
    TColor FColorUnEnabledLiter = DefaultUnEnabledLiter;
    TColor FColor = DefaultLightBkgr;
    TFont FFont;
    QImage FGlyph;
    TColor FTransparentColor = Colors::clNone;
    TGlyphLayout FGlyphLayout = TGlyphLayout::blGlyphLeft;
    int FNumGlyphs = 1;
    int FMargin = -1;
    int FSpacing = 4;
    QString FCaption;
    TModalResult FModalResult = TModalResult::mrNone;
    bool FDefault = false;
    bool FCancel = false;
    bool FTabStop = true;

    bool FHot = false;
    bool FMousePressed = false;
    bool FEntered = false;
    bool FSpacePressed = false;
    bool FSpaceArmed = true;
    bool FDefaultActive = false;
    QImage FGlyphImage;
    int FGlyphIndex = 1;

    // A left press inside that a release inside turns into a click.
    bool FClickTracking = false;
    bool FCreated = false;
    int FShortcutId = 0;
    QPointer<QWidget> FWatchedWindow;
};
