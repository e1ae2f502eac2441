#include "widgets/mmComboBox.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QTest>

using namespace Colors;

namespace {

const QColor Black(0, 0, 0);
const QColor Face = ToQColor(TmmComboBox::DefaultColorBt);
const QColor Window(255, 255, 224);
constexpr int W = 150, H = 21;

void MoveTo(QWidget *w, QPoint pos)
{
    QTest::mouseMove(w, pos + QPoint(-1, 1));
    QTest::mouseMove(w, pos);
}

struct Form
{
    QWidget window;
    TmmComboBox *combo;
    explicit Form(bool editable = false)
    {
        window.resize(240, 60);
        combo = new TmmComboBox(&window);
        combo->setEditable(editable);
        combo->addItems({QStringLiteral("Фамилия"), QStringLiteral("Телефон")});
        combo->setGeometry(10, 10, W, H);
        combo->SetColor(FromQColor(Window));
        combo->SetCtl3D(false);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        MoveTo(combo, QPoint(5, 5));
        MoveTo(&window, QPoint(230, 50));
    }
    QImage Image() const { return combo->grab().toImage(); }
};

// The three rows of the arrow: 5, 3 and 1 pixels centred on x = W - 10.
void CheckArrow(const QImage &image, const QColor &arrow, const QColor &face)
{
    const int mid = H / 2;
    for (int x = W - 13; x <= W - 7; ++x) {
        QCOMPARE(image.pixelColor(x, mid - 1), x >= W - 12 && x <= W - 8 ? arrow : face);
        QCOMPARE(image.pixelColor(x, mid), x >= W - 11 && x <= W - 9 ? arrow : face);
        QCOMPARE(image.pixelColor(x, mid + 1), x == W - 10 ? arrow : face);
    }
    QCOMPARE(image.pixelColor(W - 10, mid - 2), face);
    QCOMPARE(image.pixelColor(W - 10, mid + 2), face);
}

} // namespace

class TestComboBox : public QObject
{
    Q_OBJECT

private slots:
    void flatFrameAndButton_data();
    void flatFrameAndButton();
    void buttonHotFollowsPointer_data();
    void buttonHotFollowsPointer();
    void arrowLightsUnderPointerUntilDroppedDown();
    void pressDarkensButton();
    void releaseOnTheDroppedListLiftsTheButton();
    void enterNeverAppendsTypedText();
    void disabledButtonDoesNotLightUp();
    void editPartFollowsParentColourWhileShown();
    void colorBtRepaints();
    void editPartStaysInsideFrame();
    void threeDLookIsThePlatformComboBox();
};

void TestComboBox::flatFrameAndButton_data()
{
    QTest::addColumn<bool>("editable");
    QTest::newRow("drop-down list") << false;
    QTest::newRow("editable") << true;
}

void TestComboBox::flatFrameAndButton()
{
    QFETCH(bool, editable);
    Form f(editable);
    QCOMPARE(f.combo->ColorBt(), TColor(9740965));
    const QImage image = f.Image();
    for (int x = 0; x < W; ++x) {
        QCOMPARE(image.pixelColor(x, 0), Black);
        QCOMPARE(image.pixelColor(x, H - 1), Black);
    }
    for (int y = 0; y < H; ++y) {
        QCOMPARE(image.pixelColor(0, y), Black);
        QCOMPARE(image.pixelColor(W - 1, y), Black);
        QCOMPARE(image.pixelColor(W - 18, y), Black);
    }
    for (int x = 1; x < W - 18; ++x) {
        QCOMPARE(image.pixelColor(x, 1), Window);
        QCOMPARE(image.pixelColor(x, H - 2), Window);
    }
    for (int y = 1; y < H - 1; ++y) {
        QCOMPARE(image.pixelColor(1, y), Window);
        QCOMPARE(image.pixelColor(2, y), Window);
        QCOMPARE(image.pixelColor(W - 17, y), Face);
        QCOMPARE(image.pixelColor(W - 2, y), Face);
    }
    CheckArrow(image, Black, Face);
}

void TestComboBox::buttonHotFollowsPointer_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<bool>("hot");
    QTest::newRow("button's left edge") << QPoint(W - 18, 10) << true;
    QTest::newRow("left of the button") << QPoint(W - 19, 10) << false;
    QTest::newRow("bottom right corner") << QPoint(W - 1, H - 1) << true;
    QTest::newRow("top row") << QPoint(W - 10, 0) << false;
    QTest::newRow("first row of the button") << QPoint(W - 10, 1) << true;
    QTest::newRow("text part") << QPoint(20, 10) << false;
}

void TestComboBox::buttonHotFollowsPointer()
{
    QFETCH(QPoint, pos);
    QFETCH(bool, hot);
    Form f;
    MoveTo(f.combo, pos);
    QCOMPARE(f.combo->ButtonHot(), hot);
    CheckArrow(f.Image(), hot ? Window : Black, Face);
    MoveTo(&f.window, QPoint(230, 50));
    QVERIFY(!f.combo->ButtonHot());
}

void TestComboBox::arrowLightsUnderPointerUntilDroppedDown()
{
    Form f;
    MoveTo(f.combo, QPoint(W - 9, 10));
    QVERIFY(f.combo->ButtonHot());
    CheckArrow(f.Image(), Window, Face);
    f.combo->showPopup();
    QVERIFY(f.combo->DroppedDown());
    CheckArrow(f.Image(), Black, Face);
    f.combo->hidePopup();
    QVERIFY(!f.combo->DroppedDown());
    // The list took the pointer while it was down; the next move over the button lights it.
    MoveTo(f.combo, QPoint(W - 8, 10));
    CheckArrow(f.Image(), Window, Face);
}

void TestComboBox::pressDarkensButton()
{
    Form f;
    MoveTo(f.combo, QPoint(W - 9, 10));
    QTest::mousePress(f.combo, Qt::LeftButton, {}, QPoint(W - 9, 10));
    QVERIFY(f.combo->ButtonPressed());
    QVERIFY(f.combo->DroppedDown());
    CheckArrow(f.Image(), Window, Black);
    // The release arrives at the list that has just dropped down.
    QWidget *list = f.combo->view()->parentWidget();
    QTest::mouseRelease(
        list, Qt::LeftButton, {}, list->mapFromGlobal(f.combo->mapToGlobal(QPoint(W - 9, 10))));
    QVERIFY(!f.combo->ButtonPressed());
    CheckArrow(f.Image(), Black, Face);
    f.combo->hidePopup();
    QVERIFY(!f.combo->DroppedDown());
}

void TestComboBox::colorBtRepaints()
{
    Form f;
    f.combo->SetColorBt(clRed);
    const QImage image = f.Image();
    QCOMPARE(image.pixelColor(W - 3, 3), QColor(Qt::red));
    CheckArrow(image, Black, QColor(Qt::red));
}

void TestComboBox::editPartStaysInsideFrame()
{
    Form f(true);
    const QRect edit = f.combo->lineEdit()->geometry();
    QVERIFY(edit.left() >= 2);
    QVERIFY(edit.top() >= 2);
    QVERIFY(edit.right() < W - 18);
    QVERIFY(edit.bottom() <= H - 3);
    QCOMPARE(f.combo->lineEdit()->palette().color(QPalette::Base), Window);
}

void TestComboBox::threeDLookIsThePlatformComboBox()
{
    QWidget window;
    window.resize(240, 60);
    auto *ours = new TmmComboBox(&window);
    ours->addItems({QStringLiteral("Фамилия")});
    ours->setGeometry(10, 10, W, H);
    auto *plain = new QComboBox(&window);
    plain->addItems({QStringLiteral("Фамилия")});
    plain->setGeometry(10, 35, W, H);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(ours->grab().toImage(), plain->grab().toImage());
    ours->SetCtl3D(false);
    QVERIFY(ours->grab().toImage() != plain->grab().toImage());
}

void TestComboBox::releaseOnTheDroppedListLiftsTheButton()
{
    Form f;
    MoveTo(f.combo, QPoint(W - 9, 10));
    // Through the windows, as the platform delivers the press and the release.
    QTest::mousePress(
        f.window.windowHandle(), Qt::LeftButton, {}, f.combo->mapTo(&f.window, QPoint(W - 9, 10)));
    QTRY_VERIFY(f.combo->DroppedDown());
    QVERIFY(f.combo->ButtonPressed());
    QWidget *list = f.combo->view()->parentWidget();
    QWidget *viewport = f.combo->view()->viewport();
    const QPoint onList = list->mapFromGlobal(f.combo->mapToGlobal(QPoint(W - 9, 10)));
    // The list opened over the combo: the pointer, where it was pressed, is on its viewport.
    QCOMPARE(list->childAt(onList), viewport);
    QTest::mouseRelease(list->windowHandle(), Qt::LeftButton, {}, onList);
    QVERIFY(!f.combo->ButtonPressed());
    // The list is still down: the face is back and the arrow black.
    QVERIFY(f.combo->DroppedDown());
    CheckArrow(f.Image(), Black, Face);
    f.combo->hidePopup();
}

void TestComboBox::enterNeverAppendsTypedText()
{
    Form f(true);
    f.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    f.combo->lineEdit()->setFocus();
    f.combo->lineEdit()->selectAll();
    QTest::keyClicks(f.combo->lineEdit(), QStringLiteral("Petrov"));
    QTest::keyClick(f.combo->lineEdit(), Qt::Key_Return);
    QCOMPARE(f.combo->count(), 2);
    QCOMPARE(f.combo->currentText(), QStringLiteral("Petrov"));
}

void TestComboBox::disabledButtonDoesNotLightUp()
{
    Form f;
    f.combo->setEnabled(false);
    MoveTo(f.combo, QPoint(W - 9, 10));
    QVERIFY(!f.combo->ButtonHot());
    CheckArrow(f.Image(), Black, Face);
}

void TestComboBox::editPartFollowsParentColourWhileShown()
{
    Form f(true);
    f.combo->SetParentColor(true);
    const QColor newColour(200, 230, 255);
    QPalette pal = f.window.palette();
    pal.setColor(QPalette::Window, newColour);
    f.window.setPalette(pal);
    const QRect edit = f.combo->lineEdit()->geometry();
    const QImage image = f.Image();
    // The inner ring of the frame and the empty end of the edit part: one colour.
    QCOMPARE(image.pixelColor(1, H / 2), newColour);
    QCOMPARE(image.pixelColor(edit.right() - 2, edit.center().y()), newColour);
}

QTEST_MAIN(TestComboBox)
#include "tst_mmcombobox.moc"
