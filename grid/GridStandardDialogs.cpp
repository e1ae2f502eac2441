#include "grid/GridStandardDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFontDialog>
#include <QMessageBox>

namespace {
TGridStandardDialogs PlatformDialogs()
{
    TGridStandardDialogs dialogs;
    dialogs.ChooseFont = [](QWidget *parent, const TFont &initial) -> std::optional<TFont> {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, initial.ToQFont(), parent);
        if (!ok)
            return std::nullopt;
        // The dialog knows nothing of the font's colour: it stays as it was.
        return TFont::FromQFont(chosen, initial.Color());
    };
    dialogs.ChooseColor = [](QWidget *parent, TColor initial) -> std::optional<TColor> {
        const QColor chosen = QColorDialog::getColor(ToQColor(initial), parent);
        if (!chosen.isValid())
            return std::nullopt;
        return FromQColor(chosen);
    };
    dialogs.Warn = [](QWidget *parent, const QString &message) {
        QMessageBox::warning(parent, QApplication::applicationDisplayName(), message);
    };
    return dialogs;
}
} // namespace

TGridStandardDialogs &GridStandardDialogs()
{
    static TGridStandardDialogs dialogs = PlatformDialogs();
    return dialogs;
}

void ResetGridStandardDialogs()
{
    GridStandardDialogs() = PlatformDialogs();
}
