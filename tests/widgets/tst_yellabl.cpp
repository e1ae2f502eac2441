#include "widgets/xYellabl.h"

#include <QTimer>
#include <QtTest>

using namespace Colors;

namespace {

QImage Render(QWidget &widget, qreal dpr)
{
    QPixmap pixmap(widget.size() * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    // Only what the label paints itself; a form would give it its background.
    widget.render(&pixmap, QPoint(), QRegion(), QWidget::DrawChildren);
    return pixmap.toImage();
}

// Antialiased curves leave a rounding error of a unit or two on the straight edges next to them.
bool Near(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) <= 3 && qAbs(a.green() - b.green()) <= 3
        && qAbs(a.blue() - b.blue()) <= 3 && qAbs(a.alpha() - b.alpha()) <= 3;
}

// The colour of the logical pixel (x, y) snapped to the expected one when near it, or an invalid
// colour when the device pixels it covers differ, which would mean a blurred edge.
QColor Pixel(const QImage &image, int x, int y, qreal dpr, const QColor &expected)
{
    const int n = int(dpr);
    const QColor first = image.pixelColor(x * n, y * n);
    for (int dy = 0; dy < n; ++dy)
        for (int dx = 0; dx < n; ++dx)
            if (!Near(image.pixelColor(x * n + dx, y * n + dy), first))
                return QColor();
    return Near(first, expected) ? expected : first;
}

bool IsBlank(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).alpha() != 0)
                return false;
    return true;
}

// The columns that hold dark text pixels inside the note's body.
std::pair<int, int> InkColumns(const QImage &image, int top, int bottom, int left, int right)
{
    int first = -1, last = -1;
    for (int x = left; x < right; ++x)
        for (int y = top; y < bottom; ++y)
            if (qGray(image.pixel(x, y)) < 128) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}

const QColor Transparent(0, 0, 0, 0);

// The note as it stands once the opening animation is over.
QImage Opened(TxYellowLabel &label, qreal dpr = 1.0)
{
    Render(label, dpr);
    while (label.Animating())
        label.AnimationStep();
    return Render(label, dpr);
}

// The first and last rows holding dark text pixels between the given columns; -1 for none.
std::pair<int, int> InkRows(const QImage &image, int left, int right)
{
    int first = -1, last = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = left; x < right; ++x) {
            if (image.pixelColor(x, y).alpha() > 0 && qGray(image.pixel(x, y)) < 100) {
                if (first < 0)
                    first = y;
                last = y;
                break;
            }
        }
    }
    return {first, last};
}

} // namespace

class TestXYellabl : public QObject
{
    Q_OBJECT

private slots:
    void defaults();
    void speedRange_data();
    void speedRange();
    void firstPaintStartsAnimationAndDrawsNothing();
    void framesGrowFromCentreInAtMostFiveTicks_data();
    void framesGrowFromCentreInAtMostFiveTicks();
    void repaintDuringAnimationDrawsNothing();
    void finishedNoteHasShadowAndOutline_data();
    void finishedNoteHasShadowAndOutline();
    void timerRunsAnimationToTheEnd();
    void linesShownOnlyWithoutCaption_data();
    void linesShownOnlyWithoutCaption();
    void alignmentPlacesText_data();
    void alignmentPlacesText();
    void laterFontChangesAreDrawn_data();
    void laterFontChangesAreDrawn();
    void detailNoteTextTakesTwoLines_data();
    void detailNoteTextTakesTwoLines();
};

void TestXYellabl::defaults()
{
    TxYellowLabel label;
    QCOMPARE(label.Color(), TColor(12648447));
    QCOMPARE(ToQColor(label.Color()), QColor(255, 255, 192));
    QCOMPARE(label.Speed(), 40);
    QVERIFY(label.Lines().isEmpty());
    QVERIFY(!label.AutoSize());
    QVERIFY(!label.Animating());
    QCOMPARE(label.CurWidth(), 0);
    QCOMPARE(label.CurHeight(), 0);
    QVERIFY(!label.testAttribute(Qt::WA_OpaquePaintEvent));
    QVERIFY(!label.autoFillBackground());
}

void TestXYellabl::speedRange_data()
{
    QTest::addColumn<int>("speed");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("negative") << -5 << false;
    QTest::newRow("zero") << 0 << false;
    QTest::newRow("one") << 1 << true;
    QTest::newRow("999") << 999 << true;
    QTest::newRow("1000") << 1000 << false;
    QTest::newRow("large") << 100000 << false;
}

void TestXYellabl::speedRange()
{
    QFETCH(int, speed);
    QFETCH(bool, accepted);
    TxYellowLabel label;
    label.SetSpeed(120);
    if (accepted) {
        label.SetSpeed(speed);
        QCOMPARE(label.Speed(), speed);
        return;
    }
    try {
        label.SetSpeed(speed);
        QFAIL("the speed was accepted");
    } catch (const EAssertionFailed &e) {
        QCOMPARE(e.Message(), QStringLiteral("Assertion failure (comp5\\xYellabl, line 250)"));
    }
    QCOMPARE(label.Speed(), 120);
}

void TestXYellabl::firstPaintStartsAnimationAndDrawsNothing()
{
    TxYellowLabel label;
    label.resize(275, 38);
    label.SetSpeed(70);
    label.SetCaption(QStringLiteral("Формат"));
    QVERIFY(IsBlank(Render(label, 1.0)));
    QVERIFY(label.Animating());
    auto *timer = label.findChild<QTimer *>();
    QVERIFY(timer);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 70);
    // The speed is read once, when the animation starts.
    label.SetSpeed(500);
    QCOMPARE(timer->interval(), 70);
}

void TestXYellabl::framesGrowFromCentreInAtMostFiveTicks_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QSize>>("frames");
    const QList<QSize> detail = {{56, 8}, {112, 16}, {168, 24}, {224, 32}, {275, 38}};
    QTest::newRow("detail note 100%") << 1.0 << QSize(275, 38) << detail;
    QTest::newRow("detail note 200%") << 2.0 << QSize(275, 38) << detail;
    QTest::newRow("small 100%") << 1.0 << QSize(100, 20)
                                << QList<QSize> {{21, 5}, {42, 10}, {63, 15}, {84, 20}, {100, 20}};
    QTest::newRow("multiple of five")
        << 1.0 << QSize(120, 45)
        << QList<QSize> {{25, 10}, {50, 20}, {75, 30}, {100, 40}, {120, 45}};
}

void TestXYellabl::framesGrowFromCentreInAtMostFiveTicks()
{
    QFETCH(qreal, dpr);
    QFETCH(QSize, size);
    QFETCH(QList<QSize>, frames);
    TxYellowLabel label;
    label.resize(size);
    QVERIFY(IsBlank(Render(label, dpr)));
    const QColor outline = ToQColor(clBtnText, label.palette());
    const QColor shadow = ToQColor(clBtnShadow, label.palette());
    const QColor fill(255, 255, 192);
    for (int tick = 0; tick < frames.size(); ++tick) {
        QVERIFY(label.Animating());
        label.AnimationStep();
        const QSize frame = frames[tick];
        QCOMPARE(QSize(label.CurWidth(), label.CurHeight()), frame);
        const QImage image = Render(label, dpr);
        const int l = (size.width() - frame.width()) / 2;
        const int t = (size.height() - frame.height()) / 2;
        const int r = l + frame.width(), b = t + frame.height();
        const int cx = l + frame.width() / 2;
        const int cy = t + (frame.height() - 2) / 2;
        // Body outline on the frame's top and left edges, nothing beyond them.
        QCOMPARE(Pixel(image, cx, t, dpr, outline), outline);
        // Short frames are round at the ends; taller ones have a straight left edge.
        if (frame.height() - 2 > 10)
            QCOMPARE(Pixel(image, l, cy, dpr, outline), outline);
        QCOMPARE(Pixel(image, cx, t + 1, dpr, fill), fill);
        if (t > 0)
            QCOMPARE(Pixel(image, cx, t - 1, dpr, Transparent), Transparent);
        if (l > 0)
            QCOMPARE(Pixel(image, l - 1, cy, dpr, Transparent), Transparent);
        // Shadow on the right and bottom edges, nothing beyond them.
        QCOMPARE(Pixel(image, cx, b - 1, dpr, shadow), shadow);
        if (frame.height() - 2 > 10)
            QCOMPARE(Pixel(image, r - 1, cy + 1, dpr, shadow), shadow);
        if (b < size.height())
            QCOMPARE(Pixel(image, cx, b, dpr, Transparent), Transparent);
        if (r < size.width())
            QCOMPARE(Pixel(image, r, cy, dpr, Transparent), Transparent);
    }
    QVERIFY(!label.Animating());
    QVERIFY(label.findChild<QTimer *>() == nullptr);
}

void TestXYellabl::repaintDuringAnimationDrawsNothing()
{
    TxYellowLabel label;
    label.resize(275, 38);
    Render(label, 1.0);
    label.AnimationStep();
    QVERIFY(!IsBlank(Render(label, 1.0)));
    // Until the next tick the parent shows through.
    QVERIFY(IsBlank(Render(label, 1.0)));
    label.AnimationStep();
    QVERIFY(!IsBlank(Render(label, 1.0)));
}

void TestXYellabl::finishedNoteHasShadowAndOutline_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::newRow("100%") << 1.0;
    QTest::newRow("200%") << 2.0;
}

void TestXYellabl::finishedNoteHasShadowAndOutline()
{
    QFETCH(qreal, dpr);
    TxYellowLabel label;
    label.resize(275, 38);
    label.SetColor(RGBColor(200, 230, 255));
    Render(label, dpr);
    for (int tick = 0; tick < TxYellowLabel::AnimationSteps; ++tick)
        label.AnimationStep();
    QVERIFY(!label.Animating());
    const QImage image = Render(label, dpr);
    const QColor outline = ToQColor(clBtnText, label.palette());
    const QColor shadow = ToQColor(clBtnShadow, label.palette());
    const QColor fill(200, 230, 255);
    // Body 0..271 x 0..35 with a one-pixel outline; shadow to 274 x 37.
    QCOMPARE(Pixel(image, 100, 0, dpr, outline), outline);
    QCOMPARE(Pixel(image, 100, 1, dpr, fill), fill);
    QCOMPARE(Pixel(image, 100, 34, dpr, fill), fill);
    QCOMPARE(Pixel(image, 100, 35, dpr, outline), outline);
    QCOMPARE(Pixel(image, 100, 36, dpr, shadow), shadow);
    QCOMPARE(Pixel(image, 100, 37, dpr, shadow), shadow);
    QCOMPARE(Pixel(image, 0, 18, dpr, outline), outline);
    QCOMPARE(Pixel(image, 271, 18, dpr, outline), outline);
    QCOMPARE(Pixel(image, 270, 18, dpr, fill), fill);
    QCOMPARE(Pixel(image, 272, 18, dpr, shadow), shadow);
    QCOMPARE(Pixel(image, 274, 18, dpr, shadow), shadow);
    // Rounded corners let the parent through.
    QCOMPARE(Pixel(image, 0, 0, dpr, Transparent), Transparent);
    QCOMPARE(Pixel(image, 274, 37, dpr, Transparent), Transparent);
    // The shadow is offset: nothing under the top-right and bottom-left ends.
    QCOMPARE(Pixel(image, 1, 37, dpr, Transparent), Transparent);
    QCOMPARE(Pixel(image, 274, 1, dpr, Transparent), Transparent);
}

void TestXYellabl::timerRunsAnimationToTheEnd()
{
    QWidget form;
    form.resize(300, 60);
    auto *label = new TxYellowLabel(&form);
    label->setGeometry(10, 10, 275, 38);
    label->SetSpeed(5);
    label->SetCaption(QStringLiteral("Текст"));
    QList<QSize> seen;
    auto *timer = new QTimer(&form);
    connect(timer, &QTimer::timeout, [&] {
        const QSize now(label->CurWidth(), label->CurHeight());
        if (seen.isEmpty() || seen.last() != now)
            seen << now;
    });
    timer->start(1);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTRY_VERIFY_WITH_TIMEOUT(
        label->findChild<QTimer *>() == nullptr && !seen.isEmpty() && seen.last() == QSize(275, 38),
        5000);
    QVERIFY(!label->Animating());
    QVERIFY(seen.size() <= 6);
}

void TestXYellabl::linesShownOnlyWithoutCaption_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("shown");
    QTest::newRow("lines only") << QString() << QStringList {"Первая", "Вторая"}
                                << "Первая\r\nВторая\r\n";
    QTest::newRow("caption hides lines")
        << "Подпись" << QStringList {"Первая", "Вторая"} << "Подпись";
    QTest::newRow("caption only") << "Подпись" << QStringList() << "Подпись";
    QTest::newRow("neither") << QString() << QStringList() << QString();
}

void TestXYellabl::linesShownOnlyWithoutCaption()
{
    QFETCH(QString, caption);
    QFETCH(QStringList, lines);
    QFETCH(QString, shown);
    auto finished = [](TxYellowLabel &label) {
        label.resize(200, 60);
        return Opened(label);
    };
    TxYellowLabel label;
    label.SetCaption(caption);
    label.SetLines(lines);
    QCOMPARE(label.NoteText(), shown);

    TxYellowLabel reference;
    reference.SetCaption(shown);
    const QImage expected = finished(reference);
    QCOMPARE(finished(label), expected);
}

void TestXYellabl::alignmentPlacesText_data()
{
    QTest::addColumn<TAlignment>("alignment");
    QTest::newRow("left") << TAlignment::taLeftJustify;
    QTest::newRow("centre") << TAlignment::taCenter;
    QTest::newRow("right") << TAlignment::taRightJustify;
}

void TestXYellabl::alignmentPlacesText()
{
    QFETCH(TAlignment, alignment);
    TxYellowLabel label;
    label.resize(275, 38);
    label.SetCaption(QStringLiteral("Ш"));
    label.SetAlignment(alignment);
    Render(label, 1.0);
    while (label.Animating())
        label.AnimationStep();
    const QImage image = Render(label, 1.0);
    // Text rectangle 3..265 x 3..31, inside the outline.
    const auto [first, last] = InkColumns(image, 3, 31, 3, 266);
    QVERIFY(first >= 3);
    QVERIFY(last <= 265);
    const int textLeft = 3, textRight = 275 - 6;
    switch (alignment) {
    case TAlignment::taLeftJustify:
        QVERIFY2(first - textLeft <= 3, qPrintable(QString::number(first)));
        break;
    case TAlignment::taRightJustify:
        QVERIFY2(textRight - 1 - last <= 3, qPrintable(QString::number(last)));
        break;
    case TAlignment::taCenter:
        QVERIFY2(qAbs((first - textLeft) - (textRight - 1 - last)) <= 2,
            qPrintable(QStringLiteral("%1 %2").arg(first).arg(last)));
        break;
    }
}

void TestXYellabl::laterFontChangesAreDrawn_data()
{
    QTest::addColumn<bool>("throughParent");
    QTest::newRow("the label's own font") << false;
    QTest::newRow("the parent's font") << true;
}

void TestXYellabl::laterFontChangesAreDrawn()
{
    QFETCH(bool, throughParent);
    const QFont large = TFont(QStringLiteral("Liberation Serif"), 12).ToQFont();
    auto note = [](QWidget &parent) {
        auto *label = new TxYellowLabel(&parent);
        label->resize(200, 60);
        label->SetCaption(QStringLiteral("Количество: %s кг."));
        return label;
    };

    // Made where the font already was: the look to expect.
    QWidget before;
    before.setFont(large);
    const QImage expected = Opened(*note(before));

    // A form sets its face before it builds its controls, and may change it afterwards.
    QWidget after;
    after.setFont(TFont(QStringLiteral("Liberation Sans"), 8).ToQFont());
    TxYellowLabel *label = note(after);
    const QImage withOldFont = Opened(*label);
    QVERIFY(withOldFont != expected);
    if (throughParent)
        after.setFont(large);
    else
        label->setFont(large);
    QCOMPARE(Render(*label, 1.0), expected);
}

void TestXYellabl::detailNoteTextTakesTwoLines_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::newRow("100 %") << 1.0;
    QTest::newRow("200 %") << 2.0;
}

// The detail dialog's note, 275 x 38 in Tahoma 8 pt: its text was written for two lines.
void TestXYellabl::detailNoteTextTakesTwoLines()
{
    QFETCH(qreal, dpr);
    TxYellowLabel label;
    label.resize(275, 38);
    label.SetFont(TFont(QStringLiteral("Tahoma"), 8, 0, clBlack, Charsets::RUSSIAN_CHARSET));
    label.SetCaption(QStringLiteral("Формат детального отображения должен содер- жать текст \" "
                                    "%s \". Пример: Количество: %s кг."));
    QCOMPARE(label.Font().Charset(), Charsets::RUSSIAN_CHARSET);
    const QImage image = Opened(label, dpr);
    // Text rectangle 3..268 x 3..32, in device pixels.
    const int n = int(dpr);
    const auto [first, last] = InkRows(image.copy(0, 3 * n, image.width(), 30 * n), 3 * n, 269 * n);
    // Laid out in the text rectangle, the text needs no more than its height...
    const QRect needed
        = QFontMetrics(label.font())
              .boundingRect(QRect(0, 0, 266, 1000), Qt::TextWordWrap, label.Caption());
    QVERIFY2(needed.height() <= 30, qPrintable(QString::number(needed.height())));
    // ...and, drawn, stops short of the rectangle's bottom: no line is cut off.
    QVERIFY(first >= 0);
    QVERIFY2(last < 30 * n - 1, qPrintable(QString::number(last)));
}

QTEST_MAIN(TestXYellabl)
#include "tst_yellabl.moc"
