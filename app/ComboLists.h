#pragma once

class QAbstractItemView;
class QComboBox;

// A closed combo box follows the mouse wheel only while it has the focus, and the wheel does not
// give it the focus: a turn of the wheel while the pointer passes over the box must not change
// the user's choice (or run a lookup per tick).
void FollowWheelOnlyWithFocus(QComboBox *combo);

// The highlighted row of a drop-down or suggestion list keeps its text colour on the directory's
// light selected-row colour, as the grid's selected cell does: white on the style's blue loses
// the weight of the bold list font.
void HighlightRowsLikeTheGrid(QAbstractItemView *list);
