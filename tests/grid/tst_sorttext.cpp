#include "core/Exception.h"
#include "grid/mmDBGridSortText.h"

#include <QtTest>

using namespace SortText;

namespace {
const QStringList CityQuery {
    QStringLiteral("SELECT DISTINCT FAM, TELE, K_Y, ADR_D, ADR_K"),
    QStringLiteral("FROM \"KVTEL_1.DB\" "),
    QStringLiteral("WHERE(K_Y = :str)"),
    QStringLiteral("ORDER BY FAM, TELE, K_Y, ADR_D, ADR_K"),
};

// One title double click: the direction flips when sorted, otherwise ascending.
QStringList ClickTitle(const QStringList &lines, const QString &sortText)
{
    const QString text = JoinQueryLines(lines);
    bool ascending = true;
    const bool sorted = IsSortedBy(text, sortText, ascending);
    return SplitQueryLines(SortBy(text, sortText, sorted ? !ascending : true));
}
} // namespace

class TestSortText : public QObject
{
    Q_OBJECT
private slots:
    void textOperations_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("join: no clause") << "join"
                                         << "SELECT A\r\nFROM B\r\n"
                                         << "SELECT A\r\nFROM B\r\n";
        QTest::newRow("join: clause on its line") << "join"
                                                  << "FROM B\r\nORDER BY A,\r\nC\r\n"
                                                  << "FROM B\rORDER BY A,C";
        QTest::newRow("join: clause after a blank keeps it") << "join"
                                                             << "FROM B ORDER BY A"
                                                             << "FROM B ORDER BY A";
        QTest::newRow("collapse") << "collapse"
                                  << "A   B  ,  C"
                                  << "A B , C";
        QTest::newRow("blank before comma") << "comma"
                                            << "A  , B ,C"
                                            << "A, B,C";
        QTest::newRow("tail") << "tail"
                              << "ORDER BY A, ;  "
                              << "ORDER BY A";
        QTest::newRow("tail keeps first") << "tail"
                                          << ",,,"
                                          << ",";
        QTest::newRow("first word") << "word"
                                    << "  DESC, K_Y"
                                    << "DESC";
        QTest::newRow("first word at end") << "word"
                                           << " DESCENDING"
                                           << "DESCENDING";
        QTest::newRow("first word none") << "word"
                                         << "   "
                                         << "";
        QTest::newRow("first word comma") << "word"
                                          << ", K_Y"
                                          << "";
    }
    void textOperations()
    {
        QFETCH(QString, operation);
        QFETCH(QString, input);
        QString result;
        if (operation == QLatin1String("join"))
            result = JoinOrderByLines(input);
        else if (operation == QLatin1String("collapse"))
            result = CollapseBlanks(input);
        else if (operation == QLatin1String("comma"))
            result = RemoveBlankBeforeComma(input);
        else if (operation == QLatin1String("tail"))
            result = TrimSortTail(input);
        else
            result = FirstWord(input);
        QTEST(result, "expected");
    }

    void sortKeysAreFoundBetweenSeparators_data()
    {
        QTest::addColumn<QString>("clause");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("sorted");
        QTest::addColumn<bool>("ascending");
        QTest::newRow("ascending") << "ORDER BY FAM, TELE, K_Y"
                                   << "TELE" << true << true;
        QTest::newRow("desc") << "ORDER BY FAM, TELE DESC, K_Y"
                              << "tele" << true << false;
        QTest::newRow("descending") << "ORDER BY TELE DESCENDING"
                                    << "TELE" << true << false;
        QTest::newRow("qualified") << "ORDER BY D.TELE DESC"
                                   << "TELE" << true << false;
        QTest::newRow("qualified by event") << "ORDER BY D.TELE, D1.NAIM_DOL"
                                            << "D.TELE" << true << true;
        QTest::newRow("longer name") << "ORDER BY TELEPHONE"
                                     << "TELE" << false << true;
        QTest::newRow("prefixed name") << "ORDER BY XTELE"
                                       << "TELE" << false << true;
        QTest::newRow("first occurrence only") << "ORDER BY XTELE, TELE"
                                               << "TELE" << false << true;
        QTest::newRow("last key") << "ORDER BY FAM, ADR_K"
                                  << "ADR_K" << true << true;
        QTest::newRow("no clause") << ""
                                   << "TELE" << false << true;
    }
    void sortKeysAreFoundBetweenSeparators()
    {
        QFETCH(QString, clause);
        QFETCH(QString, key);
        const QString text = JoinQueryLines({QStringLiteral("SELECT TELE FROM \"X.DB\""), clause});
        bool ascending = false;
        QTEST(IsSortedBy(text, key, ascending), "sorted");
        QTEST(ascending, "ascending");
    }

    void cityQueryCyclesThroughDirections()
    {
        QStringList lines = ClickTitle(CityQuery, QStringLiteral("TELE"));
        QCOMPARE(lines.last(), QStringLiteral("ORDER BY FAM, TELE DESC, K_Y, ADR_D, ADR_K"));
        lines = ClickTitle(lines, QStringLiteral("TELE"));
        QCOMPARE(lines.last(), QStringLiteral("ORDER BY FAM,  K_Y, ADR_D, ADR_K"));
        lines = ClickTitle(lines, QStringLiteral("TELE"));
        QCOMPARE(lines.last(), QStringLiteral("ORDER BY FAM, K_Y, ADR_D, ADR_K, TELE"));
        // The lines before the clause survive, upper-cased.
        QCOMPARE(lines.mid(0, 3),
            (QStringList {CityQuery[0], CityQuery[1], QStringLiteral("WHERE(K_Y = :STR)")}));
    }

    void rewrites_data()
    {
        QTest::addColumn<QStringList>("query");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("no clause gains one")
            << QStringList {"select fam from \"kvtel_1.db\""} << "FAM"
            << QStringList {"SELECT FAM FROM \"KVTEL_1.DB\"", " ORDER BY FAM"};
        QTest::newRow("lower case literal is upper-cased")
            << QStringList {"SELECT FAM FROM X", "WHERE FAM = 'иванов'", "ORDER BY FAM"} << "TELE"
            << QStringList {"SELECT FAM FROM X", "WHERE FAM = 'ИВАНОВ'", "ORDER BY FAM, TELE"};
        QTest::newRow("single descending key drops the clause")
            << QStringList {"SELECT TELE FROM X", "ORDER BY TELE DESC"} << "TELE"
            << QStringList {"SELECT TELE FROM X"};
        QTest::newRow("descending word removed with its comma")
            << QStringList {"SELECT TELE FROM X", "ORDER BY TELE DESCENDING, FAM"} << "TELE"
            << QStringList {"SELECT TELE FROM X", "ORDER BY  FAM"};
        QTest::newRow("clause over two lines") << QStringList {"SELECT A FROM X", "ORDER BY A,",
            "C"} << "C" << QStringList {"SELECT A FROM X", "ORDER BY A,C DESC"};
        QTest::newRow("key inside ORDER BY itself is no key") << QStringList {"SELECT B FROM X",
            "ORDER BY A,", "B"} << "B" << QStringList {"SELECT B FROM X", "ORDER BY A,B, B"};
        QTest::newRow("clause after a blank keeps the blank") << QStringList {
            "SELECT A FROM X ORDER BY A"} << "B" << QStringList {"SELECT A FROM X ORDER BY A, B"};
    }
    void rewrites()
    {
        QFETCH(QStringList, query);
        QFETCH(QString, key);
        QTEST(ClickTitle(query, key), "expected");
    }

    void oddDirectionWordsCountAsAscending_data()
    {
        QTest::addColumn<QString>("clause");
        QTest::newRow("word glued to the key's neighbour") << "ORDER BY TELE DESCX";
        QTest::newRow("comma before the word") << "ORDER BY TELE  ,DESC";
        QTest::newRow("tab before the word") << "ORDER BY TELE \tDESC";
    }
    void oddDirectionWordsCountAsAscending()
    {
        QFETCH(QString, clause);
        bool ascending = false;
        QVERIFY(IsSortedBy(JoinQueryLines({QStringLiteral("SELECT A FROM X"), clause}),
            QStringLiteral("TELE"), ascending));
        QVERIFY(ascending);
    }
};

QTEST_GUILESS_MAIN(TestSortText)
#include "tst_sorttext.moc"
