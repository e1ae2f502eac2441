#pragma once

#include "core/TColor.h"
#include "core/TFont.h"

#include <QRect>

class QLabel;
class QLineEdit;
class QString;
class QWidget;
class TmBitButton;

// What the grid's settings dialogs share in their look: the face they are written in, their
// background, the flat edge of their edit boxes, the controls placed at fixed positions, and
// their place on the screen.
namespace DialogLook {

// Tahoma at 11 pixels with the Russian character set.
TFont FormFont();
// The flat bitmap buttons' face: MS Sans Serif at 11 pixels in black.
TFont ButtonFont();

// The background of a dialog, which its edit boxes and lists take as well.
void SetBackground(QWidget *widget, TColor color);
// One black line instead of the sunken edge, on the dialog's background.
void MakeFlat(QLineEdit *edit, TColor background);

// Controls placed where the form's designer put them: a label sized to its caption (with the
// control its "&" key focuses), an edit box, and a flat button of its own height (and width,
// unless one is given).
QLabel *NewLabel(
    const QString &caption, QWidget *parent, int left, int top, QWidget *buddy = nullptr);
QLineEdit *NewEdit(QWidget *parent, const QRect &bounds);
TmBitButton *NewButton(const QString &caption, QWidget *parent, int left, int top, int width = -1);

// Moves a window to the middle of its screen's free area.
void CenterOnScreen(QWidget *window);

} // namespace DialogLook
