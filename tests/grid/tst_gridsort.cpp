#include "QueryFixture.h"

#include "core/Exception.h"
#include "db/dataset/TDataSource.h"
#include "db/dataset/TField.h"
#include "db/dataset/TTable.h"
#include "grid/mmDBGrid.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QSignalSpy>
#include <QtTest>

namespace {
const int Subscribers = 140;
const int Streets = 7;

void SendMouse(QWidget *widget, QEvent::Type type, const QPoint &pos)
{
    QMouseEvent event(
        type, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// A real double click: press, release, the double-click press, release.
void DoubleClick(QWidget *port, const QPoint &at)
{
    SendMouse(port, QEvent::MouseMove, at);
    QTest::mouseClick(port, Qt::LeftButton, {}, at);
    QTest::mouseDClick(port, Qt::LeftButton, {}, at);
    QTest::mouseRelease(port, Qt::LeftButton, {}, at);
}

void DoubleClickTitle(TmmDBGrid &grid, const QString &fieldName)
{
    const QHeaderView *header = grid.horizontalHeader();
    const int index = grid.Columns().FindColumn(fieldName)->Index();
    DoubleClick(header->viewport(),
        {header->sectionViewportPosition(index) + header->sectionSize(index) / 2,
            header->height() / 2});
}

QStringList Column(TDataSet &dataSet, const QString &fieldName)
{
    QStringList values;
    TField *field = dataSet.FieldByName(fieldName);
    for (int row = 0; row < dataSet.RecordCount(); ++row) {
        TActiveRecordGuard guard(&dataSet, row);
        values << field->AsString();
    }
    return values;
}
} // namespace

class TestGridSort : public QObject
{
    Q_OBJECT

    std::unique_ptr<TQueryFixture> FTown;
    std::unique_ptr<QWidget> FHost;
    TmmDBGrid *FGrid = nullptr;
    std::unique_ptr<TDataSet> FData;
    std::unique_ptr<TDataSource> FSource;

    TQuery &Query() { return *qobject_cast<TQuery *>(FData.get()); }
    void Bind(std::unique_ptr<TDataSet> dataSet)
    {
        FData = std::move(dataSet);
        FSource = std::make_unique<TDataSource>();
        FSource->SetDataSet(FData.get());
        FGrid->SetDataSource(FSource.get());
    }
    void BindQuery(const QStringList &lines, int street = 3, bool open = true)
    {
        Bind(open ? FTown->OpenQuery(lines, street) : FTown->NewQuery(lines, street));
    }

private slots:
    void initTestCase() { FTown = std::make_unique<TQueryFixture>(Subscribers, Streets); }
    void cleanupTestCase() { FTown.reset(); }
    void init()
    {
        FHost = std::make_unique<QWidget>();
        FHost->resize(900, 400);
        FGrid = new TmmDBGrid(FHost.get());
        FGrid->setGeometry(0, 0, 880, 380);
        FGrid->SetUseSorting(true);
        // The query a sort reopens keeps the model's contract.
        new QAbstractItemModelTester(
            FGrid->model(), QAbstractItemModelTester::FailureReportingMode::QtTest, FGrid);
        FHost->show();
        QVERIFY(QTest::qWaitForWindowExposed(FHost.get()));
    }
    void cleanup()
    {
        FHost.reset();
        FGrid = nullptr;
        FSource.reset();
        FData.reset();
    }

    void titleDoubleClicksCycleTheOrderBy_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QStringList>("expected");
        const QStringList city = TQueryFixture::CityLines();
        const QStringList head {QStringLiteral("SELECT DISTINCT FAM, TELE, K_Y, ADR_D, ADR_K"),
            QStringLiteral("FROM \"KVTEL_1.DB\" "), QStringLiteral("WHERE(K_Y = :STR)")};
        QTest::newRow("city: TELE turns descending")
            << city << "TELE" << 1
            << head + QStringList {"ORDER BY FAM, TELE DESC, K_Y, ADR_D, ADR_K"};
        QTest::newRow("city: TELE leaves the clause")
            << city << "TELE" << 2 << head + QStringList {"ORDER BY FAM,  K_Y, ADR_D, ADR_K"};
        QTest::newRow("city: TELE comes back last")
            << city << "TELE" << 3 << head + QStringList {"ORDER BY FAM, K_Y, ADR_D, ADR_K, TELE"};
        QTest::newRow("city: and turns descending there")
            << city << "TELE" << 4
            << head + QStringList {"ORDER BY FAM, K_Y, ADR_D, ADR_K, TELE DESC"};
        QTest::newRow("city: the first key")
            << city << "FAM" << 1
            << head + QStringList {"ORDER BY FAM DESC, TELE, K_Y, ADR_D, ADR_K"};
        QTest::newRow("city: the last key leaves")
            << city << "ADR_K" << 2 << head + QStringList {"ORDER BY FAM, TELE, K_Y, ADR_D"};
        const QStringList plain {QStringLiteral("SELECT FAM, TELE FROM \"KVTEL_1.DB\"")};
        QTest::newRow("no ORDER BY gains one")
            << plain << "TELE" << 1 << plain + QStringList {" ORDER BY TELE"};
        QTest::newRow("no ORDER BY, descending")
            << plain << "TELE" << 2 << plain + QStringList {" ORDER BY TELE DESC"};
        // The only key leaves, and the clause with it.
        QTest::newRow("no ORDER BY again") << plain << "TELE" << 3 << plain + QStringList {" "};
        const QStringList oneLine {
            QStringLiteral("SELECT FAM, TELE FROM \"KVTEL_1.DB\" ORDER BY TELE DESC")};
        QTest::newRow("single descending key on one line")
            << oneLine << "TELE" << 1 << QStringList {"SELECT FAM, TELE FROM \"KVTEL_1.DB\" "};
        QTest::newRow("lower case")
            << QStringList {"select fam, tele from \"kvtel_1.db\" where fam <> 'orlov o.o.'",
                   "order by fam"}
            << "TELE" << 1
            << QStringList {"SELECT FAM, TELE FROM \"KVTEL_1.DB\" WHERE FAM <> 'ORLOV O.O.'",
                   "ORDER BY FAM, TELE"};
        // TELE inside another key is not TELE: a new key is appended.
        QTest::newRow("TELEPHONE is not TELE")
            << QStringList {"SELECT FAM, TELE, TELE AS TELEPHONE FROM \"KVTEL_1.DB\"",
                   "ORDER BY TELEPHONE"}
            << "TELE" << 1
            << QStringList {"SELECT FAM, TELE, TELE AS TELEPHONE FROM \"KVTEL_1.DB\"",
                   "ORDER BY TELEPHONE, TELE"};
        QTest::newRow("XTELE is not TELE")
            << QStringList {"SELECT FAM, TELE, TELE AS XTELE FROM \"KVTEL_1.DB\"",
                   "ORDER BY XTELE DESC"}
            << "TELE" << 1
            << QStringList {"SELECT FAM, TELE, TELE AS XTELE FROM \"KVTEL_1.DB\"",
                   "ORDER BY XTELE DESC, TELE"};
    }
    void titleDoubleClicksCycleTheOrderBy()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, field);
        QFETCH(int, clicks);
        QFETCH(QStringList, expected);
        BindQuery(lines);
        QVERIFY(FGrid->IsQueryBound());
        for (int i = 0; i < clicks; ++i)
            DoubleClickTitle(*FGrid, field);
        QCOMPARE(Query().SQL(), expected);
        QVERIFY(Query().Active());
        QCOMPARE(FGrid->SelectedField()->FieldName(), field);
    }

    void reopenedQueryIsSortedAndKeepsItsParameter()
    {
        BindQuery({QStringLiteral("SELECT FAM, TELE, K_Y FROM \"KVTEL_1.DB\""),
                      QStringLiteral("WHERE(K_Y = :str)")},
            5);
        const int count = FData->RecordCount();
        QCOMPARE(count, Subscribers / Streets);
        QStringList phones = Column(*FData, QStringLiteral("TELE"));
        QVERIFY(!std::is_sorted(phones.begin(), phones.end()));
        std::sort(phones.begin(), phones.end());
        FData->MoveTo(7);
        DoubleClickTitle(*FGrid, QStringLiteral("TELE"));
        QCOMPARE(Column(*FData, QStringLiteral("TELE")), phones);
        // The reopened query stands on its first row.
        QCOMPARE(FData->CurrentRow(), 0);
        DoubleClickTitle(*FGrid, QStringLiteral("TELE"));
        std::reverse(phones.begin(), phones.end());
        QCOMPARE(Column(*FData, QStringLiteral("TELE")), phones);
        QCOMPARE(Query().ParamByName(QStringLiteral("str")).AsInteger(), 5);
        QCOMPARE(Column(*FData, QStringLiteral("K_Y")), QStringList(count, QStringLiteral("5")));
        bool ascending = true;
        QVERIFY(FGrid->IsSortedBy(QStringLiteral("tele"), ascending));
        QVERIFY(!ascending);
    }

    void sortKeepsTheColumnsAsTheApplicationSetThem()
    {
        BindQuery(TQueryFixture::CityLines());
        // As the main window sets up the city grid.
        TDBGridColumns &columns = FGrid->Columns();
        const QStringList captions {"Абонент", "Телефон", "", "Дом", "Квартира"};
        for (int i = 0; i < captions.size(); ++i)
            if (!captions[i].isEmpty()) {
                columns.Items(i)->Title().SetCaption(captions[i]);
                columns.Items(i)->Title().SetAlignment(TAlignment::taCenter);
            }
        columns.Items(2)->SetVisible(false);
        columns.Items(1)->SetWidth(123);
        DoubleClickTitle(*FGrid, QStringLiteral("TELE"));
        QVERIFY(Query().SQL().last().contains(QStringLiteral("TELE DESC")));
        QCOMPARE(columns.Count(), 5);
        for (int i = 0; i < captions.size(); ++i)
            if (!captions[i].isEmpty()) {
                QCOMPARE(columns.Items(i)->Title().Caption(), captions[i]);
                QCOMPARE(columns.Items(i)->Title().Alignment(), TAlignment::taCenter);
            }
        QVERIFY(!columns.Items(2)->Visible());
        QVERIFY(FGrid->horizontalHeader()->isSectionHidden(2));
        QCOMPARE(FGrid->ColWidths(2), 123);
        QCOMPARE(columns.Items(1)->Field(), FData->FieldByName(QStringLiteral("TELE")));
        QCOMPARE(FGrid->SelectedField()->FieldName(), QStringLiteral("TELE"));
    }

    void titleDoubleClickWithoutASort_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::newRow("sorting off") << "off";
        QTest::newRow("vetoed") << "veto";
        QTest::newRow("table") << "table";
    }
    void titleDoubleClickWithoutASort()
    {
        QFETCH(QString, situation);
        const QStringList lines = TQueryFixture::CityLines();
        QStringList asked;
        if (situation == QLatin1String("table")) {
            auto table = std::make_unique<TTable>();
            table->SetDatabaseName(FTown->Database().DatabaseName());
            table->SetTableName(QStringLiteral("KVTEL_1"));
            table->Open();
            Bind(std::move(table));
            QVERIFY(!FGrid->IsQueryBound());
        } else {
            BindQuery(lines);
        }
        if (situation == QLatin1String("off"))
            FGrid->SetUseSorting(false);
        FGrid->SortEvent = [&](TmmDBGrid *sender, TField *field, QString &text) {
            asked << field->FieldName() + QLatin1Char('=') + text;
            return sender == FGrid && situation != QLatin1String("veto");
        };
        QSignalSpy dblClicks(FGrid, &TDBGrid::DblClicked);
        QTableView *view = FGrid;
        const int rowsBefore = FData->RecordCount();
        FData->MoveTo(4);
        DoubleClickTitle(*FGrid, QStringLiteral("ADR_D"));
        QCOMPARE(FGrid->SelectedField()->FieldName(), QStringLiteral("ADR_D"));
        QCOMPARE(dblClicks.count(), 1);
        QCOMPARE(FData->RecordCount(), rowsBefore);
        // Nothing reopened: the record stays where it was.
        QCOMPARE(FData->CurrentRow(), 4);
        QCOMPARE(view->currentIndex().row(), 4);
        if (situation != QLatin1String("table"))
            QCOMPARE(Query().SQL(), lines);
        bool ascending = false;
        QCOMPARE(FGrid->IsSortedBy(QStringLiteral("ADR_D"), ascending),
            situation != QLatin1String("table"));
        // The painter asks the handler too (for the text only), so calls are not counted.
        if (situation != QLatin1String("off"))
            QVERIFY(asked.contains(QStringLiteral("ADR_D=ADR_D")));
    }

    void sortEventSubstitutesTheSortText()
    {
        BindQuery({QStringLiteral("SELECT D.FAM, D.TELE FROM \"KVTEL_1.DB\" D"),
            QStringLiteral("ORDER BY D.FAM")});
        FGrid->SortEvent = [](TmmDBGrid *, TField *, QString &text) {
            text = QStringLiteral("d.") + text;
            return true;
        };
        DoubleClickTitle(*FGrid, QStringLiteral("TELE"));
        QCOMPARE(Query().SQL().last(), QStringLiteral("ORDER BY D.FAM, D.TELE"));
        bool ascending = false;
        QVERIFY(FGrid->IsSortedBy(QStringLiteral("D.TELE"), ascending));
        QVERIFY(ascending);
        DoubleClickTitle(*FGrid, QStringLiteral("TELE"));
        QCOMPARE(Query().SQL().last(), QStringLiteral("ORDER BY D.FAM, D.TELE DESC"));
        // The bare name matches the qualified key: the title shows the direction.
        QVERIFY(FGrid->IsSortedBy(QStringLiteral("TELE"), ascending));
        QVERIFY(!ascending);
        DoubleClickTitle(*FGrid, QStringLiteral("TELE"));
        QCOMPARE(Query().SQL().last(), QStringLiteral("ORDER BY D.FAM"));
    }

    void descendingKeyWrittenInFullIsRemoved_data()
    {
        QTest::addColumn<QString>("clause");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first key") << "ORDER BY TELE DESCENDING, FAM"
                                   << "ORDER BY  FAM";
        QTest::newRow("last key") << "ORDER BY FAM, TELE DESCENDING"
                                  << "ORDER BY FAM";
        QTest::newRow("blank before the comma") << "ORDER BY TELE DESC , FAM"
                                                << "ORDER BY  FAM";
        QTest::newRow("only key") << "ORDER BY TELE DESCENDING"
                                  << "";
    }
    void descendingKeyWrittenInFullIsRemoved()
    {
        QFETCH(QString, clause);
        QFETCH(QString, expected);
        BindQuery({QStringLiteral("SELECT FAM, TELE FROM \"KVTEL_1.DB\""), clause}, 1);
        QVERIFY(Query().Active());
        bool ascending = true;
        QVERIFY(FGrid->IsSortedBy(QStringLiteral("TELE"), ascending));
        QVERIFY(!ascending);
        FGrid->SortBy(QStringLiteral("TELE"), true);
        QStringList lines {QStringLiteral("SELECT FAM, TELE FROM \"KVTEL_1.DB\"")};
        if (!expected.isEmpty())
            lines << expected;
        QCOMPARE(Query().SQL(), lines);
        QVERIFY(Query().Active());
        QCOMPARE(FData->RecordCount(), Subscribers);
    }

    void unfoundDescendingKeyRaisesAndLeavesTheQuery()
    {
        const QStringList lines {QStringLiteral("SELECT FAM, TELE FROM \"KVTEL_1.DB\""),
            QStringLiteral("ORDER BY FAM, TELE  DESC")};
        BindQuery(lines);
        // A sort text with a trailing blank finds the key before the blanks are collapsed
        // but not after.
        bool ascending = true;
        QVERIFY(FGrid->IsSortedBy(QStringLiteral("TELE "), ascending));
        QVERIFY(!ascending);
        try {
            FGrid->SortBy(QStringLiteral("TELE "), true);
            QFAIL("sorted");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("Error!"));
        }
        QCOMPARE(Query().SQL(), lines);
        QVERIFY(Query().Active());
    }

    void rejectedRewriteLeavesTheQueryClosed()
    {
        BindQuery({QStringLiteral("SELECT FAM, TELE FROM \"KVTEL_1.DB\"")});
        FGrid->Columns().Items(0)->Title().SetCaption(QStringLiteral("Абонент"));
        QVERIFY_THROWS_EXCEPTION(Exception, FGrid->SortBy(QStringLiteral("NO_SUCH"), true));
        QVERIFY(!Query().Active());
        QCOMPARE(Query().SQL().last(), QStringLiteral(" ORDER BY NO_SUCH"));
        QCOMPARE(FGrid->Columns().Count(), 0);
    }

    void borderDoubleClickFitsAndNeverSorts()
    {
        BindQuery(TQueryFixture::CityLines());
        const QStringList lines = Query().SQL();
        FGrid->Columns().Items(1)->SetWidth(150);
        const QHeaderView *header = FGrid->horizontalHeader();
        const QPoint border(
            header->sectionViewportPosition(1) + header->sectionSize(1) - 1, header->height() / 2);
        DoubleClick(header->viewport(), border);
        QCOMPARE(Query().SQL(), lines);
        QVERIFY(FGrid->Columns().Items(1)->Width() < 150);
        DoubleClick(header->viewport(), border - QPoint(20, 0));
        QVERIFY(Query().SQL() != lines);
    }
};

QTEST_MAIN(TestGridSort)
#include "tst_gridsort.moc"
