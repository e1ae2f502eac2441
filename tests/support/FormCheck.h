#pragma once

#include "widgets/mBitButton.h"
#include "widgets/xYellabl.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QLabel>

// Checks on a form whose controls sit where its designer placed them.
namespace FormCheck {

// The visible labels, buttons, check boxes and combo items whose text does not fit the control
// in the face it is drawn with (a Cyrillic caption in a wider substitute font, say).
inline QStringList CutOffTexts(const QWidget *form)
{
    QStringList cut;
    const auto check = [&cut](const QWidget *w, QString text, const QFont &font, int extra) {
        if (text.isEmpty())
            return;
        const QFontMetrics fm(font);
        const bool wraps
            = qobject_cast<const QLabel *>(w) && static_cast<const QLabel *>(w)->wordWrap();
        const bool fits = wraps
            ? static_cast<const QLabel *>(w)->heightForWidth(w->width()) <= w->height()
            : fm.horizontalAdvance(text.remove(QLatin1Char('&'))) + extra <= w->width();
        if (!fits)
            cut << w->objectName() + QStringLiteral(": ") + text;
    };
    for (const QWidget *w : form->findChildren<QWidget *>()) {
        // A note wraps its text by design.
        if (!w->isVisibleTo(form) || qobject_cast<const TxYellowLabel *>(w))
            continue;
        if (const auto *label = qobject_cast<const QLabel *>(w))
            check(w, label->text(), w->font(), 2 * label->frameWidth());
        else if (const auto *button = qobject_cast<const TmBitButton *>(w))
            check(w, button->Caption(), button->Font().ToQFont(), 4);
        else if (const auto *box = qobject_cast<const QAbstractButton *>(w))
            check(w, box->text(), w->font(), 13 + 4);
        else if (const auto *combo = qobject_cast<const QComboBox *>(w))
            for (int i = 0; i < combo->count(); ++i)
                check(w, combo->itemText(i), w->font(), 4 + 18);
    }
    return cut;
}

// Keeps a picture of the form where PHONEBOOK_DIALOG_PICTURES points, for people to look at.
inline void SavePicture(QWidget *form, const QString &name)
{
    const QString folder = qEnvironmentVariable("PHONEBOOK_DIALOG_PICTURES");
    if (!folder.isEmpty())
        form->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

} // namespace FormCheck
