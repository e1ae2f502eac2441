#pragma once

#include <QComboBox>
#include <QtTest>

// What a user does with the mouse and the keyboard, on the real controls.
namespace UserInput {

// The pointer moves onto the control, then presses and releases the left button there.
inline void Click(QWidget *w)
{
    const QPoint centre(w->width() / 2, w->height() / 2);
    QTest::mouseMove(w, centre);
    QTest::mouseClick(w, Qt::LeftButton, {}, centre);
}

// Types a text into a control key by key, Cyrillic included.
inline void Type(QWidget *w, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Picks an item of a closed combo box with the keyboard.
inline void Choose(QComboBox *combo, const QString &text)
{
    const int target = combo->findText(text);
    QVERIFY2(target >= 0, qPrintable(text));
    QTest::keyClick(combo, Qt::Key_Home);
    for (int i = 0; i < target; ++i)
        QTest::keyClick(combo, Qt::Key_Down);
}

} // namespace UserInput
