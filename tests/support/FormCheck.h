#pragma once

#include "widgets/mBitButton.h"
#include "widgets/xYellabl.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QStringList>
#include <QWidget>

// Checks on a form laid out at fixed positions, as the designer placed its controls.
namespace FormCheck {

inline QString Plain(QString text)
{
    return text.remove(QLatin1Char('&'));
}

// The visible controls whose text does not fit them in the font they are drawn with (a long
// Cyrillic caption in a wider substitute face, say), as "name: text".
inline QStringList CutOffTexts(const QWidget *form)
{
    QStringList cut;
    const auto report = [&cut](const QWidget *w, const QString &text, int need, int room) {
        if (need > room)
            cut << QStringLiteral("%1: %2 (%3 > %4)")
                       .arg(w->objectName(), text)
                       .arg(need)
                       .arg(room);
    };
    for (const QWidget *w : form->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(form))
            continue;
        const QFontMetrics fm = w->fontMetrics();
        if (const auto *note = qobject_cast<const TxYellowLabel *>(w)) {
            // The text goes into the note less its frame and shadow.
            const QRect room(0, 0, note->width() - 9, note->height() - 8);
            const QRect need = QFontMetrics(note->Font().ToQFont())
                                   .boundingRect(room, Qt::TextWordWrap, note->NoteText());
            report(w, note->NoteText(), need.height(), room.height());
        } else if (const auto *label = qobject_cast<const QLabel *>(w)) {
            if (label->wordWrap())
                report(w, label->text(), label->heightForWidth(label->width()), label->height());
            else if (label->frameWidth() == 0)
                report(
                    w, label->text(), fm.horizontalAdvance(Plain(label->text())), label->width());
            else
                report(w, label->text(), fm.horizontalAdvance(Plain(label->text())),
                    label->contentsRect().width());
        } else if (const auto *button = qobject_cast<const TmBitButton *>(w)) {
            const QFontMetrics bm(button->Font().ToQFont());
            report(w, button->Caption(), bm.horizontalAdvance(Plain(button->Caption())) + 4,
                button->width());
        } else if (const auto *check = qobject_cast<const QAbstractButton *>(w)) {
            report(w, check->text(), fm.horizontalAdvance(Plain(check->text())) + 13 + 4,
                check->width());
        } else if (const auto *group = qobject_cast<const QGroupBox *>(w)) {
            report(w, group->title(), fm.horizontalAdvance(Plain(group->title())) + 14,
                group->width());
        } else if (const auto *combo = qobject_cast<const QComboBox *>(w)) {
            for (int i = 0; i < combo->count(); ++i)
                report(w, combo->itemText(i), fm.horizontalAdvance(combo->itemText(i)) + 4 + 18,
                    combo->width());
        }
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
