#include "widgets/FlatLook.h"

#include "widgets/ColCB.h"
#include "widgets/mmCheckBoxEx.h"
#include "widgets/mmComboBox.h"
#include "widgets/mmRadioButtonEx.h"

namespace {

template <typename T> void SetCtl3DOf(QWidget *widget, bool ctl3D)
{
    if (auto *kitWidget = qobject_cast<T *>(widget))
        kitWidget->SetCtl3D(ctl3D);
}

} // namespace

void SetFlatLook(QWidget *form, bool flat)
{
    if (!form)
        return;
    QList<QWidget *> widgets = form->findChildren<QWidget *>();
    widgets.prepend(form);
    for (QWidget *widget : std::as_const(widgets)) {
        // The buttons of a radio group draw as their group does.
        SetCtl3DOf<TmmCheckBoxEx>(widget, !flat);
        SetCtl3DOf<TmmRadioButtonEx>(widget, !flat);
        SetCtl3DOf<TmmRadioGroup>(widget, !flat);
        SetCtl3DOf<TmmComboBox>(widget, !flat);
        SetCtl3DOf<TColorCombo>(widget, !flat);
    }
}
