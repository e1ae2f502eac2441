#include "grid/TPopupMenu.h"

TPopupMenu::TPopupMenu(QWidget *parent)
    : QMenu(parent)
{
    connect(this, &QMenu::aboutToShow, this, [this] {
        // A handler may replace OnPopup while it runs: call a copy.
        if (const auto handler = OnPopup)
            handler(this);
    });
}
