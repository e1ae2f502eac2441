#include "db/paradox/EDatabaseError.h"
#include "db/paradox/ParadoxWriter.h"
#include "db/sql/MemoryBudget.h"
#include "db/sql/SqlCollation.h"
#include "db/sql/SqlEngine.h"
#include "db/sql/SqlVirtualTable.h"
#include "db/sql/TableCache.h"
#include "tests/support/ParadoxRows.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

namespace {

using Row = QVariantList;

// Writes a table with the project's Paradox writer; a null QVariant is an empty field.
void WriteTable(
    const QString &path, const std::vector<Paradox::NewField> &fields, const QList<Row> &rows)
{
    Paradox::WriteTable(path, fields, RowsFromValues(fields, rows));
}

QString CityQuery()
{
    return QStringList {QStringLiteral("SELECT DISTINCT FAM, TELE, K_Y, ADR_D, ADR_K"),
        QStringLiteral("FROM \"KVTEL_1.DB\" "), QStringLiteral("WHERE(K_Y = :str)"),
        QStringLiteral("ORDER BY FAM, TELE, K_Y, ADR_D, ADR_K")}
        .join(QLatin1Char('\n'));
}

QString OrganisationQuery()
{
    return QStringList {QStringLiteral("SELECT DISTINCT D.TELE, D1.NAIM_DOL, D2.NAIM_OTD"),
        QStringLiteral("FROM \"SPR_TEL2.DB\" D, \"SPR_DOL.DB\" D1, \"SPR_OTD1.DB\" D2"),
        QStringLiteral("WHERE(D.KOD_ORG = :str)"), QStringLiteral("AND (D1.DOLJNOST = D.DOLJNOST)"),
        QStringLiteral("AND (D2.OTDEL = D.OTDEL)"),
        QStringLiteral("ORDER BY D.TELE, D1.NAIM_DOL, D2.NAIM_OTD")}
        .join(QLatin1Char('\n'));
}

QStringList Column(const TRecordSet &rows, int column)
{
    QStringList values;
    for (int r = 0; r < rows.RowCount(); ++r)
        values << rows.Value(r, column).toString();
    return values;
}

// Every file of a folder with a digest of its bytes.
QMap<QString, QByteArray> Snapshot(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(
        folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        files[path] = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }
    return files;
}

// The rows plain SQLite gives for a query over tables of the same rows, declared with the
// affinities the engine gives its columns: the answer an index must never fall short of.
int CollateCyrillic(void *, int lengthA, const void *a, int lengthB, const void *b)
{
    return CompareCyrillic(std::string_view(static_cast<const char *>(a), size_t(lengthA)),
        std::string_view(static_cast<const char *>(b), size_t(lengthB)));
}

QStringList PlainSqliteAnswer(const QStringList &setup, const QString &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(":memory:", &db);
    sqlite3_create_collation_v2(db, "PXW_CYRL", SQLITE_UTF8, nullptr, CollateCyrillic, nullptr);
    for (const QString &statement : setup)
        sqlite3_exec(db, statement.toUtf8().constData(), nullptr, nullptr, nullptr);
    QStringList values;
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW)
        values << QString::fromUtf8(
            reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return values;
}

// Sorted walks over tables of any size hand their rows out of copies while one of these lives,
// as they do over a table too large for the processor's caches.
class CopiedWalks
{
public:
    CopiedWalks()
        : FBefore(SqlVirtualTable::SetCopiedTableBytes(0))
    { }
    ~CopiedWalks() { SqlVirtualTable::SetCopiedTableBytes(FBefore); }
    CopiedWalks(const CopiedWalks &) = delete;
    CopiedWalks &operator=(const CopiedWalks &) = delete;

private:
    size_t FBefore;
};

} // namespace

class TestSqlEngine : public QObject
{
    Q_OBJECT

    QTemporaryDir FFolder;
    std::unique_ptr<SqlEngine> FEngine;

    std::unique_ptr<TRecordSet> Run(const QString &sql, const SqlEngine::Params &params = {})
    {
        return FEngine->Run(sql, params);
    }

    static SqlEngine::Params Street(int code) { return {{QStringLiteral("str"), QVariant(code)}}; }

private slots:
    void initTestCase()
    {
        QVERIFY(FFolder.isValid());
        const QString folder = FFolder.path();
        // On disk in letter cases other than the queries use.
        WriteTable(folder + QStringLiteral("/kvtel_1.DB"),
            {{QStringLiteral("FAM"), QLatin1Char('A'), 30},
                {QStringLiteral("TELE"), QLatin1Char('A'), 10},
                {QStringLiteral("K_Y"), QLatin1Char('I'), 0},
                {QStringLiteral("ADR_D"), QLatin1Char('A'), 5},
                {QStringLiteral("ADR_K"), QLatin1Char('A'), 5}},
            {
                {QStringLiteral("Иванов И.И."), QStringLiteral("21-15"), 7, QStringLiteral("12"),
                    QStringLiteral("5")},
                {QStringLiteral("Ёлкин П."), QStringLiteral("33-01"), 7, QStringLiteral("3"),
                    QVariant()},
                {QStringLiteral("Иванов И.И."), QStringLiteral("21-15"), 7, QStringLiteral("12"),
                    QStringLiteral("5")},
                {QStringLiteral("Егоров А."), QStringLiteral("44-02"), 7, QStringLiteral("1"),
                    QStringLiteral("2")},
                {QStringLiteral("абрамов"), QStringLiteral("10-10"), 7, QStringLiteral("8"),
                    QStringLiteral("1")},
                {QStringLiteral("Яковлев"), QStringLiteral("55-55"), 7, QStringLiteral("8"),
                    QStringLiteral("3")},
                {QStringLiteral("Zimmer"), QStringLiteral("99-01"), 7, QStringLiteral("2"),
                    QStringLiteral("4")},
                {QStringLiteral("Иванов И.И."), QStringLiteral("21-16"), 7, QStringLiteral("12"),
                    QStringLiteral("5")},
                {QStringLiteral("Петров"), QStringLiteral("11-11"), 8, QStringLiteral("4"),
                    QStringLiteral("9")},
            });
        WriteTable(folder + QStringLiteral("/spr_tel2.db"),
            {{QStringLiteral("TELE"), QLatin1Char('A'), 10},
                {QStringLiteral("DOLJNOST"), QLatin1Char('I'), 0},
                {QStringLiteral("OTDEL"), QLatin1Char('I'), 0},
                {QStringLiteral("KOD_ORG"), QLatin1Char('I'), 0}},
            {
                {QStringLiteral("2-22-22"), 1, 10, 500}, {QStringLiteral("2-11-11"), 2, 10, 500},
                {QStringLiteral("2-11-11"), 2, 10, 500}, {QStringLiteral("2-33-33"), 3, 20, 500},
                {QStringLiteral("3-00-00"), 1, 10, 600},
                {QStringLiteral("2-44-44"), 9, 10, 500}, // position missing: dropped by the join
            });
        WriteTable(folder + QStringLiteral("/Spr_Dol.db"),
            {{QStringLiteral("DOLJNOST"), QLatin1Char('I'), 0},
                {QStringLiteral("NAIM_DOL"), QLatin1Char('A'), 40}},
            {{1, QStringLiteral("Директор")}, {2, QStringLiteral("Бухгалтер")},
                {3, QStringLiteral("Инженер")}});
        WriteTable(folder + QStringLiteral("/SPR_OTD1.DB"),
            {{QStringLiteral("OTDEL"), QLatin1Char('I'), 0},
                {QStringLiteral("NAIM_OTD"), QLatin1Char('A'), 40}},
            {{10, QStringLiteral("Администрация")}, {20, QStringLiteral("Цех")}});
        WriteTable(folder + QStringLiteral("/numbers.db"),
            {{QStringLiteral("N"), QLatin1Char('I'), 0}, {QStringLiteral("X"), QLatin1Char('N'), 0},
                {QStringLiteral("S"), QLatin1Char('A'), 8}},
            {{1, 1.5, QStringLiteral("один")}, {2, 2.5, QVariant()},
                {QVariant(), QVariant(), QStringLiteral("")}});
        FEngine = std::make_unique<SqlEngine>(folder, 1251);
    }

    void init() { FEngine = std::make_unique<SqlEngine>(FFolder.path(), 1251); }

    void cityQueryListsStreetSubscribersOnceInDictionaryOrder()
    {
        const auto rows = Run(CityQuery(), Street(7));
        QCOMPARE(rows->ColumnCount(), 5);
        QCOMPARE(rows->Info(0).Name, QStringLiteral("FAM"));
        QCOMPARE(rows->Info(4).Name, QStringLiteral("ADR_K"));
        QCOMPARE(Column(*rows, 0),
            QStringList(
                {QStringLiteral("Zimmer"), QStringLiteral("абрамов"), QStringLiteral("Егоров А."),
                    QStringLiteral("Ёлкин П."), QStringLiteral("Иванов И.И."),
                    QStringLiteral("Иванов И.И."), QStringLiteral("Яковлев")}));
        QCOMPARE(Column(*rows, 1).at(4), QStringLiteral("21-15"));
        QCOMPARE(Column(*rows, 1).at(5), QStringLiteral("21-16"));
        QVERIFY(rows->IsNull(3, 4)); // Ёлкин has no flat
    }

    void resultColumnsKeepTheirFieldTypes()
    {
        const auto rows = Run(CityQuery(), Street(7));
        QCOMPARE(rows->Info(0).Type, TFieldType::ftString);
        QCOMPARE(rows->Info(0).Size, 30);
        QCOMPARE(rows->Info(2).Type, TFieldType::ftInteger);
        QCOMPARE(rows->Value(0, 2), QVariant(qlonglong(7)));

        const auto computed = Run(QStringLiteral(
            "SELECT COUNT(*) AS C, MAX(X) AS M, 'Ул. ' || S AS T, N FROM NUMBERS WHERE N = 1"));
        QCOMPARE(computed->Info(0).Type, TFieldType::ftInteger);
        QCOMPARE(computed->Value(0, 0), QVariant(qlonglong(1)));
        QCOMPARE(computed->Info(1).Type, TFieldType::ftFloat);
        QCOMPARE(computed->Value(0, 1).toDouble(), 1.5);
        QCOMPARE(computed->Info(2).Type, TFieldType::ftString);
        QCOMPARE(computed->Value(0, 2).toString(), QStringLiteral("Ул. один"));
        QCOMPARE(computed->Info(3).Type, TFieldType::ftInteger);
    }

    void organisationQueryJoinsPositionsAndDepartments()
    {
        const auto rows = Run(OrganisationQuery(), {{QStringLiteral("str"), QVariant(500)}});
        QCOMPARE(rows->ColumnCount(), 3);
        QCOMPARE(Column(*rows, 0),
            QStringList(
                {QStringLiteral("2-11-11"), QStringLiteral("2-22-22"), QStringLiteral("2-33-33")}));
        QCOMPARE(Column(*rows, 1),
            QStringList({QStringLiteral("Бухгалтер"), QStringLiteral("Директор"),
                QStringLiteral("Инженер")}));
        QCOMPARE(Column(*rows, 2),
            QStringList({QStringLiteral("Администрация"), QStringLiteral("Администрация"),
                QStringLiteral("Цех")}));
    }

    void unknownStreetGivesAnEmptyResult_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("columns");
        QTest::newRow("city") << CityQuery() << 999 << 5;
        QTest::newRow("organisation") << OrganisationQuery() << 999 << 3;
    }
    void unknownStreetGivesAnEmptyResult()
    {
        QFETCH(QString, sql);
        QFETCH(int, code);
        QFETCH(int, columns);
        const auto rows = Run(sql, Street(code));
        QCOMPARE(rows->RowCount(), 0);
        QCOMPARE(rows->ColumnCount(), columns);
    }

    void tableNamesIgnoreLetterCase_data()
    {
        QTest::addColumn<QString>("from");
        QTest::newRow("upper with extension") << QStringLiteral("\"KVTEL_1.DB\"");
        QTest::newRow("lower with extension") << QStringLiteral("\"kvtel_1.db\"");
        QTest::newRow("mixed without extension") << QStringLiteral("\"Kvtel_1\"");
        QTest::newRow("bare name") << QStringLiteral("kvtel_1");
        QTest::newRow("schema-qualified") << QStringLiteral("main.\"KVTEL_1.DB\"");
    }
    void tableNamesIgnoreLetterCase()
    {
        QFETCH(QString, from);
        const auto rows = Run(QStringLiteral("SELECT FAM FROM %1").arg(from));
        QCOMPARE(rows->RowCount(), 9);
    }

    void cyrillicTableNamesIgnoreCase()
    {
        QTemporaryDir folder;
        WriteTable(folder.filePath(QStringLiteral("Справочник.db")),
            {{QStringLiteral("N"), QLatin1Char('I'), 0}}, {{1}, {2}});
        SqlEngine engine(folder.path(), 1251);
        for (const QString &name : {QStringLiteral("\"Справочник.db\""),
                 QStringLiteral("\"СПРАВОЧНИК.DB\""), QStringLiteral("справочник")})
            QCOMPARE(engine.Run(QStringLiteral("SELECT N FROM %1").arg(name), {})->RowCount(), 2);
    }

    void cyrillicFieldNamesIgnoreCase_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("upper case") << QStringLiteral("SELECT DISTINCT ФАМИЛИЯ FROM \"MIX.DB\"");
        QTest::newRow("lower case, in back quotes")
            << QStringLiteral("SELECT `фамилия` FROM MIX WHERE `фамилия` <> ''");
        QTest::newRow("qualified, in every clause")
            << QStringLiteral("SELECT M.ФАМИЛИЯ FROM MIX M WHERE M.ТЕЛЕФОН_Ё = 1 "
                              "ORDER BY m.фамилия");
        QTest::newRow("bracketed, Ё as ё") << QStringLiteral("SELECT [фамилия] FROM MIX WHERE "
                                                             "[телефон_ё] > 0");
    }
    void cyrillicFieldNamesIgnoreCase()
    {
        QFETCH(QString, sql);
        QTemporaryDir folder;
        WriteTable(folder.filePath(QStringLiteral("Mix.db")),
            {{QStringLiteral("Фамилия"), QLatin1Char('A'), 20},
                {QStringLiteral("Телефон_Ё"), QLatin1Char('I'), 0}},
            {{QStringLiteral("Ёлкин"), 1}});
        SqlEngine engine(folder.path(), 1251);
        const auto rows = engine.Run(sql, {});
        QCOMPARE(Column(*rows, 0), QStringList {QStringLiteral("Ёлкин")});
        QCOMPARE(rows->Info(0).Name, QStringLiteral("Фамилия"));
    }

    void cyrillicLikeIgnoresCase_data()
    {
        QTest::addColumn<QString>("condition");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("small letters find capitals")
            << QStringLiteral("FAM LIKE 'як%'") << QStringList {QStringLiteral("Яковлев")};
        QTest::newRow("ё finds Ё")
            << QStringLiteral("FAM LIKE '%ёлк%'") << QStringList {QStringLiteral("Ёлкин П.")};
        QTest::newRow("Е is not Ё")
            << QStringLiteral("FAM LIKE 'е%'") << QStringList {QStringLiteral("Егоров А.")};
        QTest::newRow("capitals find small letters, one-character wildcard")
            << QStringLiteral("FAM LIKE 'АБР_М%'") << QStringList {QStringLiteral("абрамов")};
        QTest::newRow("agrees with UPPER")
            << QStringLiteral("FAM LIKE 'ЯКОВЛЕВ' AND UPPER(FAM) = 'ЯКОВЛЕВ'")
            << QStringList {QStringLiteral("Яковлев")};
        QTest::newRow("escaped wildcard") << QStringLiteral("FAM || '%' LIKE 'zIMMER!%' ESCAPE '!'")
                                          << QStringList {QStringLiteral("Zimmer")};
        QTest::newRow("escaped wildcard stands for itself")
            << QStringLiteral("FAM LIKE 'Zimme!%' ESCAPE '!'") << QStringList {};
    }
    void cyrillicLikeIgnoresCase()
    {
        QFETCH(QString, condition);
        QFETCH(QStringList, names);
        const auto rows
            = Run(QStringLiteral("SELECT DISTINCT FAM FROM \"KVTEL_1.DB\" WHERE %1 ORDER BY FAM")
                      .arg(condition));
        QCOMPARE(Column(*rows, 0), names);
    }

    void twoSpellingsOfOneTableJoin()
    {
        const auto rows = Run(QStringLiteral("SELECT COUNT(*) FROM \"KVTEL_1.DB\" A, kvtel_1 B "
                                             "WHERE A.TELE = B.TELE AND A.K_Y = :str"),
            Street(8));
        QCOMPARE(rows->Value(0, 0), QVariant(qlonglong(1)));
    }

    void parametersMatchIgnoringCase_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("given");
        QTest::newRow("as written") << QStringLiteral(":str") << QStringLiteral("str");
        QTest::newRow("text upper") << QStringLiteral(":STR") << QStringLiteral("str");
        QTest::newRow("given upper") << QStringLiteral(":str") << QStringLiteral("STR");
        QTest::newRow("mixed") << QStringLiteral(":Str") << QStringLiteral("sTr");
    }
    void parametersMatchIgnoringCase()
    {
        QFETCH(QString, written);
        QFETCH(QString, given);
        const auto rows
            = Run(QStringLiteral("SELECT FAM FROM \"KVTEL_1.DB\" WHERE K_Y = %1").arg(written),
                {{given, QVariant(8)}});
        QCOMPARE(Column(*rows, 0), QStringList {QStringLiteral("Петров")});
    }

    void equalityFindsRowsWhateverTheValueType_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("count");
        QTest::newRow("integer column, integer") << QStringLiteral("K_Y") << QVariant(8) << 1;
        QTest::newRow("integer column, text") << QStringLiteral("K_Y") << QVariant("8") << 1;
        QTest::newRow("integer column, whole float") << QStringLiteral("K_Y") << QVariant(8.0) << 1;
        QTest::newRow("integer column, fraction") << QStringLiteral("K_Y") << QVariant(8.5) << 0;
        QTest::newRow("integer column, null") << QStringLiteral("K_Y") << QVariant() << 0;
        QTest::newRow("text column, text")
            << QStringLiteral("FAM") << QVariant(QStringLiteral("Иванов И.И.")) << 3;
        QTest::newRow("text column, other case")
            << QStringLiteral("FAM") << QVariant(QStringLiteral("иванов и.и.")) << 0;
        QTest::newRow("text column, integer") << QStringLiteral("ADR_D") << QVariant(12) << 3;
    }
    void equalityFindsRowsWhateverTheValueType()
    {
        QFETCH(QString, where);
        QFETCH(QVariant, value);
        QFETCH(int, count);
        const auto rows
            = Run(QStringLiteral("SELECT FAM FROM \"KVTEL_1.DB\" WHERE %1 = :v").arg(where),
                {{QStringLiteral("v"), value}});
        QCOMPARE(rows->RowCount(), count);
    }

    // A text field compared with a number field compares as numbers ("05" equals 5); a text
    // compared with a bare number or a text, as texts. The equality index must agree.
    void equalityAgreesWithPlainSqlite_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("text column inside a join on an integer")
            << QStringLiteral("SELECT T.V FROM INTS I CROSS JOIN TEXTS T WHERE T.V = I.N");
        QTest::newRow("integer column inside a join on a text")
            << QStringLiteral("SELECT T.V FROM TEXTS T CROSS JOIN INTS I WHERE I.N = T.V");
        QTest::newRow("text column against a sub-select")
            << QStringLiteral("SELECT V FROM TEXTS WHERE V = (SELECT N FROM INTS WHERE N > 4)");
        QTest::newRow("text column against a bare number")
            << QStringLiteral("SELECT V FROM TEXTS WHERE V = 5");
        QTest::newRow("text column against a real column")
            << QStringLiteral("SELECT T.V FROM INTS I CROSS JOIN TEXTS T WHERE T.V = I.N * 1.0");
        QTest::newRow("trailing blanks under RTRIM")
            << QStringLiteral("SELECT V FROM TEXTS WHERE V = '5' COLLATE RTRIM");
        QTest::newRow("letter case under NOCASE")
            << QStringLiteral("SELECT V FROM TEXTS WHERE V = 'ABC' COLLATE NOCASE");
        QTest::newRow("integer column of far-apart and negative keys")
            << QStringLiteral("SELECT W.N FROM INTS I CROSS JOIN WIDE W WHERE W.N = I.N");
        QTest::newRow("integer column against a negative number")
            << QStringLiteral("SELECT N FROM INTS WHERE N = -5");
    }
    void equalityAgreesWithPlainSqlite()
    {
        QFETCH(QString, sql);
        QTemporaryDir folder;
        const QStringList texts {QStringLiteral("5"), QStringLiteral("05"), QStringLiteral("+5"),
            QStringLiteral("5.0"), QStringLiteral(" 5"), QStringLiteral("5   "),
            QStringLiteral("5e0"), QStringLiteral("abc"), QStringLiteral("6"),
            QStringLiteral("0x5"), QStringLiteral("5abc"), QStringLiteral("5."),
            QStringLiteral(".5e1"), QStringLiteral("-0"), QStringLiteral("0")};
        QList<Row> textRows;
        QStringList setup {QStringLiteral("CREATE TABLE TEXTS (V TEXT)"),
            QStringLiteral("CREATE TABLE INTS (N INTEGER)"),
            QStringLiteral("INSERT INTO INTS VALUES (5), (7), (0), (-5)"),
            QStringLiteral("CREATE TABLE WIDE (N INTEGER)"),
            QStringLiteral("INSERT INTO WIDE VALUES (5), (-5), (2000000000), (NULL), (5)")};
        for (const QString &text : texts) {
            textRows.append(Row {text});
            setup << QStringLiteral("INSERT INTO TEXTS VALUES ('%1')").arg(text);
        }
        WriteTable(folder.filePath(QStringLiteral("texts.db")),
            {{QStringLiteral("V"), QLatin1Char('A'), 10}}, textRows);
        WriteTable(folder.filePath(QStringLiteral("ints.db")),
            {{QStringLiteral("N"), QLatin1Char('I'), 0}}, {{5}, {7}, {0}, {-5}});
        WriteTable(folder.filePath(QStringLiteral("wide.db")),
            {{QStringLiteral("N"), QLatin1Char('I'), 0}},
            {{5}, {-5}, {2000000000}, {QVariant()}, {5}});
        SqlEngine engine(folder.path(), 1251);
        QStringList expected = PlainSqliteAnswer(setup, sql);
        expected.sort();
        QVERIFY(!expected.isEmpty());
        // The first lookup of a column scans it, later ones build and use its index.
        for (const char *walk : {"scan", "building the index", "index"}) {
            const auto rows = engine.Run(sql, {});
            QStringList answer = Column(*rows, 0);
            answer.sort();
            QVERIFY2(answer == expected, walk);
        }
    }

    // The table hands its rows over sorted when it can; ties, nulls, directions and what SQLite
    // does around the sort must come out as SQLite alone gives them.
    void orderAgreesWithPlainSqlite_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("sortedBySqlite");
        QTest::newRow("texts: ties, case, Ё, nulls")
            << QStringLiteral("SELECT ID FROM T ORDER BY NAME") << false;
        QTest::newRow("texts descending")
            << QStringLiteral("SELECT ID FROM T ORDER BY NAME DESC") << false;
        QTest::newRow("two terms, mixed directions")
            << QStringLiteral("SELECT ID FROM T ORDER BY N DESC, NAME") << false;
        QTest::newRow("numbers: nulls, negative zero, ties")
            << QStringLiteral("SELECT ID FROM T ORDER BY X DESC, ID") << false;
        QTest::newRow("with an equality lookup")
            << QStringLiteral("SELECT ID FROM T WHERE N = 5 ORDER BY NAME DESC") << false;
        QTest::newRow("lookup, numbers with nulls and ties")
            << QStringLiteral("SELECT ID FROM T WHERE N = 5 ORDER BY X DESC") << false;
        QTest::newRow("distinct") << QStringLiteral(
            "SELECT DISTINCT NAME, N FROM T ORDER BY N, NAME DESC")
                                  << false;
        QTest::newRow("distinct without order keeps the rows' order")
            << QStringLiteral("SELECT DISTINCT N FROM T") << false;
        QTest::newRow("group by") << QStringLiteral("SELECT group_concat(ID) FROM T GROUP BY NAME")
                                  << false;
        QTest::newRow("smallest value of a column with nulls")
            << QStringLiteral("SELECT MIN(X) FROM T") << false;
        QTest::newRow("limit and offset")
            << QStringLiteral("SELECT ID FROM T ORDER BY NAME LIMIT 4 OFFSET 1000") << false;
        QTest::newRow("small limit, columns not ranked yet")
            << QStringLiteral("SELECT ID FROM T ORDER BY NAME DESC LIMIT 3") << true;
        QTest::newRow("rowid, then a term it makes idle")
            << QStringLiteral("SELECT ID FROM T ORDER BY rowid DESC, NAME") << false;
        QTest::newRow("a term the table cannot sort by")
            << QStringLiteral("SELECT ID FROM T ORDER BY N, NAME COLLATE NOCASE") << true;
        QTest::newRow("outer table of a join") << QStringLiteral(
            "SELECT A.ID || '-' || B.ID FROM T A JOIN T B ON B.N = A.N "
            "ORDER BY A.NAME DESC, A.X") << false;
    }
    void orderAgreesWithPlainSqlite()
    {
        QFETCH(QString, sql);
        QFETCH(bool, sortedBySqlite);
        const std::vector<Paradox::NewField> fields {{QStringLiteral("ID"), QLatin1Char('I'), 0},
            {QStringLiteral("NAME"), QLatin1Char('A'), 20},
            {QStringLiteral("N"), QLatin1Char('I'), 0}, {QStringLiteral("X"), QLatin1Char('N'), 0}};
        QList<Row> rows {{1, QStringLiteral("Иванов"), 5, 1.5},
            {2, QStringLiteral("ёлкин"), 3, QVariant()}, {3, QStringLiteral("Елкин"), 5, -0.0},
            {4, QVariant(), 3, 2.5}, {5, QStringLiteral("иванов"), QVariant(), 1.5},
            {6, QStringLiteral("Иванов"), 3, 0.0}, {7, QStringLiteral("Ёлкин"), 5, -7.25},
            {8, QStringLiteral("Zimmer"), 1, 1e10}, {9, QStringLiteral("Иванов А"), 5, -7.25},
            {10, QStringLiteral("Иванов"), 5, QVariant()}};
        // Many more distinct names than a lookup finds rows: those are sorted by comparison.
        for (int id = 11; id <= 3000; ++id)
            rows.append(Row {id, QStringLiteral("Фамилия %1").arg(id % 2900), 10 + id % 300,
                double(id % 40) / 4});
        QTemporaryDir folder;
        WriteTable(folder.filePath(QStringLiteral("t.db")), fields, rows);
        QStringList setup {QStringLiteral(
            "CREATE TABLE T (ID INTEGER, NAME TEXT COLLATE PXW_CYRL, N INTEGER, X REAL)")};
        for (const Row &row : rows) {
            QStringList values;
            for (const QVariant &value : row)
                values << (value.isNull()                      ? QStringLiteral("NULL")
                        : value.typeId() == QMetaType::QString ? "'" + value.toString() + "'"
                                                               : value.toString());
            setup << QStringLiteral("INSERT INTO T VALUES (%1)").arg(values.join(','));
        }
        const QStringList expected = PlainSqliteAnswer(setup, sql);
        QVERIFY(!expected.isEmpty());
        SqlEngine engine(folder.path(), 1251);
        // A few rows are sorted by their values, until a sort of the whole table ranks the
        // columns; from then on by the ranks.
        QCOMPARE(Column(*engine.Run(sql, {}), 0), expected);
        engine.Run(QStringLiteral("SELECT ID FROM T ORDER BY NAME, N, X"), {});
        QCOMPARE(Column(*engine.Run(sql, {}), 0), expected);
        {
            const CopiedWalks copied;
            QCOMPARE(Column(*engine.Run(sql, {}), 0), expected);
        }

        // Whether SQLite sorted on its own, from the plan over the same rows.
        sqlite3 *db = nullptr;
        sqlite3_open(":memory:", &db);
        sqlite3_create_collation_v2(db, "PXW_CYRL", SQLITE_UTF8, nullptr, CollateCyrillic, nullptr);
        auto source = std::make_shared<SqlVirtualTable::Source>();
        source->Rows = std::make_shared<const TRecordSet>(RowsFromValues(fields, rows));
        SqlVirtualTable::Register(db, "T", source);
        sqlite3_stmt *plan = nullptr;
        sqlite3_prepare_v2(
            db, ("EXPLAIN QUERY PLAN " + sql).toUtf8().constData(), -1, &plan, nullptr);
        QStringList steps;
        while (sqlite3_step(plan) == SQLITE_ROW)
            steps << QString::fromUtf8(
                reinterpret_cast<const char *>(sqlite3_column_text(plan, 3)));
        sqlite3_finalize(plan);
        sqlite3_close(db);
        QVERIFY(!steps.isEmpty());
        const QRegularExpression sortBySqlite(QStringLiteral("TEMP B-TREE FOR .*(ORDER|GROUP) BY"));
        QCOMPARE(steps.join('\n').contains(sortBySqlite), sortedBySqlite);
    }

    // The grid's sorting upper-cases the whole text, joins the ORDER BY lines and writes DESC.
    void rewrittenOrderByRuns_data()
    {
        QTest::addColumn<QString>("orderBy");
        QTest::addColumn<QStringList>("phones");
        const QString head = QStringLiteral(
            "SELECT DISTINCT FAM, TELE, K_Y, ADR_D, ADR_K\r\nFROM \"KVTEL_1.DB\" \r\n"
            "WHERE(K_Y = :STR)\r");
        QTest::newRow("phone descending")
            << head + QStringLiteral("ORDER BY TELE DESC")
            << QStringList {"99-01", "55-55", "44-02", "33-01", "21-16", "21-15", "10-10"};
        QTest::newRow("name, phone descending")
            << head + QStringLiteral("ORDER BY FAM, TELE DESC, K_Y, ADR_D, ADR_K")
            << QStringList {"99-01", "10-10", "44-02", "33-01", "21-16", "21-15", "55-55"};
        QTest::newRow("key removed, two blanks")
            << head + QStringLiteral("ORDER BY FAM,  K_Y, ADR_D DESC, ADR_K, TELE")
            << QStringList {"99-01", "10-10", "44-02", "33-01", "21-15", "21-16", "55-55"};
        QTest::newRow("house descending, then flat descending")
            << head + QStringLiteral("ORDER BY ADR_D DESC, ADR_K DESC, TELE")
            << QStringList {"55-55", "10-10", "33-01", "99-01", "21-15", "21-16", "44-02"};
        QTest::newRow("local SQL spelling of the directions")
            << head + QStringLiteral("ORDER BY ADR_D DESCENDING, ADR_K descending, TELE ASCENDING")
            << QStringList {"55-55", "10-10", "33-01", "99-01", "21-15", "21-16", "44-02"};
        QTest::newRow("no order") << head.chopped(1) + QStringLiteral(" ORDER BY TELE")
                                  << QStringList {"10-10", "21-15", "21-16", "33-01", "44-02",
                                         "55-55", "99-01"};
    }
    void rewrittenOrderByRuns()
    {
        QFETCH(QString, orderBy);
        QFETCH(QStringList, phones);
        const auto rows = Run(orderBy, Street(7));
        QCOMPARE(Column(*rows, 1), phones);
    }

    void explicitCollationSortsTheSameWay()
    {
        const auto rows = Run(QStringLiteral(
            "SELECT X FROM (SELECT 'ёж' AS X UNION ALL SELECT 'Ель' UNION ALL SELECT 'жук' "
            "UNION ALL SELECT 'Abc' UNION ALL SELECT 'ежевика') ORDER BY X COLLATE pxw_cyrl"));
        QCOMPARE(Column(*rows, 0),
            QStringList({QStringLiteral("Abc"), QStringLiteral("ёж"), QStringLiteral("ежевика"),
                QStringLiteral("Ель"), QStringLiteral("жук")}));
    }

    void cyrillicUpperAndLowerWork()
    {
        const auto rows = Run(QStringLiteral(
            "SELECT FAM FROM \"KVTEL_1.DB\" WHERE UPPER(FAM) = 'АБРАМОВ' OR LOWER(FAM) = 'яковлев'"
            " ORDER BY FAM"));
        QCOMPARE(
            Column(*rows, 0), QStringList({QStringLiteral("абрамов"), QStringLiteral("Яковлев")}));
    }

    void writingStatementsAreRefused_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("what");
        const QString folder = FFolder.path();
        QTest::newRow("insert") << QStringLiteral(
            "INSERT INTO \"KVTEL_1.DB\" VALUES ('x', 'y', 1, '1', '1')")
                                << "INSERT";
        QTest::newRow("delete") << QStringLiteral("DELETE FROM \"KVTEL_1.DB\"") << "DELETE";
        QTest::newRow("update") << QStringLiteral("UPDATE \"KVTEL_1.DB\" SET FAM = 'x'")
                                << "UPDATE";
        QTest::newRow("drop") << QStringLiteral("DROP TABLE \"KVTEL_1.DB\"") << "DROP";
        QTest::newRow("create") << QStringLiteral("CREATE TABLE T (X)") << "CREATE";
        QTest::newRow("create temp")
            << QStringLiteral("CREATE TEMP VIEW V AS SELECT 1") << "CREATE";
        QTest::newRow("attach")
            << QStringLiteral("ATTACH DATABASE '%1/evil.db' AS EVIL").arg(folder) << "ATTACH";
        QTest::newRow("vacuum into")
            << QStringLiteral("VACUUM INTO '%1/copy.db'").arg(folder) << "VACUUM";
        QTest::newRow("pragma write") << QStringLiteral("PRAGMA writable_schema = 1") << "PRAGMA";
        QTest::newRow("pragma journal") << QStringLiteral("PRAGMA journal_mode = WAL") << "PRAGMA";
        QTest::newRow("load_extension")
            << QStringLiteral("SELECT load_extension('%1/evil.so')").arg(folder)
            << "load_extension";
        QTest::newRow("two statements")
            << QStringLiteral("SELECT 1; DELETE FROM \"KVTEL_1.DB\"") << "more than one";
        QTest::newRow("two selects") << QStringLiteral("SELECT 1;\nSELECT 2;") << "more than one";
        QTest::newRow("hidden in a with")
            << QStringLiteral("WITH C AS (SELECT 1) DELETE FROM \"KVTEL_1.DB\"") << "changing";
        QTest::newRow("explain") << QStringLiteral("EXPLAIN SELECT 1") << "EXPLAIN";
        QTest::newRow("transaction") << QStringLiteral("BEGIN") << "BEGIN";
        QTest::newRow("replace") << QStringLiteral("REPLACE INTO T VALUES (1)") << "REPLACE";
        QTest::newRow("comment first")
            << QStringLiteral("/* x */ -- y\n DELETE FROM T") << "DELETE";
    }
    void writingStatementsAreRefused()
    {
        QFETCH(QString, sql);
        QFETCH(QString, what);
        const auto before = Snapshot(FFolder.path());
        try {
            Run(sql);
            QFAIL("the statement ran");
        } catch (const EDatabaseError &error) {
            QCOMPARE(error.Message(),
                QStringLiteral("Запрос отклонён: данные справочника можно только читать."));
            QVERIFY2(error.Detail().startsWith(QStringLiteral("Query refused: ")),
                qPrintable(error.Detail()));
            QVERIFY2(error.Detail().contains(what), qPrintable(error.Detail()));
        }
        QCOMPARE(Snapshot(FFolder.path()), before);
        // The engine still answers afterwards.
        QCOMPARE(Run(CityQuery(), Street(8))->RowCount(), 1);
    }

    // The columns of a table the query has not read yet, as a statement or a table-valued
    // function.
    void readingPragmaIsAllowed_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("statement") << QStringLiteral("PRAGMA table_info(\"KVTEL_1.DB\")");
        QTest::newRow("bare name") << QStringLiteral("PRAGMA table_info(kvtel_1)");
        QTest::newRow("table-valued")
            << QStringLiteral("SELECT * FROM pragma_table_info('KVTEL_1.DB')");
        QTest::newRow("table-valued, hidden columns too")
            << QStringLiteral("SELECT cid, name FROM pragma_table_xinfo('kvtel_1') ORDER BY cid");
    }
    void readingPragmaIsAllowed()
    {
        QFETCH(QString, sql);
        const auto info = Run(sql);
        QCOMPARE(info->RowCount(), 5);
        QCOMPARE(info->Value(2, info->IndexOf(QStringLiteral("name"))).toString(),
            QStringLiteral("K_Y"));
    }

    void failuresNameTheCause_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<SqlEngine::Params>("params");
        QTest::addColumn<QStringList>("expected");
        const QString bad = QStringLiteral("SELEC FAM FROM \"KVTEL_1.DB\"");
        QTest::newRow("syntax") << bad << SqlEngine::Params()
                                << QStringList {QStringLiteral("syntax error"), bad};
        const QString column = QStringLiteral("SELECT NOPE FROM \"KVTEL_1.DB\"");
        QTest::newRow("unknown column")
            << column << SqlEngine::Params()
            << QStringList {QStringLiteral("no such column: NOPE"), column};
        QTest::newRow("missing table")
            << QStringLiteral("SELECT * FROM \"MISSING.DB\"") << SqlEngine::Params()
            << QStringList {QStringLiteral("Table does not exist"), QStringLiteral("MISSING.DB")};
        QTest::newRow("table outside the folder")
            << QStringLiteral("SELECT * FROM \"../kvtel_1.DB\"") << SqlEngine::Params()
            << QStringList {QStringLiteral("Table does not exist")};
        QTest::newRow("missing parameter")
            << CityQuery() << SqlEngine::Params()
            << QStringList {QStringLiteral("No value for parameter 'str'")};
        QTest::newRow("unnamed parameter")
            << QStringLiteral("SELECT * FROM \"KVTEL_1.DB\" WHERE K_Y = ?") << SqlEngine::Params()
            << QStringList {QStringLiteral("parameters must have names")};
        QTest::newRow("empty") << QStringLiteral("  \n ") << SqlEngine::Params()
                               << QStringList {QStringLiteral("SQL statement is empty")};
        QTest::newRow("unclosed parenthesis")
            << QStringLiteral("SELECT 1 FROM (") << SqlEngine::Params()
            << QStringList {QStringLiteral("Invalid query")};
    }
    void failuresNameTheCause()
    {
        QFETCH(QString, sql);
        QFETCH(SqlEngine::Params, params);
        QFETCH(QStringList, expected);
        try {
            Run(sql, params);
            QFAIL("the query ran");
        } catch (const EDatabaseError &error) {
            const QString text = QString::fromUtf8(error.what()); // message and detail
            for (const QString &part : expected)
                QVERIFY2(text.contains(part), qPrintable(text));
        }
    }

    // What a user can meet reads in Russian and names the table's file and its folder; the full
    // path and the cause are the detail.
    void userFailuresSpeakRussian_data()
    {
        QTest::addColumn<QString>("folder"); // under the test folder
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("detail"); // after the folder's full path
        QTest::newRow("missing folder") << QStringLiteral("Nowhere") << CityQuery()
                                        << QStringLiteral("Папка «Nowhere» не найдена.")
                                        << QStringLiteral("Folder does not exist: %1");
        QTest::newRow("missing table")
            << QStringLiteral("Region") << QStringLiteral("SELECT * FROM \"Tel_k12.db\"")
            << QStringLiteral("Таблица «Tel_k12.db» не найдена в папке «Region».")
            << QStringLiteral("Table does not exist: %1/Tel_k12.db");
        QTest::newRow("damaged table")
            << QStringLiteral("Region") << QStringLiteral("SELECT * FROM BROKEN")
            << QStringLiteral("Таблица «broken.db» в папке «Region» повреждена и не может быть "
                              "прочитана.")
            << QStringLiteral("Table %1/broken.db is damaged: ");
        QTest::newRow("rejected query")
            << QStringLiteral("Region") << QStringLiteral("DELETE FROM BROKEN")
            << QStringLiteral("Запрос отклонён: данные справочника можно только читать.")
            << QStringLiteral("Query refused: DELETE is not allowed");
        QTest::newRow("wrong query")
            << QStringLiteral("Region") << QStringLiteral("SELECT NOPE FROM \"KVTEL_1.DB\"")
            << QStringLiteral("Запрос не может быть выполнен: в нём есть ошибка.")
            << QStringLiteral("Invalid query: no such column: NOPE");
    }
    void userFailuresSpeakRussian()
    {
        QFETCH(QString, folder);
        QFETCH(QString, sql);
        QFETCH(QString, message);
        QFETCH(QString, detail);
        QTemporaryDir root;
        const QString path = root.filePath(folder);
        if (folder == QLatin1String("Region")) {
            QDir().mkpath(path);
            QFile::copy(FFolder.filePath(QStringLiteral("kvtel_1.DB")),
                path + QStringLiteral("/kvtel_1.DB"));
            QFile broken(path + QStringLiteral("/broken.db"));
            QVERIFY(broken.open(QIODevice::WriteOnly));
            broken.write(QByteArray(3000, '\x01'));
        }
        SqlEngine engine(path, 1251);
        try {
            engine.Run(sql, Street(7));
            QFAIL("the query ran");
        } catch (const EDatabaseError &error) {
            QCOMPARE(error.Message(), message);
            const QString expected = detail.contains(QLatin1String("%1"))
                ? detail.arg(QDir::toNativeSeparators(path))
                : detail;
            QVERIFY2(error.Detail().startsWith(expected), qPrintable(error.Detail()));
        }
    }

    // Dates and times reach SQL as ISO texts, so they compare with literals and with SQLite's
    // date functions, and come back in their own types.
    void datesAndTimesKeepTheirTypes()
    {
        QTemporaryDir folder;
        WriteTable(folder.filePath(QStringLiteral("events.db")),
            {{QStringLiteral("D"), QLatin1Char('D'), 0}, {QStringLiteral("T"), QLatin1Char('T'), 0},
                {QStringLiteral("W"), QLatin1Char('@'), 0},
                {QStringLiteral("OK"), QLatin1Char('L'), 0}},
            {{QDate(2024, 3, 1), QTime(9, 30), QDateTime(QDate(2024, 3, 1), QTime(9, 30, 5, 250)),
                 1},
                {QDate(1999, 12, 31), QTime(23, 59, 59), QVariant(), 0},
                {QVariant(), QVariant(), QVariant(), QVariant()}});
        SqlEngine engine(folder.path(), 1251);
        const auto rows
            = engine.Run(QStringLiteral("SELECT D, T, W, OK, date(D, '+1 day') AS NEXT FROM EVENTS "
                                        "WHERE D >= :since OR D IS NULL ORDER BY D DESC"),
                {{QStringLiteral("since"), QVariant(QDate(2000, 1, 1))}});
        QCOMPARE(rows->RowCount(), 2);
        QCOMPARE(rows->Info(0).Type, TFieldType::ftDate);
        QCOMPARE(rows->Info(1).Type, TFieldType::ftTime);
        QCOMPARE(rows->Info(2).Type, TFieldType::ftDateTime);
        QCOMPARE(rows->Info(3).Type, TFieldType::ftBoolean);
        QCOMPARE(rows->Value(0, 0), QVariant(QDate(2024, 3, 1)));
        QCOMPARE(rows->Value(0, 1), QVariant(QTime(9, 30)));
        QCOMPARE(rows->Value(0, 2), QVariant(QDateTime(QDate(2024, 3, 1), QTime(9, 30, 5, 250))));
        QCOMPARE(rows->Value(0, 3), QVariant(true));
        QCOMPARE(rows->Value(0, 4), QVariant(QStringLiteral("2024-03-02")));
        QVERIFY(rows->IsNull(1, 0));
    }

    // A result that only passes table values on keeps table rows instead of copies; it must be
    // the result copying gives: the same values, types and widths. The copy is forced by a
    // column of its own.
    void keptRowsAgreeWithCopiedRows_data()
    {
        QTest::addColumn<QString>("columns");
        QTest::addColumn<QString>("rest");
        QTest::addColumn<bool>("kept");
        QTest::newRow("scan, renamed and reordered")
            << QStringLiteral("S AS NAME, N") << QStringLiteral("FROM A") << true;
        QTest::newRow("lookup") << QStringLiteral("S, N") << QStringLiteral("FROM A WHERE N = 2")
                                << true;
        QTest::newRow("table named by its file")
            << QStringLiteral("S") << QStringLiteral("FROM \"a.DB\" WHERE N > 1") << true;
        QTest::newRow("two tables joined") << QStringLiteral("A.S, B.T, B.N")
                                           << QStringLiteral("FROM A JOIN B ON B.N = A.N") << true;
        QTest::newRow("distinct") << QStringLiteral("DISTINCT S") << QStringLiteral("FROM A")
                                  << true;
        QTest::newRow("dates, times and a memo")
            << QStringLiteral("D, W, NOTE") << QStringLiteral("FROM E") << true;
        // Rows without a partner show nulls, not the row read last: copied after all.
        QTest::newRow("left join, partner missing further down")
            << QStringLiteral("A.S, B.T") << QStringLiteral("FROM A LEFT JOIN B ON B.N = A.N")
            << false;
        // The table hands its sorted rows out of copies of their cells.
        QTest::newRow("sorted by the table: dates, times and a memo")
            << QStringLiteral("D, W, NOTE") << QStringLiteral("FROM E ORDER BY NOTE DESC") << true;
        // Two cursors over one table: the row read last is the inner one's, so copied.
        QTest::newRow("a table joined with itself, both sides sorted")
            << QStringLiteral("A.S, B.N")
            << QStringLiteral("FROM A JOIN A AS B ON B.S = A.S ORDER BY A.S, B.N DESC") << false;
        // A group is shown once the first row of the next one has been read.
        QTest::newRow("groups of rows the table sorted")
            << QStringLiteral("S") << QStringLiteral("FROM A GROUP BY S") << true;
    }

    void keptRowsAgreeWithCopiedRows()
    {
        QFETCH(QString, columns);
        QFETCH(QString, rest);
        QFETCH(bool, kept);
        QTemporaryDir folder;
        WriteTable(folder.filePath(QStringLiteral("a.db")),
            {{QStringLiteral("N"), QLatin1Char('I'), 0},
                {QStringLiteral("S"), QLatin1Char('A'), 10}},
            {{1, QStringLiteral("Иван")}, {2, QStringLiteral("Ёж")},
                {QVariant(), QStringLiteral("Пётр")}, {3, QVariant()}, {2, QStringLiteral("Ёж")},
                {5, QStringLiteral("Аня")}});
        WriteTable(folder.filePath(QStringLiteral("b.db")),
            {{QStringLiteral("N"), QLatin1Char('I'), 0},
                {QStringLiteral("T"), QLatin1Char('A'), 10}},
            {{1, QStringLiteral("один")}, {2, QStringLiteral("два")}, {3, QStringLiteral("три")}});
        WriteTable(folder.filePath(QStringLiteral("e.db")),
            {{QStringLiteral("D"), QLatin1Char('D'), 0}, {QStringLiteral("W"), QLatin1Char('@'), 0},
                {QStringLiteral("NOTE"), QLatin1Char('M'), 5}},
            {{QDate(2024, 3, 1), QDateTime(QDate(2024, 3, 1), QTime(9, 30, 5, 250)),
                 QStringLiteral("длинная заметка")},
                {QVariant(), QVariant(), QStringLiteral("кратк")}});
        SqlEngine engine(folder.path(), 1251);
        const CopiedWalks copiedWalks; // the rows of a sorted walk are checked against the copies
        const auto keptRows = engine.Run(QStringLiteral("SELECT %1 %2").arg(columns, rest), {});
        const auto copied
            = engine.Run(QStringLiteral("SELECT %1, 0 AS COPY %2").arg(columns, rest), {});
        QCOMPARE(keptRows->IsSelection(), kept);
        QVERIFY(!copied->IsSelection());
        QCOMPARE(keptRows->ColumnCount(), copied->ColumnCount() - 1);
        QCOMPARE(keptRows->RowCount(), copied->RowCount());
        QVERIFY(keptRows->RowCount() > 0);
        for (int c = 0; c < keptRows->ColumnCount(); ++c) {
            QCOMPARE(keptRows->Info(c).Name, copied->Info(c).Name);
            QCOMPARE(keptRows->Info(c).Type, copied->Info(c).Type);
            QCOMPARE(keptRows->Info(c).Size, copied->Info(c).Size);
            for (int r = 0; r < keptRows->RowCount(); ++r) {
                QCOMPARE(keptRows->IsNull(r, c), copied->IsNull(r, c));
                QCOMPARE(keptRows->Value(r, c), copied->Value(r, c));
            }
        }
    }

    void queriesLeaveTheFolderUntouched()
    {
        const auto before = Snapshot(FFolder.path());
        Run(CityQuery(), Street(7));
        Run(OrganisationQuery(), {{QStringLiteral("str"), QVariant(500)}});
        Run(QStringLiteral("SELECT * FROM NUMBERS ORDER BY S DESC"));
        FEngine.reset();
        QCOMPARE(Snapshot(FFolder.path()), before);
    }

    void tableChangedOnDiskIsReadAgain()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("t.db"));
        const std::vector<Paradox::NewField> fields {{QStringLiteral("N"), QLatin1Char('I'), 0}};
        WriteTable(path, fields, {{1}});
        SqlEngine engine(folder.path(), 1251);
        const QString sql = QStringLiteral("SELECT SUM(N) FROM T");
        QCOMPARE(engine.Run(sql, {})->Value(0, 0), QVariant(qlonglong(1)));
        WriteTable(path, fields, {{1}, {2}, {3}});
        // The cache knows a file by size and time; a rewrite within one clock tick may keep both.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(
            QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
        file.close();
        QCOMPARE(engine.Run(sql, {})->Value(0, 0), QVariant(qlonglong(6)));
        QFile::remove(path);
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, engine.Run(sql, {}));
    }

    void runawayQueryStopsAtTheMemoryBudget_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("cartesian join") << QStringLiteral("SELECT A.N, B.N, A.S FROM BIG A, BIG B");
        QTest::newRow("recursive query") << QStringLiteral(
            "WITH RECURSIVE R(N) AS (SELECT 1 UNION ALL SELECT N + 1 FROM R) SELECT N FROM R");
        // One row out, but the DISTINCT grows in SQLite's own heap.
        QTest::newRow("sort in the engine's memory")
            << QStringLiteral("SELECT A.N, B.S FROM BIG A, BIG B ORDER BY B.S DESC, A.N");
        QTest::newRow("distinct in the engine's memory")
            << QStringLiteral("SELECT COUNT(*) FROM (SELECT DISTINCT A.N * 100000 + B.N, A.S "
                              "FROM BIG A, BIG B)");
    }

    void runawayQueryStopsAtTheMemoryBudget()
    {
        QFETCH(QString, sql);
        QTemporaryDir folder;
        QList<Row> rows;
        for (int n = 0; n < 3000; ++n)
            rows.append({n, QStringLiteral("строка %1").arg(n)});
        WriteTable(folder.filePath(QStringLiteral("big.db")),
            {{QStringLiteral("N"), QLatin1Char('I'), 0},
                {QStringLiteral("S"), QLatin1Char('A'), 20}},
            rows);
        SqlEngine engine(folder.path(), 1251);
        TMemoryBudget::SetLimit(qint64(16) << 20);
        const auto restore = qScopeGuard([] { TMemoryBudget::SetLimit(0); });

        QString message;
        try {
            engine.Run(sql, {});
        } catch (const EDatabaseError &e) {
            message = e.Message();
        }
        QCOMPARE(message,
            QStringLiteral("Запрос остановлен: ему не хватило отведённой памяти (16 МБ)."));
        // The engine is none the worse for it.
        QCOMPARE(engine.Run(QStringLiteral("SELECT COUNT(*) FROM BIG"), {})->Value(0, 0),
            QVariant(qlonglong(3000)));
    }

    void sortRunsOnDiskStayWithinTheBudget()
    {
        // Should sorts ever spill to temporary files, the files count against the budget too.
        TMemoryBudget::SetLimit(qint64(16) << 20);
        const auto restore = qScopeGuard([] { TMemoryBudget::SetLimit(0); });
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY,
                     TMemoryBudget::VfsName()),
            SQLITE_OK);
        const auto close = qScopeGuard([db] { sqlite3_close(db); });
        sqlite3_exec(
            db, "PRAGMA temp_store = FILE; PRAGMA cache_size = -256", nullptr, nullptr, nullptr);
        sqlite3_stmt *statement = nullptr;
        QCOMPARE(
            sqlite3_prepare_v2(db,
                "WITH RECURSIVE R(N) AS (SELECT 1 UNION ALL SELECT N + 1 FROM R LIMIT 3000000) "
                "SELECT N, printf('%020d', N) FROM R ORDER BY -N",
                -1, &statement, nullptr),
            SQLITE_OK);
        const int rc = sqlite3_step(statement);
        sqlite3_finalize(statement);
        QCOMPARE(rc, SQLITE_FULL);
    }
};

QTEST_GUILESS_MAIN(TestSqlEngine)
#include "tst_sql_engine.moc"
