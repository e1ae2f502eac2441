#include "QueryFixture.h"
#include "tests/support/GridFixture.h"

#include "conditions/mmDBGridCondition.h"
#include "core/Exception.h"
#include "db/dataset/TDataSource.h"
#include "db/dataset/TField.h"
#include "db/dataset/TTable.h"
#include "grid/mmDBGrid.h"
#include "tests/support/ErrorDisplayRecorder.h"

#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QtTest>

namespace {
// Opens the painter to the tests.
class TPaintGrid : public TmmDBGrid
{
public:
    using TmmDBGrid::DrawCell;
    using TmmDBGrid::TmmDBGrid;
};

// The pixel in a cell's bottom corner away from its text.
QColor Background(const QImage &image, const QRect &cell, bool textOnTheRight = false)
{
    return image.pixelColor(textOnTheRight ? cell.left() : cell.right(), cell.bottom());
}

bool Differs(const QColor &a, const QColor &b)
{
    return a.rgb() != b.rgb();
}

// The horizontal extent of everything in the band that is not the background; empty when the
// band is plain.
QPair<int, int> InkColumns(const QImage &image, const QRect &band, const QColor &background)
{
    int left = INT_MAX;
    int right = INT_MIN;
    for (int y = band.top(); y <= band.bottom(); ++y)
        for (int x = band.left(); x <= band.right(); ++x)
            if (Differs(image.pixelColor(x, y), background)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return {left, right};
}

bool HasInk(const QImage &image, const QRect &band, const QColor &background)
{
    return InkColumns(image, band, background).first != INT_MAX;
}

// Whether some pixel of the band is close to the colour (text is drawn with smoothed edges).
bool HasPixelNear(const QImage &image, const QRect &band, const QColor &color)
{
    for (int y = band.top(); y <= band.bottom(); ++y)
        for (int x = band.left(); x <= band.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - color.red()) + std::abs(c.green() - color.green())
                    + std::abs(c.blue() - color.blue())
                < 60)
                return true;
        }
    return false;
}

const QColor Red(255, 0, 0);
const QColor GlyphShadow(128, 128, 128);
} // namespace

class TestGridPaint : public QObject
{
    Q_OBJECT

    std::unique_ptr<TGridFixture> FFixture;
    std::unique_ptr<TDataSet> FData;
    std::unique_ptr<TDataSource> FSource;
    std::unique_ptr<TPaintGrid> FGrid;

    std::unique_ptr<TQueryFixture> FTown;

    QColor Color(TColor color) const { return ToQColor(color, FGrid->palette()); }
    TMemoryDataSet *Memory() const { return static_cast<TMemoryDataSet *>(FData.get()); }

    void Bind(std::unique_ptr<TDataSet> dataSet)
    {
        FData = std::move(dataSet);
        FSource = std::make_unique<TDataSource>();
        FSource->SetDataSet(FData.get());
        FGrid->SetDataSource(FSource.get());
    }
    void BindSubscribers(int rows = 40)
    {
        Bind(FFixture->OpenDataSet(TGridFixture::Subscribers(rows)));
    }
    void Show()
    {
        FGrid->show();
        QVERIFY(QTest::qWaitForWindowExposed(FGrid.get()));
    }
    QImage Grab() const { return FGrid->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // The grid's cell rectangle, which is where grab() puts it.
    QRect Cell(int aCol, int aRow) const { return FGrid->CellRect(aCol, aRow); }
    int FirstDataRow() const { return FGrid->TitleOffset(); }

private slots:
    void init()
    {
        FFixture = std::make_unique<TGridFixture>();
        FGrid = std::make_unique<TPaintGrid>();
        FGrid->resize(480, 240);
        // Without the focus only dgAlwaysShowSelection highlights the current cell.
        FGrid->setFocusPolicy(Qt::NoFocus);
    }
    void cleanup()
    {
        FGrid.reset();
        FSource.reset();
        FData.reset();
        FTown.reset();
        FFixture.reset();
    }

    void stripesFollowGridRowsNotRecords_data()
    {
        QTest::addColumn<bool>("titles");
        QTest::addColumn<int>("scrolledBy");
        QTest::addColumn<TColor>("firstRow");
        QTest::addColumn<TColor>("secondRow");
        const TColor one = TmmDBGrid::DefaultStripeOne;
        const TColor two = TmmDBGrid::DefaultStripeTwo;
        QTest::newRow("titles") << true << 0 << one << two;
        QTest::newRow("titles, scrolled one row") << true << 1 << one << two;
        QTest::newRow("no titles") << false << 0 << two << one;
        QTest::newRow("no titles, scrolled one row") << false << 1 << two << one;
    }
    void stripesFollowGridRowsNotRecords()
    {
        QFETCH(bool, titles);
        QFETCH(int, scrolledBy);
        QFETCH(TColor, firstRow);
        QFETCH(TColor, secondRow);
        if (!titles)
            FGrid->SetOptions(FGrid->Options() & ~TDBGridOptions(TDBGridOption::dgTitles));
        BindSubscribers();
        Show();
        FGrid->verticalScrollBar()->setValue(scrolledBy);
        QCOMPARE(FGrid->TopRecord(), scrolledBy);
        QApplication::processEvents();
        const QImage image = Grab();
        const int first = FirstDataRow();
        QCOMPARE(Background(image, Cell(1, first)), Color(firstRow));
        QCOMPARE(Background(image, Cell(1, first + 1)), Color(secondRow));
        QCOMPARE(Background(image, Cell(2, first + 1), true), Color(secondRow));
    }

    void scrolledPixelsAreRepaintedWithTheirRowsStripes_data()
    {
        QTest::addColumn<bool>("striped");
        QTest::newRow("striped") << true;
        QTest::newRow("plain") << false;
    }
    void scrolledPixelsAreRepaintedWithTheirRowsStripes()
    {
        QFETCH(bool, striped);
        FGrid->SetStriped(striped);
        BindSubscribers();
        Show();
        QApplication::processEvents();
        FGrid->verticalScrollBar()->setValue(1);
        QApplication::processEvents();
        // What the screen shows, not a fresh picture: scrolled pixels keep what they had.
        const QImage screen = FGrid->screen()
                                  ->grabWindow(FGrid->winId())
                                  .toImage()
                                  .convertToFormat(QImage::Format_RGB32);
        const int first = FirstDataRow();
        const TColor expected[2] = {striped ? FGrid->StripeOne() : FGrid->Color(),
            striped ? FGrid->StripeTwo() : FGrid->Color()};
        for (int row = 0; row < 4; ++row)
            QCOMPARE(Background(screen, Cell(1, first + row)), Color(expected[row % 2]));
    }

    void highlightKeepsTheColumnFontColour()
    {
        BindSubscribers();
        FGrid->SetOptions(FGrid->Options() | TDBGridOption::dgAlwaysShowSelection);
        TFont font = FGrid->Columns().Items(0)->Font();
        font.SetColor(Colors::clBlue);
        FGrid->Columns().Items(0)->SetFont(font);
        Show();
        FData->MoveTo(2);
        const QImage image = Grab();
        const QRect current = Cell(1, FGrid->RowOfRecord(2));
        QCOMPARE(Background(image, current), Color(FGrid->ColorSelected()));
        QVERIFY(HasPixelNear(image, current, QColor(0, 0, 255)));
        // The base grid's highlight text colour is not used.
        QVERIFY(!HasPixelNear(image, current, FGrid->palette().color(QPalette::HighlightedText)));
        // Only the current cell is highlighted.
        QVERIFY(Differs(
            Background(image, Cell(1, FGrid->RowOfRecord(3))), Color(FGrid->ColorSelected())));
    }

    void sortMarkerShowsTheDirection_data()
    {
        QTest::addColumn<QString>("orderBy");
        QTest::addColumn<bool>("query");
        QTest::addColumn<bool>("useSorting");
        QTest::addColumn<QString>("replacedBy"); // the sort text an event gives, if any
        QTest::addColumn<int>("marker"); // 0 none, 1 top-right, -1 bottom-right
        QTest::newRow("ascending") << "ORDER BY FAM" << true << true << "" << 1;
        QTest::newRow("descending") << "ORDER BY FAM DESC" << true << true << "" << -1;
        QTest::newRow("second key descending")
            << "ORDER BY TELE, FAM DESC" << true << true << "" << -1;
        QTest::newRow("not sorted by it") << "ORDER BY TELE" << true << true << "" << 0;
        QTest::newRow("sorting off") << "ORDER BY FAM" << true << false << "" << 0;
        QTest::newRow("table") << "" << false << true << "" << 0;
        QTest::newRow("event replaces the text")
            << "ORDER BY TELE DESC" << true << true << "TELE" << -1;
    }
    void sortMarkerShowsTheDirection()
    {
        QFETCH(QString, orderBy);
        QFETCH(bool, query);
        QFETCH(bool, useSorting);
        QFETCH(QString, replacedBy);
        QFETCH(int, marker);
        FTown = std::make_unique<TQueryFixture>(30, 3);
        if (query) {
            Bind(FTown->OpenQuery(
                {QStringLiteral("SELECT FAM, TELE, K_Y FROM \"KVTEL_1.DB\""), orderBy}));
        } else {
            auto table = std::make_unique<TTable>();
            table->SetDatabaseName(FTown->Database().DatabaseName());
            table->SetTableName(QStringLiteral("KVTEL_1.DB"));
            table->Open();
            Bind(std::move(table));
        }
        FGrid->SetUseSorting(useSorting);
        if (!replacedBy.isEmpty())
            FGrid->SortEvent = [replacedBy](TmmDBGrid *, TField *field, QString &text) {
                if (field->FieldName() == QLatin1String("FAM"))
                    text = replacedBy;
                return true;
            };
        Show();
        const QImage image = Grab();
        const QRect title = Cell(1, 0);
        const int right = title.left() + title.width();
        const int bottom = title.top() + title.height();
        auto isRed = [&](int x, int y) { return image.pixelColor(x, y) == Red; };
        // The three corners of each wedge, and a pixel just outside it.
        const bool top = isRed(right - 6, title.top()) && isRed(right - 1, title.top())
            && isRed(right - 1, title.top() + 5);
        const bool bottomWedge = isRed(right - 6, bottom - 1) && isRed(right - 1, bottom - 1)
            && isRed(right - 1, bottom - 6);
        QCOMPARE(top, marker == 1);
        QCOMPARE(bottomWedge, marker == -1);
        QVERIFY(!isRed(right - 7, title.top()));
        QVERIFY(!isRed(right - 7, bottom - 1));
        QVERIFY(!isRed(right - 2, title.top() + 5));
        // The other columns of the title carry no marker unless sorted by them.
        const QRect tele = Cell(2, 0);
        const int teleRight = tele.left() + tele.width();
        const bool teleMarked
            = isRed(teleRight - 1, tele.top()) || isRed(teleRight - 1, tele.bottom());
        QCOMPARE(teleMarked, useSorting && orderBy.startsWith(QLatin1String("ORDER BY TELE")));
    }

    void textStartsWhereItsAlignmentPutsIt_data()
    {
        QTest::addColumn<TAlignment>("alignment");
        QTest::addColumn<bool>("checkBox");
        // Right-aligned text ends 3 pixels off the right edge and centred text is centred, with
        // or without a check box; only left-aligned text moves right of the glyph.
        QTest::newRow("right") << TAlignment::taRightJustify << false;
        QTest::newRow("right, with a check box") << TAlignment::taRightJustify << true;
        QTest::newRow("centred") << TAlignment::taCenter << false;
        QTest::newRow("centred, with a check box") << TAlignment::taCenter << true;
        QTest::newRow("left") << TAlignment::taLeftJustify << false;
        QTest::newRow("left, with a check box") << TAlignment::taLeftJustify << true;
    }
    void textStartsWhereItsAlignmentPutsIt()
    {
        QFETCH(TAlignment, alignment);
        QFETCH(bool, checkBox);
        BindSubscribers();
        FGrid->SetCheckFields({QStringLiteral("ADR_D"), QStringLiteral("TELE")});
        FGrid->SetShowCheckBoxes(checkBox);
        QCOMPARE(FGrid->Columns().Items(1)->Alignment(), TAlignment::taRightJustify);
        FGrid->Columns().Items(1)->SetAlignment(alignment);
        FGrid->Columns().Items(1)->SetWidth(120);
        Show();
        const QImage image = Grab();
        const int row = FirstDataRow();
        const QRect cell = Cell(2, row);
        const QString text = QStringLiteral("20000");
        const QFontMetrics metrics(FGrid->Columns().Items(1)->Font().ToQFont());
        const int width = metrics.horizontalAdvance(text);
        // Text is looked for right of where a glyph would end.
        const int bandLeft = checkBox ? cell.left() + 2 + TmmDBGrid::GlyphSize : cell.left();
        int x = cell.left() + 2 + (checkBox ? TmmDBGrid::GlyphSize + 1 : 0);
        if (alignment == TAlignment::taRightJustify)
            x = cell.left() + cell.width() - width - 3;
        else if (alignment == TAlignment::taCenter)
            x = cell.left() + cell.width() / 2 - width / 2;
        const QColor background = Color(FGrid->StripeOne());
        // The same text drawn at x on the same background leaves the same ink.
        QImage expected(image.size(), QImage::Format_RGB32);
        expected.fill(background);
        {
            QPainter painter(&expected);
            painter.setFont(FGrid->Columns().Items(1)->Font().ToQFont());
            painter.setPen(Color(FGrid->Columns().Items(1)->Font().Color()));
            painter.drawText(QPoint(x, cell.top() + 2 + metrics.ascent()), text);
        }
        const QRect textBand(bandLeft, cell.top(), cell.right() + 1 - bandLeft, cell.height());
        const auto ink = InkColumns(image, textBand, background);
        QCOMPARE(ink, InkColumns(expected, textBand, background));
        QVERIFY(ink.second <= cell.right() - 3);
        // The glyph's top left pixel, the glyph being centred in the row.
        const int glyphTop = cell.top() - (TmmDBGrid::GlyphSize - cell.height()) / 2;
        QCOMPARE(image.pixelColor(cell.left() + 2, glyphTop) == GlyphShadow, checkBox);
    }

    void glyphSitsInTheFirstLineOfAThreeLineRow_data()
    {
        QTest::addColumn<bool>("checked");
        QTest::newRow("unchecked") << false;
        QTest::newRow("checked") << true;
    }
    void glyphSitsInTheFirstLineOfAThreeLineRow()
    {
        QFETCH(bool, checked);
        BindSubscribers();
        FGrid->Columns().Items(0)->SetWidth(200);
        FGrid->SetLineFields({QStringLiteral("field FAM"), QStringLiteral("ADR_D"),
            QStringLiteral("TELE"), QStringLiteral("тел. %s")});
        QCOMPARE(FGrid->LineCount(), 3);
        FGrid->SetShowLines(true);
        FGrid->SetCheckFields({QStringLiteral("TELE"), QStringLiteral("FAM")});
        FGrid->SetShowCheckBoxes(true);
        if (checked)
            FGrid->CheckValue(
                FGrid->FindCheckField(QStringLiteral("FAM")), QStringLiteral("20000"));
        Show();
        const QImage image = Grab();
        const QRect cell = Cell(1, FirstDataRow());
        const int lineHeight = FGrid->LineHeight();
        QCOMPARE(cell.height(), 3 * lineHeight);
        const QImage &glyph = checked ? FGrid->GlyphChecked() : FGrid->GlyphUnChecked();
        const int glyphTop = cell.top() - (glyph.height() - lineHeight) / 2;
        const int glyphLeft = cell.left() + 2;
        const QColor background = Color(FGrid->StripeOne());
        // The glyph's transparent colour, its bottom-left pixel's, shows the row's stripe.
        const QRgb transparent = glyph.pixel(0, glyph.height() - 1);
        for (int y = 0; y < glyph.height(); ++y)
            for (int x = 0; x < glyph.width(); ++x)
                QCOMPARE(image.pixel(glyphLeft + x, glyphTop + y),
                    glyph.pixel(x, y) == transparent ? background.rgb() : glyph.pixel(x, y));
        // The first line starts one pixel right of the glyph.
        const QRect firstLine(glyphLeft + glyph.width(), cell.top(),
            cell.right() - glyphLeft - glyph.width(), lineHeight);
        const QFontMetrics metrics(FGrid->Columns().Items(0)->Font().ToQFont());
        const int textLeft = glyphLeft + glyph.width() + 1;
        QCOMPARE(InkColumns(image, firstLine, background).first,
            textLeft + metrics.boundingRect(QStringLiteral("Иванов И.И.")).left());
        // The extra lines, one and two line heights down, start at the cell's text indent.
        for (int line = 1; line <= 2; ++line) {
            const QRect band(cell.left(), cell.top() + line * lineHeight, cell.width(), lineHeight);
            const int left = InkColumns(image, band, background).first;
            QVERIFY2(left >= cell.left() + 2 && left <= cell.left() + 4,
                qPrintable(QStringLiteral("line %1 starts at %2").arg(line).arg(left)));
        }
        // The second extra line carries its format.
        const QRect thirdLine(cell.left(), cell.top() + 2 * lineHeight, cell.width(), lineHeight);
        const int width = InkColumns(image, thirdLine, background).second - cell.left() - 2;
        QVERIFY(std::abs(width - metrics.boundingRect(QStringLiteral("тел. 20000")).right()) <= 1);
    }

    // See-through pixels and, in an opaque glyph, the transparent colour (the bottom-left
    // pixel's) show the cell's background; the other pixels are the glyph's.
    void transparentGlyphPixelsShowTheBackground_data()
    {
        QTest::addColumn<QImage::Format>("format");
        QTest::addColumn<QColor>("transparent");
        QTest::newRow("alpha channel") << QImage::Format_ARGB32 << QColor(Qt::transparent);
        QTest::newRow("opaque, magenta corner") << QImage::Format_RGB32 << QColor(Qt::magenta);
        QTest::newRow("opaque, 16 bits") << QImage::Format_RGB16 << QColor(Qt::green);
    }
    void transparentGlyphPixelsShowTheBackground()
    {
        QFETCH(QImage::Format, format);
        QFETCH(QColor, transparent);
        BindSubscribers();
        QImage glyph(13, 13, format);
        glyph.fill(transparent);
        for (int i = 0; i < 13; ++i)
            glyph.setPixelColor(i, 6, Qt::black);
        glyph.setPixelColor(3, 3, Qt::white);
        FGrid->SetGlyphUnChecked(glyph);
        FGrid->SetCheckFields({QStringLiteral("TELE"), QStringLiteral("FAM")});
        FGrid->SetShowCheckBoxes(true);
        Show();
        const QImage image = Grab();
        const QRect cell = Cell(1, FirstDataRow() + 1);
        const int top = cell.top() - (13 - cell.height()) / 2;
        QCOMPARE(image.pixelColor(cell.left() + 2, top + 6), QColor(Qt::black));
        QCOMPARE(image.pixelColor(cell.left() + 5, top + 3), QColor(Qt::white));
        QCOMPARE(image.pixelColor(cell.left() + 2, top + 5), Color(FGrid->StripeTwo()));
        QCOMPARE(image.pixelColor(cell.left() + 2 + 12, top + 12), Color(FGrid->StripeTwo()));
    }

    // After keyboard navigation the current cell keeps ColorSelected inside the dotted frame:
    // every other pixel of its edge inverted, and no fill.
    void focusFrameIsDottedWithoutAFill()
    {
        BindSubscribers();
        FGrid->setFocusPolicy(Qt::StrongFocus);
        Show();
        FGrid->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FGrid.get()));
        FGrid->setFocus();
        QTest::keyClick(FGrid.get(), Qt::Key_Down);
        QTest::keyClick(FGrid.get(), Qt::Key_Right);
        QVERIFY(FGrid->hasFocus());
        QCOMPARE(FGrid->Col(), 2);
        const QImage image = Grab();
        const QRect cell = Cell(FGrid->Col(), FGrid->Row());
        const QColor selected = Color(FGrid->ColorSelected());
        QCOMPARE(selected, QColor(0xf7, 0xdf, 0x9c));
        const QColor inverted(255 - selected.red(), 255 - selected.green(), 255 - selected.blue());
        QCOMPARE(image.pixelColor(cell.left() + 1, cell.top() + 1), selected);
        QCOMPARE(image.pixelColor(cell.right() - 1, cell.bottom() - 1), selected);
        // The dots alternate along the edge, whatever the phase of the first.
        const bool firstIsDot = image.pixelColor(cell.topLeft()) == inverted;
        auto expected = [&](int x, int y) {
            const bool dot = ((x - cell.left() + y - cell.top()) % 2 == 0) == firstIsDot;
            return dot ? inverted : selected;
        };
        for (int x = cell.left(); x <= cell.right(); ++x)
            for (const int y : {cell.top(), cell.bottom()})
                QCOMPARE(image.pixelColor(x, y), expected(x, y));
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (const int x : {cell.left(), cell.right()})
                QCOMPARE(image.pixelColor(x, y), expected(x, y));
        // Without the focus there is no frame.
        FGrid->clearFocus();
        QCOMPARE(Grab().pixelColor(cell.left(), cell.top()), Color(FGrid->StripeTwo()));
    }

    void cellWithoutAFieldIsPlain()
    {
        BindSubscribers();
        Show();
        // Reopened with fewer fields while the grid is not told: two columns lose their field.
        auto fewer = std::make_shared<TRecordSet>();
        fewer->AddColumn(QStringLiteral("FAM"), TFieldType::ftString, 30);
        fewer->AddColumn(QStringLiteral("TELE"), TFieldType::ftInteger);
        for (int i = 0; i < 40; ++i) {
            fewer->AppendText(0, "Иванов");
            fewer->AppendInt(1, i);
            fewer->EndRow();
        }
        TDisabledControls muted(FData.get());
        FData->Close();
        Memory()->Rows = fewer;
        FData->Open();
        QVERIFY(FGrid->DataLinkActive());
        QCOMPARE(FGrid->Columns().Items(2)->Field(), nullptr);
        const QImage image = Grab();
        for (int row = 0; row < 2; ++row) {
            const QRect cell = Cell(3, FirstDataRow() + row);
            const QColor stripe = Color(row == 0 ? FGrid->StripeOne() : FGrid->StripeTwo());
            QVERIFY(!HasInk(image, cell, stripe));
        }
    }

    void inactiveLinkFillsWithTheColumnColour()
    {
        BindSubscribers();
        FGrid->Columns().Items(0)->SetColor(Colors::clAqua);
        TDisabledControls muted(FData.get());
        FData->Close();
        QVERIFY(!FGrid->DataLinkActive());
        QImage image(60, 40, QImage::Format_RGB32);
        image.fill(Qt::black);
        {
            QPainter painter(&image);
            FGrid->DrawCell(painter, 1, 1, QRect(5, 5, 50, 30), {});
        }
        QVERIFY(!HasInk(image, QRect(5, 5, 50, 30), Color(Colors::clAqua)));
        QCOMPARE(image.pixelColor(4, 4), QColor(Qt::black));
    }

    void failedCellPutsTheActiveRecordBack()
    {
        BindSubscribers();
        Show();
        FData->MoveTo(3);
        int failures = 0;
        FGrid->OnDrawColumnCell
            = [&](TDBGrid *, const QRect &, int dataCol, TColumn *, QPainter &, TGridDrawState) {
                  if (dataCol == 1) {
                      ++failures;
                      throw Exception(QStringLiteral("cannot show the value"));
                  }
              };
        const ErrorDisplayRecorder shown;
        FGrid->grab();
        FGrid->OnDrawColumnCell = nullptr;
        QCoreApplication::sendPostedEvents(FGrid.get(), QEvent::MetaCall);
        const QString raised = shown.Messages().value(0);
        QVERIFY(failures > 0);
        QCOMPARE(raised, QStringLiteral("cannot show the value"));
        QCOMPARE(FData->ActiveRecord(), 3);
    }

    void conditionsColourOnlyCellsThatAreNotHighlighted_data()
    {
        QTest::addColumn<bool>("formatting");
        QTest::newRow("on") << true;
        QTest::newRow("off") << false;
    }
    void conditionsColourOnlyCellsThatAreNotHighlighted()
    {
        QFETCH(bool, formatting);
        BindSubscribers();
        FGrid->SetOptions(FGrid->Options() | TDBGridOption::dgAlwaysShowSelection);
        auto condition = std::make_unique<TCondition>();
        condition->FieldName = QStringLiteral("TELE");
        condition->Operation = TConditionOperation::coLess;
        condition->Value1 = QStringLiteral("20004");
        condition->ShowInFields = {QStringLiteral("FAM")};
        condition->UseColor = true;
        condition->Color = Colors::clAqua;
        condition->UseFont = true;
        TFont font = FGrid->Columns().Items(0)->Font();
        font.SetColor(Colors::clRed);
        condition->SetFont(font);
        FGrid->Conditions().Add(condition.release());
        FGrid->PrepareConditions();
        FGrid->SetConditionalFormatting(formatting);
        Show();
        FData->MoveTo(1);
        const QImage image = Grab();
        const int first = FirstDataRow();
        const QColor aqua = Color(Colors::clAqua);
        // Record 0 matches; record 1 matches but is highlighted; record 5 does not match.
        const QRect plain = Cell(1, first);
        const QRect highlighted = Cell(1, first + 1);
        const QRect unmatched = Cell(1, first + 5);
        QCOMPARE(Background(image, plain), formatting ? aqua : Color(FGrid->StripeOne()));
        QCOMPARE(Background(image, highlighted), Color(FGrid->ColorSelected()));
        QCOMPARE(Background(image, unmatched), Color(FGrid->StripeTwo()));
        QCOMPARE(HasPixelNear(image, plain, Red), formatting);
        QCOMPARE(HasPixelNear(image, highlighted, Red), formatting);
        QVERIFY(!HasPixelNear(image, unmatched, Red));
        // The tested column itself is not among the condition's display columns.
        QCOMPARE(Background(image, Cell(2, first), true), Color(FGrid->StripeOne()));
    }

    void approximatedColoursGoThroughTheSharedBitmap_data()
    {
        QTest::addColumn<QImage::Format>("format");
        QTest::addColumn<TColor>("stripe");
        QTest::addColumn<bool>("wrapped");
        const TColor grey = RGBColor(100, 100, 100); // not a colour of 16-bit surfaces
        QTest::newRow("16 bits, approximated") << QImage::Format_RGB16 << grey << true;
        QTest::newRow("16 bits, pure")
            << QImage::Format_RGB16 << TmmDBGrid::DefaultStripeOne << false;
        QTest::newRow("32 bits") << QImage::Format_RGB32 << grey << false;
    }
    void approximatedColoursGoThroughTheSharedBitmap()
    {
        QFETCH(QImage::Format, format);
        QFETCH(TColor, stripe);
        QFETCH(bool, wrapped);
        BindSubscribers();
        FGrid->SetStripeOne(stripe);
        FGrid->SetStripeTwo(stripe);
        // A narrow column in rows three lines high, with no extra lines of its own.
        FGrid->SetLineFields(
            {QStringLiteral("field TELE"), QStringLiteral("ADR_D"), QStringLiteral("ADR_K")});
        FGrid->SetShowLines(true);
        const QFontMetrics metrics(FGrid->Columns().Items(0)->Font().ToQFont());
        FGrid->Columns().Items(0)->SetWidth(
            metrics.horizontalAdvance(QStringLiteral("Иванов")) + 12);
        Show();
        QImage image(FGrid->size(), format);
        image.fill(Qt::white);
        FGrid->render(&image);
        image = image.convertToFormat(QImage::Format_RGB32);
        const QRect cell = Cell(1, FirstDataRow());
        const QColor background = image.pixelColor(cell.right(), cell.bottom());
        const int lineHeight = FGrid->LineHeight();
        QVERIFY(
            HasInk(image, QRect(cell.left(), cell.top(), cell.width(), lineHeight), background));
        // "Иванов И.И." breaks at its blank only where the text is drawn on the bitmap.
        const QRect second(cell.left(), cell.top() + lineHeight, cell.width(), lineHeight);
        QCOMPARE(HasInk(image, second, background), wrapped);
        if (wrapped) {
            QVERIFY(TmmDBGrid::SharedTextBitmap()->width() >= cell.width());
            QVERIFY(TmmDBGrid::SharedTextBitmap()->height() >= cell.height());
        }
    }
};

QTEST_MAIN(TestGridPaint)
#include "tst_gridpaint.moc"
