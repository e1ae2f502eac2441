#include "tests/support/GridFixture.h"

#include "db/dataset/TDataSource.h"
#include "db/dataset/TField.h"
#include "grid/mmDBGrid.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QtTest>

namespace {
const int Indicator = TDBGrid::IndicatorWidth + 1;

QList<int> Widths(const TmmDBGrid &grid)
{
    QList<int> widths;
    for (int col = grid.IndicatorOffset(); col < grid.ColCount(); ++col)
        widths << grid.ColWidths(col);
    return widths;
}

void SendMouse(QWidget *widget, QEvent::Type type, const QPoint &pos, Qt::MouseButton button,
    Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Where the header takes a press for dragging the right border of a column.
QPoint BorderOf(const TmmDBGrid &grid, int dataIndex)
{
    const QHeaderView *header = grid.horizontalHeader();
    return {header->sectionViewportPosition(dataIndex) + header->sectionSize(dataIndex) - 1,
        header->height() / 2};
}

// The pointer comes to rest on the border, then drags it through the given offsets.
void DragBorder(TmmDBGrid &grid, int dataIndex, const QList<int> &offsets)
{
    QWidget *port = grid.horizontalHeader()->viewport();
    const QPoint at = BorderOf(grid, dataIndex);
    SendMouse(port, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
    QTest::mousePress(port, Qt::LeftButton, {}, at);
    for (int dx : offsets)
        QTest::mouseMove(port, at + QPoint(dx, 0));
    QTest::mouseRelease(port, Qt::LeftButton, {}, at + QPoint(offsets.last(), 0));
}

void DoubleClickBorder(TmmDBGrid &grid, int dataIndex)
{
    QWidget *port = grid.horizontalHeader()->viewport();
    const QPoint at = BorderOf(grid, dataIndex);
    SendMouse(port, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
    QTest::mouseClick(port, Qt::LeftButton, {}, at);
    QTest::mouseDClick(port, Qt::LeftButton, {}, at);
    QTest::mouseRelease(port, Qt::LeftButton, {}, at);
}
} // namespace

class TestGridLayout : public QObject
{
    Q_OBJECT

    std::unique_ptr<TGridFixture> FFixture;
    std::unique_ptr<TMemoryDataSet> FData;
    std::unique_ptr<TDataSource> FSource;
    std::unique_ptr<QWidget> FHost;
    TmmDBGrid *FGrid = nullptr;

    // A grid on a shown window, without a frame or a vertical scroll bar so that the room for
    // the columns is the grid's width less the indicator.
    void MakeGrid(int width, bool indicator = true, bool show = true)
    {
        FHost = std::make_unique<QWidget>();
        FHost->resize(1000, 300);
        FGrid = new TmmDBGrid(FHost.get());
        FGrid->setFrameShape(QFrame::NoFrame);
        FGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        if (!indicator)
            FGrid->SetOptions(FGrid->Options() & ~TDBGridOptions(TDBGridOption::dgIndicator));
        FGrid->setGeometry(0, 0, width + (indicator ? Indicator : 0), 200);
        if (show) {
            FHost->show();
            QVERIFY(QTest::qWaitForWindowExposed(FHost.get()));
        }
    }
    void Bind(int rows = 8, const QStringList &hiddenFields = {})
    {
        FData = FFixture->NewDataSet(TGridFixture::Subscribers(rows));
        FData->Open();
        for (const QString &name : hiddenFields)
            FData->FieldByName(name)->SetVisible(false);
        FSource = std::make_unique<TDataSource>();
        FSource->SetDataSet(FData.get());
        FGrid->SetDataSource(FSource.get());
    }
    void SetWidths(const QList<int> &widths)
    {
        for (int i = 0; i < widths.size(); ++i)
            FGrid->Columns().Items(i)->SetWidth(widths[i]);
    }
    void Resize(int width)
    {
        const int extra = FGrid->HasOption(TDBGridOption::dgIndicator) ? Indicator : 0;
        FGrid->setGeometry(0, 0, width + extra, FGrid->height());
    }

private slots:
    void init() { FFixture = std::make_unique<TGridFixture>(); }
    void cleanup()
    {
        FHost.reset();
        FGrid = nullptr;
        FSource.reset();
        FData.reset();
        FFixture.reset();
    }

    void fitSharesTheRoomAndHandsOutTheRemainder_data()
    {
        QTest::addColumn<bool>("indicator");
        QTest::addColumn<QList<int>>("initial");
        QTest::addColumn<QList<int>>("gridWidths");
        QTest::addColumn<QList<int>>("expected");
        const QList<int> hundreds {100, 100, 100};
        // 100 x 400 / 303 = 132.01: one pixel is left for the first column.
        QTest::newRow("into 400") << false << hundreds << QList<int> {400}
                                  << QList<int> {133, 132, 132};
        QTest::newRow("into 400 beside the indicator")
            << true << hundreds << QList<int> {400} << QList<int> {133, 132, 132};
        // Growing on: each remainder goes to the next column.
        QTest::newRow("grown once")
            << false << hundreds << QList<int> {400, 500} << QList<int> {166, 166, 165};
        QTest::newRow("grown twice")
            << true << hundreds << QList<int> {400, 500, 600} << QList<int> {199, 199, 199};
        QTest::newRow("grown three times, cursor wraps")
            << false << hundreds << QList<int> {400, 500, 600, 700} << QList<int> {233, 232, 232};
        // Turning from growing to shrinking starts with the first column again.
        QTest::newRow("shrunk after growing")
            << false << hundreds << QList<int> {400, 500, 600, 700, 500}
            << QList<int> {165, 166, 166};
        // Halves go to the even neighbour: 103.5, 223.5 and 118.5 become 104, 224 and 118.
        QTest::newRow("halves to even")
            << false << QList<int> {69, 149, 79} << QList<int> {450} << QList<int> {105, 224, 118};
        QTest::newRow("shrunk to the minimum")
            << false << hundreds << QList<int> {400, 130} << QList<int> {41, 43, 43};
        // Every column at the minimum: the remainder cannot be placed, the columns stay wider.
        QTest::newRow("narrower than the minimum")
            << false << hundreds << QList<int> {400, 130, 100} << QList<int> {40, 40, 40};
    }
    void fitSharesTheRoomAndHandsOutTheRemainder()
    {
        QFETCH(bool, indicator);
        QFETCH(QList<int>, initial);
        QFETCH(QList<int>, gridWidths);
        QFETCH(QList<int>, expected);
        MakeGrid(gridWidths.first(), indicator);
        Bind(8, {QStringLiteral("ADR_K")});
        SetWidths(initial);
        QCOMPARE(Widths(*FGrid), initial);
        FGrid->SetScaleColumns(true);
        for (int width : gridWidths.mid(1))
            Resize(width);
        QCOMPARE(FGrid->AvailableWidth(), gridWidths.last());
        QCOMPARE(Widths(*FGrid), expected);
        if (expected.first() > FGrid->MinColWidth())
            QCOMPARE(FGrid->ColumnsWidth(), FGrid->AvailableWidth());
    }

    void availableWidthIsTheViewportsWidth_data()
    {
        QTest::addColumn<bool>("indicator");
        QTest::addColumn<int>("rows");
        QTest::newRow("indicator, no scroll bar") << true << 3;
        QTest::newRow("indicator, scroll bar") << true << 200;
        QTest::newRow("no indicator, scroll bar") << false << 200;
    }
    void availableWidthIsTheViewportsWidth()
    {
        QFETCH(bool, indicator);
        QFETCH(int, rows);
        FHost = std::make_unique<QWidget>();
        FHost->resize(800, 300);
        FGrid = new TmmDBGrid(FHost.get());
        if (!indicator)
            FGrid->SetOptions(FGrid->Options() & ~TDBGridOptions(TDBGridOption::dgIndicator));
        FGrid->setGeometry(5, 5, 500, 250);
        FHost->show();
        QVERIFY(QTest::qWaitForWindowExposed(FHost.get()));
        Bind(rows);
        FGrid->SetScaleColumns(true);
        QCoreApplication::processEvents();
        QCOMPARE(FGrid->AvailableWidth(), FGrid->viewport()->width());
        // The columns fill the view exactly: no horizontal scrolling.
        QCOMPARE(FGrid->horizontalHeader()->length(), FGrid->viewport()->width());
        QVERIFY(!FGrid->horizontalScrollBar()->isVisible());
        FGrid->resize(620, 250);
        QCoreApplication::processEvents();
        QCOMPARE(FGrid->horizontalHeader()->length(), FGrid->viewport()->width());
    }

    void fitWaitsForLoadingAndAnActiveLink()
    {
        MakeGrid(400, true, false);
        FGrid->SetScaleColumns(true);
        Bind(8, {QStringLiteral("ADR_K")});
        SetWidths({100, 100, 100});
        FGrid->SetBounds(FGrid->geometry());
        QCOMPARE(Widths(*FGrid), (QList<int> {100, 100, 100}));
        FHost->show();
        QVERIFY(QTest::qWaitForWindowExposed(FHost.get()));
        QCOMPARE(Widths(*FGrid), (QList<int> {133, 132, 132}));
        // A closed dataset has no columns to fit and the grid keeps its bounds.
        FData->Close();
        Resize(300);
        QCOMPARE(FGrid->Columns().Count(), 0);
        QCOMPARE(FGrid->width(), 300 + Indicator);
    }

    void hiddenColumnStaysHiddenThroughEveryFit()
    {
        MakeGrid(400);
        Bind();
        SetWidths({100, 100, 100, 100});
        FGrid->Columns().Items(2)->SetVisible(false);
        FGrid->SetScaleColumns(true);
        for (int width : {400, 520, 310, 700}) {
            Resize(width);
            QVERIFY(!FGrid->Columns().Items(2)->Visible());
            QVERIFY(FGrid->horizontalHeader()->isSectionHidden(2));
            QCOMPARE(FGrid->ColWidths(3), 0);
            QCOMPARE(FGrid->ColumnsWidth(), width);
            QCOMPARE(FGrid->horizontalHeader()->length(), width);
        }
        // Hiding another column leaves a gap that a fit closes; showing it again makes room.
        FGrid->Columns().Items(0)->SetVisible(false);
        QCOMPARE(FGrid->ColumnsWidth(), 700);
        FGrid->Columns().Items(0)->SetVisible(true);
        QCOMPARE(FGrid->ColumnsWidth(), 700);
        QVERIFY(!FGrid->Columns().Items(2)->Visible());
    }

    void draggingABorderIsCorrected_data()
    {
        QTest::addColumn<bool>("scale");
        QTest::addColumn<int>("column");
        QTest::addColumn<QList<int>>("offsets");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("narrower than the minimum")
            << false << 1 << QList<int> {-80} << QList<int> {100, 40, 100, 100};
        QTest::newRow("wider is not limited")
            << false << 1 << QList<int> {150} << QList<int> {100, 250, 100, 100};
        QTest::newRow("last column without scaling")
            << false << 3 << QList<int> {30} << QList<int> {100, 100, 100, 130};
        QTest::newRow("scaled: the neighbour gives")
            << true << 1 << QList<int> {30} << QList<int> {100, 130, 70, 100};
        QTest::newRow("scaled: the neighbour takes")
            << true << 1 << QList<int> {-30} << QList<int> {100, 70, 130, 100};
        QTest::newRow("scaled: dragged column at the minimum")
            << true << 1 << QList<int> {-80} << QList<int> {100, 40, 160, 100};
        QTest::newRow("scaled: neighbour at the minimum stops the column")
            << true << 1 << QList<int> {80} << QList<int> {100, 160, 40, 100};
        QTest::newRow("scaled: a drag in steps")
            << true << 0 << QList<int> {20, 90, 50} << QList<int> {150, 50, 100, 100};
        QTest::newRow("scaled: the last column does not grow")
            << true << 3 << QList<int> {30} << QList<int> {100, 100, 100, 100};
        QTest::newRow("scaled: the last column does not shrink")
            << true << 3 << QList<int> {-30} << QList<int> {100, 100, 100, 100};
    }
    void draggingABorderIsCorrected()
    {
        QFETCH(bool, scale);
        QFETCH(int, column);
        QFETCH(QList<int>, offsets);
        QFETCH(QList<int>, expected);
        MakeGrid(404);
        Bind();
        SetWidths({100, 100, 100, 100});
        FGrid->SetScaleColumns(scale);
        QCOMPARE(Widths(*FGrid), (QList<int> {100, 100, 100, 100}));
        DragBorder(*FGrid, column, offsets);
        QCOMPARE(Widths(*FGrid), expected);
        if (scale)
            QCOMPARE(FGrid->ColumnsWidth(), FGrid->AvailableWidth());
    }

    void scaledDragSkipsAHiddenNeighbour()
    {
        MakeGrid(404);
        Bind();
        SetWidths({100, 100, 100, 100});
        FGrid->Columns().Items(2)->SetVisible(false);
        FGrid->SetScaleColumns(true);
        const QList<int> before = Widths(*FGrid);
        DragBorder(*FGrid, 1, {25});
        QCOMPARE(Widths(*FGrid), (QList<int> {before[0], before[1] + 25, 0, before[3] - 25}));
        QVERIFY(!FGrid->Columns().Items(2)->Visible());
        QCOMPARE(FGrid->ColumnsWidth(), FGrid->AvailableWidth());
    }

    void autoFitMeasuresTheCurrentValueAndTheCaption_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("captionWins");
        QTest::newRow("long caption")
            << 2 << QStringLiteral("Номер дома абонента по справочнику") << 0 << true;
        QTest::newRow("long value") << 0 << QStringLiteral("Ф") << 2 << false;
        // Only the current record counts, though another row's name is longer.
        QTest::newRow("short current value") << 0 << QStringLiteral("Ф") << 4 << false;
    }
    void autoFitMeasuresTheCurrentValueAndTheCaption()
    {
        QFETCH(int, column);
        QFETCH(QString, caption);
        QFETCH(int, row);
        QFETCH(bool, captionWins);
        MakeGrid(600);
        Bind();
        SetWidths({100, 100, 100, 100});
        FGrid->SetMinColWidth(10);
        FGrid->Columns().Items(column)->Title().SetCaption(caption);
        FData->MoveTo(row);
        const TColumn *target = FGrid->Columns().Items(column);
        const int captionWidth
            = QFontMetrics(target->Title().Font().ToQFont(), FGrid).horizontalAdvance(caption);
        const int valueWidth = QFontMetrics(target->Font().ToQFont(), FGrid)
                                   .horizontalAdvance(target->Field()->DisplayText());
        QCOMPARE(captionWidth > valueWidth, captionWins);
        DoubleClickBorder(*FGrid, column);
        QCOMPARE(FGrid->Columns().Items(column)->Width(), std::max(captionWidth, valueWidth) + 4);
    }

    void autoFitMakesRoomForTheCheckGlyph_data()
    {
        QTest::addColumn<bool>("checked");
        QTest::newRow("unchecked") << false;
        QTest::newRow("checked") << true;
    }
    void autoFitMakesRoomForTheCheckGlyph()
    {
        QFETCH(bool, checked);
        MakeGrid(600);
        Bind();
        FGrid->SetMinColWidth(10);
        FGrid->SetGlyphChecked(QImage(21, 13, QImage::Format_RGB32));
        FGrid->SetCheckFields({QStringLiteral("TELE"), QStringLiteral("FAM")});
        FGrid->SetShowCheckBoxes(true);
        FGrid->Columns().Items(0)->Title().SetCaption(QStringLiteral("Ф"));
        FData->MoveTo(3);
        if (checked)
            FGrid->CheckValue(FGrid->CheckFieldList().Items(0), QStringLiteral("20003"));
        const TColumn *target = FGrid->Columns().Items(0);
        const int valueWidth = QFontMetrics(target->Font().ToQFont(), FGrid)
                                   .horizontalAdvance(target->Field()->DisplayText());
        DoubleClickBorder(*FGrid, 0);
        QCOMPARE(target->Width(), (checked ? 21 : TmmDBGrid::GlyphSize) + valueWidth + 4);
    }

    void scaledAutoFitIsTakenFromTheNeighbour()
    {
        MakeGrid(404);
        Bind();
        SetWidths({100, 100, 100, 100});
        FGrid->SetScaleColumns(true);
        FGrid->Columns().Items(1)->Title().SetCaption(
            QStringLiteral("Телефон абонента, полностью"));
        DoubleClickBorder(*FGrid, 1);
        const int fitted = FGrid->Columns().Items(1)->Width();
        QVERIFY(fitted > 100);
        QCOMPARE(Widths(*FGrid), (QList<int> {100, fitted, 200 - fitted, 100}));
    }

    void columnMoveStillReachesTheApplication()
    {
        MakeGrid(400, true, false);
        QList<int> moves;
        FGrid->OnColumnMoved = [&](TDBGrid *sender, int fromIndex, int toIndex) {
            QCOMPARE(sender, FGrid);
            moves << fromIndex << toIndex;
        };
        FHost->show();
        QVERIFY(QTest::qWaitForWindowExposed(FHost.get()));
        Bind();
        FGrid->horizontalHeader()->moveSection(0, 2);
        QCOMPARE(moves, (QList<int> {1, 3}));
        QCOMPARE(FGrid->Columns().Items(2)->FieldName(), QStringLiteral("FAM"));
    }
};

QTEST_MAIN(TestGridLayout)
#include "tst_gridlayout.moc"
