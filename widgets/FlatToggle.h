#pragma once

#include "core/TAlignment.h"

#include <QCheckBox>
#include <QImage>
#include <QRadioButton>

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

// A check box or radio button (Button) that, in the flat look, draws its own 13-pixel box:
// white, or light grey while the pointer is over it or the button is held on it (not both),
// with a preview of the state a release would give. In the 3-D look it is the platform's
// control. The box itself is the derived class's.
template <class Button> class TFlatToggle : public Button
{
public:
    explicit TFlatToggle(QWidget *parent);

    QString Caption() const { return this->text(); }
    void SetCaption(const QString &value) { this->setText(value); }
    bool Checked() const { return this->isChecked(); }
    void SetChecked(bool value) { this->setChecked(value); }

    // taRightJustify puts the caption to the right of the box, taLeftJustify to its left.
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    virtual bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool value);

    bool Hot() const { return FHot; }
    bool Pressed() const { return FPressed; }
    // The box image for the current state, as the flat look draws it.
    QImage BoxBitmap() const;
    // Draws the box image with its top left corner at (x, y).
    virtual void DrawBox(QPainter &painter, int x, int y) const = 0;

protected:
    // The size of the image BoxBitmap gives.
    virtual QSize BoxImageSize() const = 0;
    // The inside of the box: light grey while hot or pressed, not both.
    QColor FaceColor() const;
    // Whether the box shows its mark: the checked state, or while held on it the one a release
    // would give.
    bool ShowsMark() const { return this->isChecked() != (FPressed && FHot); }

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

extern template class TFlatToggle<QCheckBox>;
extern template class TFlatToggle<QRadioButton>;
