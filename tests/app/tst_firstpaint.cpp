#include "app/FirstPaint.h"

#include <QtTest>

namespace {

// Counts the paints it receives.
class TPaintCounter : public QWidget
{
public:
    using QWidget::QWidget;
    int Paints = 0;

protected:
    void paintEvent(QPaintEvent *) override { ++Paints; }
};

} // namespace

// The moment start-up is measured to: the window and what it holds drawn, told once.
class TestFirstPaint : public QObject
{
    Q_OBJECT

private slots:
    void toldOnceWhenTheWindowAndItsContentsArePainted_data()
    {
        QTest::addColumn<bool>("shown");
        QTest::newRow("shown") << true;
        QTest::newRow("never shown") << false;
    }

    void toldOnceWhenTheWindowAndItsContentsArePainted()
    {
        QFETCH(bool, shown);
        TPaintCounter window;
        window.resize(200, 100);
        auto *contents = new TPaintCounter(&window);
        contents->setGeometry(10, 10, 100, 50);
        int told = 0;
        int contentsPaintsWhenTold = 0;
        new TFirstPaintWatcher(&window, [&] {
            ++told;
            contentsPaintsWhenTold = contents->Paints;
        });
        if (shown) {
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QTRY_COMPARE(told, 1);
            QVERIFY(contentsPaintsWhenTold >= 1);
            window.repaint();
            QVERIFY(window.Paints >= 2);
        }
        QTest::qWait(50);
        QCOMPARE(told, shown ? 1 : 0);
    }
};

QTEST_MAIN(TestFirstPaint)
#include "tst_firstpaint.moc"
