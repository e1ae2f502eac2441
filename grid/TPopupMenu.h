#pragma once

#include <QMenu>
#include <functional>

// A popup menu with an OnPopup notification that runs just before the menu opens. The grid
// installs its hook there and calls the application's handler after it has rebuilt its items,
// which a plain aboutToShow connection could not promise.
class TPopupMenu : public QMenu
{
    Q_OBJECT
public:
    explicit TPopupMenu(QWidget *parent = nullptr);

    std::function<void(QObject *sender)> OnPopup;
};
