#include "widgets/DialogLook.h"
#include "widgets/mBitButton.h"

#include <QLabel>
#include <QLineEdit>
#include <QScreen>

namespace DialogLook {

TFont FormFont()
{
    // Where Tahoma is missing, Liberation Sans comes closest to its widths: the captions were
    // fitted to their controls in Tahoma.
    QFont face;
    face.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
        QStringLiteral("DejaVu Sans")});
    face.setPixelSize(11);
    TFont font = TFont::FromQFont(face, Colors::clWindowText);
    font.SetCharset(Charsets::RUSSIAN_CHARSET);
    return font;
}

TFont ButtonFont()
{
    TFont font(QStringLiteral("MS Sans Serif"), 8, 0, Colors::clBlack);
    font.SetHeight(-11);
    return font;
}

void SetBackground(QWidget *widget, TColor color)
{
    QPalette palette = widget->palette();
    const QColor background = ToQColor(color, palette);
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::Base, background);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void MakeFlat(QLineEdit *edit, TColor background)
{
    // A styled edit box no longer follows its parent's palette and font: the colour goes in
    // the style and the font is its own.
    const QFont font = edit->font();
    edit->setStyleSheet(
        QStringLiteral("QLineEdit { border: 1px solid black; background-color: %1; }")
            .arg(ToQColor(background, edit->palette()).name()));
    edit->setFont(font);
}

QLabel *NewLabel(const QString &caption, QWidget *parent, int left, int top, QWidget *buddy)
{
    auto *label = new QLabel(caption, parent);
    label->setBuddy(buddy);
    label->adjustSize();
    label->move(left, top);
    return label;
}

QLineEdit *NewEdit(QWidget *parent, const QRect &bounds)
{
    auto *edit = new QLineEdit(parent);
    edit->setGeometry(bounds);
    return edit;
}

TmBitButton *NewButton(const QString &caption, QWidget *parent, int left, int top, int width)
{
    auto *button = new TmBitButton(parent);
    button->SetCaption(caption);
    button->SetFont(ButtonFont());
    button->setGeometry(left, top, width < 0 ? button->width() : width, button->height());
    return button;
}

void CenterOnScreen(QWidget *window)
{
    if (const QScreen *screen = window->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

} // namespace DialogLook
