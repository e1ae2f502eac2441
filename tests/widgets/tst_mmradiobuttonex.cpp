#include "core/Exception.h"
#include "core/TFont.h"
#include "widgets/mmRadioButtonEx.h"

#include <QSignalSpy>
#include <QTest>

using namespace Colors;

namespace {

const QColor Black(0, 0, 0);
const QColor White(255, 255, 255);
const QColor LightGrey(192, 192, 192);
const QColor Background(200, 220, 240);

void MoveTo(QWidget *w, QPoint pos)
{
    QTest::mouseMove(w, pos + QPoint(1, 1));
    QTest::mouseMove(w, pos);
}

QList<bool> CheckedStates(const TmmRadioGroup &group)
{
    QList<bool> states;
    for (int i = 0; i < group.ButtonCount(); ++i)
        states.append(group.Button(i)->isChecked());
    return states;
}

QList<bool> OnlyChecked(int count, int index)
{
    QList<bool> states(count, false);
    if (index >= 0)
        states[index] = true;
    return states;
}

struct Form
{
    QWidget window;
    TmmRadioGroup *group;
    Form()
    {
        QPalette pal = window.palette();
        pal.setColor(QPalette::Window, Background);
        window.setPalette(pal);
        window.resize(240, 120);
        group = new TmmRadioGroup(&window);
        group->SetCaption(QStringLiteral(" Напр&авление "));
        TFont font(QStringLiteral("Tahoma"), 8);
        group->setFont(font.ToQFont());
        group->setGeometry(10, 10, 109, 70);
        group->SetCtl3D(false);
        group->SetItems(
            {QStringLiteral("Вперед"), QStringLiteral("Назад"), QStringLiteral("С начала")});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        MoveTo(group->Button(0), QPoint(5, 5));
        MoveTo(&window, QPoint(230, 110));
    }
};

} // namespace

class TestRadioButtonEx : public QObject
{
    Q_OBJECT

private slots:
    void buttonImage_data();
    void buttonImage();
    void disabledButtonDoesNotLightUp();
    void columnsAreClamped_data();
    void columnsAreClamped();
    void itemIndexIsClamped_data();
    void itemIndexIsClamped();
    void shorterItemsMoveItemIndex_data();
    void shorterItemsMoveItemIndex();
    void arrangeStacksButtonsBelowCaption();
    void arrangeSpreadsColumns_data();
    void arrangeSpreadsColumns();
    void clickChecksAndAnnounces();
    void itemIndexWhileReadingIsStoredOnly();
    void clickErrorLeavesGroupUsable();
    void arrowsMoveThroughTheGroup();
    void threeDLookIsThePlatformRadioButton();
};

void TestRadioButtonEx::buttonImage_data()
{
    QTest::addColumn<bool>("hot");
    QTest::addColumn<bool>("pressed");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<QColor>("face");
    QTest::addColumn<bool>("dot");
    QTest::newRow("idle") << false << false << false << White << false;
    QTest::newRow("idle, checked") << false << false << true << White << true;
    QTest::newRow("hot") << true << false << false << LightGrey << false;
    QTest::newRow("pressed over it") << true << true << false << White << true;
    QTest::newRow("pressed over it, checked") << true << true << true << White << false;
    QTest::newRow("pressed, pointer off") << false << true << false << LightGrey << false;
}

void TestRadioButtonEx::buttonImage()
{
    QFETCH(bool, hot);
    QFETCH(bool, pressed);
    QFETCH(bool, checked);
    QFETCH(QColor, face);
    QFETCH(bool, dot);
    Form f;
    TGroupButton *b = f.group->Button(1);
    f.group->SetItemIndex(checked ? 1 : -1);
    if (hot || pressed)
        MoveTo(b, QPoint(5, 8));
    if (pressed)
        QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 8));
    if (pressed && !hot)
        QTest::mouseMove(b, QPoint(150, 60));
    QCOMPARE(b->Hot(), hot);
    QCOMPARE(b->Pressed(), pressed);

    const QImage image = b->grab()
                             .toImage()
                             .copy(0, b->height() / 2 - 7, 13, 13)
                             .convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image, b->BoxBitmap());
    for (QPoint corner : {QPoint(2, 2), QPoint(2, 9), QPoint(9, 2), QPoint(9, 9), QPoint(0, 0),
             QPoint(12, 12), QPoint(11, 6)})
        QCOMPARE(image.pixelColor(corner), Background);
    for (QPoint ring : {QPoint(1, 5), QPoint(10, 5), QPoint(5, 1), QPoint(6, 10), QPoint(3, 2)})
        QCOMPARE(image.pixelColor(ring), Black);
    const QList<QPoint> dotPixels
        = {QPoint(5, 4), QPoint(6, 4), QPoint(4, 5), QPoint(5, 5), QPoint(6, 5), QPoint(7, 5),
            QPoint(4, 6), QPoint(5, 6), QPoint(6, 6), QPoint(7, 6), QPoint(5, 7), QPoint(6, 7)};
    for (QPoint p : dotPixels)
        QCOMPARE(image.pixelColor(p), dot ? Black : face);
    for (QPoint p : {QPoint(2, 5), QPoint(9, 6), QPoint(4, 4), QPoint(7, 7), QPoint(5, 3)})
        QCOMPARE(image.pixelColor(p), face);
    if (pressed)
        QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(150, 60));
}

void TestRadioButtonEx::columnsAreClamped_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("0") << 0 << 1;
    QTest::newRow("-3") << -3 << 1;
    QTest::newRow("2") << 2 << 2;
    QTest::newRow("16") << 16 << 16;
    QTest::newRow("20") << 20 << 16;
}

void TestRadioButtonEx::columnsAreClamped()
{
    QFETCH(int, value);
    QFETCH(int, expected);
    TmmRadioGroup group;
    group.SetColumns(value);
    QCOMPARE(group.Columns(), expected);
}

void TestRadioButtonEx::itemIndexIsClamped_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("past the end") << -1 << 7 << 2;
    QTest::newRow("below -1") << 1 << -5 << -1;
    QTest::newRow("within") << 0 << 1 << 1;
    QTest::newRow("none") << 2 << -1 << -1;
}

void TestRadioButtonEx::itemIndexIsClamped()
{
    QFETCH(int, start);
    QFETCH(int, value);
    QFETCH(int, expected);
    Form f;
    f.group->SetItemIndex(start);
    QCOMPARE(CheckedStates(*f.group), OnlyChecked(3, start));
    f.group->SetItemIndex(value);
    QCOMPARE(f.group->ItemIndex(), expected);
    QCOMPARE(CheckedStates(*f.group), OnlyChecked(3, expected));
}

void TestRadioButtonEx::shorterItemsMoveItemIndex_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("expected");
    QTest::newRow("past the new end") << 2 << QStringList {"a", "b"} << 1;
    QTest::newRow("still inside") << 0 << QStringList {"a", "b"} << 0;
    QTest::newRow("emptied") << 1 << QStringList {} << -1;
    QTest::newRow("longer") << 2 << QStringList {"a", "b", "c", "d"} << 2;
}

void TestRadioButtonEx::shorterItemsMoveItemIndex()
{
    QFETCH(int, start);
    QFETCH(QStringList, items);
    QFETCH(int, expected);
    Form f;
    f.group->SetItemIndex(start);
    f.group->SetItems(items);
    QCOMPARE(f.group->ButtonCount(), items.size());
    QCOMPARE(f.group->ItemIndex(), expected);
    QCOMPARE(CheckedStates(*f.group), OnlyChecked(int(items.size()), expected));
    for (int i = 0; i < items.size(); ++i)
        QCOMPARE(f.group->Button(i)->text(), items.at(i));
}

void TestRadioButtonEx::arrangeStacksButtonsBelowCaption()
{
    Form f;
    const int th = QFontMetrics(f.group->font()).height();
    int previousBottom = th;
    for (int i = 0; i < 3; ++i) {
        const QRect g = f.group->Button(i)->geometry();
        QVERIFY(f.group->Button(i)->isVisible());
        QCOMPARE(g.left(), 8);
        QCOMPARE(g.width(), 109 - 10);
        QVERIFY2(g.top() > previousBottom, qPrintable(QString::number(g.top())));
        QCOMPARE(g.height(), (70 - th - 5) / 3);
        previousBottom = g.bottom();
    }
    QVERIFY(previousBottom < 70 - 1);
}

void TestRadioButtonEx::arrangeSpreadsColumns_data()
{
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("columns");
    QTest::addColumn<bool>("rightToLeft");
    QTest::addColumn<QList<int>>("columnOf");
    QTest::newRow("5 in 2") << 5 << 2 << false << QList<int> {0, 0, 0, 1, 1};
    QTest::newRow("4 in 4") << 4 << 4 << false << QList<int> {0, 1, 2, 3};
    QTest::newRow("3 in 16") << 3 << 16 << false << QList<int> {0, 1, 2};
    QTest::newRow("5 in 2, right to left") << 5 << 2 << true << QList<int> {0, 0, 0, 1, 1};
}

void TestRadioButtonEx::arrangeSpreadsColumns()
{
    QFETCH(int, items);
    QFETCH(int, columns);
    QFETCH(bool, rightToLeft);
    QFETCH(QList<int>, columnOf);
    Form f;
    f.group->resize(210, 80);
    if (rightToLeft)
        f.group->setLayoutDirection(Qt::RightToLeft);
    QStringList list;
    for (int i = 0; i < items; ++i)
        list.append(QString::number(i));
    f.group->SetItems(list);
    f.group->SetColumns(columns);
    const int buttonWidth = (210 - 10) / columns;
    for (int i = 0; i < items; ++i) {
        const QRect g = f.group->Button(i)->geometry();
        const int left = columnOf.at(i) * buttonWidth + 8;
        QCOMPARE(g.left(), rightToLeft ? 210 - left - buttonWidth : left);
        QCOMPARE(g.width(), buttonWidth);
    }
}

void TestRadioButtonEx::clickChecksAndAnnounces()
{
    Form f;
    QSignalSpy clicks(f.group, &TmmRadioGroup::OnClick);
    QSignalSpy changes(f.group, &TmmRadioGroup::Changed);
    TGroupButton *second = f.group->Button(1);
    MoveTo(second, QPoint(40, 8));
    QTest::mouseClick(second, Qt::LeftButton, {}, QPoint(40, 8));
    QCOMPARE(f.group->ItemIndex(), 1);
    QCOMPARE(CheckedStates(*f.group), OnlyChecked(3, 1));
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(changes.count(), 1);
    // A second click on the checked button changes nothing.
    QTest::mouseClick(second, Qt::LeftButton, {}, QPoint(40, 8));
    QCOMPARE(CheckedStates(*f.group), OnlyChecked(3, 1));
    QCOMPARE(clicks.count(), 1);
    MoveTo(f.group->Button(2), QPoint(40, 8));
    QTest::mouseClick(f.group->Button(2), Qt::LeftButton, {}, QPoint(40, 8));
    QCOMPARE(f.group->ItemIndex(), 2);
    QCOMPARE(CheckedStates(*f.group), OnlyChecked(3, 2));
    QCOMPARE(clicks.count(), 2);
}

void TestRadioButtonEx::itemIndexWhileReadingIsStoredOnly()
{
    TmmRadioGroup group;
    group.resize(109, 70);
    group.BeginReading();
    group.SetItemIndex(2);
    QCOMPARE(group.ItemIndex(), 2);
    group.SetItems({"a", "b", "c"});
    group.SetColumns(2);
    QCOMPARE(group.ButtonCount(), 0);
    group.EndReading();
    QCOMPARE(group.ButtonCount(), 3);
    QCOMPARE(CheckedStates(group), OnlyChecked(3, 2));
    QCOMPARE(group.Button(2)->geometry().left(), 8 + (109 - 10) / 2);
}

void TestRadioButtonEx::clickErrorLeavesGroupUsable()
{
    Form f;
    bool fail = true;
    connect(f.group, &TmmRadioGroup::OnClick, this, [&] {
        if (fail)
            throw Exception(QStringLiteral("Ошибка"));
    });
    bool thrown = false;
    try {
        f.group->Button(0)->click();
    } catch (const Exception &e) {
        thrown = e.Message() == QStringLiteral("Ошибка");
    }
    QVERIFY(thrown);
    fail = false;
    f.group->Button(2)->click();
    QCOMPARE(f.group->ItemIndex(), 2);
    QCOMPARE(CheckedStates(*f.group), OnlyChecked(3, 2));
}

void TestRadioButtonEx::arrowsMoveThroughTheGroup()
{
    Form f;
    f.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    f.group->SetItemIndex(0);
    f.group->Button(0)->setFocus();
    QTest::keyClick(f.group->Button(0), Qt::Key_Down);
    QCOMPARE(f.group->ItemIndex(), 1);
    QVERIFY(f.group->Button(1)->hasFocus());
    QTest::keyClick(f.group->Button(1), Qt::Key_Up);
    QTest::keyClick(f.group->Button(0), Qt::Key_Up);
    QCOMPARE(f.group->ItemIndex(), 2);
    QCOMPARE(CheckedStates(*f.group), OnlyChecked(3, 2));
}

void TestRadioButtonEx::threeDLookIsThePlatformRadioButton()
{
    QWidget window;
    window.resize(220, 60);
    auto *ours = new TmmRadioButtonEx(QStringLiteral("Назад"), &window);
    ours->setGeometry(10, 10, 160, 17);
    auto *plain = new QRadioButton(QStringLiteral("Назад"), &window);
    plain->setGeometry(10, 30, 160, 17);
    plain->setAutoExclusive(false);
    ours->setAutoExclusive(false);
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

void TestRadioButtonEx::disabledButtonDoesNotLightUp()
{
    Form f;
    f.group->setEnabled(false);
    TGroupButton *b = f.group->Button(1);
    const QImage idle = b->grab().toImage();
    MoveTo(b, QPoint(5, 8));
    QVERIFY(!b->Hot());
    QCOMPARE(b->grab().toImage(), idle);
}

QTEST_MAIN(TestRadioButtonEx)
#include "tst_mmradiobuttonex.moc"
