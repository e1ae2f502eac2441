#pragma once

#include "core/TColor.h"

#include <QComboBox>
#include <QRect>

// A combo box that, in the flat look, has a one-pixel black frame and a flat drop-down button
// of its own colour, whose arrow lights up in the control's colour while the pointer is over
// the button. In the 3-D look it is the platform's combo box.
class TmmComboBox : public QComboBox
{
    Q_OBJECT

public:
    static constexpr TColor DefaultColorBt = 9740965; // RGB 165, 162, 148
    static constexpr int ButtonWidth = 18;

    explicit TmmComboBox(QWidget *parent = nullptr);
    ~TmmComboBox() override;

    // Face colour of the drop-down button.
    TColor ColorBt() const { return FColorBt; }
    void SetColorBt(TColor value);
    // The control's colour: the background of the edit part, and the arrow's colour when lit.
    TColor Color() const;
    void SetColor(TColor value);
    // Take the parent's background colour instead of Color.
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool value);
    int DropDownCount() const { return maxVisibleItems(); }
    void SetDropDownCount(int value) { setMaxVisibleItems(value); }

    bool ButtonPressed() const { return FButtonPressed; }
    bool ButtonHot() const { return FButtonHot; }
    bool DroppedDown() const { return FDroppedDown; }
    // The drop-down button in the control's coordinates, its edges included.
    QRect ButtonRect() const;

    void showPopup() override;
    void hidePopup() override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void SetButtonHot(bool value);
    void SetButtonPressed(bool value);
    void PointerMovedTo(const QPoint &pos);
    void DrawFlatFrame(QPainter &painter);
    void PlaceEdit();
    void ApplyColor();
    QColor ControlColor() const;

    TColor FColorBt = DefaultColorBt;
    TColor FColor = Colors::clWindow;
    bool FParentColor = false;
    bool FCtl3D = true;
    bool FButtonPressed = false;
    bool FButtonHot = false;
    bool FDroppedDown = false;
};
