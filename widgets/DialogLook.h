#pragma once

#include "core/TColor.h"
#include "core/TFont.h"

class QLineEdit;
class QWidget;

// What the grid's settings dialogs share in their look: the face they are written in, their
// background, the flat edge of their edit boxes, and their place on the
// screen.
namespace DialogLook {

// Tahoma at 11 pixels with the Russian character set.
TFont FormFont();
// The flat bitmap buttons' face: MS Sans Serif at 11 pixels in black.
TFont ButtonFont();

// The background of a dialog, which its edit boxes and lists take as well.
void SetBackground(QWidget *widget, TColor color);
// One black line instead of the sunken edge, on the dialog's background.
void MakeFlat(QLineEdit *edit, TColor background);

// Moves a window to the middle of its screen's free area.
void CenterOnScreen(QWidget *window);

} // namespace DialogLook
