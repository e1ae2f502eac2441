#include "calc/xCalc.h"
#include "core/TFormatSettings.h"

#include <QBuffer>
#include <QDataStream>
#include <QPointer>
#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <numbers>

namespace {

// Sets the decimal separator for one test and always puts the old one back.
class SeparatorScope
{
public:
    explicit SeparatorScope(QChar separator)
        : FOld(FormatSettings().DecimalSeparator)
    {
        FormatSettings().DecimalSeparator = separator;
    }
    ~SeparatorScope() { FormatSettings().DecimalSeparator = FOld; }

private:
    QChar FOld;
};

// Reaches the operator rule table, which no expression text can hand an unknown code.
class OperatorProbe : public TxCustomFoCal
{
public:
    using TxCustomFoCal::Calculate;
};

enum class Failure { None, Calc, DoubleStack, OpStack };

// Runs one evaluation and tells which exception it raised, with its message.
std::pair<Failure, QString> EvaluateFailure(
    TxFoCal &calc, const QString &text, double *result = nullptr)
{
    try {
        const double value = calc.Evaluate(text);
        if (result)
            *result = value;
        return {Failure::None, QString()};
    } catch (const ExCustomFoCalError &e) {
        return {Failure::Calc, e.Message()};
    } catch (const EDoubleStackError &e) {
        return {Failure::DoubleStack, e.Message()};
    } catch (const EOpStackError &e) {
        return {Failure::OpStack, e.Message()};
    }
}

} // namespace

Q_DECLARE_METATYPE(Failure)

class TestXCalc : public QObject
{
    Q_OBJECT

private slots:
    void evaluates_data();
    void evaluates();
    void fails_data();
    void fails();
    void separatorDecidesHowPointsAndCommasRead_data();
    void separatorDecidesHowPointsAndCommasRead();
    void stackLimitsRaiseTheirOwnErrors();
    void unknownOperatorCodeFails();
    void deepNestingFailsInsteadOfCrashing_data();
    void deepNestingFailsInsteadOfCrashing();
    void onFunctionGetsUpperCaseNameAndArgument();
    void onFunctionRefusalAndAbsenceFail();
    void onFunctionRecursionEndsInStackOverflow();
    void strictVarsOffReadsUnknownNamesAsZero();
    void variablesAreFoundIgnoringCaseAndBeforeFunctions();
    void clearVariablesRemovesConstants();
    void expressionWrite_data();
    void expressionWrite();
    void valueWriteRewritesExpressionText_data();
    void valueWriteRewritesExpressionText();
    void variablesReadFormatsEachValue_data();
    void variablesReadFormatsEachValue();
    void variablesWrite_data();
    void variablesWrite();
    void functionsListedInRegistrationOrder();
    void propertiesReachableThroughMetaObject();
    void ownedByParent();
    void streamRoundTripKeepsStateAndEvaluatesOnce();
    void streamVariablesListEndsAtNonNameItem();
    void damagedStreamRaises_data();
    void damagedStreamRaises();
    void randomTextsNeverCrash();
};

void TestXCalc::evaluates_data()
{
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    const auto add = [](const char *name, const QString &text, double expected) {
        QTest::addRow("%s [.]", name) << QStringLiteral(".") << text << expected;
        QString comma = text;
        comma.replace(QLatin1Char('.'), QLatin1Char(','));
        QTest::addRow("%s [,]", name) << QStringLiteral(",") << comma << expected;
    };
    add("left to right", QStringLiteral("1-2*3-4"), -9);
    add("power left to right", QStringLiteral("2^3^2"), 64);
    add("power before times", QStringLiteral("2*3^2"), 18);
    add("power before divide", QStringLiteral("18/3^2"), 2);
    add("comparison chain", QStringLiteral("1<2<3"), 1);
    add("unary minus times", QStringLiteral("-2*3"), -6);
    add("unary minus plus", QStringLiteral("-2+3"), 1);
    add("group after operator", QStringLiteral("5*(-2)"), -10);
    add("unary plus", QStringLiteral("+5"), 5);
    add("percent", QStringLiteral("20%50"), 10);
    add("percent binds tighter", QStringLiteral("2*10%50"), 10);
    add("div", QStringLiteral("7.5 DIV 2"), 3);
    add("mod", QStringLiteral("7.5 MOD 2"), 1.5);
    add("mod follows left sign", QStringLiteral("-7 MOD 2"), -1);
    add("div lower case", QStringLiteral("10 div 3"), 3);
    add("div without blanks", QStringLiteral("10DIV3"), 3);
    add("blanks inside number", QStringLiteral("1 2"), 12);
    add("tabs vanish", QStringLiteral("1\t+\t2"), 3);
    add("blanks inside name", QStringLiteral("P I"), std::numbers::pi);
    add("exponent", QStringLiteral("1E+5"), 100000);
    add("lower case exponent", QStringLiteral("2.5e-1"), 0.25);
    add("underflow reads as zero", QStringLiteral("1E-400"), 0);
    add("power of zero", QStringLiteral("2^0"), 1);
    // Exact: "=" compares without tolerance, so the power and percent must round only once.
    add("power is exact", QStringLiteral("2^3=8"), 1);
    add("power chain is exact", QStringLiteral("2^3^2=64"), 1);
    add("power of ten is exact", QStringLiteral("10^2=100"), 1);
    add("square root by power is exact", QStringLiteral("9^0.5=3"), 1);
    add("percent is exact", QStringLiteral("7%3=0.21"), 1);
    add("minus of group", QStringLiteral("-(2^2)"), -4);
    add("round half down to even", QStringLiteral("ROUND(2.5)"), 2);
    add("round half up to even", QStringLiteral("ROUND(3.5)"), 4);
    add("round negative half", QStringLiteral("ROUND(-2.5)"), -2);
    add("round10 to even", QStringLiteral("ROUND10(25)"), 20);
    add("round10 up to even", QStringLiteral("ROUND10(35)"), 40);
    add("round100", QStringLiteral("ROUND100(250)"), 200);
    add("round1000", QStringLiteral("ROUND1000(1500.5)"), 2000);
    add("less equal", QStringLiteral("2<=2"), 1);
    add("greater equal", QStringLiteral("3>=4"), 0);
    add("equal", QStringLiteral("0.5=1/2"), 1);
    add("greater", QStringLiteral("1>2"), 0);
    add("sin", QStringLiteral("SIN(PI/2)"), 1);
    add("cos", QStringLiteral("COS(0)"), 1);
    add("tan", QStringLiteral("TAN(PI/4)"), 1);
    add("abs", QStringLiteral("ABS(-3)"), 3);
    add("arctan", QStringLiteral("ARCTAN(1)*4"), std::numbers::pi);
    add("exp", QStringLiteral("EXP(1)"), std::numbers::e);
    add("frac keeps sign", QStringLiteral("FRAC(-2.5)"), -0.5);
    add("int truncates", QStringLiteral("INT(-2.7)"), -2);
    add("ln", QStringLiteral("LN(E)"), 1);
    add("sqr", QStringLiteral("SQR(-3)"), 9);
    add("sqrt", QStringLiteral("sqrt(16)"), 4);
    add("nested groups", QStringLiteral("((1+2)*(3+4))"), 21);
    add("leading point", QStringLiteral(".5+1"), 1.5);
    add("leading point in a group", QStringLiteral("2*(1+(.5))"), 3);
    add("trailing point", QStringLiteral("5.+1"), 6);
    add("cyrillic variable", QStringLiteral("цена*2"), 14);
}

void TestXCalc::evaluates()
{
    QFETCH(QString, separator);
    QFETCH(QString, text);
    QFETCH(double, expected);
    const SeparatorScope scope(separator.at(0));
    TxFoCal calc;
    calc.SetVariable(QStringLiteral("Цена"), 7);
    double result = 0;
    const auto [failure, message] = EvaluateFailure(calc, text, &result);
    QCOMPARE(message, QString());
    if (expected == 0)
        QVERIFY2(std::fabs(result) < 1e-12, qPrintable(QString::number(result)));
    else
        QCOMPARE(result, expected);
}

void TestXCalc::fails_data()
{
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<QString>("message");

    const auto row = [](const char *name, const QString &text, const char *message,
                         Failure failure = Failure::Calc) {
        QTest::addRow("%s [.]", name)
            << QStringLiteral(".") << text << failure << QString::fromUtf8(message);
        QString comma = text;
        comma.replace(QLatin1Char('.'), QLatin1Char(','));
        QTest::addRow("%s [,]", name)
            << QStringLiteral(",") << comma << failure << QString::fromUtf8(message);
    };
    row("number with two separators", QStringLiteral("1.2.3"), "Invalid number format");
    row("exponent without digits", QStringLiteral("1E+"), "Invalid number format");
    row("separator alone", QStringLiteral("."), "Invalid number format");
    row("closing parenthesis", QStringLiteral("1+)"), "Invalid identifier");
    row("exclamation mark", QStringLiteral("!"), "Invalid identifier");
    row("ampersand", QStringLiteral("1&2"), "Invalid identifier");
    row("line break", QStringLiteral("1\n+2"), "Invalid identifier");
    row("capital yo", QStringLiteral("Ё"), "Invalid identifier");
    row("small yo", QStringLiteral("ёж"), "Invalid identifier");
    row("negative exponent", QStringLiteral("2^(-1)"), "Invalid operation");
    row("function without group", QStringLiteral("SIN+1"), "Opening parenthesis expected");
    row("function at end", QStringLiteral("ROUND"), "Opening parenthesis expected");
    row("unclosed group", QStringLiteral("(1+2"), "Closing parenthesis mismatch");
    row("unclosed inner group", QStringLiteral("((1)"), "Closing parenthesis mismatch");
    row("divide by zero", QStringLiteral("1/0"), "Division by zero");
    row("div by zero", QStringLiteral("1 DIV 0"), "Division by zero");
    row("mod by zero", QStringLiteral("1 MOD (1-1)"), "Division by zero");
    row("call without handler", QStringLiteral("myf(2)"), "Unknown function name");
    row("unknown name", QStringLiteral("X+1"), "Unknown identifier");
    row("exponent without sign is a name", QStringLiteral("1E5"), "Unknown identifier");
    row("blank vanishes after function", QStringLiteral("SIN 1"), "Unknown identifier");
    row("name after div", QStringLiteral("DIVISOR"), "Unknown identifier");
    row("group after number", QStringLiteral("2(3)"), "Invalid expression");
    row("group after variable", QStringLiteral("PI(2)"), "Invalid expression");
    row("empty group", QStringLiteral("()"), "Empty expression");
    row("empty function argument", QStringLiteral("SIN()"), "Empty expression");
    row("unary plus alone", QStringLiteral("+"), "Empty expression");
    row("blanks only", QStringLiteral(" \t "), "Empty expression");
    row("nothing", QString(), "Empty expression");
    row("missing right operand", QStringLiteral("2*"), "Error in expression");
    row("missing left operand", QStringLiteral("*2"), "Error in expression");
    row("minus after operator", QStringLiteral("2*-3"), "Error in expression");
    row("minus after times", QStringLiteral("5*-2"), "Error in expression");
    row("minus after power", QStringLiteral("2^-1"), "Error in expression");
    row("two minus signs", QStringLiteral("--5"), "Error in expression");
    row("zero to a power", QStringLiteral("0^2"), "Floating point division by zero");
    row("negative to a power", QStringLiteral("(-2)^2"), "Invalid floating point operation");
    row("unary minus binds before power", QStringLiteral("-2^2"),
        "Invalid floating point operation");
    row("log of zero", QStringLiteral("LN(0)"), "Floating point division by zero");
    row("log of negative", QStringLiteral("LN(-1)"), "Invalid floating point operation");
    row("root of negative", QStringLiteral("SQRT(-1)"), "Invalid floating point operation");
    row("exp overflow", QStringLiteral("EXP(1000)"), "Floating point overflow");
    row("product overflow", QStringLiteral("1E+308*10"), "Floating point overflow");
    row("number too large", QStringLiteral("1E+999"), "Invalid number format");
    row("round outside 64 bits", QStringLiteral("ROUND(1E+19)"),
        "Invalid floating point operation");
    row("round10 product outside 64 bits", QStringLiteral("ROUND10(1E+19)"), "Integer overflow");
    row("too many operands", QStringLiteral("1") + QStringLiteral("(1)").repeated(200),
        "Stack overflow", Failure::DoubleStack);
}

void TestXCalc::fails()
{
    QFETCH(QString, separator);
    QFETCH(QString, text);
    QFETCH(Failure, failure);
    QFETCH(QString, message);
    const SeparatorScope scope(separator.at(0));
    TxFoCal calc;
    calc.SetVariable(QStringLiteral("DIVISOR"), 5);
    const auto [raised, raisedMessage] = EvaluateFailure(calc, text);
    QCOMPARE(raisedMessage, message);
    QCOMPARE(raised, failure);
}

void TestXCalc::separatorDecidesHowPointsAndCommasRead_data()
{
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::addColumn<QString>("message");

    QTest::newRow("comma number") << ","
                                  << "1,5" << 1.5 << QString();
    QTest::newRow("comma leading") << ","
                                   << ",5" << 0.5 << QString();
    QTest::newRow("point leading under comma") << ","
                                               << ".5" << 0.5 << QString();
    QTest::newRow("point splits number under comma")
        << ","
        << "1.5" << 0.0 << QStringLiteral("Invalid expression");
    QTest::newRow("comma splits number under point")
        << "."
        << "1,5" << 0.0 << QStringLiteral("Invalid expression");
    QTest::newRow("comma leading under point") << "."
                                               << ",5" << 0.5 << QString();
    QTest::newRow("many point numbers under comma")
        << "," << QStringLiteral(".5").repeated(201) << 0.0 << QStringLiteral("Stack overflow");
}

void TestXCalc::separatorDecidesHowPointsAndCommasRead()
{
    QFETCH(QString, separator);
    QFETCH(QString, text);
    QFETCH(double, expected);
    QFETCH(QString, message);
    const SeparatorScope scope(separator.at(0));
    TxFoCal calc;
    double result = 0;
    const auto [failure, raisedMessage] = EvaluateFailure(calc, text, &result);
    QCOMPARE(raisedMessage, message);
    if (message.isEmpty())
        QCOMPARE(result, expected);
}

void TestXCalc::stackLimitsRaiseTheirOwnErrors()
{
    TDoubleStack operands;
    for (int i = 0; i < TDoubleStack::Capacity; ++i)
        operands.Push(i);
    try {
        operands.Push(1);
        QFAIL("a full operand stack took one more");
    } catch (const EDoubleStackError &e) {
        QCOMPARE(e.Message(), QStringLiteral("Stack overflow"));
    }
    QCOMPARE(operands.Pop(), double(TDoubleStack::Capacity - 1));
    while (!operands.IsEmpty())
        operands.Pop();
    try {
        operands.Pop();
        QFAIL("an empty operand stack gave a value");
    } catch (const EDoubleStackError &e) {
        QCOMPARE(e.Message(), QStringLiteral("Stack underflow"));
    }

    TOpStack operators;
    for (int i = 0; i < TOpStack::Capacity; ++i)
        operators.Push(TOpCode::Add);
    try {
        operators.Push(TOpCode::Power);
        QFAIL("a full operator stack took one more");
    } catch (const EOpStackError &e) {
        QCOMPARE(e.Message(), QStringLiteral("Stack overflow"));
    }
    QCOMPARE(operators.Peek(), TOpCode::Add);
    while (!operators.IsEmpty())
        operators.Pop();
    QVERIFY_THROWS_EXCEPTION(EOpStackError, operators.Pop());
    try {
        operators.Peek();
        QFAIL("peeking an empty operator stack gave a code");
    } catch (const EOpStackError &e) {
        QCOMPARE(e.Message(), QStringLiteral("Stack underflow"));
    }
}

void TestXCalc::unknownOperatorCodeFails()
{
    try {
        OperatorProbe::Calculate(TOpCode(0x7F), 1, 2);
        QFAIL("an unknown operator code computed something");
    } catch (const ExCustomFoCalError &e) {
        QCOMPARE(e.Message(), QStringLiteral("Unknown operation"));
    }
}

void TestXCalc::deepNestingFailsInsteadOfCrashing_data()
{
    QTest::addColumn<int>("depth");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QString>("message");

    const int limit = TxCustomFoCal::MaxNestingDepth;
    QTest::newRow("at the limit") << limit << true << QString();
    QTest::newRow("one beyond the limit") << limit + 1 << true << QStringLiteral("Stack overflow");
    // The first "(" finds no partner before anything is nested.
    QTest::newRow("flood of open parentheses")
        << 200000 << false << QStringLiteral("Closing parenthesis mismatch");
    QTest::newRow("deep closed nesting") << 50000 << true << QStringLiteral("Stack overflow");
}

void TestXCalc::deepNestingFailsInsteadOfCrashing()
{
    QFETCH(int, depth);
    QFETCH(bool, closed);
    QFETCH(QString, message);
    QString text = QString(depth, u'(') + QStringLiteral("-1");
    if (closed)
        text += QString(depth, u')');
    TxFoCal calc;
    double result = 0;
    const auto [failure, raisedMessage] = EvaluateFailure(calc, text, &result);
    QCOMPARE(raisedMessage, message);
    if (message.isEmpty())
        QCOMPARE(result, -1.0);
    else
        QCOMPARE(failure, closed ? Failure::OpStack : Failure::Calc);
}

void TestXCalc::onFunctionGetsUpperCaseNameAndArgument()
{
    TxFoCal calc;
    QStringList calls;
    calc.SetOnFunction([&calls](const QString &funcName, double &v) {
        calls << QStringLiteral("%1(%2)").arg(funcName).arg(v);
        v = v * 10;
        return true;
    });
    QCOMPARE(calc.Evaluate(QStringLiteral("myf(2)")), 20.0);
    QCOMPARE(calc.Evaluate(QStringLiteral("1 + Дв(1+2) * 2")), 61.0);
    QCOMPARE(calls, QStringList({QStringLiteral("MYF(2)"), QStringLiteral("ДВ(3)")}));
    // A built-in name never reaches the handler.
    QCOMPARE(calc.Evaluate(QStringLiteral("ABS(-2)")), 2.0);
    QCOMPARE(calls.size(), 2);
}

void TestXCalc::onFunctionRefusalAndAbsenceFail()
{
    TxFoCal calc;
    int calls = 0;
    calc.SetOnFunction([&calls](const QString &, double &) {
        ++calls;
        return false;
    });
    QCOMPARE(EvaluateFailure(calc, QStringLiteral("F(1)")).second,
        QStringLiteral("Unknown function name"));
    QCOMPARE(calls, 1);
    // The argument is evaluated first, so its own error wins.
    QCOMPARE(
        EvaluateFailure(calc, QStringLiteral("F(1/0)")).second, QStringLiteral("Division by zero"));
    QCOMPARE(calls, 1);
    calc.SetOnFunction({});
    QCOMPARE(EvaluateFailure(calc, QStringLiteral("F(1/0)")).second,
        QStringLiteral("Unknown function name"));
}

void TestXCalc::onFunctionRecursionEndsInStackOverflow()
{
    TxFoCal calc;
    calc.SetOnFunction([&calc](const QString &, double &v) {
        v = calc.Evaluate(QStringLiteral("F(1)"));
        return true;
    });
    const auto [failure, message] = EvaluateFailure(calc, QStringLiteral("F(1)"));
    QCOMPARE(message, QStringLiteral("Stack overflow"));
    QCOMPARE(failure, Failure::OpStack);
    // The depth count is back at zero afterwards.
    QCOMPARE(calc.Evaluate(QString(TxCustomFoCal::MaxNestingDepth, u'(') + QStringLiteral("2")
                 + QString(TxCustomFoCal::MaxNestingDepth, u')')),
        2.0);
}

void TestXCalc::strictVarsOffReadsUnknownNamesAsZero()
{
    TxFoCal calc;
    QVERIFY(calc.StrictVars());
    calc.SetStrictVars(false);
    QCOMPARE(calc.Evaluate(QStringLiteral("X+1")), 1.0);
    // «1E5» is the number 1 and the name E5, which now reads as 0: two values, no operator.
    QCOMPARE(
        EvaluateFailure(calc, QStringLiteral("1E5")).second, QStringLiteral("Invalid expression"));
}

void TestXCalc::variablesAreFoundIgnoringCaseAndBeforeFunctions()
{
    TxFoCal calc;
    calc.SetVariable(QStringLiteral("Rate"), 2);
    QCOMPARE(calc.Evaluate(QStringLiteral("rate*RATE")), 4.0);
    calc.SetVariable(QStringLiteral("RATE"), 3);
    QCOMPARE(calc.Evaluate(QStringLiteral("rate")), 3.0);
    QCOMPARE(calc.Variables().size(), 3);
    QVERIFY(calc.Variables().at(2).startsWith(QStringLiteral("Rate = 3")));
    calc.SetVariable(QStringLiteral("SIN"), 5);
    QCOMPARE(EvaluateFailure(calc, QStringLiteral("SIN(1)")).second,
        QStringLiteral("Invalid expression"));
    QCOMPARE(calc.Evaluate(QStringLiteral("SIN")), 5.0);
}

void TestXCalc::clearVariablesRemovesConstants()
{
    TxFoCal calc;
    QCOMPARE(calc.Evaluate(QStringLiteral("PI")), std::numbers::pi);
    QCOMPARE(calc.Evaluate(QStringLiteral("E")), std::exp(1.0));
    calc.ClearVariables();
    QVERIFY(calc.Variables().isEmpty());
    QCOMPARE(
        EvaluateFailure(calc, QStringLiteral("PI")).second, QStringLiteral("Unknown identifier"));
}

void TestXCalc::expressionWrite_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<double>("value");

    QTest::newRow("empty") << QString() << QStringLiteral("0") << 0.0;
    QTest::newRow("incomplete") << QStringLiteral("1+") << QStringLiteral("Error") << 0.0;
    QTest::newRow("blanks") << QStringLiteral("  ") << QStringLiteral("Error") << 0.0;
    QTest::newRow("stack overflow") << QString(1000, u'(') << QStringLiteral("Error") << 0.0;
    QTest::newRow("kept as written")
        << QStringLiteral("1 + pi") << QStringLiteral("1 + pi") << 1 + std::numbers::pi;
}

void TestXCalc::expressionWrite()
{
    QFETCH(QString, text);
    QFETCH(QString, expression);
    QFETCH(double, value);
    TxFoCal calc;
    calc.SetValue(42);
    calc.SetExpression(text);
    QCOMPARE(calc.Expression(), expression);
    QCOMPARE(calc.Value(), value);
}

void TestXCalc::valueWriteRewritesExpressionText_data()
{
    QTest::addColumn<QString>("separator");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expression");

    for (const char *separator : {".", ","}) {
        const auto add = [separator](const char *name, double value, const char *text) {
            QTest::addRow("%s [%s]", name, separator)
                << QString::fromLatin1(separator) << value << QString::fromLatin1(text);
        };
        add("one and a half", 1.5, " 1.50000000000000E+0000");
        add("negative", -1.5, "-1.50000000000000E+0000");
        add("zero", 0, " 0.00000000000000E+0000");
        add("negative zero", -0.0, " 0.00000000000000E+0000");
        add("large", 12345.678, " 1.23456780000000E+0004");
        add("tiny", 1e-300, " 1.00000000000000E-0300");
        add("rounding carries", 9.999999999999999, " 1.00000000000000E+0001");
    }
}

void TestXCalc::valueWriteRewritesExpressionText()
{
    QFETCH(QString, separator);
    QFETCH(double, value);
    QFETCH(QString, expression);
    const SeparatorScope scope(separator.at(0));
    TxFoCal calc;
    calc.SetValue(value);
    QCOMPARE(calc.Expression(), expression);
    QCOMPARE(calc.Expression().size(), 23);
    QCOMPARE(calc.Value(), value);
    // Written back as an expression, the text gives the value again where "." is the
    // separator; the text always uses ".".
    if (separator == u".") {
        calc.SetExpression(calc.Expression());
        QCOMPARE(calc.Value(), value);
    }
}

void TestXCalc::variablesReadFormatsEachValue_data()
{
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("point") << "."
                           << QStringList {"PI = 3.14159265358979E+000",
                                  "E = 2.71828182845905E+000", "Small = -1.00000000000000E-003",
                                  "Big = 1.23450000000000E+100", "Zero = 0.00000000000000E+000"};
    QTest::newRow("comma") << ","
                           << QStringList {"PI = 3,14159265358979E+000",
                                  "E = 2,71828182845905E+000", "Small = -1,00000000000000E-003",
                                  "Big = 1,23450000000000E+100", "Zero = 0,00000000000000E+000"};
}

void TestXCalc::variablesReadFormatsEachValue()
{
    QFETCH(QString, separator);
    QFETCH(QStringList, lines);
    const SeparatorScope scope(separator.at(0));
    TxFoCal calc;
    QCOMPARE(calc.Variables(), lines.mid(0, 2));
    calc.SetVariable(QStringLiteral("Small"), -0.001);
    calc.SetVariable(QStringLiteral("Big"), 1.2345e100);
    calc.SetVariable(QStringLiteral("Zero"), 0);
    QCOMPARE(calc.Variables(), lines);
}

void TestXCalc::variablesWrite_data()
{
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("variables");
    QTest::addColumn<QString>("message");

    QTest::newRow("blanks removed from name")
        << "." << QStringList {"a b = 1"} << QStringList {"AB = 1.00000000000000E+000"}
        << QString();
    QTest::newRow("tabs and blanks around value")
        << "." << QStringList {"\tx\t=\t 2.5 "} << QStringList {"X = 2.50000000000000E+000"}
        << QString();
    QTest::newRow("lines without equals skipped")
        << "." << QStringList {"note", "y=-3e2", ""} << QStringList {"Y = -3.00000000000000E+002"}
        << QString();
    QTest::newRow("only the first equals splits")
        << "." << QStringList {"z==1"} << QStringList() << QStringLiteral("Invalid number format");
    QTest::newRow("comma separator")
        << "," << QStringList {"x=1,5"} << QStringList {"X = 1,50000000000000E+000"} << QString();
    QTest::newRow("point under comma separator")
        << "," << QStringList {"x=1.5"} << QStringList() << QStringLiteral("Invalid number format");
    QTest::newRow("earlier lines stay")
        << "." << QStringList {"A=1", "B=x", "C=2"} << QStringList {"A = 1.00000000000000E+000"}
        << QStringLiteral("Invalid number format");
    QTest::newRow("same name twice") << "." << QStringList {"a=1", "A=2"}
                                     << QStringList {"A = 2.00000000000000E+000"} << QString();
    QTest::newRow("value cut after 255 characters")
        << "." << QStringList {QStringLiteral("V=1") + QString(300, u'0')}
        << QStringList {"V = 1.00000000000000E+254"} << QString();
    QTest::newRow("text beyond 255 characters ignored")
        << "." << QStringList {QStringLiteral("V=2") + QString(254, u' ') + QStringLiteral("x")}
        << QStringList {"V = 2.00000000000000E+000"} << QString();
    QTest::newRow("text within 255 characters read")
        << "." << QStringList {QStringLiteral("V=2") + QString(253, u' ') + QStringLiteral("x")}
        << QStringList() << QStringLiteral("Invalid number format");
    QTest::newRow("value too large") << "." << QStringList {"V=1E+400"} << QStringList()
                                     << QStringLiteral("Invalid number format");
    QTest::newRow("read form written back")
        << "." << QStringList {"PI = 3.14159265358979E+000"}
        << QStringList {"PI = 3.14159265358979E+000"} << QString();
}

void TestXCalc::variablesWrite()
{
    QFETCH(QString, separator);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, variables);
    QFETCH(QString, message);
    const SeparatorScope scope(separator.at(0));
    TxFoCal calc;
    QString raised;
    try {
        calc.SetVariables(lines);
    } catch (const ExCustomFoCalError &e) {
        raised = e.Message();
    }
    QCOMPARE(raised, message);
    QCOMPARE(calc.Variables(), variables);
}

void TestXCalc::functionsListedInRegistrationOrder()
{
    const QStringList expected {"SIN", "COS", "TAN", "ABS", "ARCTAN", "EXP", "FRAC", "INT", "LN",
        "SQR", "SQRT", "ROUND", "ROUND10", "ROUND100", "ROUND1000"};
    TxFoCal calc;
    QCOMPARE(calc.Functions(), expected);
    calc.SetFunctions({QStringLiteral("FOO")});
    QCOMPARE(calc.Functions(), expected);
}

void TestXCalc::propertiesReachableThroughMetaObject()
{
    TxFoCal calc;
    QVERIFY(calc.setProperty("Expression", QStringLiteral("2*3")));
    QCOMPARE(calc.property("Value").toDouble(), 6.0);
    QVERIFY(calc.setProperty("Value", 2.5));
    QCOMPARE(calc.property("Expression").toString(), QStringLiteral(" 2.50000000000000E+0000"));
    QVERIFY(calc.setProperty("StrictVars", false));
    QVERIFY(!calc.StrictVars());
    QVERIFY(calc.setProperty("Variables", QStringList {QStringLiteral("k=4")}));
    QCOMPARE(calc.property("Variables").toStringList(),
        QStringList {QStringLiteral("K = 4.00000000000000E+000")});
    QCOMPARE(calc.property("Functions").toStringList().size(), 15);
    const QMetaObject *meta = calc.metaObject();
    QVERIFY(!meta->property(meta->indexOfProperty("Variables")).isStored());
    QVERIFY(meta->property(meta->indexOfProperty("Expression")).isStored());
}

void TestXCalc::ownedByParent()
{
    QPointer<TxFoCal> calc;
    {
        QObject owner;
        calc = new TxFoCal(&owner);
        QVERIFY(calc);
    }
    QVERIFY(calc.isNull());
}

void TestXCalc::streamRoundTripKeepsStateAndEvaluatesOnce()
{
    QByteArray bytes;
    {
        TxFoCal source;
        source.ClearVariables();
        source.SetVariable(QStringLiteral("Rate"), 1.25);
        source.SetVariable(QStringLiteral("Цена"), 8);
        source.SetStrictVars(false);
        source.SetExpression(QStringLiteral("rate * цена + unknown"));
        QCOMPARE(source.Value(), 10.0);
        QDataStream out(&bytes, QIODevice::WriteOnly);
        source.SaveToStream(out);
    }
    TxFoCal target;
    QDataStream in(bytes);
    target.LoadFromStream(in);
    QCOMPARE(target.Expression(), QStringLiteral("rate * цена + unknown"));
    QCOMPARE(target.Value(), 10.0);
    QVERIFY(!target.StrictVars());
    // Read pairs go through SetVariable, so the constants of a new calculator stay.
    QCOMPARE(target.Variables(),
        QStringList({"PI = 3.14159265358979E+000", "E = 2.71828182845905E+000",
            "Rate = 1.25000000000000E+000", "Цена = 8.00000000000000E+000"}));
}

void TestXCalc::streamVariablesListEndsAtNonNameItem()
{
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << QStringLiteral("Expression") << QVariant(QStringLiteral("A+B"));
        out << QStringLiteral("_variables_") << QVariant(QStringLiteral("A")) << QVariant(1.0)
            << QVariant(7) << QVariant(QStringLiteral("B")) << QVariant(2.0) << QVariant();
        out << QStringLiteral("StrictVars") << QVariant(false) << QString();
    }
    TxFoCal target;
    QDataStream in(bytes);
    target.LoadFromStream(in);
    QCOMPARE(target.Variables().size(), 3);
    QVERIFY(target.Variables().at(2).startsWith(QStringLiteral("A = 1.0")));
    // B was skipped, and with StrictVars off it reads as zero.
    QCOMPARE(target.Value(), 1.0);
}

void TestXCalc::damagedStreamRaises_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");

    QByteArray whole;
    {
        TxFoCal source;
        source.SetExpression(QStringLiteral("PI"));
        QDataStream out(&whole, QIODevice::WriteOnly);
        source.SaveToStream(out);
    }
    QTest::newRow("truncated") << whole.left(whole.size() - 3)
                               << QStringLiteral("Stream read error");
    QTest::newRow("empty") << QByteArray() << QStringLiteral("Stream read error");
    QByteArray unknown;
    {
        QDataStream out(&unknown, QIODevice::WriteOnly);
        out << QStringLiteral("Colour") << QVariant(1) << QString();
    }
    QTest::newRow("unknown property") << unknown << QStringLiteral("Invalid property value");
    QByteArray wrongType;
    {
        QDataStream out(&wrongType, QIODevice::WriteOnly);
        out << QStringLiteral("Value") << QVariant(QStringLiteral("x")) << QString();
    }
    QTest::newRow("value of wrong type") << wrongType << QStringLiteral("Invalid property value");
    QByteArray nameWithoutNumber;
    {
        QDataStream out(&nameWithoutNumber, QIODevice::WriteOnly);
        out << QStringLiteral("_variables_") << QVariant(QStringLiteral("A"))
            << QVariant(QStringLiteral("B")) << QVariant() << QString();
    }
    QTest::newRow("name without number")
        << nameWithoutNumber << QStringLiteral("Invalid property value");
}

void TestXCalc::damagedStreamRaises()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    TxFoCal target;
    target.SetExpression(QStringLiteral("1+1"));
    QDataStream in(bytes);
    try {
        target.LoadFromStream(in);
        QFAIL("a damaged stream was read");
    } catch (const ExCustomFoCalError &e) {
        QCOMPARE(e.Message(), message);
    }
    // A failed read leaves the component usable: writes evaluate again.
    target.SetExpression(QStringLiteral("2+2"));
    QCOMPARE(target.Value(), 4.0);
}

void TestXCalc::randomTextsNeverCrash()
{
    // Pieces that reach every branch of the reader, joined at random.
    const QStringList pieces {"1", "0", "9", "2.5", ".", ",", "E", "E+", "E-", "+", "-", "*", "/",
        "%", "^", "<", "<=", ">", ">=", "=", "(", ")", "((", "))", " ", "\t", "\n", "DIV", "MOD",
        "div", "PI", "X", "SIN(", "ROUND10(", "LN(", "SQRT(", "EXP(", "F(", "_", "Я", "ё", "!",
        "1E+308", "0.0", "Ω"};
    QRandomGenerator random(20240601);
    int results = 0;
    int failures = 0;
    for (int round = 0; round < 20000; ++round) {
        const SeparatorScope scope(round % 2 ? u',' : u'.');
        TxFoCal calc;
        calc.SetStrictVars(round % 3 != 0);
        if (round % 5 == 0) {
            calc.SetOnFunction([](const QString &, double &v) {
                v = -v;
                return true;
            });
        }
        QString text;
        const int length = int(random.bounded(1, 24));
        for (int i = 0; i < length; ++i)
            text += pieces.at(random.bounded(int(pieces.size())));
        try {
            const double value = calc.Evaluate(text);
            QVERIFY2(std::isfinite(value), qPrintable(text));
            ++results;
        } catch (const Exception &) {
            ++failures;
        }
        calc.SetExpression(text);
        QVERIFY(calc.Expression() == text || calc.Expression() == QStringLiteral("Error"));
    }
    // Both outcomes must occur, or the pieces no longer exercise the reader.
    QVERIFY(results > 100);
    QVERIFY(failures > 100);
}

QTEST_GUILESS_MAIN(TestXCalc)
#include "tst_xcalc.moc"
