#include "db/sql/SqlDialect.h"

#include <QtTest>

// What the engine hands to SQLite for the Paradox spellings of the sort directions.
class TestSqlDialect : public QObject
{
    Q_OBJECT

private slots:
    void directionWords_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("sqlite");
        QTest::newRow("both words, any case")
            << "SELECT * FROM T ORDER BY A DESCENDING, B ascending"
            << "SELECT * FROM T ORDER BY A DESC, B ASC";
        QTest::newRow("line breaks inside the clause")
            << "SELECT *\r\nFROM T\r\nORDER\r\nBY A\r\nDESCENDING"
            << "SELECT *\r\nFROM T\r\nORDER\r\nBY A\r\nDESC";
        QTest::newRow("already DESC") << "SELECT * FROM T ORDER BY A DESC"
                                      << "SELECT * FROM T ORDER BY A DESC";
        QTest::newRow("outside an ORDER BY") << "SELECT DESCENDING FROM T"
                                             << "SELECT DESCENDING FROM T";
        QTest::newRow("string literal") << "SELECT * FROM T WHERE A = 'x' ORDER BY 'DESCENDING'"
                                        << "SELECT * FROM T WHERE A = 'x' ORDER BY 'DESCENDING'";
        QTest::newRow("quoted name") << "SELECT * FROM T ORDER BY \"DESCENDING\" DESCENDING"
                                     << "SELECT * FROM T ORDER BY \"DESCENDING\" DESC";
        QTest::newRow("part of a longer word") << "SELECT * FROM T ORDER BY DESCENDING_X"
                                               << "SELECT * FROM T ORDER BY DESCENDING_X";
        QTest::newRow("function call in the key")
            << "SELECT * FROM T ORDER BY UPPER(A) DESCENDING, B"
            << "SELECT * FROM T ORDER BY UPPER(A) DESC, B";
        QTest::newRow("sub-query's clause ends with it")
            << "SELECT * FROM (SELECT A FROM T ORDER BY A DESCENDING) WHERE DESCENDING = 1"
            << "SELECT * FROM (SELECT A FROM T ORDER BY A DESC) WHERE DESCENDING = 1";
        QTest::newRow("words after a closed sub-query")
            << "SELECT * FROM T JOIN (SELECT A FROM U ORDER BY A) U ON (U.DESCENDING = 1)"
            << "SELECT * FROM T JOIN (SELECT A FROM U ORDER BY A) U ON (U.DESCENDING = 1)";
        QTest::newRow("comments") << "SELECT * FROM T ORDER BY A -- DESCENDING\n DESCENDING"
                                  << "SELECT * FROM T ORDER BY A -- DESCENDING\n DESC";
        QTest::newRow("unclosed quote") << "SELECT * FROM T ORDER BY 'A DESCENDING"
                                        << "SELECT * FROM T ORDER BY 'A DESCENDING";
        QTest::newRow("empty") << ""
                               << "";
    }
    void directionWords()
    {
        QFETCH(QString, sql);
        QFETCH(QString, sqlite);
        QCOMPARE(SqlDialect::ToSqlite(sql), sqlite);
    }

    void distinctBecomesGrouping_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("sqlite");
        QTest::newRow("keys in another order and direction")
            << "SELECT DISTINCT FAM, TELE FROM \"KVTEL_1.DB\" WHERE(K_Y = :str)\nORDER BY TELE "
               "DESC, FAM"
            << "SELECT DISTINCT FAM, TELE FROM \"KVTEL_1.DB\" WHERE(K_Y = :str)\nGROUP BY TELE, "
               "FAM "
               "ORDER BY TELE DESC, FAM";
        QTest::newRow("qualified, quoted and in another letter case")
            << "select distinct D.TELE, \"N\" from D, E where D.K = E.K order by n, d.tele;"
            << "select distinct D.TELE, \"N\" from D, E where D.K = E.K GROUP BY n, d.tele order "
               "by n, "
               "d.tele;";
        QTest::newRow("a selected column not sorted by")
            << "SELECT DISTINCT A, B FROM T ORDER BY A"
            << "SELECT DISTINCT A, B FROM T ORDER BY A";
        QTest::newRow("an expression") << "SELECT DISTINCT A, B + 1 FROM T ORDER BY A, B"
                                       << "SELECT DISTINCT A, B + 1 FROM T ORDER BY A, B";
        QTest::newRow("a collation on a key")
            << "SELECT DISTINCT A FROM T ORDER BY A COLLATE NOCASE"
            << "SELECT DISTINCT A FROM T ORDER BY A COLLATE NOCASE";
        QTest::newRow("a limit") << "SELECT DISTINCT A FROM T ORDER BY A LIMIT 5"
                                 << "SELECT DISTINCT A FROM T ORDER BY A LIMIT 5";
        QTest::newRow("a compound") << "SELECT DISTINCT A FROM T UNION SELECT A FROM U ORDER BY A"
                                    << "SELECT DISTINCT A FROM T UNION SELECT A FROM U ORDER BY A";
        QTest::newRow("a sub-query's ORDER BY only")
            << "SELECT DISTINCT A FROM (SELECT A FROM T ORDER BY A)"
            << "SELECT DISTINCT A FROM (SELECT A FROM T ORDER BY A)";
        QTest::newRow("a column number") << "SELECT DISTINCT 1, A FROM T ORDER BY A, 1"
                                         << "SELECT DISTINCT 1, A FROM T ORDER BY A, 1";
    }
    void distinctBecomesGrouping()
    {
        QFETCH(QString, sql);
        QFETCH(QString, sqlite);
        QCOMPARE(SqlDialect::DistinctAsGrouping(sql), sqlite);
    }

    void fieldNamesRespelt_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("respelt");
        QTest::newRow("bare, quoted, bracketed, qualified")
            << "SELECT ФАМИЛИЯ, \"фамилия\", [ФамилиЯ], M.фамилия FROM M"
            << "SELECT Фамилия, \"Фамилия\", [Фамилия], M.Фамилия FROM M";
        QTest::newRow("texts, comments and longer words kept")
            << "SELECT ФАМИЛИЯ_2 FROM M WHERE X = 'фамилия' -- фамилия\n"
            << "SELECT ФАМИЛИЯ_2 FROM M WHERE X = 'фамилия' -- фамилия\n";
        QTest::newRow("unclosed quote") << "SELECT \"фамилия"
                                        << "SELECT \"фамилия";
    }
    void fieldNamesRespelt()
    {
        QFETCH(QString, sql);
        QFETCH(QString, respelt);
        QCOMPARE(
            SqlDialect::RenameIdentifier(sql, QStringLiteral("ФАМИЛИЯ"), QStringLiteral("Фамилия")),
            respelt);
    }
};

QTEST_GUILESS_MAIN(TestSqlDialect)
#include "tst_sql_dialect.moc"
