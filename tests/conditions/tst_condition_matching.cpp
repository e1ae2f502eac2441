#include "tests/support/ConditionsFixture.h"

#include <QtTest>

using Op = TConditionOperation;

namespace {

const QString Id = QStringLiteral("ID");
const QString Name = QStringLiteral("NAME");
const QString Price = QStringLiteral("PRICE");

// One row per value, in a field of the given type, beside an ID column.
TMemoryDataSet &OpenValues(ConditionsFixture &f, TFieldType type, const QVariantList &values)
{
    QList<QVariantList> rows;
    for (int i = 0; i < values.size(); ++i)
        rows << QVariantList {i, values[i]};
    return f.Open({{Id, TFieldType::ftInteger}, {QStringLiteral("V"), type}}, rows);
}

QString Matched(ConditionsFixture &f, int rowCount, const QString &field)
{
    QString out;
    for (int row = 0; row < rowCount; ++row)
        out += f.Matches(row, field) ? QLatin1Char('x') : QLatin1Char('.');
    return out;
}

} // namespace

class TestConditionMatching : public QObject
{
    Q_OBJECT

private slots:
    void cloneCopiesWhatTheUserEdits()
    {
        TCondition source;
        source.Color = Colors::clLime;
        source.UseColor = true;
        source.UseFont = true;
        source.Font = TFont(QStringLiteral("Arial"), 14, int(TFontStyle::fsBold), Colors::clRed);
        source.Operation = Op::coOutside;
        source.Value1 = QStringLiteral("1");
        source.Value2 = QStringLiteral("PRICE*2");
        source.FieldName = Price;
        source.ShowInFields = {Name, Price};
        source.Formula = true;
        source.IsNumeric = true;
        source.Number1 = 5;
        source.Number2 = 6;

        const std::unique_ptr<TCondition> copy = source.Clone();
        QCOMPARE(copy->Color, source.Color);
        QCOMPARE(copy->UseColor, true);
        QCOMPARE(copy->UseFont, true);
        QVERIFY(copy->Font == source.Font);
        QCOMPARE(copy->Operation, Op::coOutside);
        QCOMPARE(copy->Value1, source.Value1);
        QCOMPARE(copy->Value2, source.Value2);
        QCOMPARE(copy->FieldName, source.FieldName);
        QCOMPARE(copy->ShowInFields, source.ShowInFields);
        QCOMPARE(copy->Formula, true);
        // Derived values are the preparation's business.
        QCOMPARE(copy->IsNumeric, false);
        QCOMPARE(copy->Number1, 0.0);
        QCOMPARE(copy->Number2, 0.0);

        // The copy is separate: editing the source leaves it alone.
        source.ShowInFields << Id;
        source.Font.SetColor(Colors::clBlue);
        QCOMPARE(copy->ShowInFields.size(), 2);
        QCOMPARE(copy->Font.Color(), Colors::clRed);
    }

    void laterConditionsWinSeparatelyForColourAndFont_data()
    {
        QTest::addColumn<bool>("firstColor");
        QTest::addColumn<bool>("firstFont");
        QTest::addColumn<bool>("secondColor");
        QTest::addColumn<bool>("secondFont");
        QTest::addColumn<bool>("highlighted");
        QTest::addColumn<int>("colorFrom"); // 0 = the cell's own, 1 or 2 = that condition
        QTest::addColumn<int>("fontFrom");
        QTest::newRow("both colour and font") << true << true << true << true << false << 2 << 2;
        QTest::newRow("later colour, earlier font")
            << true << true << true << false << false << 2 << 1;
        QTest::newRow("earlier colour, later font")
            << true << false << false << true << false << 1 << 2;
        QTest::newRow("colour only") << true << false << true << false << false << 2 << 0;
        QTest::newRow("neither") << false << false << false << false << false << 0 << 0;
        QTest::newRow("highlighted keeps colour, takes font")
            << true << true << true << false << true << 0 << 1;
        QTest::newRow("highlighted, later font") << true << true << false << true << true << 0 << 2;
    }
    void laterConditionsWinSeparatelyForColourAndFont()
    {
        QFETCH(bool, firstColor);
        QFETCH(bool, firstFont);
        QFETCH(bool, secondColor);
        QFETCH(bool, secondFont);
        QFETCH(bool, highlighted);
        QFETCH(int, colorFrom);
        QFETCH(int, fontFrom);

        ConditionsFixture f;
        OpenValues(f, TFieldType::ftInteger, {5});
        const TFont fonts[] = {TFont(),
            TFont(QStringLiteral("Courier New"), 12, int(TFontStyle::fsBold), Colors::clGreen),
            TFont(
                QStringLiteral("Times New Roman"), 10, int(TFontStyle::fsItalic), Colors::clBlue)};
        const TColor colors[] = {ConditionsFixture::BaseColor, Colors::clYellow, Colors::clAqua};
        TCondition &first = f.Add(QStringLiteral("V"), Op::coGreater, QStringLiteral("1"));
        TCondition &second = f.Add(QStringLiteral("V"), Op::coLess, QStringLiteral("10"));
        first.UseColor = firstColor;
        first.UseFont = firstFont;
        first.Color = colors[1];
        first.SetFont(fonts[1]);
        second.UseColor = secondColor;
        second.UseFont = secondFont;
        second.Color = colors[2];
        second.SetFont(fonts[2]);
        f.Prepare();

        bool matched = false;
        const TCellStyle style = f.Cell(0, QStringLiteral("v"), highlighted, &matched);
        QVERIFY(matched);
        QCOMPARE(style.Color, colors[colorFrom]);
        QVERIFY(style.Font == fonts[fontFrom]);
    }

    void conditionTestsOneFieldAndShowsInAnother()
    {
        ConditionsFixture f;
        f.Open({{Name, TFieldType::ftString}, {Price, TFieldType::ftFloat}},
            {{QStringLiteral("Хлеб"), 30.0}, {QStringLiteral("Сыр"), 300.0}});
        f.Add(Price, Op::coGreater, QStringLiteral("100"), {}, {QStringLiteral("name")});
        f.Prepare();
        QCOMPARE(f.Cell(1, Name).Color, Colors::clRed);
        QCOMPARE(f.Cell(1, Price).Color, ConditionsFixture::BaseColor);
        QCOMPARE(f.Cell(0, Name).Color, ConditionsFixture::BaseColor);
        bool matched = true;
        f.Cell(1, QString(), false, &matched);
        QVERIFY2(!matched, "a cell without a field is left alone");
    }

    void numbers_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("op");
        QTest::addColumn<QString>("value1");
        QTest::addColumn<QString>("value2");
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<QString>("expected");
        const int integer = int(TFieldType::ftInteger);
        const QVariantList ints {9, 10, 15, 20, 21};
        QTest::newRow("between 10 and 20") << integer << int(Op::coBetween) << "10"
                                           << "20" << ints << ".xxx.";
        QTest::newRow("outside 10 and 20") << integer << int(Op::coOutside) << "10"
                                           << "20" << ints << "x...x";
        QTest::newRow("equal") << integer << int(Op::coEqual) << "15"
                               << "" << ints << "..x..";
        QTest::newRow("not equal") << integer << int(Op::coNotEqual) << "15"
                                   << "" << ints << "xx.xx";
        QTest::newRow("greater") << integer << int(Op::coGreater) << "15"
                                 << "" << ints << "...xx";
        QTest::newRow("less") << integer << int(Op::coLess) << "15"
                              << "" << ints << "xx...";
        QTest::newRow("greater or equal") << integer << int(Op::coGreaterOrEqual) << "15"
                                          << "" << ints << "..xxx";
        QTest::newRow("less or equal") << integer << int(Op::coLessOrEqual) << "15"
                                       << "" << ints << "xxx..";
        QTest::newRow("blanks around a number") << integer << int(Op::coEqual) << " 15 "
                                                << "" << ints << "..x..";
        // Grouped digits are no number; as text "9" is not less than "1,000".
        QTest::newRow("grouped digits compare as text") << integer << int(Op::coLess) << "1,000"
                                                        << "" << ints << ".....";
        // The range needs both ends; without the second the operands compare as text.
        QTest::newRow("range with one number") << integer << int(Op::coBetween) << "10"
                                               << "" << ints << ".....";
        QTest::newRow("unknown operation code") << integer << 9 << "10"
                                                << "" << ints << ".....";
        QTest::newRow("contains compares text") << integer << int(Op::coContains) << "12"
                                                << "" << QVariantList {112, 1203, 21, 12} << "xx.x";
        const QVariantList floats {1.25, 2.5, -3.75};
        QTest::newRow("float equal") << int(TFieldType::ftFloat) << int(Op::coEqual) << "2.5"
                                     << "" << floats << ".x.";
        QTest::newRow("float less than zero") << int(TFieldType::ftFloat) << int(Op::coLess) << "0"
                                              << "" << floats << "..x";
        QTest::newRow("null is no number") << integer << int(Op::coLess) << "100"
                                           << "" << QVariantList {QVariant(), 5} << ".x";
        QTest::newRow("boolean has no reading")
            << int(TFieldType::ftBoolean) << int(Op::coEqual) << "1"
            << "" << QVariantList {1, 0} << "..";
    }
    void numbers()
    {
        QFETCH(int, type);
        QFETCH(int, op);
        QFETCH(QString, value1);
        QFETCH(QString, value2);
        QFETCH(QVariantList, values);
        ConditionsFixture f;
        OpenValues(f, TFieldType(type), values);
        f.Add(QStringLiteral("V"), TConditionOperation(op), value1, value2);
        f.Prepare();
        f.Matcher.BeginPaint();
        QTEST(Matched(f, int(values.size()), QStringLiteral("V")), "expected");
    }

    void decimalSeparatorOfTheLocale_data()
    {
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("value1");
        QTest::addColumn<bool>("numeric");
        QTest::addColumn<QString>("expected");
        QTest::newRow("comma, comma typed") << QChar(u',') << "2,5" << true << ".x.";
        // The other separator is no number: the operand compares as text, "2.5" with "2,5".
        QTest::newRow("comma, point typed") << QChar(u',') << "2.5" << false << "...";
        QTest::newRow("point, point typed") << QChar(u'.') << "2.5" << true << ".x.";
        QTest::newRow("point, comma typed") << QChar(u'.') << "2,5" << false << "...";
    }
    void decimalSeparatorOfTheLocale()
    {
        QFETCH(QChar, separator);
        QFETCH(QString, value1);
        ConditionsFixture f;
        FormatSettings().DecimalSeparator = separator;
        OpenValues(f, TFieldType::ftFloat, {1.25, 2.5, 3.75});
        TCondition &c = f.Add(QStringLiteral("V"), Op::coEqual, value1);
        f.Prepare();
        QTEST(c.IsNumeric, "numeric");
        QTEST(Matched(f, 3, QStringLiteral("V")), "expected");
    }

    void texts_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QString>("value1");
        QTest::addColumn<QString>("value2");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("expected");
        const QStringList streets {QStringLiteral("Банная"), QStringLiteral("Г"),
            QStringLiteral("Дачная"), QStringLiteral("Ёлочная"), QStringLiteral("абрикосовая"),
            QStringLiteral("Zoo"), QString()};
        QTest::newRow("between Б and Г") << int(Op::coBetween) << "Б"
                                         << "Г" << streets << "xx.....";
        QTest::newRow("outside Б and Г") << int(Op::coOutside) << "Б"
                                         << "Г" << streets << "..xxxxx";
        // Windows-1251 order: Latin, then Ё and ё, then upper-case, then lower-case Cyrillic.
        QTest::newRow("less than А") << int(Op::coLess) << "А"
                                     << "" << streets << "...x.xx";
        QTest::newRow("greater than Я") << int(Op::coGreater) << "Я"
                                        << "" << streets << "....x..";
        QTest::newRow("greater or equal Дачная") << int(Op::coGreaterOrEqual) << "Дачная"
                                                 << "" << streets << "..x.x..";
        QTest::newRow("less or equal Г") << int(Op::coLessOrEqual) << "Г"
                                         << "" << streets << "xx.x.xx";
        QTest::newRow("ё before А") << int(Op::coLess) << "А"
                                    << ""
                                    << QStringList {QStringLiteral("ёлка"), QStringLiteral("Ёж"),
                                           QStringLiteral("Аист"), QStringLiteral("ящик")}
                                    << "xx..";
        QTest::newRow("equal ignores case")
            << int(Op::coEqual) << "садовая"
            << ""
            << QStringList {QStringLiteral("Садовая"), QStringLiteral("САДОВАЯ"),
                   QStringLiteral("Садовая 2")}
            << "xx.";
        QTest::newRow("not equal counts case")
            << int(Op::coNotEqual) << "садовая"
            << ""
            << QStringList {QStringLiteral("Садовая"), QStringLiteral("садовая"),
                   QStringLiteral("Лесная")}
            << "x.x";
        QTest::newRow("contains ignores case")
            << int(Op::coContains) << "ово"
            << "" << QStringList {QStringLiteral("САДОВОЕ"), QStringLiteral("Новая"), QString()}
            << "x..";
        QTest::newRow("contains nothing")
            << int(Op::coContains) << ""
            << "" << QStringList {QStringLiteral("Садовая"), QString()} << "..";
        QTest::newRow("a number operand on a text field")
            << int(Op::coGreater) << "5"
            << "" << QStringList {QStringLiteral("10"), QStringLiteral("6"), QStringLiteral("abc")}
            << ".xx";
    }
    void texts()
    {
        QFETCH(int, op);
        QFETCH(QString, value1);
        QFETCH(QString, value2);
        QFETCH(QStringList, values);
        ConditionsFixture f;
        QVariantList column;
        for (const QString &v : values)
            column << (v.isNull() ? QVariant() : QVariant(v));
        OpenValues(f, TFieldType::ftString, column);
        f.Add(QStringLiteral("V"), TConditionOperation(op), value1, value2);
        f.Prepare();
        QTEST(Matched(f, int(values.size()), QStringLiteral("V")), "expected");
    }

    void datesWithTodaysMacros_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("op");
        QTest::addColumn<QString>("value1");
        QTest::addColumn<QString>("expected"); // yesterday, today, tomorrow
        const int date = int(TFieldType::ftDate);
        const int dateTime = int(TFieldType::ftDateTime);
        QTest::newRow("equal today") << date << int(Op::coEqual) << "dd.mm.yyyy"
                                     << ".x.";
        QTest::newRow("two-digit year macro") << date << int(Op::coEqual) << "dd.mm.yy"
                                              << ".x.";
        QTest::newRow("before today") << date << int(Op::coLess) << "dd.mm.yyyy"
                                      << "x..";
        QTest::newRow("from today") << date << int(Op::coGreaterOrEqual) << "dd.mm.yyyy"
                                    << ".xx";
        QTest::newRow("upper-case macros are text") << date << int(Op::coEqual) << "DD.MM.YYYY"
                                                    << "...";
        QTest::newRow("a written date")
            << date << int(Op::coEqual)
            << QDate::currentDate().addDays(1).toString(QStringLiteral("dd.MM.yyyy")) << "..x";
        QTest::newRow("date-time at noon is after today")
            << dateTime << int(Op::coGreater) << "dd.mm.yyyy"
            << ".xx";
        QTest::newRow("date-time with a time") << dateTime << int(Op::coLess) << "dd.mm.yyyy 12:00"
                                               << "x..";
    }
    void datesWithTodaysMacros()
    {
        QFETCH(int, type);
        QFETCH(int, op);
        QFETCH(QString, value1);
        ConditionsFixture f;
        const QDate today = QDate::currentDate();
        QVariantList values;
        for (int d = -1; d <= 1; ++d) {
            if (TFieldType(type) == TFieldType::ftDate)
                values << today.addDays(d);
            else
                values << QDateTime(today.addDays(d), QTime(12, 0));
        }
        OpenValues(f, TFieldType(type), values);
        f.Add(QStringLiteral("V"), TConditionOperation(op), value1);
        f.Prepare();
        QTEST(Matched(f, 3, QStringLiteral("V")), "expected");
    }

    void conditionWhoseFieldDisappearedIsIgnored()
    {
        ConditionsFixture f;
        f.Open({{Id, TFieldType::ftInteger}, {Price, TFieldType::ftFloat}}, {{1, 50.0}});
        TCondition &c = f.Add(Price, Op::coGreater, QStringLiteral("10"), {}, {Id, Price});
        f.Prepare();
        QVERIFY(c.IsNumeric);
        QVERIFY(f.Matches(0, Price));

        // Reopened with other fields: the prepared flags stay until the next preparation,
        // but the missing field is looked up on every cell.
        f.Open({{Id, TFieldType::ftInteger}, {Name, TFieldType::ftString}},
            {{1, QStringLiteral("x")}});
        f.Matcher.BeginPaint();
        QVERIFY(c.IsNumeric);
        QVERIFY(!f.Matches(0, Id));
        QCOMPARE(f.Cell(0, Id).Color, ConditionsFixture::BaseColor);
        f.Prepare();
        QVERIFY(!c.IsNumeric);
        QVERIFY(!f.Matches(0, Id));

        f.DataSet.Close();
        f.Matcher.BeginPaint();
        bool matched = true;
        TCellStyle style {Colors::clNavy, TFont()};
        matched = f.Matcher.ApplyConditions(f.Scope(), Id, false, style);
        QVERIFY(!matched);
        QCOMPARE(style.Color, Colors::clNavy);
    }

    void emptyListLeavesCellsAlone()
    {
        ConditionsFixture f;
        OpenValues(f, TFieldType::ftInteger, {1});
        f.Prepare();
        bool matched = true;
        const TCellStyle style = f.Cell(0, QStringLiteral("V"), false, &matched);
        QVERIFY(!matched);
        QCOMPARE(style.Color, ConditionsFixture::BaseColor);
    }
};

QTEST_GUILESS_MAIN(TestConditionMatching)
#include "tst_condition_matching.moc"
