#pragma once

class QWidget;

// Switches every kit widget on a form, the form itself included and at any depth, between the
// flat look of the dialogs and the platform's 3-D look. The widgets start in the 3-D look; a
// dialog calls this once, after building its controls.
void SetFlatLook(QWidget *form, bool flat);
