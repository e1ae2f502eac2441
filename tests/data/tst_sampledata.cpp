#include "db/paradox/EDatabaseError.h"
#include "db/paradox/ParadoxReader.h"
#include "db/dataset/TDatabase.h"
#include "db/dataset/TQuery.h"
#include "db/dataset/TTable.h"
#include "tests/support/SubscriberTable.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// The sample Data folder the build writes: the tables the directory opens, their fields and the
// cases its lookups are there to show (duplicate cards, codes apart from keys, a missing
// exchange table), read through the same connections and query texts as the directory's.
class TestSampleData : public QObject
{
    Q_OBJECT

    QString FData = qEnvironmentVariable("PHONEBOOK_TEST_DATA");
    std::vector<std::unique_ptr<TDatabase>> FDatabases;

    QString FolderPath(const QString &folder) const { return FData + QLatin1Char('/') + folder; }

    void Connect(const QString &folder)
    {
        auto database = std::make_unique<TDatabase>();
        database->SetDatabaseName(folder);
        database->SetParams({QStringLiteral("PATH=") + FolderPath(folder),
            QStringLiteral("DEFAULT DRIVER=PARADOX"), QStringLiteral("ENABLE BCD=FALSE")});
        database->Open();
        FDatabases.push_back(std::move(database));
    }

    static std::unique_ptr<TTable> OpenTable(const QString &folder, const QString &name)
    {
        auto table = std::make_unique<TTable>();
        table->SetDatabaseName(folder);
        table->SetTableName(name);
        table->Open();
        return table;
    }

    // Every row as texts, a null as a null QString.
    static QList<QStringList> ReadAll(TDataSet &dataSet)
    {
        QList<QStringList> rows;
        for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
            QStringList row;
            for (int f = 0; f < dataSet.FieldCount(); ++f) {
                const TField *field = dataSet.Fields(f);
                row << (field->IsNull() ? QString() : field->AsString());
            }
            rows << row;
        }
        return rows;
    }

    static QList<QStringList> ReadTable(const QString &folder, const QString &name)
    {
        return ReadAll(*OpenTable(folder, name));
    }

    // The query as the directory builds it: the lines up to the WHERE, the parameter, the rest.
    static QList<QStringList> RunQuery(
        const QString &folder, const QStringList &head, int str, const QStringList &tail)
    {
        TQuery query;
        query.SetDatabaseName(folder);
        for (const QString &line : head)
            query.AddSQL(line);
        query.ParamByName(QStringLiteral("str")).SetAsInteger(str);
        for (const QString &line : tail)
            query.AddSQL(line);
        query.Open();
        return ReadAll(query);
    }

    static QList<QStringList> CityQuery(int street, bool distinct = true)
    {
        return RunQuery(QStringLiteral("Gorod"),
            {distinct ? QStringLiteral("SELECT DISTINCT FAM, TELE, K_Y, ADR_D, ADR_K")
                      : QStringLiteral("SELECT FAM, TELE, K_Y, ADR_D, ADR_K"),
                QStringLiteral("FROM \"KVTEL_1.DB\" "), QStringLiteral("WHERE(K_Y = :str)")},
            street, {QStringLiteral("ORDER BY FAM, TELE, K_Y, ADR_D, ADR_K")});
    }

    static QList<QStringList> OrganisationQuery(int code)
    {
        return RunQuery(QStringLiteral("Org"),
            {QStringLiteral("SELECT DISTINCT D.TELE, D1.NAIM_DOL, D2.NAIM_OTD"),
                QStringLiteral("FROM \"SPR_TEL2.DB\" D, \"SPR_DOL.DB\" D1, \"SPR_OTD1.DB\" D2"),
                QStringLiteral("WHERE(D.KOD_ORG = :str)"),
                QStringLiteral("AND (D1.DOLJNOST = D.DOLJNOST)"),
                QStringLiteral("AND (D2.OTDEL = D.OTDEL)")},
            code, {QStringLiteral("ORDER BY D.TELE, D1.NAIM_DOL, D2.NAIM_OTD")});
    }

    // (code, table name) of every exchange listed, whether its table is there or not.
    QList<std::pair<int, QString>> Exchanges() const
    {
        QList<std::pair<int, QString>> exchanges;
        const auto rows = Paradox::ReadTable(
            FolderPath(QStringLiteral("Main")) + QStringLiteral("/spr_sity.db"));
        const int code = 0;
        for (int r = 0; r < rows->RowCount(); ++r)
            exchanges.append(
                {int(rows->Int(r, code)), QStringLiteral("Tel_k%1.db").arg(rows->Int(r, code))});
        return exchanges;
    }

    static bool IsIntegerType(TFieldType type)
    {
        return type == TFieldType::ftInteger || type == TFieldType::ftSmallint
            || type == TFieldType::ftAutoInc;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(FData).isDir(),
            qPrintable(QStringLiteral("the sample Data folder is built first: %1").arg(FData)));
        for (const char *folder : {"Gorod", "Main", "Org", "Region"})
            Connect(QString::fromLatin1(folder));
    }
    void cleanupTestCase() { FDatabases.clear(); }

    void tableHasItsFieldsInOrder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("integers"); // the fields the directory converts to int
        QTest::addColumn<int>("minRows");
        QTest::addColumn<int>("maxRows");
        QTest::newRow("town subscribers")
            << "Gorod"
            << "kvtel_1.DB" << QStringList {"FAM", "TELE", "K_Y", "ADR_D", "ADR_K"}
            << QStringList {"K_Y"} << 4500 << 5500;
        QTest::newRow("streets") << "Main"
                                 << "spr_adr1.db" << QStringList {"K_Y", "ADR_Y"}
                                 << QStringList {"K_Y"} << 40 << 200;
        QTest::newRow("exchanges")
            << "Main"
            << "spr_sity.db" << QStringList {"K_s", "Name_s"} << QStringList {"K_s"} << 7 << 30;
        QTest::newRow("organisations") << "Org"
                                       << "spr_org1.db" << QStringList {"Inc", "Naim", "Kod_org"}
                                       << QStringList {"Inc", "Kod_org"} << 60 << 200;
        QTest::newRow("organisation telephones")
            << "Org"
            << "SPR_TEL2.DB" << QStringList {"TELE", "DOLJNOST", "OTDEL", "KOD_ORG"}
            << QStringList {"DOLJNOST", "OTDEL", "KOD_ORG"} << 500 << 700;
        QTest::newRow("positions") << "Org"
                                   << "SPR_DOL.DB" << QStringList {"DOLJNOST", "NAIM_DOL"}
                                   << QStringList {"DOLJNOST"} << 20 << 200;
        QTest::newRow("departments") << "Org"
                                     << "SPR_OTD1.DB" << QStringList {"OTDEL", "NAIM_OTD"}
                                     << QStringList {"OTDEL"} << 20 << 200;
    }
    void tableHasItsFieldsInOrder()
    {
        QFETCH(QString, folder);
        QFETCH(QString, table);
        QFETCH(QStringList, fields);
        QFETCH(QStringList, integers);
        QFETCH(int, minRows);
        QFETCH(int, maxRows);
        // On disk with the letter case the directory writes, in the folder it reads it from.
        QVERIFY2(QDir(FolderPath(folder)).entryList(QDir::Files).contains(table),
            qPrintable(QDir(FolderPath(folder)).entryList(QDir::Files).join(QLatin1Char(' '))));
        const Paradox::TableInfo info
            = Paradox::ReadInfo(FolderPath(folder) + QLatin1Char('/') + table);
        QStringList names;
        for (const Paradox::FieldDef &field : info.Fields)
            names << field.Name;
        QCOMPARE(names.mid(0, fields.size()), fields);

        const auto opened = OpenTable(folder, table);
        QVERIFY2(opened->RecordCount() >= minRows && opened->RecordCount() <= maxRows,
            qPrintable(QString::number(opened->RecordCount())));
        for (const QString &name : integers) {
            const TField *field = opened->FieldByName(name);
            QVERIFY2(IsIntegerType(field->DataType()), qPrintable(name));
            for (opened->First(); !opened->Eof(); opened->Next())
                QVERIFY2(!field->IsNull(), qPrintable(name));
        }
    }

    void subscriberTableOfTheTestsHasTheSampleLayout()
    {
        // The tests and benchmarks write their own towns: their subscriber table must be laid
        // out as the real one, or widths and types they measure would be someone else's.
        QTemporaryDir folder;
        TSubscriberTable town;
        town.Add("Иванов И.И.", "2-00-01", 1, "12а", std::nullopt);
        town.WriteTo(folder.path());
        const auto read = [](const QString &path) {
            QStringList fields;
            for (const Paradox::FieldDef &field : Paradox::ReadInfo(path).Fields)
                fields << QStringLiteral("%1:%2:%3")
                              .arg(field.Name, FieldTypeName(field.Type))
                              .arg(field.Size);
            return fields;
        };
        const QStringList written = read(folder.filePath(TSubscriberTable::FileName));
        const QStringList sample
            = read(FolderPath(QStringLiteral("Gorod")) + QStringLiteral("/kvtel_1.DB"));
        QCOMPARE(written, sample.mid(0, written.size()));
        QCOMPARE(written.size(), 5);
    }

    void exchangeTableStartsWithSubscriberFields_data()
    {
        QTest::addColumn<QString>("table");
        for (const auto &[code, table] : Exchanges()) {
            if (QFileInfo::exists(FolderPath(QStringLiteral("Region")) + QLatin1Char('/') + table))
                QTest::newRow(qPrintable(table)) << table;
        }
    }
    void exchangeTableStartsWithSubscriberFields()
    {
        QFETCH(QString, table);
        const Paradox::TableInfo info
            = Paradox::ReadInfo(FolderPath(QStringLiteral("Region")) + QLatin1Char('/') + table);
        // Subscriber, telephone, address, house, flat are shown by position, whatever their
        // names; after them an installation date and a monthly fee.
        QCOMPARE(info.Fields.size(), size_t(7));
        for (int f = 0; f < 5; ++f)
            QCOMPARE(info.Fields[size_t(f)].Type, TFieldType::ftString);
        QCOMPARE(info.Fields[5].Type, TFieldType::ftDate);
        QCOMPARE(info.Fields[6].Type, TFieldType::ftFloat);

        const QList<QStringList> rows = ReadTable(QStringLiteral("Region"), table);
        QVERIFY2(
            rows.size() >= 200 && rows.size() <= 800, qPrintable(QString::number(rows.size())));
        QSet<QString> numbers;
        const QRegularExpression number(QStringLiteral("^\\d-\\d\\d-\\d\\d$"));
        for (const QStringList &row : rows) {
            QVERIFY2(!row.at(0).isEmpty() && !row.at(2).isEmpty() && !row.at(3).isEmpty(),
                qPrintable(row.join(QLatin1Char('|'))));
            QVERIFY2(number.match(row.at(1)).hasMatch(), qPrintable(row.at(1)));
            QVERIFY2(!numbers.contains(row.at(1)), qPrintable(row.at(1)));
            numbers.insert(row.at(1));
        }
    }

    void oneListedExchangeHasNoTable()
    {
        const auto exchanges = Exchanges();
        QStringList present;
        QStringList missing;
        for (const auto &[code, table] : exchanges) {
            const bool exists = QFileInfo::exists(
                FolderPath(QStringLiteral("Region")) + QLatin1Char('/') + table);
            (exists ? present : missing) << table;
        }
        QVERIFY2(present.size() >= 6, qPrintable(present.join(QLatin1Char(' '))));
        QCOMPARE(missing.size(), 1);
        QVERIFY_THROWS_EXCEPTION(
            EDatabaseError, OpenTable(QStringLiteral("Region"), missing.at(0)));
        // Nothing in the folder that the lookup list cannot reach.
        const QStringList onDisk = QDir(FolderPath(QStringLiteral("Region")))
                                       .entryList({QStringLiteral("*.db")}, QDir::Files);
        for (const QString &file : onDisk)
            QVERIFY2(present.contains(file), qPrintable(file));
        QCOMPARE(onDisk.size(), present.size());
    }

    void everyTownCardIsOnAListedStreet()
    {
        QSet<int> streets;
        for (const QStringList &row :
            ReadTable(QStringLiteral("Main"), QStringLiteral("spr_adr1.db")))
            streets.insert(row.at(0).toInt());
        QSet<int> used;
        int privateHouses = 0;
        for (const QStringList &row :
            ReadTable(QStringLiteral("Gorod"), QStringLiteral("kvtel_1.DB"))) {
            QVERIFY2(streets.contains(row.at(2).toInt()), qPrintable(row.join(QLatin1Char('|'))));
            used.insert(row.at(2).toInt());
            if (row.at(4).isNull())
                ++privateHouses;
        }
        QVERIFY2(used.size() >= 40, qPrintable(QString::number(used.size())));
        // A street with no telephones yet gives an empty result, not an error.
        const QSet<int> unused = streets - used;
        QVERIFY(!unused.isEmpty());
        QVERIFY(CityQuery(*unused.begin()).isEmpty());
        QVERIFY2(privateHouses > 100, qPrintable(QString::number(privateHouses)));
    }

    void cityQueryListsADuplicatedCardOnce()
    {
        // Cards entered twice, alike in all five fields the query selects.
        QHash<QString, int> seen;
        QSet<int> streetsWithDuplicates;
        for (const QStringList &row :
            ReadTable(QStringLiteral("Gorod"), QStringLiteral("kvtel_1.DB"))) {
            const QString key = row.mid(0, 5).join(QLatin1Char('|'));
            if (++seen[key] == 2)
                streetsWithDuplicates.insert(row.at(2).toInt());
        }
        QVERIFY2(streetsWithDuplicates.size() >= 5,
            qPrintable(QString::number(streetsWithDuplicates.size())));
        for (const int street : std::as_const(streetsWithDuplicates)) {
            const QList<QStringList> distinct = CityQuery(street);
            const QList<QStringList> all = CityQuery(street, false);
            QVERIFY(distinct.size() < all.size());
            QCOMPARE(QSet<QStringList>(distinct.begin(), distinct.end()).size(), distinct.size());
            QCOMPARE(QSet<QStringList>(all.begin(), all.end()).size(), distinct.size());
        }
    }

    void organisationQueryFindsTelephonesByCodeNotKey()
    {
        const QList<QStringList> orgs
            = ReadTable(QStringLiteral("Org"), QStringLiteral("spr_org1.db"));
        QSet<int> codes;
        int differing = 0;
        for (const QStringList &org : orgs) {
            const int key = org.at(0).toInt();
            const int code = org.at(2).toInt();
            QVERIFY2(!codes.contains(code), qPrintable(org.join(QLatin1Char('|'))));
            codes.insert(code);
            if (key == code)
                continue;
            ++differing;
            // Asked by its key instead, the query would show another organisation's lines or
            // none at all.
            const QList<QStringList> lines = OrganisationQuery(code);
            QVERIFY2(!lines.isEmpty(), qPrintable(org.join(QLatin1Char('|'))));
            QVERIFY(OrganisationQuery(key) != lines);
        }
        QVERIFY2(differing >= 3, qPrintable(QString::number(differing)));

        // Every line belongs to a listed organisation and shows: its position and department
        // are in the reference tables, so the joins drop none.
        const QList<QStringList> lines
            = ReadTable(QStringLiteral("Org"), QStringLiteral("SPR_TEL2.DB"));
        QSet<QStringList> distinctLines;
        QSet<int> orgsWithLines;
        for (const QStringList &line : lines) {
            QVERIFY2(codes.contains(line.at(3).toInt()), qPrintable(line.join(QLatin1Char('|'))));
            orgsWithLines.insert(line.at(3).toInt());
            distinctLines.insert(line);
        }
        QVERIFY2(orgsWithLines.size() >= 60, qPrintable(QString::number(orgsWithLines.size())));
        QVERIFY(distinctLines.size() < lines.size()); // so DISTINCT has work to do here too
        qsizetype shown = 0;
        for (const int code : std::as_const(orgsWithLines)) {
            QSet<QStringList> telephonePositionDepartment;
            for (const QStringList &line : lines) {
                if (line.at(3).toInt() == code)
                    telephonePositionDepartment.insert(line.mid(0, 3));
            }
            const QList<QStringList> result = OrganisationQuery(code);
            QCOMPARE(result.size(), telephonePositionDepartment.size());
            shown += result.size();
        }
        QCOMPARE(shown, distinctLines.size());
    }
};

QTEST_GUILESS_MAIN(TestSampleData)

#include "tst_sampledata.moc"
