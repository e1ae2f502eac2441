#include "widgets/mBitButton.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace Colors;

namespace {

// A full block fills its cell, so its middle shows the text colour unblended.
const QString Block = QStringLiteral("\u2588\u2588\u2588");

QColor PixelAt(QWidget *w, int x, int y)
{
    return w->grab().toImage().pixelColor(x, y);
}

QColor Rgb(TColor c)
{
    return ToQColor(c);
}

// A strip of square images, each a solid colour with a corner in the transparent colour.
QImage Strip(const QList<QColor> &colors, int side, const QColor &transparent)
{
    QImage strip(side * int(colors.size()), side, QImage::Format_RGB32);
    for (int i = 0; i < colors.size(); ++i) {
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                strip.setPixelColor(i * side + x, y, colors.at(i));
        strip.setPixelColor(i * side, side - 1, transparent);
    }
    return strip;
}

// Moves the pointer to a point of a widget; a move to where the pointer already is would not
// reach the widget, so it arrives from a neighbouring pixel.
void MoveTo(QWidget *w, QPoint pos)
{
    QTest::mouseMove(w, pos + QPoint(1, 1));
    QTest::mouseMove(w, pos);
}

// A typed character as the keyboard delivers it to the focused control.
void TypeChar(QWidget *target, QChar c, Qt::KeyboardModifiers modifiers = {})
{
    QKeyEvent press(QEvent::KeyPress, c.toUpper().unicode(), modifiers, QString(c));
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, c.toUpper().unicode(), modifiers, QString(c));
    QApplication::sendEvent(target, &release);
}

struct Form
{
    QWidget window;
    TmBitButton *button;
    Form()
    {
        window.resize(200, 100);
        button = new TmBitButton(&window);
        button->move(20, 20);
        button->SetCaption(Block);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
};

} // namespace

class TestBitButton : public QObject
{
    Q_OBJECT

private slots:
    void defaultsAreTheDialogButtonLook();
    void numGlyphsFollowsStripSize_data();
    void numGlyphsFollowsStripSize();
    void stripImageFollowsState_data();
    void stripImageFollowsState();
    void transparentGlyphPixelsShowBackground();
    void marginBelowMinusOneIsIgnored();
    void looksOfTheStates_data();
    void looksOfTheStates();
    void pressDragOffReleaseDoesNotClick();
    void pressWithoutHotIsIgnored();
    void spaceClicksOnRelease_data();
    void spaceClicksOnRelease();
    void keysWhileSpaceHeldAreSwallowed();
    void dialogKeys_data();
    void dialogKeys();
    void modalResultIsSetBeforeOnClick_data();
    void modalResultIsSetBeforeOnClick();
    void onClickMayKeepDialogOpen();
    void mnemonicClicks_data();
    void mnemonicClicks();
    void onlyCharactersMatchMnemonics_data();
    void onlyCharactersMatchMnemonics();
};

void TestBitButton::defaultsAreTheDialogButtonLook()
{
    TmBitButton b;
    QCOMPARE(b.size(), QSize(76, 21));
    QCOMPARE(b.Color(), TColor(9741733));
    QCOMPARE(b.Font().Color(), clBlack);
    QCOMPARE(b.Font().Charset(), Charsets::RUSSIAN_CHARSET);
    QCOMPARE(b.NumGlyphs(), 1);
    QCOMPARE(b.Margin(), -1);
    QCOMPARE(b.Spacing(), 4);
    QCOMPARE(b.ModalResult(), TModalResult::mrNone);
    QVERIFY(b.TabStop());
    b.SetColorLightBkgr(RGBColor(1, 2, 3));
    QCOMPARE(b.Color(), RGBColor(1, 2, 3));
    b.SetColorLowLiter(clRed);
    QCOMPARE(b.Font().Color(), clRed);
}

void TestBitButton::numGlyphsFollowsStripSize_data()
{
    QTest::addColumn<QSize>("strip");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("expected");
    QTest::newRow("three images") << QSize(48, 16) << 1 << 3;
    QTest::newRow("two images") << QSize(32, 16) << 1 << 2;
    QTest::newRow("one image") << QSize(16, 16) << 3 << 1;
    QTest::newRow("four images count as one") << QSize(64, 16) << 2 << 1;
    QTest::newRow("not a multiple keeps the count") << QSize(50, 16) << 2 << 2;
    QTest::newRow("no bitmap") << QSize() << 3 << 1;
}

void TestBitButton::numGlyphsFollowsStripSize()
{
    QFETCH(QSize, strip);
    QFETCH(int, before);
    QFETCH(int, expected);
    TmBitButton b;
    b.SetNumGlyphs(before);
    QImage image;
    if (strip.isValid()) {
        image = QImage(strip, QImage::Format_RGB32);
        image.fill(Qt::red);
    }
    b.SetGlyph(image);
    QCOMPARE(b.NumGlyphs(), expected);
}

void TestBitButton::stripImageFollowsState_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("images");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("idle") << "idle" << 3 << QColor(Qt::red);
    QTest::newRow("hot") << "hot" << 3 << QColor(Qt::green);
    QTest::newRow("disabled") << "disabled" << 3 << QColor(Qt::blue);
    QTest::newRow("hot, one image") << "hot" << 1 << QColor(Qt::red);
    QTest::newRow("disabled, two images") << "disabled" << 2 << QColor(Qt::red);
}

void TestBitButton::stripImageFollowsState()
{
    QFETCH(QString, state);
    QFETCH(int, images);
    QFETCH(QColor, expected);
    Form f;
    TmBitButton *b = f.button;
    b->SetCaption(QString());
    const QList<QColor> colors = QList<QColor> {Qt::red, Qt::green, Qt::blue}.mid(0, images);
    b->SetGlyph(Strip(colors, 16, Qt::magenta));
    QCOMPARE(b->NumGlyphs(), images);
    if (state == "hot")
        MoveTo(b, QPoint(5, 5));
    else if (state == "disabled")
        b->setEnabled(false);
    // Glyph centred: x = (76 - 16 - 4) / 2 = 28, y = 21 / 2 - 8 = 2.
    QCOMPARE(PixelAt(b, 28 + 8, 2 + 8), expected);
}

void TestBitButton::transparentGlyphPixelsShowBackground()
{
    Form f;
    TmBitButton *b = f.button;
    b->SetCaption(QString());
    b->resize(76, 30);
    b->SetGlyph(Strip({Qt::red}, 16, Qt::magenta));
    QCOMPARE(PixelAt(b, 28, 7 + 15), Rgb(b->ColorLightBkgr()));
    QCOMPARE(PixelAt(b, 29, 7 + 15), QColor(Qt::red));
}

void TestBitButton::marginBelowMinusOneIsIgnored()
{
    TmBitButton b;
    b.SetMargin(5);
    b.SetMargin(-2);
    QCOMPARE(b.Margin(), 5);
    b.SetMargin(-1);
    QCOMPARE(b.Margin(), -1);
}

void TestBitButton::looksOfTheStates_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<int>("frameWidth");
    QTest::addColumn<bool>("focusRect");
    const QColor light = Rgb(TmBitButton::DefaultLightBkgr);
    const QColor grey = Rgb(TmBitButton::DefaultUnEnabledLiter);
    QTest::newRow("normal") << "normal" << light << QColor(Qt::black) << 1 << false;
    QTest::newRow("hot") << "hot" << light << QColor(Qt::white) << 1 << false;
    QTest::newRow("pressed") << "pressed" << QColor(Qt::black) << QColor(Qt::white) << 2 << true;
    QTest::newRow("pressed, moved off") << "pressedOff" << light << QColor(Qt::white) << 2 << true;
    QTest::newRow("space held") << "space" << QColor(Qt::black) << QColor(Qt::white) << 2 << true;
    QTest::newRow("focused") << "focused" << light << QColor(Qt::black) << 2 << true;
    QTest::newRow("active default") << "default" << light << QColor(Qt::black) << 2 << false;
    QTest::newRow("disabled") << "disabled" << light << grey << 1 << false;
    QTest::newRow("disabled default") << "disabledDefault" << light << grey << 1 << false;
}

void TestBitButton::looksOfTheStates()
{
    QFETCH(QString, state);
    QFETCH(QColor, background);
    QFETCH(QColor, text);
    QFETCH(int, frameWidth);
    QFETCH(bool, focusRect);
    Form f;
    TmBitButton *b = f.button;
    b->resize(120, 24);
    auto *edit = new QLineEdit(&f.window);
    edit->move(0, 60);
    edit->show();
    f.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    edit->setFocus();
    if (state == "hot") {
        MoveTo(b, QPoint(5, 5));
    } else if (state == "pressed") {
        MoveTo(b, QPoint(5, 5));
        QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    } else if (state == "pressedOff") {
        MoveTo(b, QPoint(5, 5));
        QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
        MoveTo(b, QPoint(150, 5));
    } else if (state == "space") {
        b->setFocus();
        QTest::keyPress(b, Qt::Key_Space);
    } else if (state == "focused") {
        b->setFocus();
    } else if (state == "default") {
        b->SetDefault(true);
    } else if (state == "disabled") {
        b->setEnabled(false);
    } else if (state == "disabledDefault") {
        b->SetDefault(true);
        b->setEnabled(false);
    }
    const QImage image = b->grab().toImage();
    const QColor frame = Rgb(b->ColorFrame());
    QCOMPARE(image.pixelColor(0, 12), frame);
    QCOMPARE(image.pixelColor(119, 12), frame);
    QCOMPARE(image.pixelColor(60, 23), frame);
    QCOMPARE(image.pixelColor(1, 12), frameWidth == 2 ? frame : background);
    QCOMPARE(image.pixelColor(60, 1), frameWidth == 2 ? frame : background);
    QCOMPARE(image.pixelColor(2, 12), background);
    QCOMPARE(image.pixelColor(3, 12), focusRect ? Rgb(TmBitButton::DefaultFocusRect) : background);
    QCOMPARE(
        image.pixelColor(116, 12), focusRect ? Rgb(TmBitButton::DefaultFocusRect) : background);
    QCOMPARE(image.pixelColor(60, 12), text);
    if (b->MousePressed())
        QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(150, 5));
}

void TestBitButton::pressDragOffReleaseDoesNotClick()
{
    Form f;
    TmBitButton *b = f.button;
    QSignalSpy clicks(b, &TmBitButton::OnClick);
    MoveTo(b, QPoint(5, 5));
    QVERIFY(b->Hot());
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(b->MousePressed());
    QCOMPARE(b->Color(), b->ColorLowBkgr());
    MoveTo(b, QPoint(100, 50));
    QCOMPARE(b->Color(), b->ColorLightBkgr());
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(100, 50));
    QCOMPARE(clicks.count(), 0);
    QVERIFY(!b->MousePressed());
    QCOMPARE(b->Color(), b->ColorLightBkgr());
    QCOMPARE(b->Font().Color(), b->ColorLowLiter());
    // Released inside, the same press clicks.
    MoveTo(b, QPoint(5, 5));
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(6, 6));
    QCOMPARE(clicks.count(), 1);
}

void TestBitButton::pressWithoutHotIsIgnored()
{
    Form f;
    // A press without Hot (a button the pointer was never seen entering) does nothing.
    auto *other = new TmBitButton(&f.window);
    other->move(20, 60);
    other->show();
    QVERIFY(!other->Hot());
    QSignalSpy clicks(other, &TmBitButton::OnClick);
    QTest::mousePress(other, Qt::LeftButton, {}, QPoint(5, 5), -1);
    QVERIFY(!other->MousePressed());
    QCOMPARE(other->Color(), other->ColorLightBkgr());
    QTest::mouseRelease(other, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(clicks.count(), 0);
}

void TestBitButton::spaceClicksOnRelease_data()
{
    QTest::addColumn<QString>("pointer");
    QTest::addColumn<bool>("pressOnButton");
    QTest::addColumn<int>("clicks");
    QTest::newRow("held and released") << "none" << true << 1;
    QTest::newRow("held, pointer moved over it") << "over" << true << 1;
    QTest::newRow("held, pointer moved over it and off") << "off" << true << 0;
    QTest::newRow("release of a press made elsewhere") << "none" << false << 0;
    QTest::newRow("release of a press made elsewhere, pointer over") << "hover" << false << 0;
}

void TestBitButton::spaceClicksOnRelease()
{
    QFETCH(QString, pointer);
    QFETCH(bool, pressOnButton);
    QFETCH(int, clicks);
    Form f;
    TmBitButton *b = f.button;
    f.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    b->setFocus();
    QSignalSpy spy(b, &TmBitButton::OnClick);
    if (pointer == "hover")
        MoveTo(b, QPoint(5, 5));
    if (pressOnButton) {
        QTest::keyPress(b, Qt::Key_Space);
        QVERIFY(b->SpacePressed());
        QCOMPARE(b->Color(), b->ColorLowBkgr());
    }
    if (pointer == "over" || pointer == "off") {
        MoveTo(b, QPoint(5, 5));
        QVERIFY(!b->SpacePressed());
        QVERIFY(b->MousePressed());
        QCOMPARE(b->Color(), b->ColorLowBkgr());
    }
    if (pointer == "off")
        MoveTo(&f.window, QPoint(180, 90));
    QTest::keyRelease(b, Qt::Key_Space);
    QCOMPARE(spy.count(), clicks);
    QVERIFY(!b->MousePressed());
    QCOMPARE(b->Color(), b->ColorLightBkgr());
}

void TestBitButton::keysWhileSpaceHeldAreSwallowed()
{
    Form f;
    auto *other = new TmBitButton(&f.window);
    other->SetCaption(QStringLiteral("&Поиск"));
    other->move(20, 60);
    other->show();
    f.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    f.button->setFocus();
    QSignalSpy otherClicks(other, &TmBitButton::OnClick);
    QTest::keyPress(f.button, Qt::Key_Space);
    TypeChar(f.button, QChar(u'п'));
    QCOMPARE(otherClicks.count(), 0);
    QTest::keyRelease(f.button, Qt::Key_Space);
    TypeChar(f.button, QChar(u'п'));
    QCOMPARE(otherClicks.count(), 1);
}

void TestBitButton::dialogKeys_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<int>("result");
    QTest::newRow("Enter in an edit") << "edit" << int(Qt::Key_Return) << "ok" << 1;
    QTest::newRow("keypad Enter in an edit") << "edit" << int(Qt::Key_Enter) << "ok" << 1;
    QTest::newRow("Enter on a check box") << "check" << int(Qt::Key_Return) << "ok" << 1;
    QTest::newRow("Enter on the default button") << "ok" << int(Qt::Key_Return) << "ok" << 1;
    QTest::newRow("Enter on another button") << "other" << int(Qt::Key_Return) << "other" << 0;
    QTest::newRow("Enter on the cancel button") << "cancel" << int(Qt::Key_Return) << "cancel" << 2;
    QTest::newRow("Escape in an edit") << "edit" << int(Qt::Key_Escape) << "cancel" << 2;
    QTest::newRow("Escape on the default button") << "ok" << int(Qt::Key_Escape) << "cancel" << 2;
}

void TestBitButton::dialogKeys()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(QString, clicked);
    QFETCH(int, result);
    QDialog dialog;
    dialog.resize(300, 120);
    auto *edit = new QLineEdit(&dialog);
    auto *check = new QCheckBox(QStringLiteral("Регистр"), &dialog);
    check->move(0, 30);
    auto *ok = new TmBitButton(&dialog);
    ok->SetCaption(QStringLiteral("Готово"));
    ok->SetModalResult(TModalResult::mrOk);
    ok->SetDefault(true);
    ok->move(10, 80);
    auto *cancel = new TmBitButton(&dialog);
    cancel->SetCaption(QStringLiteral("Отменить"));
    cancel->SetModalResult(TModalResult::mrCancel);
    cancel->SetCancel(true);
    cancel->move(100, 80);
    auto *other = new TmBitButton(&dialog);
    other->SetCaption(QStringLiteral("Цвет"));
    other->move(190, 80);
    QMap<QString, TmBitButton *> buttons {{"ok", ok}, {"cancel", cancel}, {"other", other}};
    QMap<QString, int> clicks;
    for (auto it = buttons.cbegin(); it != buttons.cend(); ++it) {
        connect(it.value(), &TmBitButton::OnClick, this,
            [&clicks, name = it.key()] { ++clicks[name]; });
    }
    dialog.setModal(true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QWidget *target = focus == "edit" ? edit
        : focus == "check"            ? static_cast<QWidget *>(check)
                                      : buttons.value(focus);
    target->setFocus();
    QCOMPARE(QApplication::focusWidget(), target);
    QCOMPARE(ok->DefaultActive(), focus != "other" && focus != "cancel");
    QTest::keyClick(target, Qt::Key(key));
    QCOMPARE(clicks.value(clicked), 1);
    int total = 0;
    for (int n : std::as_const(clicks))
        total += n;
    QCOMPARE(total, 1);
    QCOMPARE(dialog.result(), result);
    QCOMPARE(dialog.isVisible(), result == 0);
}

void TestBitButton::modalResultIsSetBeforeOnClick_data()
{
    QTest::addColumn<int>("modalResult");
    QTest::newRow("mrOk") << 1;
    QTest::newRow("mrCancel") << 2;
    QTest::newRow("mrNone resets the result") << 0;
}

void TestBitButton::modalResultIsSetBeforeOnClick()
{
    QFETCH(int, modalResult);
    QDialog dialog;
    auto *b = new TmBitButton(&dialog);
    b->SetModalResult(TModalResult(modalResult));
    dialog.setModal(true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.setResult(7);
    int seen = -1;
    connect(b, &TmBitButton::OnClick, this, [&] { seen = dialog.result(); });
    b->Click();
    QCOMPARE(seen, modalResult);
    QCOMPARE(dialog.result(), modalResult);
    QCOMPARE(dialog.isVisible(), modalResult == 0);
}

void TestBitButton::onClickMayKeepDialogOpen()
{
    QDialog dialog;
    auto *b = new TmBitButton(&dialog);
    b->SetModalResult(TModalResult::mrOk);
    connect(b, &TmBitButton::OnClick, &dialog, [&] { dialog.setResult(0); });
    dialog.setModal(true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    b->Click();
    QVERIFY(dialog.isVisible());
}

void TestBitButton::mnemonicClicks_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QChar>("typed");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("clicks");
    QTest::newRow("letter") << "&Поиск" << QChar(u'п') << 0 << true << 1;
    QTest::newRow("capital") << "&Поиск" << QChar(u'П') << int(Qt::ShiftModifier) << true << 1;
    QTest::newRow("with Alt") << "&Поиск" << QChar(u'п') << int(Qt::AltModifier) << true << 1;
    QTest::newRow("other letter") << "&Поиск" << QChar(u'о') << 0 << true << 0;
    QTest::newRow("with Ctrl") << "&Поиск" << QChar(u'п') << int(Qt::ControlModifier) << true << 0;
    QTest::newRow("disabled") << "&Поиск" << QChar(u'п') << 0 << false << 0;
    QTest::newRow("doubled ampersand") << "A&&B" << QChar(u'b') << 0 << true << 0;
    QTest::newRow("second letter") << "От&мена" << QChar(u'м') << 0 << true << 1;
}

void TestBitButton::mnemonicClicks()
{
    QFETCH(QString, caption);
    QFETCH(QChar, typed);
    QFETCH(int, modifiers);
    QFETCH(bool, enabled);
    QFETCH(int, clicks);
    Form f;
    auto *check = new QCheckBox(QStringLiteral("x"), &f.window);
    check->move(0, 70);
    check->show();
    f.button->SetCaption(caption);
    f.button->setEnabled(enabled);
    f.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    check->setFocus();
    QSignalSpy spy(f.button, &TmBitButton::OnClick);
    TypeChar(check, typed, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(spy.count(), clicks);
}

void TestBitButton::onlyCharactersMatchMnemonics_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("clicks");
    // Each key code, cut to a character, reads as the mnemonic.
    QTest::newRow("F2 is not 1") << "Шаг &1" << int(Qt::Key_F2) << 0;
    QTest::newRow("Menu is not U") << "&Undo" << int(Qt::Key_Menu) << 0;
    QTest::newRow("Super is not S") << "&Save" << int(Qt::Key_Super_L) << 0;
    QTest::newRow("the digit itself") << "Шаг &1" << int(Qt::Key_1) << 1;
}

void TestBitButton::onlyCharactersMatchMnemonics()
{
    QFETCH(QString, caption);
    QFETCH(int, key);
    QFETCH(int, clicks);
    Form f;
    auto *check = new QCheckBox(QStringLiteral("x"), &f.window);
    check->move(0, 70);
    check->show();
    f.button->SetCaption(caption);
    f.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    check->setFocus();
    QSignalSpy spy(f.button, &TmBitButton::OnClick);
    QTest::keyClick(check, Qt::Key(key));
    QCOMPARE(spy.count(), clicks);
}

QTEST_MAIN(TestBitButton)
#include "tst_mbitbutton.moc"
