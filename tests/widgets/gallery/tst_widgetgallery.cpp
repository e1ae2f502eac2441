#include "widgets/gallery/WidgetGallery.h"

#include "widgets/mBitButton.h"

#include <QDir>
#include <QSet>
#include <QTest>

namespace {

QRect CellOf(const TGallerySheet &sheet, const QString &name)
{
    for (const auto &[cellName, rect] : sheet.cells) {
        if (cellName == name)
            return rect;
    }
    return {};
}

QImage CellImage(const TGallerySheet &sheet, const QString &name, qreal scale)
{
    const QRect cell = CellOf(sheet, name);
    const QRect device(cell.topLeft() * scale, cell.size() * scale);
    QImage image = sheet.image.copy(device).convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(1);
    return image;
}

} // namespace

class TestWidgetGallery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everySampleIsDrawn_data();
    void everySampleIsDrawn();
    void flatBoxesStaySharpAtDoubleScale_data();
    void flatBoxesStaySharpAtDoubleScale();
    void focusedSamplesShowTheFocus();
    void windowFitsTheScreen();
    void stillButtonSamplesShowTheirStates_data();
    void stillButtonSamplesShowTheirStates();

private:
    TGallerySheet FSheets[2];
};

void TestWidgetGallery::initTestCase()
{
    for (int i = 0; i < 2; ++i) {
        FSheets[i] = RenderGallery(i + 1);
        const QString path = QDir::temp().filePath(
            QStringLiteral("phonebook_widget_gallery_%1.png").arg((i + 1) * 100));
        QVERIFY(FSheets[i].image.save(path));
        qInfo("gallery written to %s", qPrintable(path));
    }
}

void TestWidgetGallery::everySampleIsDrawn_data()
{
    QTest::addColumn<int>("scale");
    QTest::newRow("100 %") << 1;
    QTest::newRow("200 %") << 2;
}

void TestWidgetGallery::everySampleIsDrawn()
{
    QFETCH(int, scale);
    const TGallerySheet &sheet = FSheets[scale - 1];
    const TGallerySheet &base = FSheets[0];
    QCOMPARE(sheet.image.size(), base.image.size() * scale);
    QCOMPARE(sheet.cells, base.cells);
    QVERIFY(sheet.cells.size() >= 40);
    const QRect bounds(QPoint(0, 0), base.image.size());
    for (int i = 0; i < sheet.cells.size(); ++i) {
        const auto &[name, rect] = sheet.cells.at(i);
        QVERIFY2(bounds.contains(rect), qPrintable(name));
        for (int j = i + 1; j < sheet.cells.size(); ++j)
            QVERIFY2(!rect.intersects(sheet.cells.at(j).second), qPrintable(name));
        // A drawn widget has more than the host's face in it.
        const QImage image = CellImage(sheet, name, scale);
        QSet<QRgb> colours;
        for (int y = 0; y < image.height() && colours.size() < 3; ++y)
            for (int x = 0; x < image.width() && colours.size() < 3; ++x)
                colours.insert(image.pixel(x, y));
        QVERIFY2(colours.size() >= 3, qPrintable(name));
    }
}

void TestWidgetGallery::flatBoxesStaySharpAtDoubleScale_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QRect>("box");
    // The check box sits 6 pixels into its host, 17 high: its box starts at y 6 + 8 - 7.
    QTest::newRow("check box") << "TmmCheckBoxEx / checked" << QRect(6, 7, 13, 14);
    QTest::newRow("pressed check box") << "TmmCheckBoxEx / pressed" << QRect(6, 7, 13, 14);
    QTest::newRow("radio button") << "TmmRadioButtonEx / checked" << QRect(6, 7, 13, 13);
    QTest::newRow("combo button") << "TmmComboBox / normal" << QRect(6 + 140 - 18, 6, 18, 21);
    QTest::newRow("button frame") << "TmBitButton / pressed" << QRect(6, 6, 6, 21);
}

void TestWidgetGallery::flatBoxesStaySharpAtDoubleScale()
{
    QFETCH(QString, cell);
    QFETCH(QRect, box);
    const QImage single = CellImage(FSheets[0], cell, 1).copy(box);
    const QImage twice
        = CellImage(FSheets[1], cell, 2).copy(QRect(box.topLeft() * 2, box.size() * 2));
    // Every pixel of the 100 % drawing becomes a 2 x 2 block: no blur, no seams.
    QCOMPARE(
        twice, single.scaled(single.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation));
}

void TestWidgetGallery::focusedSamplesShowTheFocus()
{
    const QImage focused = CellImage(FSheets[0], QStringLiteral("TmBitButton / focused"), 1);
    const QImage normal = CellImage(FSheets[0], QStringLiteral("TmBitButton / normal"), 1);
    // The focus rectangle three pixels inside the button, which is 6 pixels into its host.
    QCOMPARE(focused.pixelColor(6 + 3, 6 + 10), QColor(110, 110, 110));
    QCOMPARE(focused.pixelColor(6 + 1, 6 + 10), QColor(0, 0, 0));
    QCOMPARE(normal.pixelColor(6 + 1, 6 + 10), QColor(165, 165, 148));
}

// A 1,280 x 1,024 screen, less the window's frame and title bar and a task bar.
void TestWidgetGallery::windowFitsTheScreen()
{
    TWidgetGallery gallery;
    const QSize size = gallery.sizeHint();
    QVERIFY2(size.width() <= 1280 - 2 * 8 && size.height() <= 1024 - 30 - 8 - 40,
        qPrintable(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height())));
}

void TestWidgetGallery::stillButtonSamplesShowTheirStates_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QColor>("colour");
    // The button sits 6 pixels into its sample; (5, 5) is inside the frames, off the caption.
    const QColor face = ToQColor(TmBitButton::DefaultLightBkgr);
    const QColor pressed = ToQColor(Colors::clBlack);
    const QColor focusRect = ToQColor(TmBitButton::DefaultFocusRect);
    QTest::newRow("normal") << "normal" << QPoint(6 + 5, 6 + 5) << face;
    QTest::newRow("pressed") << "pressed" << QPoint(6 + 5, 6 + 5) << pressed;
    QTest::newRow("space held") << "space held" << QPoint(6 + 5, 6 + 5) << pressed;
    QTest::newRow("focused: focus rectangle") << "focused" << QPoint(6 + 3, 6 + 10) << focusRect;
    QTest::newRow("focused: thick frame") << "focused" << QPoint(6 + 1, 6 + 10) << pressed;
}

// In the gallery window, where another sample has the focus.
void TestWidgetGallery::stillButtonSamplesShowTheirStates()
{
    QFETCH(QString, state);
    QFETCH(QPoint, at);
    QFETCH(QColor, colour);
    TWidgetGallery gallery;
    gallery.show();
    QVERIFY(QTest::qWaitForWindowExposed(&gallery));
    const QRect cell = gallery.StillCell(QStringLiteral("TmBitButton / ") + state);
    QVERIFY(!cell.isEmpty());
    QCOMPARE(gallery.grab().toImage().pixelColor(cell.topLeft() + at), colour);
}

QTEST_MAIN(TestWidgetGallery)
#include "tst_widgetgallery.moc"
