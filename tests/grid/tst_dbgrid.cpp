#include "tests/support/GridFixture.h"

#include "core/Exception.h"
#include "db/dataset/TDataSource.h"
#include "db/dataset/TField.h"
#include "grid/TDBGrid.h"
#include "tests/support/ErrorDisplayRecorder.h"

#include <QAbstractItemModel>
#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QScrollBar>
#include <QtTest>

namespace {
QStringList ColumnNames(const TDBGrid &grid)
{
    QStringList names;
    for (int i = 0; i < grid.Columns().Count(); ++i)
        names << grid.Columns().Items(i)->FieldName();
    return names;
}
} // namespace

class TestDBGrid : public QObject
{
    Q_OBJECT

    std::unique_ptr<TGridFixture> FFixture;
    std::unique_ptr<TMemoryDataSet> FData;
    std::unique_ptr<TDataSource> FSource;
    std::unique_ptr<TDBGrid> FGrid;

    void Bind(int rows)
    {
        FData = FFixture->OpenDataSet(TGridFixture::Subscribers(rows));
        FSource = std::make_unique<TDataSource>();
        FSource->SetDataSet(FData.get());
        FGrid->SetDataSource(FSource.get());
    }

private slots:
    void init()
    {
        FFixture = std::make_unique<TGridFixture>();
        FGrid = std::make_unique<TDBGrid>();
        FGrid->resize(420, 220);
        // Every binding, rebinding, closing and reopening below keeps the model's contract.
        new QAbstractItemModelTester(
            FGrid->model(), QAbstractItemModelTester::FailureReportingMode::QtTest, FGrid.get());
    }
    void cleanup()
    {
        FGrid.reset();
        FSource.reset();
        FData.reset();
        FFixture.reset();
    }

    void columnsAreTheVisibleFieldsInFieldOrder_data()
    {
        QTest::addColumn<QStringList>("hidden");
        QTest::addColumn<QStringList>("columns");
        QTest::newRow("all visible")
            << QStringList {} << QStringList {"FAM", "TELE", "ADR_D", "ADR_K"};
        QTest::newRow("first hidden")
            << QStringList {"FAM"} << QStringList {"TELE", "ADR_D", "ADR_K"};
        QTest::newRow("middle hidden, named in lower case")
            << QStringList {"adr_d"} << QStringList {"FAM", "TELE", "ADR_K"};
        QTest::newRow("all hidden")
            << QStringList {"FAM", "TELE", "ADR_D", "ADR_K"} << QStringList {};
    }
    void columnsAreTheVisibleFieldsInFieldOrder()
    {
        QFETCH(QStringList, hidden);
        FData = FFixture->OpenDataSet(TGridFixture::Subscribers(5));
        for (const QString &name : hidden)
            FData->FieldByName(name)->SetVisible(false);
        FSource = std::make_unique<TDataSource>();
        FSource->SetDataSet(FData.get());
        FGrid->SetDataSource(FSource.get());
        QTEST(ColumnNames(*FGrid), "columns");
        QCOMPARE(FGrid->model()->columnCount(), FGrid->Columns().Count());
        for (int i = 0; i < FGrid->Columns().Count(); ++i)
            QCOMPARE(FGrid->Columns().Items(i)->Field(),
                FData->FieldByName(FGrid->Columns().Items(i)->FieldName()));
    }

    void fieldVisibilityRebuildsTheColumns()
    {
        Bind(5);
        FGrid->Columns().Items(0)->Title().SetCaption(QStringLiteral("Абонент"));
        FData->FieldByName(QStringLiteral("TELE"))->SetVisible(false);
        QCOMPARE(ColumnNames(*FGrid), (QStringList {"FAM", "ADR_D", "ADR_K"}));
        // A rebuild starts the columns afresh.
        QCOMPARE(FGrid->Columns().Items(0)->Title().Caption(), QStringLiteral("FAM"));
        FData->FieldByName(QStringLiteral("TELE"))->SetVisible(true);
        QCOMPARE(ColumnNames(*FGrid), (QStringList {"FAM", "TELE", "ADR_D", "ADR_K"}));
    }

    void columnSettingsStayUntilTheColumnsAreRebuilt()
    {
        Bind(5);
        TColumn *column = FGrid->Columns().Items(1);
        column->Title().SetCaption(QStringLiteral("Телефон"));
        column->Title().SetAlignment(TAlignment::taCenter);
        column->SetWidth(77);
        FGrid->Columns().Items(2)->SetVisible(false);
        // A label change of another field, new rows of the same result: the settings stay.
        FData->FieldByName(QStringLiteral("FAM"))->SetDisplayLabel(QStringLiteral("Фамилия"));
        FData->Refresh();
        column = FGrid->Columns().Items(1);
        QCOMPARE(column->Title().Caption(), QStringLiteral("Телефон"));
        QCOMPARE(column->Title().Alignment(), TAlignment::taCenter);
        QCOMPARE(column->Width(), 77);
        QCOMPARE(FGrid->ColWidths(2), 77);
        QCOMPARE(FGrid->Columns().Items(0)->Title().Caption(), QStringLiteral("Фамилия"));
        QVERIFY(!FGrid->Columns().Items(2)->Visible());
        QCOMPARE(FGrid->ColWidths(3), 0);
        QVERIFY(FGrid->horizontalHeader()->isSectionHidden(2));
        // Reopened with the same fields (a query sorted anew): the settings come back.
        FData->Close();
        QCOMPARE(FGrid->Columns().Count(), 0);
        FData->Open();
        column = FGrid->Columns().Items(1);
        QCOMPARE(column->Field(), FData->FieldByName(QStringLiteral("TELE")));
        QCOMPARE(column->Title().Caption(), QStringLiteral("Телефон"));
        QCOMPARE(column->Title().Alignment(), TAlignment::taCenter);
        QCOMPARE(FGrid->ColWidths(2), 77);
        QVERIFY(!FGrid->Columns().Items(2)->Visible());
        QVERIFY(FGrid->horizontalHeader()->isSectionHidden(2));
    }

    void reopeningWithOtherFieldsStartsAfresh()
    {
        Bind(5);
        FGrid->Columns().Items(1)->Title().SetCaption(QStringLiteral("Телефон"));
        FGrid->Columns().Items(2)->SetVisible(false);
        FData->Close();
        FData->Rows = TGridFixture::Streets(3);
        FData->Open();
        QCOMPARE(ColumnNames(*FGrid), (QStringList {"K_Y", "NAME"}));
        FData->Close();
        FData->Rows = TGridFixture::Subscribers(5);
        FData->Open();
        // The street columns came between: nothing of the first settings is left.
        QCOMPARE(FGrid->Columns().Items(1)->Title().Caption(), QStringLiteral("TELE"));
        QVERIFY(FGrid->Columns().Items(2)->Visible());
        // Unbinding forgets the columns of a closed dataset too.
        FGrid->Columns().Items(0)->Title().SetCaption(QStringLiteral("Абонент"));
        FData->Close();
        FGrid->SetDataSource(nullptr);
        FGrid->SetDataSource(FSource.get());
        FData->Open();
        QCOMPARE(FGrid->Columns().Items(0)->Title().Caption(), QStringLiteral("FAM"));
    }

    void reopeningKeepsAMovedColumnOrder()
    {
        Bind(5);
        FGrid->horizontalHeader()->moveSection(0, 2);
        FData->Close();
        FData->Open();
        QCOMPARE(ColumnNames(*FGrid), (QStringList {"TELE", "ADR_D", "FAM", "ADR_K"}));
        QCOMPARE(FGrid->model()->data(FGrid->model()->index(0, 2)).toString(),
            QStringLiteral("Иванов И.И."));
    }

    void rebindingRebuildsTheColumns()
    {
        Bind(5);
        FGrid->Columns().Items(0)->Title().SetCaption(QStringLiteral("Абонент"));
        auto streets = FFixture->OpenDataSet(TGridFixture::Streets(3));
        TDataSource streetSource;
        streetSource.SetDataSet(streets.get());
        FGrid->SetDataSource(&streetSource);
        QCOMPARE(ColumnNames(*FGrid), (QStringList {"K_Y", "NAME"}));
        QCOMPARE(FGrid->model()->rowCount(), 3);
        FGrid->SetDataSource(FSource.get());
        QCOMPARE(ColumnNames(*FGrid), (QStringList {"FAM", "TELE", "ADR_D", "ADR_K"}));
        QCOMPARE(FGrid->Columns().Items(0)->Title().Caption(), QStringLiteral("FAM"));
        FGrid->SetDataSource(nullptr);
        QCOMPARE(FGrid->Columns().Count(), 0);
        QCOMPARE(FGrid->model()->rowCount(), 0);
    }

    void columnItemsRejectABadIndex_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("negative") << -1;
        QTest::newRow("one past the end") << 4;
        QTest::newRow("far") << 1000;
    }
    void columnItemsRejectABadIndex()
    {
        QFETCH(int, index);
        Bind(3);
        try {
            FGrid->Columns().Items(index);
            QFAIL("no error for a bad index");
        } catch (const EListError &e) {
            QCOMPARE(e.Message(), QStringLiteral("List index out of bounds (%1)").arg(index));
        }
    }

    void datasetMovesTheCurrentRow_data()
    {
        QTest::addColumn<int>("record");
        QTest::newRow("first") << 0;
        QTest::newRow("third") << 2;
        QTest::newRow("far below the visible rows") << 150;
        QTest::newRow("last") << 199;
    }
    void datasetMovesTheCurrentRow()
    {
        QFETCH(int, record);
        Bind(200);
        FGrid->show();
        QVERIFY(QTest::qWaitForWindowExposed(FGrid.get()));
        FData->MoveTo(record);
        QCOMPARE(FGrid->currentIndex().row(), record);
        // The current record is scrolled into view and marked in its grid row.
        const int row = FGrid->Row();
        QVERIFY(row >= FGrid->TitleOffset());
        QCOMPARE(FGrid->RecordOfRow(row), record);
        QCOMPARE(FGrid->RowOfRecord(record), row);
    }

    void currentRowMovesTheDataset()
    {
        Bind(50);
        FGrid->show();
        QVERIFY(QTest::qWaitForWindowExposed(FGrid.get()));
        FGrid->setFocus();
        QTest::keyClick(FGrid.get(), Qt::Key_Down);
        QTest::keyClick(FGrid.get(), Qt::Key_Down);
        QCOMPARE(FData->CurrentRow(), 2);
        const QRect cell = FGrid->CellRect(2, FGrid->TitleOffset() + 4);
        QVERIFY(!cell.isEmpty());
        QTest::mouseClick(FGrid->viewport(), Qt::LeftButton, {},
            FGrid->viewport()->mapFrom(FGrid.get(), cell.center()));
        QCOMPARE(FData->CurrentRow(), FGrid->TopRecord() + 4);
        QCOMPARE(FGrid->SelectedIndex(), 1);
        QCOMPARE(FGrid->SelectedField(), FData->FieldByName(QStringLiteral("TELE")));
        FGrid->SetSelectedField(FData->FieldByName(QStringLiteral("ADR_K")));
        QCOMPARE(FGrid->SelectedIndex(), 3);
        QCOMPARE(FData->CurrentRow(), FGrid->TopRecord() + 4);
    }

    void gridCoordinatesPutIndicatorAndTitleFirst_data()
    {
        QTest::addColumn<bool>("titles");
        QTest::addColumn<bool>("indicator");
        QTest::newRow("titles and indicator") << true << true;
        QTest::newRow("titles only") << true << false;
        QTest::newRow("indicator only") << false << true;
        QTest::newRow("neither") << false << false;
    }
    void gridCoordinatesPutIndicatorAndTitleFirst()
    {
        QFETCH(bool, titles);
        QFETCH(bool, indicator);
        TDBGridOptions options = FGrid->Options();
        options.setFlag(TDBGridOption::dgTitles, titles);
        options.setFlag(TDBGridOption::dgIndicator, indicator);
        FGrid->SetOptions(options);
        Bind(100);
        FGrid->show();
        QVERIFY(QTest::qWaitForWindowExposed(FGrid.get()));
        FGrid->verticalScrollBar()->setValue(10);
        QCOMPARE(FGrid->TopRecord(), 10);
        QCOMPARE(FGrid->TitleOffset(), titles ? 1 : 0);
        QCOMPARE(FGrid->IndicatorOffset(), indicator ? 1 : 0);
        QCOMPARE(FGrid->ColCount(), 4 + (indicator ? 1 : 0));
        // Data rows count from the top of the visible area.
        QCOMPARE(FGrid->RecordOfRow(FGrid->TitleOffset()), 10);
        QCOMPARE(FGrid->RecordOfRow(FGrid->TitleOffset() + 3), 13);
        if (titles)
            QCOMPARE(FGrid->RecordOfRow(0), -1);
        QCOMPARE(FGrid->ColumnOfCol(FGrid->IndicatorOffset()), FGrid->Columns().Items(0));
        if (indicator)
            QCOMPARE(FGrid->ColumnOfCol(0), nullptr);
        // Every cell rectangle maps back to its cell.
        for (int col = 0; col < FGrid->ColCount(); ++col)
            for (int row = 0; row < 4; ++row) {
                const QRect rect = FGrid->CellRect(col, row);
                QVERIFY2(!rect.isEmpty(), qPrintable(QStringLiteral("%1,%2").arg(col).arg(row)));
                QCOMPARE(FGrid->MouseCoord(rect.center()), (TGridCoord {col, row}));
                QCOMPARE(FGrid->MouseCoord(rect.topLeft()), (TGridCoord {col, row}));
            }
        QCOMPARE(FGrid->CellRect(0, FGrid->TitleOffset()).height(), FGrid->DefaultRowHeight());
    }

    void modelReadsTheRowWithoutMovingTheRecord_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::newRow("name") << 1 << 0 << QStringLiteral("Петров П.П.");
        QTest::newRow("number") << 7 << 1 << QStringLiteral("20007");
        QTest::newRow("null flat") << 3 << 3 << QString();
    }
    void modelReadsTheRowWithoutMovingTheRecord()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        Bind(10);
        FData->MoveTo(5);
        const QModelIndex index = FGrid->model()->index(row, column);
        QTEST(FGrid->model()->data(index).toString(), "text");
        QCOMPARE(FData->CurrentRow(), 5);
        QCOMPARE(FData->ActiveRecord(), 5);
    }

    void closingWhileControlsAreDisabledLeavesNoDanglingField()
    {
        Bind(10);
        FGrid->show();
        QVERIFY(QTest::qWaitForWindowExposed(FGrid.get()));
        TColumn *column = FGrid->Columns().Items(0);
        FData->DisableControls();
        FData->Close();
        QCOMPARE(column->Field(), nullptr);
        QVERIFY(!FGrid->model()->data(FGrid->model()->index(2, 0)).isValid());
        QVERIFY(!FGrid->grab().isNull());
        FData->EnableControls();
        QCOMPARE(FGrid->Columns().Count(), 0);
    }

    void paintingFailureIsRaisedOnceAfterThePaint()
    {
        Bind(5);
        int failures = 0;
        FGrid->show();
        QVERIFY(QTest::qWaitForWindowExposed(FGrid.get()));
        // Painting from now on happens in grab() only, not in an event loop.
        FGrid->OnDrawColumnCell
            = [&](TDBGrid *, const QRect &, int dataCol, TColumn *, QPainter &, TGridDrawState) {
                  if (dataCol == 1) {
                      ++failures;
                      throw Exception(QStringLiteral("cannot show the value"));
                  }
              };
        const ErrorDisplayRecorder shown;
        const QStringList &raised = shown.Messages();
        auto paint = [&] {
            FGrid->grab();
            QCoreApplication::sendPostedEvents(FGrid.get(), QEvent::MetaCall);
        };
        for (int attempt = 0; attempt < 3; ++attempt)
            paint();
        // Every paint meets the failure, the user hears of it once, and the record is put back.
        QVERIFY(failures >= 3);
        QCOMPARE(raised, QStringList {"cannot show the value"});
        QCOMPARE(FData->ActiveRecord(), FData->CurrentRow());
        FGrid->OnDrawColumnCell = nullptr;
        paint();
        FGrid->OnDrawColumnCell = [](TDBGrid *, const QRect &, int, TColumn *, QPainter &,
                                      TGridDrawState) { throw Exception(QStringLiteral("again")); };
        paint();
        QCOMPARE(raised, (QStringList {"cannot show the value", "again"}));
    }

    void userColumnMoveReordersTheColumns()
    {
        Bind(5);
        int from = -1;
        int to = -1;
        FGrid->OnColumnMoved = [&](TDBGrid *, int fromIndex, int toIndex) {
            from = fromIndex;
            to = toIndex;
        };
        FGrid->horizontalHeader()->moveSection(0, 2);
        QCOMPARE(ColumnNames(*FGrid), (QStringList {"TELE", "ADR_D", "FAM", "ADR_K"}));
        QCOMPARE(from, 1);
        QCOMPARE(to, 3);
        QCOMPARE(FGrid->model()->data(FGrid->model()->index(0, 2)).toString(),
            QStringLiteral("Иванов И.И."));
    }

    void draggingABorderStoresTheColumnWidth()
    {
        Bind(5);
        FGrid->horizontalHeader()->resizeSection(1, 91 + FGrid->GridLineWidth());
        QCOMPARE(FGrid->Columns().Items(1)->Width(), 91);
        QCOMPARE(FGrid->ColWidths(2), 91);
    }
};

QTEST_MAIN(TestDBGrid)
#include "tst_dbgrid.moc"
