#include "widgets/ColCB.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace Colors;

namespace {

// The picker as the options wizard declares it.
void MakeWizardPicker(TColorCombo &combo)
{
    combo.resize(42, 19);
    combo.SetStyle(TButtonStyle::bsAutoDetect);
    combo.SetColorButtonColor(9741733);
    combo.SetColorButtonWidth(62);
}

QImage Render(QWidget &widget, qreal dpr)
{
    QPixmap pixmap(widget.size() * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::magenta);
    widget.render(&pixmap);
    return pixmap.toImage();
}

// The colour of the logical pixel (x, y); at a higher ratio every device pixel it covers must
// have that colour, or the painting is not sharp.
QColor Pixel(const QImage &image, int x, int y, qreal dpr)
{
    const int n = int(dpr);
    const QColor first = image.pixelColor(x * n, y * n);
    for (int dy = 0; dy < n; ++dy)
        for (int dx = 0; dx < n; ++dx)
            if (image.pixelColor(x * n + dx, y * n + dy) != first)
                return QColor(Qt::transparent);
    return first;
}

QColor Sys(TColor color, const QWidget &widget)
{
    return ToQColor(color, widget.palette());
}

// Moves and presses sent straight to a widget, as the pop-up's mouse grab would deliver them.
void SendMouse(QWidget *widget, QEvent::Type type, QPoint pos, Qt::MouseButton button)
{
    const bool move = type == QEvent::MouseMove;
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)),
        move ? Qt::NoButton : button, move ? Qt::MouseButtons(button) : Qt::MouseButtons(),
        Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// A form holding one picker, shown and painted once, so that the palette may open.
struct PickerForm
{
    QWidget form;
    TColorCombo *combo;
    PickerForm()
    {
        form.resize(200, 120);
        combo = new TColorCombo(&form);
        combo->move(20, 30);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.activateWindow();
        combo->grab();
    }
};

} // namespace

class TestColCB : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void defaults();
    void paletteEntries_data();
    void paletteEntries();
    void indexOfColor_data();
    void indexOfColor();
    void cellAt_data();
    void cellAt();
    void paletteSizeFollowsGrid_data();
    void paletteSizeFollowsGrid();
    void outOfRangeGridValuesAreRejected_data();
    void outOfRangeGridValuesAreRejected();

    void closedControlPainting_data();
    void closedControlPainting();
    void disabledPickerShowsNoSwatch_data();
    void disabledPickerShowsNoSwatch();
    void cellOutlines_data();
    void cellOutlines();
    void paletteFrameAndSeparator();
    void customColourFillsCustomCellAndNarrowsButton();

    void settingSameColourDoesNotNotify();
    void mouseReleaseAnywhereOpensPaletteWithoutClick_data();
    void mouseReleaseAnywhereOpensPaletteWithoutClick();
    void firstOpenBeforeAnyPaintIsRefused();
    void keyboardOpensPaletteOnlyWithSpace_data();
    void keyboardOpensPaletteOnlyWithSpace();
    void mouseMoveHighlightsCells();
    void customCellStaysUnderThePointer_data();
    void customCellStaysUnderThePointer();
    void releaseOverCellPicksColour_data();
    void releaseOverCellPicksColour();
    void escapeClosesAndOtherKeysFocusOtherButton();
    void otherButtonNotifiesTwiceWhenConfirmedOnceWhenCancelled_data();
    void otherButtonNotifiesTwiceWhenConfirmedOnceWhenCancelled();
    void paletteDropsBelowControl();
    void buttonTextAndFontSizeOtherButton();
};

void TestColCB::cleanup()
{
    TColorCombo::SetDefaultColorDialog({});
}

void TestColCB::defaults()
{
    TColorCombo combo;
    QCOMPARE(combo.Color(), clWhite);
    QCOMPARE(combo.Style(), TButtonStyle::bsNew);
    QVERIFY(combo.ColorButton());
    QCOMPARE(combo.ColorButtonColor(), TColor(-2147483633));
    QCOMPARE(combo.HorzCount(), 4);
    QCOMPARE(combo.VertCount(), 5);
    QCOMPARE(combo.CellSide(), 21);
    QCOMPARE(combo.GridWidth(), 2);
    QVERIFY(!combo.ShowColorWindow());
    QCOMPARE(combo.ColorButtonText(), QStringLiteral("&Другой..."));
    QCOMPARE(combo.ColorButtonWidth(), 62);
    QCOMPARE(combo.ColorButtonHeight(), 21);
    QCOMPARE(combo.size(), QSize(42, 21));
    QCOMPARE(combo.focusPolicy(), Qt::StrongFocus);

    TColorWindow *window = combo.ColorWindow();
    QVERIFY(!window->isVisible());
    QCOMPARE(window->ColorIndex(), -1);
    QCOMPARE(window->OtherButton()->text(), QStringLiteral("&Другой..."));
    QCOMPARE(window->OtherButton()->size(), QSize(62, 21));
    QVERIFY(!window->OtherButton()->isDefault());
}

void TestColCB::paletteEntries_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QColor>("rgb");
    const QList<QColor> expected = {QColor(255, 255, 255), QColor(0, 0, 0), QColor(192, 192, 192),
        QColor(128, 128, 128), QColor(255, 0, 0), QColor(128, 0, 0), QColor(255, 255, 0),
        QColor(128, 128, 0), QColor(0, 255, 0), QColor(0, 128, 0), QColor(0, 255, 255),
        QColor(0, 128, 128), QColor(0, 0, 255), QColor(0, 0, 128), QColor(255, 0, 255),
        QColor(128, 0, 128), QColor(192, 220, 192), QColor(166, 202, 240), QColor(255, 251, 240),
        QColor(160, 160, 164)};
    for (int i = 0; i < expected.size(); ++i)
        QTest::addRow("entry %d", i) << i << expected[i];
    for (int i = 20; i < TColorWindow::PaletteSize; ++i)
        QTest::addRow("entry %d", i) << i << QColor(0, 0, 0);
}

void TestColCB::paletteEntries()
{
    QFETCH(int, index);
    QFETCH(QColor, rgb);
    TColorCombo combo;
    QCOMPARE(ToQColor(combo.ColorWindow()->PaletteColor(index)), rgb);
}

void TestColCB::indexOfColor_data()
{
    QTest::addColumn<int>("horz");
    QTest::addColumn<int>("vert");
    QTest::addColumn<TColor>("color");
    QTest::addColumn<int>("index");
    QTest::newRow("white") << 4 << 5 << clWhite << 0;
    QTest::newRow("navy") << 4 << 5 << clNavy << 13;
    QTest::newRow("platform green") << 4 << 5 << RGBColor(192, 220, 192) << 16;
    QTest::newRow("platform grey") << 4 << 5 << RGBColor(160, 160, 164) << 19;
    QTest::newRow("not in grid") << 4 << 5 << RGBColor(1, 2, 3) << 26;
    QTest::newRow("button face is a system colour") << 4 << 5 << clBtnFace << 26;
    QTest::newRow("black in a 5 x 5 grid is the first black") << 5 << 5 << clBlack << 1;
    QTest::newRow("red outside a 2 x 2 grid") << 2 << 2 << clRed << 26;
    QTest::newRow("silver inside a 3 x 1 grid") << 3 << 1 << clSilver << 2;
}

void TestColCB::indexOfColor()
{
    QFETCH(int, horz);
    QFETCH(int, vert);
    QFETCH(TColor, color);
    QFETCH(int, index);
    TColorCombo combo;
    combo.SetHorzCount(horz);
    combo.SetVertCount(vert);
    QCOMPARE(combo.ColorWindow()->IndexOfColor(color), index);
}

void TestColCB::cellAt_data()
{
    QTest::addColumn<TColor>("color");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("cell");
    // The default window is 88 x 138.
    QTest::newRow("left of window") << clWhite << QPoint(-1, 10) << -1;
    QTest::newRow("above window") << clWhite << QPoint(10, -1) << -1;
    QTest::newRow("on the left frame band") << clWhite << QPoint(4, 10) << -1;
    QTest::newRow("first column") << clWhite << QPoint(5, 10) << 0;
    QTest::newRow("second column") << clWhite << QPoint(21, 10) << 1;
    QTest::newRow("last column") << clWhite << QPoint(83, 10) << 3;
    QTest::newRow("on the right frame band") << clWhite << QPoint(84, 10) << -1;
    QTest::newRow("on the top frame") << clWhite << QPoint(10, 2) << -1;
    QTest::newRow("top row") << clWhite << QPoint(10, 3) << 0;
    QTest::newRow("last row") << clWhite << QPoint(50, 100) << 18;
    QTest::newRow("button row, grid colour") << clWhite << QPoint(70, 120) << -1;
    QTest::newRow("button row, custom colour") << RGBColor(1, 2, 3) << QPoint(70, 120) << 26;
    QTest::newRow("on the bottom frame") << RGBColor(1, 2, 3) << QPoint(70, 136) << -1;
}

void TestColCB::cellAt()
{
    QFETCH(TColor, color);
    QFETCH(QPoint, point);
    QFETCH(int, cell);
    TColorCombo combo;
    combo.ColorWindow()->SetColor(color);
    QCOMPARE(combo.ColorWindow()->CellAt(point.x(), point.y()), cell);
}

void TestColCB::paletteSizeFollowsGrid_data()
{
    QTest::addColumn<int>("horz");
    QTest::addColumn<int>("vert");
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("grid");
    QTest::addColumn<bool>("button");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("buttonAt");
    QTest::newRow("defaults") << 4 << 5 << 21 << 2 << true << QSize(88, 138) << QPoint(4, 113);
    QTest::newRow("no button") << 4 << 5 << 21 << 2 << false << QSize(88, 109) << QPoint(4, 113);
    QTest::newRow("5 x 5") << 5 << 5 << 21 << 2 << true << QSize(109, 138) << QPoint(4, 113);
    QTest::newRow("small cells") << 4 << 5 << 10 << 2 << true << QSize(44, 83) << QPoint(4, 58);
    QTest::newRow("no frame") << 4 << 5 << 21 << 0 << true << QSize(84, 130) << QPoint(0, 109);
}

void TestColCB::paletteSizeFollowsGrid()
{
    QFETCH(int, horz);
    QFETCH(int, vert);
    QFETCH(int, side);
    QFETCH(int, grid);
    QFETCH(bool, button);
    QFETCH(QSize, size);
    QFETCH(QPoint, buttonAt);
    TColorCombo combo;
    combo.SetHorzCount(horz);
    combo.SetVertCount(vert);
    combo.SetCellSide(side);
    combo.SetGridWidth(grid);
    combo.SetColorButton(button);
    TColorWindow *window = combo.ColorWindow();
    QCOMPARE(window->size(), size);
    if (button)
        QCOMPARE(window->OtherButton()->pos(), buttonAt);
    QCOMPARE(window->OtherButton()->isVisibleTo(window), button);
}

void TestColCB::outOfRangeGridValuesAreRejected_data()
{
    QTest::addColumn<QString>("property");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("HorzCount 0") << "HorzCount" << 0 << false;
    QTest::newRow("HorzCount 5") << "HorzCount" << 5 << true;
    QTest::newRow("VertCount 6") << "VertCount" << 6 << false;
    QTest::newRow("CellSide 0") << "CellSide" << 0 << false;
    QTest::newRow("CellSide 50") << "CellSide" << 50 << true;
    QTest::newRow("CellSide 51") << "CellSide" << 51 << false;
    QTest::newRow("GridWidth 0") << "GridWidth" << 0 << true;
    QTest::newRow("GridWidth 11") << "GridWidth" << 11 << false;
    QTest::newRow("GridWidth -1") << "GridWidth" << -1 << false;
}

void TestColCB::outOfRangeGridValuesAreRejected()
{
    QFETCH(QString, property);
    QFETCH(int, value);
    QFETCH(bool, accepted);
    TColorCombo combo;
    const QMap<QString, std::pair<std::function<void(int)>, std::function<int()>>> setters = {
        {"HorzCount", {[&](int v) { combo.SetHorzCount(v); }, [&] { return combo.HorzCount(); }}},
        {"VertCount", {[&](int v) { combo.SetVertCount(v); }, [&] { return combo.VertCount(); }}},
        {"CellSide", {[&](int v) { combo.SetCellSide(v); }, [&] { return combo.CellSide(); }}},
        {"GridWidth", {[&](int v) { combo.SetGridWidth(v); }, [&] { return combo.GridWidth(); }}},
    };
    const auto &[set, get] = setters[property];
    const int before = get();
    const QSize windowBefore = combo.ColorWindow()->size();
    if (accepted) {
        set(value);
        QCOMPARE(get(), value);
    } else {
        QVERIFY_THROWS_EXCEPTION(ERangeError, set(value));
        QCOMPARE(get(), before);
        QCOMPARE(combo.ColorWindow()->size(), windowBefore);
    }
}

void TestColCB::closedControlPainting_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::addColumn<bool>("focused");
    QTest::addColumn<bool>("down");
    QTest::newRow("100%") << 1.0 << false << false;
    QTest::newRow("200%") << 2.0 << false << false;
    QTest::newRow("100% focused") << 1.0 << true << false;
    QTest::newRow("100% pressed") << 1.0 << true << true;
    QTest::newRow("200% pressed") << 2.0 << true << true;
}

void TestColCB::closedControlPainting()
{
    QFETCH(qreal, dpr);
    QFETCH(bool, focused);
    QFETCH(bool, down);
    PickerForm f;
    TColorCombo &combo = *f.combo;
    MakeWizardPicker(combo);
    combo.SetColor(clRed);
    if (focused)
        combo.setFocus();
    else
        combo.clearFocus();
    if (down)
        QTest::mousePress(&combo, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(combo.IsDown(), down);
    QCOMPARE(combo.hasFocus(), focused);
    const QImage image = Render(combo, dpr);
    const QColor text = Sys(clBtnText, combo);
    const int s = down ? 1 : 0;

    // 42 x 19: content 2..38 x 2..15, swatch 4..25 x 3..14 (one further when pressed, and the
    // swatch's right edge moves with two thirds of the content's).
    const int swatchRight = down ? 26 : 25;
    QCOMPARE(Pixel(image, 4 + s, 3 + s, dpr), text);
    QCOMPARE(Pixel(image, swatchRight, 14 + s, dpr), text);
    QCOMPARE(Pixel(image, 4 + s, 14 + s, dpr), text);
    QCOMPARE(Pixel(image, 10 + s, 8 + s, dpr), QColor(255, 0, 0));
    QCOMPARE(Pixel(image, swatchRight - 1, 13 + s, dpr), QColor(255, 0, 0));
    QCOMPARE(Pixel(image, swatchRight + 1, 8 + s, dpr), QColor(165, 165, 148));
    // The etched separator.
    QCOMPARE(Pixel(image, swatchRight + 4, 3 + s, dpr), Sys(clBtnShadow, combo));
    QCOMPARE(Pixel(image, swatchRight + 5, 14 + s, dpr), Sys(clBtnHighlight, combo));
    // The dotted focus frame runs just inside the content, where the separator stops short.
    if (focused) {
        QCOMPARE(Pixel(image, 2 + s, 2 + s, dpr), text);
        QCOMPARE(Pixel(image, 3 + s, 2 + s, dpr), QColor(165, 165, 148));
        QCOMPARE(Pixel(image, 4 + s, 2 + s, dpr), text);
        QCOMPARE(Pixel(image, 38 + s, 14 + s, dpr), text);
    } else {
        QCOMPARE(Pixel(image, 2, 2, dpr), QColor(165, 165, 148));
        QCOMPARE(Pixel(image, swatchRight + 4, 15, dpr), QColor(165, 165, 148));
    }
    // The arrow: five, three and one pixels wide.
    const int x0 = down ? 34 : 33, y0 = 8 + s;
    for (int x = x0; x <= x0 + 4; ++x)
        QCOMPARE(Pixel(image, x, y0, dpr), text);
    QCOMPARE(Pixel(image, x0 - 1, y0, dpr), QColor(165, 165, 148));
    // Right of the arrow the focus frame follows at once.
    QCOMPARE(Pixel(image, x0 + 5, y0, dpr), focused ? text : QColor(165, 165, 148));
    QCOMPARE(Pixel(image, x0, y0 + 1, dpr), QColor(165, 165, 148));
    QCOMPARE(Pixel(image, x0 + 1, y0 + 1, dpr), text);
    QCOMPARE(Pixel(image, x0 + 3, y0 + 1, dpr), text);
    QCOMPARE(Pixel(image, x0 + 2, y0 + 2, dpr), text);
    QCOMPARE(Pixel(image, x0 + 1, y0 + 2, dpr), QColor(165, 165, 148));
    if (down)
        QTest::mouseRelease(&combo, Qt::LeftButton, {}, QPoint(5, 5));
}

void TestColCB::disabledPickerShowsNoSwatch_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::newRow("100%") << 1.0;
    QTest::newRow("200%") << 2.0;
}

void TestColCB::disabledPickerShowsNoSwatch()
{
    QFETCH(qreal, dpr);
    TColorCombo combo;
    combo.SetColor(clRed);
    combo.setEnabled(false);
    const QImage image = Render(combo, dpr);
    const QColor face = Sys(clBtnFace, combo);
    // 42 x 21: no swatch outline and no colour.
    QCOMPARE(Pixel(image, 4, 3, dpr), face);
    QCOMPARE(Pixel(image, 10, 9, dpr), face);
    // A grey arrow with a highlight along its right slope.
    QCOMPARE(Pixel(image, 33, 9, dpr), Sys(clBtnShadow, combo));
    QCOMPARE(Pixel(image, 37, 9, dpr), Sys(clBtnHighlight, combo));
    QCOMPARE(Pixel(image, 36, 10, dpr), Sys(clBtnHighlight, combo));
    QCOMPARE(Pixel(image, 35, 11, dpr), Sys(clBtnShadow, combo));

    combo.setEnabled(true);
    QCOMPARE(Pixel(Render(combo, dpr), 10, 9, dpr), QColor(255, 0, 0));
}

void TestColCB::cellOutlines_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::addColumn<bool>("flat");
    QTest::addColumn<int>("cell");
    QTest::addColumn<bool>("highlighted");
    for (qreal dpr : {1.0, 2.0}) {
        const int percent = int(dpr * 100);
        QTest::addRow("flat plain %d%%", percent) << dpr << true << 5 << false;
        QTest::addRow("flat highlighted %d%%", percent) << dpr << true << 9 << true;
        QTest::addRow("3-D plain %d%%", percent) << dpr << false << 5 << false;
        QTest::addRow("3-D highlighted %d%%", percent) << dpr << false << 9 << true;
    }
}

void TestColCB::cellOutlines()
{
    QFETCH(qreal, dpr);
    QFETCH(bool, flat);
    QFETCH(int, cell);
    QFETCH(bool, highlighted);
    TColorCombo combo;
    combo.SetCtl3D(!flat);
    TColorWindow *window = combo.ColorWindow();
    window->SetColor(clGreen); // highlights cell 9
    QCOMPARE(window->ColorIndex() == cell, highlighted);
    const QImage image = Render(*window, dpr);
    const QRect r = window->CellRect(cell);
    QCOMPARE(r.size(), QSize(21, 21));
    const QColor fill = ToQColor(window->PaletteColor(cell));
    const int l = r.left(), t = r.top(), rt = r.right(), b = r.bottom();

    if (flat) {
        // Every cell alike: a black outline round the colour.
        for (QPoint p : {QPoint(l, t), QPoint(rt, t), QPoint(l, b), QPoint(rt, b),
                 QPoint(l + 10, t), QPoint(l, t + 10)})
            QCOMPARE(Pixel(image, p.x(), p.y(), dpr), QColor(Qt::black));
        QCOMPARE(Pixel(image, l + 1, t + 1, dpr), fill);
        QCOMPARE(Pixel(image, rt - 1, b - 1, dpr), fill);
        return;
    }
    const QColor face = Sys(clBtnFace, combo);
    QCOMPARE(Pixel(image, l, t, dpr), face);
    QCOMPARE(Pixel(image, rt, b, dpr), face);
    if (highlighted) {
        const QColor text = Sys(clBtnText, combo), light = Sys(clBtnHighlight, combo);
        QCOMPARE(Pixel(image, l + 1, t + 10, dpr), text);
        QCOMPARE(Pixel(image, l + 2, t + 10, dpr), light);
        QCOMPARE(Pixel(image, l + 3, t + 10, dpr), text);
        QCOMPARE(Pixel(image, rt - 1, b - 1, dpr), text);
        QCOMPARE(Pixel(image, rt - 2, b - 2, dpr), light);
        QCOMPARE(Pixel(image, rt - 3, b - 3, dpr), text);
        QCOMPARE(Pixel(image, l + 4, t + 4, dpr), fill);
    } else {
        // Sunken, GridWidth (2) pixels deep.
        const QColor shadow = Sys(clBtnShadow, combo), light = Sys(clBtnHighlight, combo);
        QCOMPARE(Pixel(image, l + 1, t + 10, dpr), shadow);
        QCOMPARE(Pixel(image, l + 2, t + 10, dpr), shadow);
        QCOMPARE(Pixel(image, l + 10, t + 1, dpr), shadow);
        QCOMPARE(Pixel(image, rt - 1, t + 10, dpr), light);
        QCOMPARE(Pixel(image, l + 10, b - 2, dpr), light);
        QCOMPARE(Pixel(image, l + 3, t + 3, dpr), fill);
        QCOMPARE(Pixel(image, rt - 3, b - 3, dpr), fill);
    }
}

void TestColCB::paletteFrameAndSeparator()
{
    TColorCombo combo;
    combo.SetColorButtonColor(9741733);
    TColorWindow *window = combo.ColorWindow();
    window->SetColor(clWhite);
    const QImage image = Render(*window, 1.0);
    const QColor light = Sys(clBtnHighlight, combo), shadow = Sys(clBtnShadow, combo);
    // Raised frame, two pixels.
    QCOMPARE(Pixel(image, 0, 60, 1), light);
    QCOMPARE(Pixel(image, 1, 60, 1), light);
    QCOMPARE(Pixel(image, 87, 60, 1), shadow);
    QCOMPARE(Pixel(image, 86, 60, 1), shadow);
    QCOMPARE(Pixel(image, 40, 137, 1), shadow);
    // Background in the picker's face colour between the grid and the separator.
    QCOMPARE(Pixel(image, 40, 107, 1), QColor(165, 165, 148));
    // Etched separator above the button at 138 - 21 - 4 - 3.
    QCOMPARE(Pixel(image, 40, 110, 1), light);
    QCOMPARE(Pixel(image, 40, 109, 1), shadow);
    QCOMPARE(Pixel(image, 3, 110, 1), light);
    QCOMPARE(Pixel(image, 2, 110, 1), QColor(165, 165, 148));
    QCOMPARE(Pixel(image, 84, 110, 1), light);
    QCOMPARE(Pixel(image, 85, 110, 1), QColor(165, 165, 148));
    // No custom cell while the colour is in the grid.
    QCOMPARE(Pixel(image, 80, 130, 1), QColor(165, 165, 148));
}

void TestColCB::customColourFillsCustomCellAndNarrowsButton()
{
    TColorCombo combo;
    TColorWindow *window = combo.ColorWindow();
    combo.SetColorButtonWidth(70); // reaches into the custom cell (88 - 21 = 67)
    QCOMPARE(window->OtherButton()->width(), 70);

    combo.SetColor(RGBColor(10, 20, 30));
    QCOMPARE(window->ColorIndex(), 26);
    QCOMPARE(window->PaletteColor(26), RGBColor(10, 20, 30));
    QCOMPARE(window->OtherButton()->width(), 49);
    QCOMPARE(window->CellRect(26), QRect(65, 113, 21, 21));
    const QImage image = Render(*window, 2.0);
    QCOMPARE(Pixel(image, 75, 123, 2.0), QColor(10, 20, 30));

    // A system colour is resolved for the custom cell.
    combo.SetColor(clBtnFace);
    QCOMPARE(window->PaletteColor(26), ColorToRGB(clBtnFace, window->palette()));
    QCOMPARE(window->ColorIndex(), 26);

    // Back in the grid: the button gets its whole width again.
    combo.SetColor(clTeal);
    QCOMPARE(window->ColorIndex(), 11);
    QCOMPARE(window->OtherButton()->width(), 70);

    // A narrow button leaves room for the cell and stays as it is.
    combo.SetColorButtonWidth(62);
    combo.SetColor(RGBColor(1, 1, 1));
    QCOMPARE(window->OtherButton()->width(), 62);

    // Without the Other button the custom colour is not stored.
    TColorCombo plain;
    plain.SetColorButton(false);
    plain.SetColor(RGBColor(9, 9, 9));
    QCOMPARE(plain.ColorWindow()->ColorIndex(), 26);
    QCOMPARE(plain.ColorWindow()->PaletteColor(26), clBlack);
    QVERIFY(plain.ColorWindow()->CellRect(26).isEmpty());
}

void TestColCB::settingSameColourDoesNotNotify()
{
    TColorCombo combo;
    QSignalSpy changes(&combo, &TColorCombo::OnChange);
    combo.SetColor(clWhite);
    QCOMPARE(changes.count(), 0);
    combo.SetColor(clBlue);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(combo.ColorWindow()->Color(), clBlue);
    combo.SetColor(clBlue);
    QCOMPARE(changes.count(), 1);
}

void TestColCB::mouseReleaseAnywhereOpensPaletteWithoutClick_data()
{
    QTest::addColumn<QPoint>("releaseAt");
    QTest::addColumn<bool>("downBeforeRelease");
    QTest::newRow("inside") << QPoint(10, 10) << true;
    QTest::newRow("outside") << QPoint(100, 80) << false;
}

void TestColCB::mouseReleaseAnywhereOpensPaletteWithoutClick()
{
    QFETCH(QPoint, releaseAt);
    QFETCH(bool, downBeforeRelease);
    PickerForm f;
    TColorCombo *combo = f.combo;
    QSignalSpy clicks(combo, &TColorCombo::OnClick);
    QTest::mousePress(combo, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(combo->IsDown());
    QVERIFY(combo->hasFocus());
    SendMouse(combo, QEvent::MouseMove, releaseAt, Qt::LeftButton);
    QCOMPARE(combo->IsDown(), downBeforeRelease);
    QVERIFY(!combo->ShowColorWindow());
    QTest::mouseRelease(combo, Qt::LeftButton, {}, releaseAt);
    QVERIFY(!combo->IsDown());
    QVERIFY(combo->ShowColorWindow());
    QVERIFY(combo->ColorWindow()->isVisible());
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(combo->ColorWindow()->ColorIndex(), 0);
    combo->SetShowColorWindow(false);
    QVERIFY(!combo->ColorWindow()->isVisible());
}

void TestColCB::firstOpenBeforeAnyPaintIsRefused()
{
    TColorCombo combo;
    combo.SetShowColorWindow(true);
    QVERIFY(!combo.ShowColorWindow());
    QVERIFY(!combo.ColorWindow()->isVisible());
    // The refused request counts as the first; the next one opens.
    combo.SetShowColorWindow(true);
    QVERIFY(combo.ShowColorWindow());
    QVERIFY(combo.ColorWindow()->isVisible());
    combo.SetShowColorWindow(false);
}

void TestColCB::keyboardOpensPaletteOnlyWithSpace_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("opens");
    QTest::newRow("space") << int(Qt::Key_Space) << true;
    QTest::newRow("enter") << int(Qt::Key_Return) << false;
    QTest::newRow("down") << int(Qt::Key_Down) << false;
    QTest::newRow("F4") << int(Qt::Key_F4) << false;
}

void TestColCB::keyboardOpensPaletteOnlyWithSpace()
{
    QFETCH(int, key);
    QFETCH(bool, opens);
    PickerForm f;
    TColorCombo *combo = f.combo;
    QSignalSpy clicks(combo, &TColorCombo::OnClick);
    QTest::keyPress(combo, Qt::Key(key));
    QCOMPARE(combo->IsDown(), opens);
    QVERIFY(!combo->ShowColorWindow());
    QTest::keyRelease(combo, Qt::Key(key));
    QVERIFY(!combo->IsDown());
    QCOMPARE(combo->ShowColorWindow(), opens);
    QCOMPARE(clicks.count(), opens ? 1 : 0);
    combo->SetShowColorWindow(false);
}

void TestColCB::mouseMoveHighlightsCells()
{
    PickerForm f;
    TColorCombo *combo = f.combo;
    combo->SetColor(clRed);
    combo->SetShowColorWindow(true);
    TColorWindow *window = combo->ColorWindow();
    QCOMPARE(window->ColorIndex(), 4);
    SendMouse(window, QEvent::MouseMove, QPoint(50, 30), Qt::NoButton);
    QCOMPARE(window->ColorIndex(), 6);
    // Leaving the grid keeps the last highlight.
    SendMouse(window, QEvent::MouseMove, QPoint(50, 136), Qt::NoButton);
    QCOMPARE(window->ColorIndex(), 6);
    SendMouse(window, QEvent::MouseMove, QPoint(300, 300), Qt::NoButton);
    QCOMPARE(window->ColorIndex(), 6);
    // Moving changes no colour.
    QCOMPARE(combo->Color(), clRed);
    combo->SetShowColorWindow(false);
}

void TestColCB::customCellStaysUnderThePointer_data()
{
    QTest::addColumn<bool>("flat");
    QTest::newRow("3-D") << false;
    QTest::newRow("flat") << true;
}

void TestColCB::customCellStaysUnderThePointer()
{
    QFETCH(bool, flat);
    PickerForm f;
    TColorCombo *combo = f.combo;
    combo->SetCtl3D(!flat);
    const TColor custom = RGBColor(10, 20, 30);
    combo->SetColor(custom);
    combo->SetShowColorWindow(true);
    TColorWindow *window = combo->ColorWindow();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QPoint customCentre = window->CellRect(TColorWindow::CustomIndex).center();
    QCOMPARE(window->grab().toImage().pixelColor(customCentre), ToQColor(custom));

    // The pointer comes into the grid over yellow: the highlight moves, the custom colour stays.
    QTest::mouseMove(window, window->CellRect(6).center() + QPoint(1, 1));
    QTest::mouseMove(window, window->CellRect(6).center());
    QTRY_COMPARE(window->ColorIndex(), 6);
    QCOMPARE(window->grab().toImage().pixelColor(customCentre), ToQColor(custom));
    combo->SetShowColorWindow(false);
}

void TestColCB::releaseOverCellPicksColour_data()
{
    QTest::addColumn<TColor>("start");
    QTest::addColumn<QPoint>("releaseAt");
    QTest::addColumn<int>("button");
    QTest::addColumn<TColor>("picked");
    QTest::addColumn<int>("changes");
    QTest::newRow("left on navy") << clWhite << QPoint(30, 70) << int(Qt::LeftButton) << clNavy
                                  << 1;
    QTest::newRow("right on yellow")
        << clWhite << QPoint(50, 30) << int(Qt::RightButton) << clYellow << 1;
    QTest::newRow("on the current colour")
        << clNavy << QPoint(30, 70) << int(Qt::LeftButton) << clNavy << 0;
    QTest::newRow("outside the window")
        << clWhite << QPoint(200, 10) << int(Qt::LeftButton) << clWhite << 0;
    QTest::newRow("on the custom cell")
        << RGBColor(1, 2, 3) << QPoint(75, 120) << int(Qt::LeftButton) << RGBColor(1, 2, 3) << 0;
    QTest::newRow("on the separator")
        << clWhite << QPoint(40, 110) << int(Qt::LeftButton) << clWhite << 0;
}

void TestColCB::releaseOverCellPicksColour()
{
    QFETCH(TColor, start);
    QFETCH(QPoint, releaseAt);
    QFETCH(int, button);
    QFETCH(TColor, picked);
    QFETCH(int, changes);
    PickerForm f;
    TColorCombo *combo = f.combo;
    combo->SetColor(start);
    QSignalSpy spy(combo, &TColorCombo::OnChange);
    combo->SetShowColorWindow(true);
    TColorWindow *window = combo->ColorWindow();
    QTest::mousePress(window, Qt::MouseButton(button), {}, releaseAt);
    QVERIFY(window->isVisible());
    QTest::mouseRelease(window, Qt::MouseButton(button), {}, releaseAt);
    QCOMPARE(combo->Color(), picked);
    QCOMPARE(spy.count(), changes);
    QVERIFY(!combo->ShowColorWindow());
    QVERIFY(!window->isVisible());
    QVERIFY(combo->hasFocus());
}

void TestColCB::escapeClosesAndOtherKeysFocusOtherButton()
{
    PickerForm f;
    TColorCombo *combo = f.combo;
    bool dialogShown = false;
    combo->SetColorDialog([&](TColor, QWidget *) {
        dialogShown = true;
        return std::optional<TColor>();
    });
    combo->SetShowColorWindow(true);
    TColorWindow *window = combo->ColorWindow();
    QTest::keyClick(window, Qt::Key_Down);
    QVERIFY(window->isVisible());
    QVERIFY(window->OtherButton()->hasFocus());
    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(!window->isVisible());
    QVERIFY(!combo->ShowColorWindow());
    QVERIFY(!dialogShown);

    // A focused Other button is pressed with Enter.
    combo->SetShowColorWindow(true);
    QTest::keyClick(window, Qt::Key_A);
    QVERIFY(window->OtherButton()->hasFocus());
    QTest::keyClick(window->OtherButton(), Qt::Key_Return);
    QVERIFY(dialogShown);
    QVERIFY(!combo->ShowColorWindow());
}

void TestColCB::otherButtonNotifiesTwiceWhenConfirmedOnceWhenCancelled_data()
{
    QTest::addColumn<bool>("viaDefault");
    QTest::addColumn<std::optional<TColor>>("answer");
    QTest::addColumn<TColor>("expected");
    QTest::addColumn<int>("changes");
    QTest::addColumn<int>("colorIndex");
    QTest::newRow("custom colour")
        << false << std::optional<TColor>(RGBColor(10, 20, 30)) << RGBColor(10, 20, 30) << 2 << 26;
    QTest::newRow("grid colour") << false << std::optional<TColor>(clOlive) << clOlive << 2 << 7;
    QTest::newRow("cancelled") << false << std::optional<TColor>() << clGreen << 1 << 9;
    QTest::newRow("same colour confirmed")
        << false << std::optional<TColor>(clGreen) << clGreen << 1 << 9;
    QTest::newRow("process-wide dialog")
        << true << std::optional<TColor>(clPurple) << clPurple << 2 << 15;
}

void TestColCB::otherButtonNotifiesTwiceWhenConfirmedOnceWhenCancelled()
{
    QFETCH(bool, viaDefault);
    QFETCH(std::optional<TColor>, answer);
    QFETCH(TColor, expected);
    QFETCH(int, changes);
    QFETCH(int, colorIndex);
    PickerForm f;
    TColorCombo *combo = f.combo;
    combo->SetColor(clGreen);
    QList<TColor> asked;
    bool paletteVisibleDuringDialog = true;
    QWidget *dialogParent = nullptr;
    auto dialog = [&](TColor initial, QWidget *parent) {
        asked << initial;
        paletteVisibleDuringDialog = combo->ColorWindow()->isVisible();
        dialogParent = parent;
        return answer;
    };
    if (viaDefault)
        TColorCombo::SetDefaultColorDialog(dialog);
    else
        combo->SetColorDialog(dialog);
    QSignalSpy spy(combo, &TColorCombo::OnChange);
    combo->SetShowColorWindow(true);
    TColorWindow *window = combo->ColorWindow();
    QTest::mouseClick(window->OtherButton(), Qt::LeftButton);
    QCOMPARE(asked, QList<TColor> {clGreen});
    QVERIFY(!paletteVisibleDuringDialog);
    QCOMPARE(dialogParent, combo);
    QCOMPARE(combo->Color(), expected);
    QCOMPARE(spy.count(), changes);
    QVERIFY(!combo->ShowColorWindow());
    QVERIFY(!window->isVisible());
    QCOMPARE(window->ColorIndex(), colorIndex);
    if (colorIndex == 26)
        QCOMPARE(window->PaletteColor(26), expected);
}

void TestColCB::paletteDropsBelowControl()
{
    PickerForm f;
    TColorCombo *combo = f.combo;
    combo->SetShowColorWindow(true);
    QCOMPARE(combo->ColorWindow()->pos(), combo->mapToGlobal(QPoint(0, combo->height())));
    QCOMPARE(combo->ColorWindow()->size(), QSize(88, 138));
    combo->SetShowColorWindow(false);
    combo->move(40, 60);
    QCOMPARE(combo->ColorWindow()->pos(), combo->mapToGlobal(QPoint(0, combo->height())));
    combo->SetVertCount(2);
    QCOMPARE(combo->ColorWindow()->pos(), combo->mapToGlobal(QPoint(0, combo->height())));
    QCOMPARE(combo->ColorWindow()->height(), 21 * 2 + 4 + 21 + 4 + 4);
}

void TestColCB::buttonTextAndFontSizeOtherButton()
{
    TColorCombo combo;
    TColorWindow *window = combo.ColorWindow();
    TFont font(QStringLiteral("Tahoma"), 8, 0, clWindowText, Charsets::RUSSIAN_CHARSET);
    font.SetHeight(-11);
    combo.SetColorButtonFont(font);
    const QFontMetrics metrics(font.ToQFont());
    QCOMPARE(combo.font(), font.ToQFont());
    QCOMPARE(window->OtherButton()->font(), font.ToQFont());
    QCOMPARE(combo.ColorButtonFont().Charset(), Charsets::RUSSIAN_CHARSET);
    QCOMPARE(combo.ColorButtonWidth(), metrics.horizontalAdvance(QStringLiteral("&Другой...")) + 5);
    QCOMPARE(window->OtherButton()->width(), combo.ColorButtonWidth());
    QCOMPARE(combo.ColorButtonHeight(), metrics.height() + 3);
    QCOMPARE(window->OtherButton()->height(), metrics.height() + 3);
    // The palette grows with the button.
    QCOMPARE(window->height(), 21 * 5 + 4 + metrics.height() + 3 + 4 + 4);

    combo.SetColorButtonText(QStringLiteral("&Other..."));
    QCOMPARE(window->OtherButton()->text(), QStringLiteral("&Other..."));
    QCOMPARE(combo.ColorButtonWidth(), metrics.horizontalAdvance(QStringLiteral("&Other...")) + 5);
    combo.SetColorButtonWidth(62);
    QCOMPARE(window->OtherButton()->width(), 62);
}

QTEST_MAIN(TestColCB)
#include "tst_colcb.moc"
