#include "app/ComboLists.h"

#include "core/TColor.h"
#include "grid/mmDBGrid.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>

namespace {

class TWheelWithFocusFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Wheel)
            return false;
        auto *combo = static_cast<QComboBox *>(watched);
        if (combo->hasFocus() || combo->view()->isVisible())
            return false;
        // Left to the parent, as a wheel over a widget that does not take it is.
        event->ignore();
        return true;
    }
};

} // namespace

void FollowWheelOnlyWithFocus(QComboBox *combo)
{
    combo->setFocusPolicy(Qt::StrongFocus);
    combo->installEventFilter(new TWheelWithFocusFilter(combo));
}

void HighlightRowsLikeTheGrid(QAbstractItemView *list)
{
    QPalette colors = list->palette();
    const QColor selected = ToQColor(TmmDBGrid::DefaultColorSelected, colors);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        colors.setColor(group, QPalette::Highlight, selected);
        colors.setColor(group, QPalette::HighlightedText, colors.color(group, QPalette::Text));
    }
    list->setPalette(colors);
}
