#include "core/TFormatSettings.h"
#include "db/paradox/EDatabaseError.h"
#include "db/dataset/TDataSource.h"
#include "db/dataset/TDatabase.h"
#include "db/dataset/TQuery.h"
#include "db/paradox/TRecordSet.h"
#include "tests/support/MemoryDataSet.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

std::shared_ptr<TRecordSet> NumberRows(int count)
{
    auto rows = std::make_shared<TRecordSet>();
    rows->AddColumn(QStringLiteral("N"), TFieldType::ftInteger);
    for (int i = 0; i < count; ++i) {
        rows->AppendInt(0, i);
        rows->EndRow();
    }
    return rows;
}

// Counts what a data link is told.
class RecordingLink : public TDataLink
{
public:
    int Activations = 0, Changed = 0, Scrolled = 0, Layout = 0;

protected:
    void ActiveChanged() override { ++Activations; }
    void DataSetChanged() override { ++Changed; }
    void DataSetScrolled(int) override { ++Scrolled; }
    void LayoutChanged() override { ++Layout; }
};

} // namespace

class TestDataSet : public QObject
{
    Q_OBJECT

    QTemporaryDir FFolder;
    std::unique_ptr<TDatabase> FDatabase;

    std::unique_ptr<TMemoryDataSet> OpenNumbers(int count)
    {
        auto ds = std::make_unique<TMemoryDataSet>();
        ds->SetDatabaseName(QStringLiteral("Test"));
        ds->Rows = NumberRows(count);
        ds->Open();
        return ds;
    }

private slots:
    void init()
    {
        FDatabase = std::make_unique<TDatabase>();
        FDatabase->SetDatabaseName(QStringLiteral("Test"));
        FDatabase->SetParams({QStringLiteral("PATH=") + FFolder.path(),
                              QStringLiteral("DEFAULT DRIVER=PARADOX"), QStringLiteral("ENABLE BCD=FALSE")});
        FDatabase->Open();
    }
    void cleanup() { FDatabase.reset(); }

    void navigationKeepsFlags_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("moves");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("bof");
        QTest::addColumn<bool>("eof");
        QTest::newRow("opened") << 3 << "" << 0 << true << false;
        QTest::newRow("next") << 3 << "N" << 1 << false << false;
        QTest::newRow("next past end") << 3 << "NNN" << 2 << false << true;
        QTest::newRow("prior past start") << 3 << "NPP" << 0 << true << false;
        QTest::newRow("last") << 3 << "L" << 2 << false << true;
        QTest::newRow("last then first") << 3 << "LF" << 0 << true << false;
        QTest::newRow("empty opened") << 0 << "" << -1 << true << true;
        QTest::newRow("empty next") << 0 << "N" << -1 << true << true;
        QTest::newRow("empty prior") << 0 << "P" << -1 << true << true;
        QTest::newRow("empty walk both ways") << 0 << "NPPN" << -1 << true << true;
        QTest::newRow("move by nothing at the start") << 3 << "0" << 0 << true << false;
        QTest::newRow("move by nothing at the end") << 3 << "L0" << 2 << false << true;
        QTest::newRow("one row walk") << 1 << "N" << 0 << false << true;
    }
    void navigationKeepsFlags()
    {
        QFETCH(int, count);
        QFETCH(QString, moves);
        auto ds = OpenNumbers(count);
        for (QChar m : moves) {
            switch (m.toLatin1()) {
            case 'N': ds->Next(); break;
            case 'P': ds->Prior(); break;
            case 'F': ds->First(); break;
            case 'L': ds->Last(); break;
            case '0': ds->MoveBy(0); break;
            }
        }
        QTEST(ds->CurrentRow(), "row");
        QTEST(ds->Bof(), "bof");
        QTEST(ds->Eof(), "eof");
    }

    void walkVisitsEveryRecordOnce()
    {
        auto ds = OpenNumbers(5);
        QList<int> seen;
        for (ds->First(); !ds->Eof(); ds->Next())
            seen << ds->FieldByName(QStringLiteral("n"))->AsInteger();
        QCOMPARE(seen, (QList<int>{0, 1, 2, 3, 4}));
    }

    void bookmarkReturnsAndDiesWithReopen()
    {
        auto ds = OpenNumbers(10);
        ds->MoveTo(7);
        TBookmark mark = ds->GetBookmark();
        ds->First();
        ds->GotoBookmark(mark);
        QCOMPARE(ds->CurrentRow(), 7);
        ds->Close();
        ds->Open();
        QVERIFY(!ds->BookmarkValid(mark));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds->GotoBookmark(mark));
        ds->FreeBookmark(mark);
        QVERIFY(!mark.IsValid());
    }

    void disabledControlsHearOneChangeAtTheEnd()
    {
        auto ds = OpenNumbers(10);
        TDataSource source;
        source.SetDataSet(ds.get());
        RecordingLink link;
        link.SetDataSource(&source);
        link.Activations = 0;
        {
            TDisabledControls outer(ds.get());
            {
                TDisabledControls inner(ds.get());
                ds->Next();
                ds->Next();
            }
            ds->Next();
            QCOMPARE(link.Scrolled + link.Changed, 0);
        }
        QCOMPARE(link.Scrolled, 0);
        QCOMPARE(link.Changed, 1);
        ds->Next();
        QCOMPARE(link.Scrolled, 1);
    }

    void layoutChangedWhileDisabledIsToldAtTheEnd_data()
    {
        QTest::addColumn<bool>("move");
        QTest::newRow("layout only") << false;
        QTest::newRow("layout and a move") << true;
    }
    void layoutChangedWhileDisabledIsToldAtTheEnd()
    {
        QFETCH(bool, move);
        auto ds = OpenNumbers(3);
        TDataSource source;
        source.SetDataSet(ds.get());
        RecordingLink link;
        link.SetDataSource(&source);
        {
            TDisabledControls disabled(ds.get());
            ds->Fields(0)->SetVisible(false);
            if (move)
                ds->Next();
            QCOMPARE(link.Layout, 0);
        }
        QCOMPARE(link.Layout, 1);
        QCOMPARE(link.Changed, move ? 1 : 0);
        QCOMPARE(link.Scrolled, 0);
    }

    void observersHearOpenCloseAndLayout()
    {
        auto ds = OpenNumbers(2);
        TDataSource source;
        RecordingLink link;
        link.SetDataSource(&source);
        source.SetDataSet(ds.get());
        QVERIFY(link.Active());
        ds->Fields(0)->SetVisible(false);
        QCOMPARE(link.Layout, 1);
        const int before = link.Activations;
        ds->Close();
        QCOMPARE(link.Activations, before + 1);
        QVERIFY(!link.Active());
    }

    void activeRecordGuardRestoresAfterFailure()
    {
        auto ds = OpenNumbers(5);
        ds->MoveTo(2);
        try {
            TActiveRecordGuard guard(ds.get(), 4);
            QCOMPARE(ds->Fields(0)->AsInteger(), 4);
            throw EDatabaseError(QStringLiteral("painting failed"));
        } catch (const EDatabaseError &) {
        }
        QCOMPARE(ds->ActiveRecord(), 2);
        QCOMPARE(ds->Fields(0)->AsInteger(), 2);
    }

    void activeRecordPastTheEndIsRefused()
    {
        auto ds = OpenNumbers(3);
        TActiveRecordGuard guard(ds.get(), 3);
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds->Fields(0)->AsInteger());
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds->Fields(0)->DisplayText());
    }

    void fieldsConvertValues_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QVariant>("stored"); // invalid = null
        QTest::addColumn<QString>("asString");
        QTest::addColumn<QString>("displayText");
        QTest::addColumn<double>("asFloat");

        auto T = [](TFieldType t) { return int(t); };
        QTest::newRow("string") << T(TFieldType::ftString) << QVariant(QStringLiteral("Ёлкин")) << "Ёлкин" << "Ёлкин" << 0.0;
        QTest::newRow("numeric string") << T(TFieldType::ftString) << QVariant(QStringLiteral("12,5")) << "12,5" << "12,5" << 12.5;
        QTest::newRow("null string") << T(TFieldType::ftString) << QVariant() << "" << "" << 0.0;
        QTest::newRow("integer") << T(TFieldType::ftInteger) << QVariant(-42) << "-42" << "-42" << -42.0;
        QTest::newRow("null integer") << T(TFieldType::ftInteger) << QVariant() << "" << "" << 0.0;
        QTest::newRow("float") << T(TFieldType::ftFloat) << QVariant(2.5) << "2,5" << "2,5" << 2.5;
        QTest::newRow("currency") << T(TFieldType::ftCurrency) << QVariant(3.0) << "3" << "3,00" << 3.0;
        QTest::newRow("boolean") << T(TFieldType::ftBoolean) << QVariant(1) << "True" << "True" << 1.0;
        QTest::newRow("date") << T(TFieldType::ftDate) << QVariant(QDate(2024, 3, 9).toJulianDay()) << "09.03.24" << "09.03.24"
                              << double(QDate(1899, 12, 30).daysTo(QDate(2024, 3, 9)));
        QTest::newRow("null date") << T(TFieldType::ftDate) << QVariant() << "" << "" << 0.0;
        QTest::newRow("memo") << T(TFieldType::ftMemo) << QVariant(QStringLiteral("text")) << "text" << "(MEMO)" << 0.0;
        QTest::newRow("null memo") << T(TFieldType::ftMemo) << QVariant() << "" << "" << 0.0;
    }
    void fieldsConvertValues()
    {
        QFETCH(int, type);
        QFETCH(QVariant, stored);
        const TFormatSettings saved = FormatSettings();
        FormatSettings().ShortDateFormat = QStringLiteral("dd.mm.yy");
        FormatSettings().DecimalSeparator = QLatin1Char(',');

        auto ds = std::make_unique<TMemoryDataSet>();
        ds->SetDatabaseName(QStringLiteral("test"));
        const auto fieldType = TFieldType(type);
        ds->Rows->AddColumn(QStringLiteral("V"), fieldType, 20);
        if (!stored.isValid())
            ds->Rows->AppendNull(0);
        else if (StorageKindOf(fieldType) == TStorageKind::Integer)
            ds->Rows->AppendInt(0, stored.toLongLong());
        else if (StorageKindOf(fieldType) == TStorageKind::Float)
            ds->Rows->AppendFloat(0, stored.toDouble());
        else
            ds->Rows->AppendText(0, stored.toString().toStdString());
        ds->Rows->EndRow();
        ds->Open();
        TField *field = ds->Fields(0);
        const QString asString = field->AsString();
        const QString displayText = field->DisplayText();
        const bool numeric = StorageKindOf(fieldType) != TStorageKind::Text || stored.toString().contains(QLatin1Char(','));
        const double asFloat = numeric ? field->AsFloat() : 0.0;
        FormatSettings() = saved;

        QTEST(asString, "asString");
        QTEST(displayText, "displayText");
        QTEST(asFloat, "asFloat");
        QCOMPARE(field->IsNull(), !stored.isValid());
    }

    void textThatIsNoNumberFailsWithFieldName()
    {
        auto ds = std::make_unique<TMemoryDataSet>();
        ds->SetDatabaseName(QStringLiteral("Test"));
        ds->Rows->AddColumn(QStringLiteral("ADR_D"), TFieldType::ftString, 8);
        ds->Rows->AppendText(0, "12а");
        ds->Rows->EndRow();
        ds->Open();
        try {
            ds->Fields(0)->AsInteger();
            QFAIL("no error");
        } catch (const EDatabaseError &e) {
            QVERIFY(e.Message().contains(QStringLiteral("12а")));
            QVERIFY(e.Message().contains(QStringLiteral("ADR_D")));
        }
    }

    void fieldLookupIgnoresCaseAndNamesTheMissing()
    {
        auto ds = OpenNumbers(1);
        QCOMPARE(ds->FieldByName(QStringLiteral("n")), ds->Fields(0));
        QVERIFY(!ds->FindField(QStringLiteral("M")));
        try {
            ds->FieldByName(QStringLiteral("KOD_ORG"));
            QFAIL("no error");
        } catch (const EDatabaseError &e) {
            QVERIFY(e.Message().contains(QStringLiteral("KOD_ORG")));
        }
    }

    void closedDatasetRefusesReadsAndNavigation()
    {
        auto ds = OpenNumbers(3);
        ds->Close();
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds->Next());
        QCOMPARE(ds->FieldCount(), 0);
        QCOMPARE(ds->RecordCount(), 0);
    }

    void disconnectClosesEveryDatasetOfTheConnection()
    {
        auto a = OpenNumbers(3);
        auto b = OpenNumbers(3);
        QVERIFY(a->Active() && b->Active());
        FDatabase->Close();
        QVERIFY(!a->Active());
        QVERIFY(!b->Active());
    }

    void connectionChecksItsParameters_data()
    {
        QTest::addColumn<QStringList>("params");
        QTest::addColumn<QString>("messagePart");
        QTest::newRow("no path") << QStringList{QStringLiteral("DEFAULT DRIVER=PARADOX")} << "PATH";
        QTest::newRow("missing folder") << QStringList{QStringLiteral("PATH=/nonexistent/Data/Gorod")} << "Gorod";
        QTest::newRow("other driver") << QStringList{QStringLiteral("PATH=/"), QStringLiteral("DEFAULT DRIVER=DBASE")} << "DBASE";
        QTest::newRow("bad code page") << QStringList{QStringLiteral("PATH=/"), QStringLiteral("CODEPAGE=x")} << "code page";
    }
    void connectionChecksItsParameters()
    {
        QFETCH(QStringList, params);
        QFETCH(QString, messagePart);
        TDatabase db;
        db.SetDatabaseName(QStringLiteral("Other"));
        db.SetParams(params);
        try {
            db.Open();
            QFAIL("connected");
        } catch (const EDatabaseError &e) {
            QVERIFY2(e.Message().contains(messagePart), qPrintable(e.Message()));
        }
        QVERIFY(!db.Connected());
    }

    void unknownConnectionIsAnError()
    {
        TMemoryDataSet ds;
        ds.SetDatabaseName(QStringLiteral("Nowhere"));
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.Open());
        QVERIFY(!ds.Active());
    }

    void parameterNamesAreFoundInText_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("city") << "SELECT DISTINCT FAM\nFROM \"KVTEL_1.DB\" \nWHERE(K_Y = :str)" << QStringList{"str"};
        QTest::newRow("twice, other case") << "WHERE a = :Str OR b = :STR" << QStringList{"Str"};
        QTest::newRow("two") << "WHERE a=:a AND b=:b_2" << QStringList{"a", "b_2"};
        QTest::newRow("in string") << "WHERE a = ':x' AND b = :y" << QStringList{"y"};
        QTest::newRow("in quoted name") << "FROM \"a:b.db\"" << QStringList{};
        QTest::newRow("in bracketed name") << "SELECT FAM AS [a:b], [:c] FROM t WHERE x = :y" << QStringList{"y"};
        QTest::newRow("in back-quoted name") << "SELECT `a:b` FROM t" << QStringList{};
        QTest::newRow("cast") << "SELECT a::int" << QStringList{};
        QTest::newRow("time literal") << "WHERE t = '12:30'" << QStringList{};
        QTest::newRow("comment") << "-- :x\nWHERE a = :y" << QStringList{"y"};
        QTest::newRow("block comment") << "WHERE /* :x\n:z */ a = :y /**/ AND b = :w" << QStringList{"y", "w"};
        QTest::newRow("unclosed block comment") << "WHERE a = :y /* :x" << QStringList{"y"};
        QTest::newRow("cyrillic") << "WHERE a = :улица" << QStringList{"улица"};
    }
    void parameterNamesAreFoundInText()
    {
        QFETCH(QString, sql);
        QTEST(TQuery::ParseParamNames(sql), "names");
    }

    void parameterKeepsValueWhenTextGrows()
    {
        TQuery q;
        q.AddSQL(QStringLiteral("SELECT DISTINCT FAM, TELE, K_Y, ADR_D, ADR_K"));
        q.AddSQL(QStringLiteral("FROM \"KVTEL_1.DB\" "));
        q.AddSQL(QStringLiteral("WHERE(K_Y = :str)"));
        q.ParamByName(QStringLiteral("STR")).SetAsInteger(17);
        q.AddSQL(QStringLiteral("ORDER BY FAM, TELE, K_Y, ADR_D, ADR_K"));
        QCOMPARE(q.ParamCount(), 1);
        QCOMPARE(q.ParamByName(QStringLiteral("str")).AsInteger(), 17);
        q.ClearSQL();
        QCOMPARE(q.ParamCount(), 0);
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, q.ParamByName(QStringLiteral("str")));
    }

    void queryWithUnsetParameterIsRefused()
    {
        TQuery q;
        q.SetDatabaseName(QStringLiteral("Test"));
        q.SetSQL({QStringLiteral("SELECT * FROM \"x.db\" WHERE a = :p")});
        try {
            q.Open();
            QFAIL("opened");
        } catch (const EDatabaseError &e) {
            QVERIFY(e.Message().contains(QStringLiteral("'p'")));
        }
        QVERIFY(!q.Active());
    }
};

QTEST_GUILESS_MAIN(TestDataSet)
#include "tst_dataset.moc"
