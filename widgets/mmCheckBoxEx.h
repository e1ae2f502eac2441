#pragma once

#include "core/TAlignment.h"
#include "core/TColor.h"

#include <QCheckBox>
#include <QImage>

class QAbstractButton;
class QPainter;

// Drawing shared by the flat check box and radio button.
namespace FlatBox {
// The text colour of a disabled caption.
inline const QColor GrayText {128, 128, 128};
// The side of a 13-pixel box image the caption sits on decides the image's x; its y centres
// the 14 rows of the check box image on the control.
QPoint BoxOrigin(const QWidget *control, TAlignment alignment);
// The caption beside the box, with its "&" mnemonic and, when focused, the dotted focus frame.
void DrawCaption(QPainter &painter, QAbstractButton *button, TAlignment alignment);
// The colour a flat box is framed with where it meets its surroundings.
QColor BackgroundColor(const QWidget *control);
} // namespace FlatBox

// A check box that, in the flat look, draws its own 13-pixel box: white, or light grey while
// the pointer is over it or the button is held on it (not both), with a preview of the state a
// release would give. In the 3-D look it is the platform's check box.
class TmmCheckBoxEx : public QCheckBox
{
    Q_OBJECT

public:
    static constexpr int BoxWidth = 13;
    static constexpr int BoxHeight = 14;

    explicit TmmCheckBoxEx(QWidget *parent = nullptr);
    explicit TmmCheckBoxEx(const QString &caption, QWidget *parent = nullptr);
    ~TmmCheckBoxEx() override;

    QString Caption() const { return text(); }
    void SetCaption(const QString &value) { setText(value); }
    bool Checked() const { return isChecked(); }
    void SetChecked(bool value) { setChecked(value); }
    // taRightJustify puts the caption to the right of the box, taLeftJustify to its left.
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool value);

    bool Hot() const { return FHot; }
    bool Pressed() const { return FPressed; }
    // The box image for the current state, as the flat look draws it.
    QImage BoxBitmap() const;
    // Draws the box image with its top left corner at (x, y).
    void DrawBox(QPainter &painter, int x, int y) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool hitButton(const QPoint &pos) const override;

private:
    void SetHot(bool value);

    bool FHot = false;
    bool FPressed = false;
    bool FCtl3D = true;
    TAlignment FAlignment = TAlignment::taRightJustify;
};
