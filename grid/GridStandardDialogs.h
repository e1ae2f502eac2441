#pragma once

#include "core/TColor.h"
#include "core/TFont.h"

#include <QString>
#include <functional>
#include <optional>

class QWidget;

// The platform's standard dialogs the grid's commands open: font and colour selection and a
// warning box. Each is replaceable, so that tests can answer them without a person. An empty
// answer means the user cancelled.
struct TGridStandardDialogs
{
    std::function<std::optional<TFont>(QWidget *parent, const TFont &initial)> ChooseFont;
    std::function<std::optional<TColor>(QWidget *parent, TColor initial)> ChooseColor;
    std::function<void(QWidget *parent, const QString &message)> Warn;
};

// The process-wide set; it starts with Qt's QFontDialog, QColorDialog and QMessageBox.
TGridStandardDialogs &GridStandardDialogs();
// Puts Qt's dialogs back.
void ResetGridStandardDialogs();
