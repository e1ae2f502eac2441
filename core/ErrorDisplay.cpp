#include "core/ErrorDisplay.h"

#include <QtGlobal>
#include <utility>

namespace {
TErrorDisplay &CurrentDisplay()
{
    static TErrorDisplay display;
    return display;
}
} // namespace

TErrorDisplay SetErrorDisplay(TErrorDisplay display)
{
    return std::exchange(CurrentDisplay(), std::move(display));
}

void ShowError(const std::exception &error)
{
    // A copy: the display may install another while it runs.
    if (const TErrorDisplay display = CurrentDisplay()) {
        display(error);
        return;
    }
    qCritical("%s", error.what());
}
