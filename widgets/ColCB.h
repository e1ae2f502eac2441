#pragma once

#include "core/Exception.h"
#include "core/TColor.h"
#include "core/TFont.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

class QPainter;
class QPushButton;
class TColorCombo;

// The look of a push-button face.
enum class TButtonStyle : int { bsAutoDetect = 0, bsWin31 = 1, bsNew = 2 };

// A value outside the range a property's type allows.
class ERangeError : public Exception
{
public:
    using Exception::Exception;
    static ERangeError OutOfRange(int low, int high)
    {
        return ERangeError(QStringLiteral("Value must be between %1 and %2").arg(low).arg(high));
    }
};

// Asks the user for a colour, starting from the given one: the chosen colour, or nothing when
// the user cancels. The default shows the system colour dialog; tests put their own in.
using TColorDialogHook = std::function<std::optional<TColor>(TColor initial, QWidget *parent)>;

// The drop-down palette of a TColorCombo: a grid of fixed colours, an optional cell for a colour
// that is not in the grid, and the Other button that opens the colour dialog.
class TColorWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int PaletteSize = 27;
    static constexpr int CustomIndex = 26;
    // The custom cell is as large as the Other button is high by default, whatever CellSide is.
    static constexpr int CustomCellSide = 21;

    explicit TColorWindow(TColorCombo *combo);
    ~TColorWindow() override;

    bool ColorButton() const { return FColorButton; }
    void SetColorButton(bool value);
    int HorzCount() const { return FHorzCount; }
    void SetHorzCount(int value);
    int VertCount() const { return FVertCount; }
    void SetVertCount(int value);
    int CellSide() const { return FCellSide; }
    void SetCellSide(int value);
    int GridWidth() const { return FGridWidth; }
    void SetGridWidth(int value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);

    // The first grid cell showing the colour; CustomIndex when none does.
    int IndexOfColor(TColor color) const;
    // The cell under a point of the window, -1 for none.
    int CellAt(int x, int y) const;
    // The square a cell (0 .. 26) occupies; empty for indexes that have none.
    QRect CellRect(int index) const;
    // The plain colour of a palette entry.
    TColor PaletteColor(int index) const { return FPalette.at(size_t(index)); }
    // The highlighted cell, -1 for none.
    int ColorIndex() const { return FColorIndex; }
    int CellCount() const { return FHorzCount * FVertCount; }

    QPushButton *OtherButton() const { return FOtherButton; }
    int ButtonWidth() const { return FButtonWidth; }
    void SetButtonWidth(int value);
    void SetButtonCaption(const QString &caption);
    void SetButtonHeight(int value);
    void SetDrawFont(const QFont &font);
    void UpdateSize();

    // Paints one cell; indexes outside 0 .. 26 paint nothing.
    void DrawCell(QPainter &painter, int index) const;

    TColorCombo *Combo() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;

private:
    void CreateWnd();
    void PlaceOtherButton();
    void NarrowButtonForCustomCell();
    void OtherButtonClick();
    void CloseUp();
    bool Flat() const;
    TColor BackgroundColor() const;

    std::array<TColor, PaletteSize> FPalette;
    QPushButton *FOtherButton = nullptr;
    int FColorIndex = -1;
    int FButtonWidth = 62;
    bool FColorButton = true;
    int FHorzCount = 4;
    int FVertCount = 5;
    int FCellSide = 21;
    int FGridWidth = 2;
    TColor FColor = Colors::clWhite;
    QFont FDrawFont;
    bool FCreated = false;
    // Set while the colour dialog is up: the window is hidden then but the palette is not
    // closed yet.
    bool FInColorDialog = false;
    QPointer<TColorCombo> FCombo;

    friend class TColorCombo;
};

// A small button that shows the picked colour and drops down a palette to pick another.
class TColorCombo : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString ColorButtonText READ ColorButtonText WRITE SetColorButtonText)

public:
    explicit TColorCombo(QWidget *parent = nullptr);
    ~TColorCombo() override;

    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TButtonStyle Style() const { return FStyle; }
    void SetStyle(TButtonStyle value);
    bool ColorButton() const { return FColorButton; }
    void SetColorButton(bool value);
    TColor ColorButtonColor() const { return FColorButtonColor; }
    void SetColorButtonColor(TColor value);
    // Palette columns and rows, 1 .. 5.
    int HorzCount() const { return FHorzCount; }
    void SetHorzCount(int value);
    int VertCount() const { return FVertCount; }
    void SetVertCount(int value);
    // Side of a palette cell in pixels, 1 .. 50.
    int CellSide() const { return FCellSide; }
    void SetCellSide(int value);
    // Width of the palette's frame and of each cell's sunken frame, 0 .. 10.
    int GridWidth() const { return FGridWidth; }
    void SetGridWidth(int value);
    bool ShowColorWindow() const { return FShowColorWindow; }
    void SetShowColorWindow(bool value);
    QString ColorButtonText() const { return FColorButtonText; }
    void SetColorButtonText(const QString &value);
    // The control's own font, which the Other button shares.
    TFont ColorButtonFont() const { return FFont; }
    void SetColorButtonFont(const TFont &value);
    int ColorButtonWidth() const { return FColorButtonWidth; }
    void SetColorButtonWidth(int value);
    int ColorButtonHeight() const { return FColorButtonHeight; }
    void SetColorButtonHeight(int value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value);
    // The raised, sunken look of the palette cells; a flat form turns it off.
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool value);

    // Replaces the colour dialog of this picker; an empty hook restores the system dialog.
    void SetColorDialog(TColorDialogHook hook) { FColorDialog = std::move(hook); }
    // The colour dialog for pickers that have none of their own.
    static void SetDefaultColorDialog(TColorDialogHook hook);

    TColorWindow *ColorWindow() const { return FColorWindow; }
    bool IsDown() const { return FDown; }

    void PlaceColorWindow();
    void Change();
    void Click();

    QSize sizeHint() const override { return {42, 21}; }

signals:
    void OnChange();
    void OnClick();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;

private:
    std::optional<TColor> AskColor(TColor initial);
    void SetDown(bool value);

    TColorWindow *FColorWindow = nullptr;
    bool FDown = false;
    bool FKeyPressed = false;
    bool FMouseCaptured = false;
    bool FNotPainted = true;
    bool FSavedShowHint = true;
    bool FShowHint = true;
    bool FDestroying = false;

    TColor FColor = Colors::clWhite;
    TButtonStyle FStyle = TButtonStyle::bsNew;
    bool FColorButton = true;
    TColor FColorButtonColor = Colors::clBtnFace;
    int FHorzCount = 4;
    int FVertCount = 5;
    int FCellSide = 21;
    int FGridWidth = 2;
    bool FShowColorWindow = false;
    QString FColorButtonText;
    TFont FFont;
    int FColorButtonWidth = 62;
    int FColorButtonHeight = 21;
    bool FCtl3D = true;
    TColorDialogHook FColorDialog;

    friend class TColorWindow;
};
