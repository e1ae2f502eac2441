#include "conditions/ConditionFormula.h"
#include "conditions/ConditionOperand.h"
#include "conditions/Cp1251Order.h"
#include "tests/support/ConditionsFixture.h"

#include <QtTest>

using Op = TConditionOperation;

namespace {

const QString Price = QStringLiteral("PRICE");
const QString Value = QStringLiteral("VALUE");
const QString Qty = QStringLiteral("QTY");

QString Matched(ConditionsFixture &f, int rowCount, const QStringList &fields)
{
    QString out;
    for (int row = 0; row < rowCount; ++row) {
        // Every cell of a row must agree, whichever is painted first.
        bool any = false, all = true;
        for (const QString &field : fields) {
            const bool m = f.Matches(row, field);
            any = any || m;
            all = all && m;
        }
        out += any != all ? QLatin1Char('?') : (all ? QLatin1Char('x') : QLatin1Char('.'));
    }
    return out;
}

} // namespace

class TestConditionFormulas : public QObject
{
    Q_OBJECT

private slots:
    void formulaOverTheRowsFields_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QString>("value1");
        QTest::addColumn<QString>("value2");
        QTest::addColumn<bool>("formula");
        QTest::addColumn<bool>("numeric");
        QTest::addColumn<QString>("expected");
        // Rows (PRICE, VALUE): (10, 20) (5, 11) (3, 6) (null, 0).
        QTest::newRow("twice the price") << int(Op::coEqual) << "PRICE*2"
                                         << "" << true << true << "x.xx";
        QTest::newRow("names in any case") << int(Op::coEqual) << "price * 2"
                                           << "" << true << true << "x.xx";
        QTest::newRow("more than twice") << int(Op::coGreater) << "PRICE*2"
                                         << "" << true << true << ".x..";
        QTest::newRow("between price and twice") << int(Op::coBetween) << "PRICE"
                                                 << "PRICE*2" << true << true << "x.xx";
        QTest::newRow("outside price and twice") << int(Op::coOutside) << "PRICE"
                                                 << "Price*2" << true << true << ".x..";
        QTest::newRow("not a formula without the flag") << int(Op::coEqual) << "PRICE*2"
                                                        << "" << false << false << "....";
        QTest::newRow("a plain number as a formula") << int(Op::coLess) << "10"
                                                     << "" << true << true << "..xx";
        QTest::newRow("unknown name falls back to text") << int(Op::coEqual) << "COST*2"
                                                         << "" << true << false << "....";
        // The failure word survives the write, so it passes for a formula worth 0.
        QTest::newRow("the failure word is 0") << int(Op::coEqual) << "Error"
                                               << "" << true << true << "...x";
    }
    void formulaOverTheRowsFields()
    {
        QFETCH(int, op);
        QFETCH(QString, value1);
        QFETCH(QString, value2);
        QFETCH(bool, formula);
        ConditionsFixture f;
        f.Open({{Price, TFieldType::ftFloat}, {Value, TFieldType::ftFloat}},
            {{10.0, 20.0}, {5.0, 11.0}, {3.0, 6.0}, {QVariant(), 0.0}});
        TCondition &c = f.Add(Value, TConditionOperation(op), value1, value2, {Price, Value});
        c.Formula = formula;
        f.Prepare();
        QTEST(c.IsNumeric, "numeric");
        f.Matcher.BeginPaint();
        QTEST(Matched(f, 4, {Price, Value}), "expected");
        // A second paint, this time from the bottom up, gives the same cells.
        f.Matcher.BeginPaint();
        QString reversed;
        for (int row = 3; row >= 0; --row)
            reversed.prepend(f.Matches(row, Value) ? QLatin1Char('x') : QLatin1Char('.'));
        QTEST(reversed, "expected");
    }

    void piIsNotAvailableInGridFormulas_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QString>("value1");
        QTest::addColumn<QString>("expected");
        // Rows: π, 1. Were PI a number, "equal" would match the first row and "not equal" the
        // second; as text the formula equals no value and differs from all.
        QTest::newRow("equal PI") << int(Op::coEqual) << "PI"
                                  << "..";
        QTest::newRow("not equal PI") << int(Op::coNotEqual) << "PI"
                                      << "xx";
        QTest::newRow("E neither") << int(Op::coNotEqual) << "E*1"
                                   << "xx";
    }
    void piIsNotAvailableInGridFormulas()
    {
        QFETCH(int, op);
        QFETCH(QString, value1);
        ConditionsFixture f;
        f.Open({{Value, TFieldType::ftFloat}}, {{3.141592653589793}, {1.0}});
        // The calculator knows PI on its own; the grid's variables replace it.
        QCOMPARE(f.Calculator.Evaluate(QStringLiteral("PI")), 3.141592653589793);
        TCondition &c = f.Add(Value, TConditionOperation(op), value1);
        c.Formula = true;
        f.Prepare();
        QVERIFY(!c.IsNumeric);
        QTEST(Matched(f, 2, {Value}), "expected");
    }

    void failedFormulaKeepsTheLastRowsNumber()
    {
        ConditionsFixture f;
        // (QTY, VALUE): 100/QTY fails where QTY is 0, and the number of the row painted before
        // stays.
        f.Open({{Qty, TFieldType::ftInteger}, {Value, TFieldType::ftFloat}},
            {{4, 25.0}, {0, 25.0}, {5, 7.0}, {0, 20.0}});
        TCondition &c = f.Add(Value, Op::coEqual, QStringLiteral("100/QTY"), {}, {Qty, Value});
        c.Formula = true;
        f.Prepare();
        QVERIFY(c.IsNumeric);
        f.Matcher.BeginPaint();
        QCOMPARE(Matched(f, 4, {Qty, Value}), QStringLiteral("xx.x"));
        QCOMPARE(c.Number1, 20.0);
    }

    void noCalculatorMeansNoFormula()
    {
        ConditionsFixture f;
        f.WithCalculator = false;
        f.Open({{Price, TFieldType::ftFloat}, {Value, TFieldType::ftFloat}},
            {{10.0, 20.0}, {5.0, 5.0}});
        TCondition &formula = f.Add(Value, Op::coEqual, QStringLiteral("PRICE*2"));
        formula.Formula = true;
        TCondition &plain = f.Add(Price, Op::coEqual, QStringLiteral("5"), {}, {Price});
        f.Prepare();
        QVERIFY(!formula.IsNumeric);
        QVERIFY(plain.IsNumeric);
        QCOMPARE(Matched(f, 2, {Value}), QStringLiteral(".."));
        QCOMPARE(Matched(f, 2, {Price}), QStringLiteral(".x"));
        double v = 0;
        QVERIFY(!EvaluateFormula(&f.DataSet, nullptr, QStringLiteral("1"), v));
    }

    void ownersFunctionIsAskedForEveryCell()
    {
        ConditionsFixture f;
        f.Open({{Price, TFieldType::ftFloat}, {Value, TFieldType::ftFloat}}, {{10.0, 20.0}});
        int calls = 0;
        f.Calculator.SetOnFunction([&calls](const QString &name, double &v) {
            ++calls;
            v *= 2;
            return name == QLatin1String("TWICE");
        });
        TCondition &c
            = f.Add(Value, Op::coEqual, QStringLiteral("twice(PRICE)"), {}, {Price, Value});
        c.Formula = true;
        f.Prepare();
        QVERIFY(c.IsNumeric);
        f.Matcher.BeginPaint();
        const int before = calls;
        QVERIFY(f.Matches(0, Price));
        QVERIFY(f.Matches(0, Value));
        QCOMPARE(calls - before, 2);
    }

    void evaluateFormula_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("expected");
        const QDate today = QDate::currentDate();
        QTest::newRow("today's parts")
            << "yyyy*10000+mm*100+dd" << true
            << double(today.year() * 10000 + today.month() * 100 + today.day());
        QTest::newRow("yy is the whole year") << "yy" << true << double(today.year());
        QTest::newRow("fields of the record") << "PRICE*QTY" << true << 10.0;
        QTest::newRow("field names in any case") << "price+qty" << true << 6.5;
        QTest::newRow("a date field is its day number")
            << "D" << true << DateNumber(QDate(2024, 3, 5));
        QTest::newRow("a time field is a fraction") << "T*4" << true << 1.0;
        QTest::newRow("a large integer") << "BIG/1000" << true << 5000000.0;
        QTest::newRow("a text field is no variable") << "NAME" << false << 0.0;
        QTest::newRow("a boolean field is no variable") << "FLAG" << false << 0.0;
        QTest::newRow("no PI") << "PI" << false << 0.0;
        QTest::newRow("no E") << "E" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("division by zero") << "1/0" << false << 0.0;
        // Success is the text surviving the write; the word a failure leaves behind survives.
        QTest::newRow("the failure word") << "Error" << true << 0.0;
        QTest::newRow("the failure word in other case") << "ERROR" << false << 0.0;
    }
    void evaluateFormula()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        ConditionsFixture f;
        f.Open({{Price, TFieldType::ftFloat}, {Qty, TFieldType::ftInteger},
                   {QStringLiteral("NAME"), TFieldType::ftString},
                   {QStringLiteral("FLAG"), TFieldType::ftBoolean},
                   {QStringLiteral("D"), TFieldType::ftDate},
                   {QStringLiteral("T"), TFieldType::ftTime},
                   {QStringLiteral("BIG"), TFieldType::ftLargeint}},
            {{1.0, 1, QStringLiteral("a"), 0, QDate(2000, 1, 1), QTime(1, 0), 1},
                {2.5, 4, QStringLiteral("7"), 1, QDate(2024, 3, 5), QTime(6, 0),
                    qlonglong(5000000000)}});
        f.DataSet.MoveTo(1);
        double value = -1;
        QCOMPARE(EvaluateFormula(&f.DataSet, &f.Calculator, text, value), ok);
        if (ok)
            QTEST(value, "expected");
    }

    void bindingReplacesEveryVariable()
    {
        ConditionsFixture f;
        f.Open({{Price, TFieldType::ftFloat}, {QStringLiteral("NAME"), TFieldType::ftString},
                   {Qty, TFieldType::ftSmallint}},
            {{1.5, QStringLiteral("x"), 3}});
        f.Calculator.SetVariable(QStringLiteral("OLD"), 1);
        BindFormulaVariables(&f.DataSet, f.Calculator, QDate(2024, 3, 5));
        QStringList names;
        for (const QString &line : f.Calculator.Variables())
            names << line.section(QLatin1Char('='), 0, 0).trimmed().toUpper();
        QCOMPARE(names, (QStringList {"DD", "MM", "YY", "YYYY", "PRICE", "QTY"}));
        QCOMPARE(f.Calculator.Evaluate(QStringLiteral("dd+mm+yy")), 5.0 + 3 + 2024);
    }

    void captionsAndFieldNames_data()
    {
        QTest::addColumn<bool>("toFieldNames");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("caption to name") << true << "Цена*2"
                                         << "PRICE*2";
        QTest::newRow("any case, every time") << true << "цена+ЦЕНА"
                                              << "PRICE+PRICE";
        QTest::newRow("no word boundaries") << true << "Ценавсего"
                                            << "PRICEвсего";
        QTest::newRow("two captions") << true << "Кол-во*Цена"
                                      << "QTY*PRICE";
        QTest::newRow("caption equal to name ignoring case") << true << "Name*2"
                                                             << "Name*2";
        QTest::newRow("name to caption") << false << "PRICE*QTY"
                                         << "Цена*Кол-во";
        QTest::newRow("name in any case") << false << "price"
                                          << "Цена";
        QTest::newRow("inside a word") << false << "SUPERPRICE"
                                       << "SUPERЦена";
        QTest::newRow("inserted text is not searched again") << false << "A+a"
                                                             << "AA+AA";
        QTest::newRow("nothing to replace") << false << "1+2"
                                            << "1+2";
    }
    void captionsAndFieldNames()
    {
        QFETCH(bool, toFieldNames);
        QFETCH(QString, text);
        ConditionsFixture f;
        f.Open({{Price, TFieldType::ftFloat}, {Qty, TFieldType::ftInteger},
                   {QStringLiteral("NAME"), TFieldType::ftString},
                   {QStringLiteral("A"), TFieldType::ftInteger}},
            {});
        f.DataSet.FieldByName(Price)->SetDisplayLabel(QStringLiteral("Цена"));
        f.DataSet.FieldByName(Qty)->SetDisplayLabel(QStringLiteral("Кол-во"));
        f.DataSet.FieldByName(QStringLiteral("NAME"))->SetDisplayLabel(QStringLiteral("name"));
        f.DataSet.FieldByName(QStringLiteral("A"))->SetDisplayLabel(QStringLiteral("AA"));
        const QString out = toFieldNames ? LabelsToFieldNames(&f.DataSet, text)
                                         : FieldNamesToLabels(&f.DataSet, text);
        QTEST(out, "expected");
    }

    void operandReading_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("expected");
        const QDate today(2024, 3, 5);
        QTest::newRow("integer") << int(TFieldType::ftInteger) << "42" << true << 42.0;
        QTest::newRow("string reads numbers")
            << int(TFieldType::ftString) << "-1.5" << true << -1.5;
        QTest::newRow("currency") << int(TFieldType::ftCurrency) << "9.99" << true << 9.99;
        QTest::newRow("day macro in a number") << int(TFieldType::ftInteger) << "dd" << true << 5.0;
        QTest::newRow("not a number") << int(TFieldType::ftInteger) << "abc" << false << 0.0;
        QTest::newRow("empty") << int(TFieldType::ftFloat) << "" << false << 0.0;
        QTest::newRow("digit grouping") << int(TFieldType::ftInteger) << "1,000" << false << 0.0;
        QTest::newRow("comma under a point") << int(TFieldType::ftFloat) << "2,5" << false << 0.0;
        QTest::newRow("infinity") << int(TFieldType::ftFloat) << "inf" << false << 0.0;
        QTest::newRow("nan") << int(TFieldType::ftFloat) << "nan" << false << 0.0;
        QTest::newRow("exponent") << int(TFieldType::ftFloat) << "1E+3" << true << 1000.0;
        QTest::newRow("date macros")
            << int(TFieldType::ftDate) << "dd.mm.yyyy" << true << DateNumber(today);
        QTest::newRow("written date")
            << int(TFieldType::ftDate) << "01.01.2000" << true << DateNumber(QDate(2000, 1, 1));
        QTest::newRow("no such date") << int(TFieldType::ftDate) << "31.02.2024" << false << 0.0;
        QTest::newRow("date and time") << int(TFieldType::ftDateTime) << "dd.mm.yyyy 18:00" << true
                                       << DateNumber(today) + 0.75;
        QTest::newRow("time alone") << int(TFieldType::ftTime) << "6:00" << true << 0.25;
        QTest::newRow("no such time") << int(TFieldType::ftTime) << "25:00" << false << 0.0;
        QTest::newRow("boolean has no reading")
            << int(TFieldType::ftBoolean) << "1" << false << 0.0;
        QTest::newRow("memo has no reading") << int(TFieldType::ftMemo) << "1" << false << 0.0;
        QTest::newRow("BCD has no reading") << int(TFieldType::ftBCD) << "1" << false << 0.0;
    }
    void operandReading()
    {
        QFETCH(int, type);
        QFETCH(QString, text);
        QFETCH(bool, ok);
        double value = 0;
        QCOMPARE(ReadOperand(TFieldType(type), text, QDate(2024, 3, 5), value), ok);
        if (ok)
            QTEST(value, "expected");
    }

    void dateMacros_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("full date") << "dd.mm.yyyy"
                                   << "5.3.2024";
        QTest::newRow("short year is the whole year") << "dd.mm.yy"
                                                      << "5.3.2024";
        QTest::newRow("each macro once") << "dd dd mm mm"
                                         << "5 dd 3 mm";
        QTest::newRow("upper case stays") << "DD.MM.YYYY"
                                          << "DD.MM.YYYY";
        QTest::newRow("yy after yyyy") << "yyyyyy"
                                       << "20242024";
    }
    void dateMacros()
    {
        QFETCH(QString, text);
        QTEST(ExpandDateMacros(text, QDate(2024, 3, 5)), "expected");
    }

    void windows1251Order_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("sign");
        QTest::newRow("Ё before А") << "Ё"
                                    << "А" << -1;
        QTest::newRow("ё before А") << "ё"
                                    << "А" << -1;
        QTest::newRow("Ё before ё") << "Ё"
                                    << "ё" << -1;
        QTest::newRow("Я before а") << "Я"
                                    << "а" << -1;
        QTest::newRow("Latin before Cyrillic") << "z"
                                               << "А" << -1;
        QTest::newRow("prefix first") << "Б"
                                      << "Банная" << -1;
        QTest::newRow("equal") << "Садовая"
                               << "Садовая" << 0;
        QTest::newRow("case counts") << "садовая"
                                     << "Садовая" << 1;
        QTest::newRow("a character 1251 lacks is a question mark") << "中"
                                                                   << "?" << 0;
        QTest::newRow("euro sign is in the page") << "€"
                                                  << "Ђ" << 1;
    }
    void windows1251Order()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, sign);
        const int c = CompareCp1251(a, b);
        QCOMPARE((c > 0) - (c < 0), sign);
        const int r = CompareCp1251(b, a);
        QCOMPARE((r > 0) - (r < 0), -sign);
    }
};

QTEST_GUILESS_MAIN(TestConditionFormulas)
#include "tst_condition_formulas.moc"
