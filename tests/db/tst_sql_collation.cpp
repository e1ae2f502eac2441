#include "db/sql/SqlCollation.h"
#include "db/sql/SqlEngine.h"

#include <QRandomGenerator>
#include <QtTest>
#include <algorithm>

namespace {

int Sign(int value)
{
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

int Compare(const QString &a, const QString &b)
{
    return Sign(CompareCyrillic(a.toStdString(), b.toStdString()));
}

} // namespace

class TestSqlCollation : public QObject
{
    Q_OBJECT

private slots:
    void ordersAsADictionary_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("expected");
        QTest::newRow("same") << "Иванов"
                              << "Иванов" << 0;
        QTest::newRow("empty first") << ""
                                     << "а" << -1;
        QTest::newRow("ignores case") << "б"
                                      << "В" << -1;
        QTest::newRow("ignores case, capital first") << "Б"
                                                     << "в" << -1;
        QTest::newRow("small before capital on a tie") << "абв"
                                                       << "Абв" << -1;
        QTest::newRow("ё as е") << "Ёлкин"
                                << "Ежов" << 1;
        QTest::newRow("ё before ж") << "ёж"
                                    << "жук" << -1;
        QTest::newRow("е before ё on a tie") << "Елка"
                                             << "Ёлка" << -1;
        QTest::newRow("accent decides before case") << "Ёлка"
                                                    << "елка" << 1;
        QTest::newRow("prefix first") << "ёж"
                                      << "ежевика" << -1;
        QTest::newRow("и before й") << "и"
                                    << "й" << -1;
        QTest::newRow("й before к") << "Йошкар-Ола"
                                    << "Казань" << -1;
        QTest::newRow("ш before щ") << "Шилов"
                                    << "щукин" << -1;
        QTest::newRow("ъ before ы before ь") << "подъезд"
                                             << "подыграть" << -1;
        QTest::newRow("ь before э") << "мь"
                                    << "мэ" << -1;
        QTest::newRow("ю before я") << "Юрьев"
                                    << "ямщиков" << -1;
        QTest::newRow("я after ё") << "я"
                                   << "ё" << 1;
        QTest::newRow("latin before cyrillic") << "Zimmer"
                                               << "абрамов" << -1;
        QTest::newRow("latin ignores case") << "apple"
                                            << "Banana" << -1;
        QTest::newRow("digits before latin") << "9"
                                             << "a" << -1;
        QTest::newRow("digit by digit") << "12"
                                        << "2" << -1;
        QTest::newRow("blank before digits") << " "
                                             << "0" << -1;
        QTest::newRow("punctuation before digits") << "-"
                                                   << "0" << -1;
        QTest::newRow("blank before letters") << "Иванов А"
                                              << "Иванова" << -1;
        QTest::newRow("blank before punctuation") << "a b"
                                                  << "a-b" << -1;
        QTest::newRow("accented latin after plain") << "é"
                                                    << "e" << 1;
        QTest::newRow("accented latin among latin") << "é"
                                                    << "f" << -1;
        QTest::newRow("other cyrillic after я") << "я"
                                                << "ђ" << -1;
        QTest::newRow("ukrainian і after и") << "і"
                                             << "й" << -1;
        QTest::newRow("greek after cyrillic") << "я"
                                              << "α" << -1;
        QTest::newRow("latin-1 letter among latin") << "я" << QStringLiteral("ÿ") << 1;
    }
    void ordersAsADictionary()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, expected);
        QCOMPARE(Compare(a, b), expected);
        QCOMPARE(Compare(b, a), -expected);
    }

    void invalidUtf8IsOrderedStably()
    {
        const std::string a = "\xD0"; // a lead byte without its continuation
        const std::string b = "\xD0\xB0"; // а
        QCOMPARE(Sign(CompareCyrillic(a, b)), -Sign(CompareCyrillic(b, a)));
        QVERIFY(CompareCyrillic(a, b) != 0);
        QCOMPARE(CompareCyrillic(a, a), 0);
    }

    void sortsASurnameList()
    {
        QStringList names = {"Яковлев", "ёлкин", "Елисеев", "Ежов", "абрамов", "Абрамов", "Щукин",
            "Шилов", "Zimmer", "Иванова", "Иванов А", "Йодко", "Иванов", "Ёлкин", "12-я линия",
            "3-я линия"};
        std::sort(names.begin(), names.end(),
            [](const QString &a, const QString &b) { return Compare(a, b) < 0; });
        const QStringList expected = {"12-я линия", "3-я линия", "Zimmer", "абрамов", "Абрамов",
            "Ежов", "Елисеев", "ёлкин", "Ёлкин", "Иванов", "Иванов А", "Иванова", "Йодко", "Шилов",
            "Щукин", "Яковлев"};
        QCOMPARE(names, expected);
    }

    // The sort key may tell two texts apart only where the comparison does, the same way round.
    void sortKeyAgreesWithTheComparison_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("keyDecides");
        QTest::newRow("first letter") << "Иванов"
                                      << "Петров" << true;
        QTest::newRow("prefix first") << "Иван"
                                      << "Иванов" << true;
        QTest::newRow("blank before letters") << "Иванов А"
                                              << "Иванова" << true;
        QTest::newRow("blank before punctuation") << "12 я"
                                                  << "12-я" << true;
        QTest::newRow("№ before digits") << "№5"
                                         << "5" << true;
        QTest::newRow("latin before cyrillic") << "Zimmer"
                                               << "абрамов" << true;
        QTest::newRow("control character before blank") << "\t"
                                                        << " " << true;
        QTest::newRow("letter case alone") << "иванов"
                                           << "Иванов" << false;
        QTest::newRow("ё as е") << "Ёлкин"
                                << "Елкин" << false;
        QTest::newRow("accent alone") << "e"
                                      << "é" << false;
        QTest::newRow("ninth character") << "Ивановская"
                                         << "Ивановский" << false;
        QTest::newRow("after a character sharing its code") << "ђа"
                                                            << "ђб" << false;
        QTest::newRow("such a character against the alphabet") << "я"
                                                               << "ђ" << true;
    }
    void sortKeyAgreesWithTheComparison()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, keyDecides);
        const uint64_t keyA = CyrillicSortKey(a.toStdString());
        const uint64_t keyB = CyrillicSortKey(b.toStdString());
        QCOMPARE(keyA != keyB, keyDecides);
        if (keyDecides)
            QCOMPARE(keyA < keyB ? -1 : 1, Compare(a, b));
    }

    void sortKeyNeverContradictsTheComparison()
    {
        const QString alphabet = QStringLiteral("аАеЕёЁжЖ zZ9-éяђα№\t");
        QRandomGenerator random(20261210);
        auto make = [&]() {
            QString text;
            const int length = int(random.bounded(11));
            for (int i = 0; i < length; ++i)
                text += alphabet.at(int(random.bounded(alphabet.size())));
            return text;
        };
        for (int round = 0; round < 20000; ++round) {
            const QString a = make(), b = make();
            const uint64_t keyA = CyrillicSortKey(a.toStdString());
            const uint64_t keyB = CyrillicSortKey(b.toStdString());
            if (keyA != keyB)
                QVERIFY2((keyA < keyB ? -1 : 1) == Compare(a, b), qPrintable(a + '|' + b));
        }
    }

    // SQLite relies on a collation being a consistent total order.
    void isATotalOrder()
    {
        const QString alphabet = QStringLiteral("аАеЕёЁжЖ zZ9-éя");
        QRandomGenerator random(20240601);
        auto make = [&]() {
            QString text;
            const int length = int(random.bounded(4));
            for (int i = 0; i < length; ++i)
                text += alphabet.at(int(random.bounded(alphabet.size())));
            return text;
        };
        for (int round = 0; round < 20000; ++round) {
            const QString a = make(), b = make(), c = make();
            const int ab = Compare(a, b), bc = Compare(b, c), ac = Compare(a, c);
            QCOMPARE(Compare(b, a), -ab);
            QCOMPARE(ab == 0, a == b);
            if (ab <= 0 && bc <= 0)
                QVERIFY2(ac <= 0, qPrintable(a + '|' + b + '|' + c));
        }
    }
};

QTEST_GUILESS_MAIN(TestSqlCollation)
#include "tst_sql_collation.moc"
