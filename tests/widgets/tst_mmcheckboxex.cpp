#include "widgets/mmCheckBoxEx.h"

#include <QTest>

using namespace Colors;

namespace {

const QColor Black(0, 0, 0);
const QColor White(255, 255, 255);
const QColor LightGrey(192, 192, 192);
const QColor Background(200, 220, 240);

// The pixels of the check mark: three strokes, one above the other.
QList<QPoint> MarkPixels()
{
    QList<QPoint> pixels;
    for (int s = 0; s < 3; ++s) {
        for (QPoint p : {QPoint(3, 7), QPoint(4, 8), QPoint(5, 9), QPoint(6, 8), QPoint(7, 7),
                 QPoint(8, 6), QPoint(9, 5)})
            pixels.append(p - QPoint(0, s));
    }
    return pixels;
}

void MoveTo(QWidget *w, QPoint pos)
{
    QTest::mouseMove(w, pos + QPoint(1, 1));
    QTest::mouseMove(w, pos);
}

struct Form
{
    QWidget window;
    TmmCheckBoxEx *box;
    Form()
    {
        QPalette pal = window.palette();
        pal.setColor(QPalette::Window, Background);
        window.setPalette(pal);
        window.resize(220, 60);
        box = new TmmCheckBoxEx(QStringLiteral("Использовать цвет"), &window);
        box->setGeometry(10, 10, 160, 17);
        box->SetCtl3D(false);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // The pointer starts away from the box, wherever the last test left it: a window
        // shown under it is entered without the pointer moving, and only a move from the box
        // to elsewhere tells the box that the pointer is not over it.
        MoveTo(box, QPoint(5, 8));
        MoveTo(&window, QPoint(210, 50));
    }
    // The 13 x 14 box as it appears on the control.
    QImage BoxOnScreen() const
    {
        const int x = box->Alignment() == TAlignment::taLeftJustify ? box->width() - 13 : 0;
        return box->grab()
            .toImage()
            .copy(x, box->height() / 2 - 7, 13, 14)
            .convertToFormat(QImage::Format_RGB32);
    }
};

} // namespace

class TestCheckBoxEx : public QObject
{
    Q_OBJECT

private slots:
    void boxImage_data();
    void boxImage();
    void boxSideFollowsAlignment_data();
    void boxSideFollowsAlignment();
    void pointerPreviewsTheRelease();
    void disabledBoxDoesNotLightUp();
    void releaseInsideToggles();
    void threeDLookIsThePlatformCheckBox();
};

void TestCheckBoxEx::boxImage_data()
{
    QTest::addColumn<bool>("hot");
    QTest::addColumn<bool>("pressed");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<QColor>("face");
    QTest::addColumn<bool>("mark");
    QTest::newRow("idle") << false << false << false << White << false;
    QTest::newRow("idle, checked") << false << false << true << White << true;
    QTest::newRow("hot") << true << false << false << LightGrey << false;
    QTest::newRow("hot, checked") << true << false << true << LightGrey << true;
    QTest::newRow("pressed, pointer over it") << true << true << false << White << true;
    QTest::newRow("pressed over it, checked") << true << true << true << White << false;
    QTest::newRow("pressed, pointer off") << false << true << false << LightGrey << false;
    QTest::newRow("pressed off, checked") << false << true << true << LightGrey << true;
}

void TestCheckBoxEx::boxImage()
{
    QFETCH(bool, hot);
    QFETCH(bool, pressed);
    QFETCH(bool, checked);
    QFETCH(QColor, face);
    QFETCH(bool, mark);
    Form f;
    f.box->setChecked(checked);
    // The states come from the pointer, as the user makes them.
    if (hot || pressed)
        MoveTo(f.box, QPoint(5, 8));
    if (pressed)
        QTest::mousePress(f.box, Qt::LeftButton, {}, QPoint(5, 8));
    if (pressed && !hot)
        QTest::mouseMove(f.box, QPoint(190, 40));
    QCOMPARE(f.box->Hot(), hot);
    QCOMPARE(f.box->Pressed(), pressed);

    const QImage image = f.BoxOnScreen();
    QCOMPARE(image, f.box->BoxBitmap());
    for (int i = 0; i < 13; ++i) {
        QCOMPARE(image.pixelColor(i, 0), Background);
        QCOMPARE(image.pixelColor(i, 12), Background);
        QCOMPARE(image.pixelColor(i, 13), Background);
        QCOMPARE(image.pixelColor(0, i), Background);
        QCOMPARE(image.pixelColor(12, i), Background);
    }
    for (int i = 1; i < 12; ++i) {
        QCOMPARE(image.pixelColor(i, 1), Black);
        QCOMPARE(image.pixelColor(i, 11), Black);
        QCOMPARE(image.pixelColor(1, i), Black);
        QCOMPARE(image.pixelColor(11, i), Black);
    }
    const QList<QPoint> markPixels = MarkPixels();
    for (int y = 2; y <= 10; ++y) {
        for (int x = 2; x <= 10; ++x) {
            const bool inMark = markPixels.contains(QPoint(x, y));
            QCOMPARE(image.pixelColor(x, y), inMark && mark ? Black : face);
        }
    }
    if (pressed)
        QTest::mouseRelease(f.box, Qt::LeftButton, {}, QPoint(190, 40));
}

void TestCheckBoxEx::boxSideFollowsAlignment_data()
{
    QTest::addColumn<TAlignment>("alignment");
    QTest::addColumn<int>("boxLeft");
    QTest::newRow("caption right of the box") << TAlignment::taRightJustify << 0;
    QTest::newRow("caption left of the box") << TAlignment::taLeftJustify << 160 - 13;
}

void TestCheckBoxEx::boxSideFollowsAlignment()
{
    QFETCH(TAlignment, alignment);
    QFETCH(int, boxLeft);
    Form f;
    f.box->SetAlignment(alignment);
    QVERIFY(!f.box->Hot());
    const QImage image = f.box->grab().toImage();
    // The black ring's left column and, one further in, the white face.
    QCOMPARE(image.pixelColor(boxLeft + 1, 8), Black);
    QCOMPARE(image.pixelColor(boxLeft + 2, 4), White);
    QCOMPARE(image.pixelColor(boxLeft + 11, 8), Black);
    // The gap between box and caption.
    const int gap = boxLeft == 0 ? 13 + 1 : boxLeft - 2;
    for (int y = 0; y < 17; ++y)
        QCOMPARE(image.pixelColor(gap, y), Background);
}

void TestCheckBoxEx::pointerPreviewsTheRelease()
{
    Form f;
    MoveTo(f.box, QPoint(5, 8));
    QImage box = f.BoxOnScreen();
    QCOMPARE(box.pixelColor(3, 3), LightGrey);
    QCOMPARE(box.pixelColor(5, 9), LightGrey);

    QTest::mousePress(f.box, Qt::LeftButton, {}, QPoint(5, 8));
    box = f.BoxOnScreen();
    QCOMPARE(box.pixelColor(3, 3), White);
    QCOMPARE(box.pixelColor(5, 9), Black);

    QTest::mouseMove(f.box, QPoint(190, 40));
    box = f.BoxOnScreen();
    QCOMPARE(box.pixelColor(3, 3), LightGrey);
    QCOMPARE(box.pixelColor(5, 9), LightGrey);

    QTest::mouseRelease(f.box, Qt::LeftButton, {}, QPoint(190, 40));
    QVERIFY(!f.box->isChecked());
    QVERIFY(!f.box->Pressed());
}

void TestCheckBoxEx::releaseInsideToggles()
{
    Form f;
    // Anywhere on the control, the caption's far end included.
    MoveTo(f.box, QPoint(150, 8));
    QTest::mouseClick(f.box, Qt::LeftButton, {}, QPoint(150, 8));
    QVERIFY(f.box->isChecked());
    const QImage box = f.BoxOnScreen();
    QCOMPARE(box.pixelColor(5, 9), Black);
    QCOMPARE(box.pixelColor(3, 3), LightGrey);
}

void TestCheckBoxEx::threeDLookIsThePlatformCheckBox()
{
    QWidget window;
    window.resize(220, 60);
    auto *ours = new TmmCheckBoxEx(QStringLiteral("Использовать"), &window);
    ours->setGeometry(10, 10, 160, 17);
    auto *plain = new QCheckBox(QStringLiteral("Использовать"), &window);
    plain->setGeometry(10, 30, 160, 17);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (bool checked : {false, true}) {
        ours->setChecked(checked);
        plain->setChecked(checked);
        QCOMPARE(ours->grab().toImage(), plain->grab().toImage());
    }
    ours->SetCtl3D(false);
    QVERIFY(ours->grab().toImage() != plain->grab().toImage());
}

void TestCheckBoxEx::disabledBoxDoesNotLightUp()
{
    Form f;
    const QImage idle = f.BoxOnScreen();
    f.box->setEnabled(false);
    MoveTo(f.box, QPoint(5, 8));
    QVERIFY(!f.box->Hot());
    QCOMPARE(f.BoxOnScreen(), idle);
    // Enabled again under the resting pointer, it is hot at once.
    f.box->setEnabled(true);
    QVERIFY(f.box->Hot());
    QCOMPARE(f.BoxOnScreen().pixelColor(6, 6), LightGrey);
}

QTEST_MAIN(TestCheckBoxEx)
#include "tst_mmcheckboxex.moc"
