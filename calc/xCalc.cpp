#include "calc/xCalc.h"

#include "core/TFormatSettings.h"

#include <QDataStream>
#include <QScopeGuard>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <memory>
#include <numbers>

namespace {

const QString MsgInvalidNumber = QStringLiteral("Invalid number format");
const QString MsgInvalidIdentifier = QStringLiteral("Invalid identifier");
const QString MsgInvalidOperation = QStringLiteral("Invalid operation");
const QString MsgOpeningExpected = QStringLiteral("Opening parenthesis expected");
const QString MsgClosingMismatch = QStringLiteral("Closing parenthesis mismatch");
const QString MsgDivisionByZero = QStringLiteral("Division by zero");
const QString MsgUnknownOperation = QStringLiteral("Unknown operation");
const QString MsgUnknownFunction = QStringLiteral("Unknown function name");
const QString MsgUnknownIdentifier = QStringLiteral("Unknown identifier");
const QString MsgInvalidExpression = QStringLiteral("Invalid expression");
const QString MsgEmptyExpression = QStringLiteral("Empty expression");
const QString MsgErrorInExpression = QStringLiteral("Error in expression");
const QString MsgStackOverflow = QStringLiteral("Stack overflow");
const QString MsgStackUnderflow = QStringLiteral("Stack underflow");
// The toolkit's texts for faults of the floating-point unit.
const QString MsgFpOverflow = QStringLiteral("Floating point overflow");
const QString MsgFpInvalid = QStringLiteral("Invalid floating point operation");
const QString MsgFpZeroDivide = QStringLiteral("Floating point division by zero");
const QString MsgIntOverflow = QStringLiteral("Integer overflow");
// Stream reading.
const QString MsgReadError = QStringLiteral("Stream read error");
const QString MsgInvalidProperty = QStringLiteral("Invalid property value");

const QString ErrorText = QStringLiteral("Error");
const QString VariablesProperty = QStringLiteral("_variables_");

bool IsAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Digits, Latin capitals, "_" and the Cyrillic letters А..я, which are the bytes 0xC0..0xFF of
// Windows-1251; Ё and ё lie outside that range there and so are not name characters.
bool IsNameChar(QChar c)
{
    const char16_t u = c.unicode();
    return IsAsciiDigit(c) || (u >= u'A' && u <= u'Z') || u == u'_' || (u >= 0x0410 && u <= 0x044F);
}

// Floating-point faults surface as exceptions, as the toolkit's unmasked FPU would raise them.
double Checked(double value)
{
    if (std::isnan(value))
        throw ExCustomFoCalError(MsgFpInvalid);
    if (std::isinf(value))
        throw ExCustomFoCalError(MsgFpOverflow);
    return value;
}

} // namespace

bool TextToFloat(QStringView text, QChar separator, double &value)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= u' ')
        ++begin;
    while (end > begin && text[end - 1].unicode() <= u' ')
        --end;
    QByteArray ascii;
    ascii.reserve(end - begin + 1);
    qsizetype i = begin;
    if (i < end && (text[i] == u'+' || text[i] == u'-'))
        ascii += char(text[i++].unicode());
    int mantissaDigits = 0;
    while (i < end && IsAsciiDigit(text[i])) {
        ascii += char(text[i++].unicode());
        ++mantissaDigits;
    }
    if (i < end && text[i] == separator) {
        ascii += '.';
        ++i;
        while (i < end && IsAsciiDigit(text[i])) {
            ascii += char(text[i++].unicode());
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return false;
    if (i < end && (text[i] == u'E' || text[i] == u'e')) {
        ascii += 'e';
        ++i;
        if (i < end && (text[i] == u'+' || text[i] == u'-'))
            ascii += char(text[i++].unicode());
        int exponentDigits = 0;
        while (i < end && IsAsciiDigit(text[i])) {
            ascii += char(text[i++].unicode());
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return false;
    }
    if (i != end)
        return false;
    // The process locale may use another decimal point; the text was normalised to ".".
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    char *stop = nullptr;
    const double result = strtod_l(ascii.constData(), &stop, cLocale);
    if (stop != ascii.constData() + ascii.size() || std::isinf(result))
        return false;
    value = result;
    return true;
}

namespace {

// "d.ddddddddddddddE+xxx" with at least exponentWidth exponent digits.
QString Scientific(double value, int exponentWidth)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14E", value);
    QString text = QString::fromLatin1(buffer);
    const qsizetype e = text.indexOf(QLatin1Char('E'));
    const QString digits = text.mid(e + 2);
    return text.left(e + 2) + QString(qMax<qsizetype>(0, exponentWidth - digits.size()), u'0')
        + digits;
}

qint64 RoundToInt64(double x)
{
    // nearbyint follows the default rounding mode, which sends halves to the even neighbour.
    const double r = std::nearbyint(x);
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
        throw ExCustomFoCalError(MsgFpInvalid);
    return qint64(r);
}

double RoundScaled(double x, qint64 scale)
{
    qint64 product = 0;
    if (__builtin_mul_overflow(RoundToInt64(x / double(scale)), scale, &product))
        throw ExCustomFoCalError(MsgIntOverflow);
    return double(product);
}

double FnSin(double x)
{
    return Checked(std::sin(x));
}
double FnCos(double x)
{
    return Checked(std::cos(x));
}
double FnTan(double x)
{
    return Checked(std::sin(x) / std::cos(x));
}
double FnAbs(double x)
{
    return Checked(std::fabs(x));
}
double FnArcTan(double x)
{
    return Checked(std::atan(x));
}
double FnExp(double x)
{
    return Checked(std::exp(x));
}
double FnFrac(double x)
{
    return Checked(x - std::trunc(x));
}
double FnInt(double x)
{
    return Checked(std::trunc(x));
}
double FnLn(double x)
{
    if (x == 0)
        throw ExCustomFoCalError(MsgFpZeroDivide);
    if (x < 0)
        throw ExCustomFoCalError(MsgFpInvalid);
    return Checked(std::log(x));
}
double FnSqr(double x)
{
    return Checked(x * x);
}
double FnSqrt(double x)
{
    if (x < 0)
        throw ExCustomFoCalError(MsgFpInvalid);
    return Checked(std::sqrt(x));
}
double FnRound(double x)
{
    return double(RoundToInt64(x));
}
double FnRound10(double x)
{
    return RoundScaled(x, 10);
}
double FnRound100(double x)
{
    return RoundScaled(x, 100);
}
double FnRound1000(double x)
{
    return RoundScaled(x, 1000);
}

// One more level of evaluation for as long as it runs.
class NestingGuard
{
public:
    explicit NestingGuard(int &depth)
        : FDepth(depth)
    {
        if (FDepth >= TxCustomFoCal::MaxNestingDepth + 1)
            throw EOpStackError(MsgStackOverflow);
        ++FDepth;
    }
    ~NestingGuard() { --FDepth; }
    NestingGuard(const NestingGuard &) = delete;
    NestingGuard &operator=(const NestingGuard &) = delete;

private:
    int &FDepth;
};

// The operand and operator stacks of one level, kept off the machine stack so that deep
// nesting costs little of it.
struct LevelStacks
{
    TDoubleStack Operands;
    TOpStack Operators;
};

} // namespace

void TDoubleStack::Push(double value)
{
    if (FCount >= Capacity)
        throw EDoubleStackError(MsgStackOverflow);
    FItems[FCount++] = value;
}

double TDoubleStack::Pop()
{
    if (FCount <= 0)
        throw EDoubleStackError(MsgStackUnderflow);
    return FItems[--FCount];
}

void TOpStack::Push(TOpCode code)
{
    if (FCount >= Capacity)
        throw EOpStackError(MsgStackOverflow);
    FItems[FCount++] = code;
}

TOpCode TOpStack::Pop()
{
    if (FCount <= 0)
        throw EOpStackError(MsgStackUnderflow);
    return FItems[--FCount];
}

TOpCode TOpStack::Peek() const
{
    if (FCount <= 0)
        throw EOpStackError(MsgStackUnderflow);
    return FItems[FCount - 1];
}

TxCustomFoCal::TxCustomFoCal(QObject *parent)
    : QObject(parent)
{
    SetVariable(QStringLiteral("PI"), std::numbers::pi);
    SetVariable(QStringLiteral("E"), std::exp(1.0));
    AddFunction(QStringLiteral("SIN"), FnSin);
    AddFunction(QStringLiteral("COS"), FnCos);
    AddFunction(QStringLiteral("TAN"), FnTan);
    AddFunction(QStringLiteral("ABS"), FnAbs);
    AddFunction(QStringLiteral("ARCTAN"), FnArcTan);
    AddFunction(QStringLiteral("EXP"), FnExp);
    AddFunction(QStringLiteral("FRAC"), FnFrac);
    AddFunction(QStringLiteral("INT"), FnInt);
    AddFunction(QStringLiteral("LN"), FnLn);
    AddFunction(QStringLiteral("SQR"), FnSqr);
    AddFunction(QStringLiteral("SQRT"), FnSqrt);
    AddFunction(QStringLiteral("ROUND"), FnRound);
    AddFunction(QStringLiteral("ROUND10"), FnRound10);
    AddFunction(QStringLiteral("ROUND100"), FnRound100);
    AddFunction(QStringLiteral("ROUND1000"), FnRound1000);
}

TxCustomFoCal::~TxCustomFoCal() = default;

// Where each "(" of a formula is closed, found in one pass over the text, so that a level
// finds the end of a group at once instead of scanning it again at every depth.
class TxCustomFoCal::TGroups
{
public:
    // Groups deeper than maxDepth are never read, so they are counted but not recorded.
    TGroups(QStringView text, int maxDepth)
    {
        std::vector<std::size_t> unclosed; // indexes into FPairs
        qsizetype unrecorded = 0;
        for (const QChar &c : text) {
            if (c == u'(') {
                if (unclosed.size() < std::size_t(maxDepth)) {
                    unclosed.push_back(FPairs.size());
                    FPairs.push_back({&c, nullptr});
                } else {
                    ++unrecorded;
                }
            } else if (c == u')') {
                if (unrecorded > 0) {
                    --unrecorded;
                } else if (!unclosed.empty()) {
                    FPairs[unclosed.back()].Close = &c;
                    unclosed.pop_back();
                }
            }
        }
    }

    // The ")" that closes the "(" at open; nullptr when the text ends first.
    const QChar *ClosingOf(const QChar *open) const
    {
        const auto pair = std::lower_bound(FPairs.begin(), FPairs.end(), open,
            [](const TPair &p, const QChar *position) { return p.Open < position; });
        return pair != FPairs.end() && pair->Open == open ? pair->Close : nullptr;
    }

private:
    struct TPair
    {
        const QChar *Open;
        const QChar *Close;
    };
    std::vector<TPair> FPairs; // in the order of their "("
};

double TxCustomFoCal::Evaluate(const QString &text)
{
    QString compact;
    compact.reserve(text.size());
    for (const QChar c : text) {
        if (c != u' ' && c != u'\t')
            compact += c;
    }
    // Every group is evaluated as a view of this one text: nesting costs no copies.
    const QString upper = std::move(compact).toUpper();
    const TGroups groups(upper, MaxNestingDepth + 1);
    return EvaluateLevel(upper, groups);
}

double TxCustomFoCal::EvaluateLevel(QStringView text, const TGroups &groups)
{
    const NestingGuard guard(FDepth);
    const auto stacks = std::make_unique<LevelStacks>();
    TDoubleStack &operands = stacks->Operands;
    TOpStack &operators = stacks->Operators;
    const QChar separator = FormatSettings().DecimalSeparator;
    const qsizetype size = text.size();
    qsizetype pos = 0;

    // A number starting with "." or "," reads that character as the decimal separator.
    const auto readNumber = [&]() {
        const qsizetype start = pos;
        const bool leadingPoint = text.at(pos) == u'.' || text.at(pos) == u',';
        if (leadingPoint)
            ++pos;
        while (pos < size) {
            const QChar c = text.at(pos);
            const bool taken = IsAsciiDigit(c) || c == separator
                || (c == u'E' && pos + 1 < size
                    && (text.at(pos + 1) == u'+' || text.at(pos + 1) == u'-'))
                || ((c == u'+' || c == u'-') && pos > start && text.at(pos - 1) == u'E');
            if (!taken)
                break;
            ++pos;
        }
        QStringView number = text.mid(start, pos - start);
        QString withSeparator;
        if (leadingPoint && number.front() != separator) {
            withSeparator = separator + number.mid(1).toString();
            number = withSeparator;
        }
        double value = 0;
        if (!TextToFloat(number, separator, value))
            throw ExCustomFoCalError(MsgInvalidNumber);
        operands.Push(value);
    };

    while (pos < size) {
        const QChar c = text.at(pos);
        switch (c.unicode()) {
        case u'%':
        case u'*':
        case u'+':
        case u'-':
        case u'/':
        case u'<':
        case u'=':
        case u'>':
        case u'^':
            if (operands.IsEmpty() && c == u'-') {
                operands.Push(0);
                operators.Push(TOpCode::Negate);
            } else if (operands.IsEmpty() && c == u'+') {
                // A unary plus changes nothing.
            } else {
                auto op = TOpCode(c.unicode());
                if ((c == u'<' || c == u'>') && pos + 1 < size && text.at(pos + 1) == u'=') {
                    op = c == u'<' ? TOpCode::LessEqual : TOpCode::GreaterEqual;
                    ++pos;
                }
                PushOperator(operands, operators, op);
            }
            ++pos;
            break;
        case u'(':
            operands.Push(ReadGroup(text, pos, groups));
            break;
        case u'.':
        case u',':
            readNumber();
            break;
        default:
            if (IsAsciiDigit(c)) {
                readNumber();
                break;
            }
            // DIV and MOD are operators even when letters follow; those are read again.
            const QStringView three = text.mid(pos, 3);
            if (three == u"DIV" || three == u"MOD") {
                PushOperator(operands, operators, three == u"DIV" ? TOpCode::Div : TOpCode::Mod);
                pos += 3;
                break;
            }
            const qsizetype start = pos;
            while (pos < size && IsNameChar(text.at(pos)))
                ++pos;
            if (pos == start || IsAsciiDigit(text.at(start)))
                throw ExCustomFoCalError(MsgInvalidIdentifier);
            const QString name = text.mid(start, pos - start).toString();
            const bool parenthesis = pos < size && text.at(pos) == u'(';
            if (const TVariable *variable = FindVariable(name)) {
                operands.Push(variable->Value);
            } else if (const TFunctionRec *function = FindFunction(name)) {
                // Copied: OnFunction, run inside the group, may add functions.
                const TFloatFunction f = function->Function;
                if (!parenthesis)
                    throw ExCustomFoCalError(MsgOpeningExpected);
                operands.Push(f(ReadGroup(text, pos, groups)));
            } else if (parenthesis) {
                if (!FOnFunction)
                    throw ExCustomFoCalError(MsgUnknownFunction);
                double v = ReadGroup(text, pos, groups);
                // Copied: the handler may replace itself.
                const TFunctionEvent handler = FOnFunction;
                if (!handler(name, v))
                    throw ExCustomFoCalError(MsgUnknownFunction);
                operands.Push(v);
            } else if (FStrictVars) {
                throw ExCustomFoCalError(MsgUnknownIdentifier);
            } else {
                operands.Push(0);
            }
            break;
        }
    }
    while (!operators.IsEmpty())
        ApplyTop(operands, operators);
    if (operands.IsEmpty())
        throw ExCustomFoCalError(MsgEmptyExpression);
    const double result = operands.Pop();
    if (!operands.IsEmpty())
        throw ExCustomFoCalError(MsgInvalidExpression);
    return result;
}

double TxCustomFoCal::ReadGroup(QStringView text, qsizetype &pos, const TGroups &groups)
{
    if (FDepth >= MaxNestingDepth + 1)
        throw EOpStackError(MsgStackOverflow);
    const qsizetype open = pos;
    const QChar *closing = groups.ClosingOf(text.begin() + open);
    // A group closes inside the group around it, so a partner found lies within this level.
    if (!closing)
        throw ExCustomFoCalError(MsgClosingMismatch);
    const qsizetype close = closing - text.begin();
    pos = close + 1;
    return EvaluateLevel(text.mid(open + 1, close - open - 1), groups);
}

void TxCustomFoCal::ApplyTop(TDoubleStack &operands, TOpStack &operators)
{
    const TOpCode op = operators.Pop();
    double left = 0;
    double right = 0;
    try {
        right = operands.Pop();
        left = operands.Pop();
    } catch (const EDoubleStackError &) {
        throw ExCustomFoCalError(MsgErrorInExpression);
    }
    operands.Push(Calculate(op, left, right));
}

void TxCustomFoCal::PushOperator(TDoubleStack &operands, TOpStack &operators, TOpCode op)
{
    // Equal precedence applies first: operators associate to the left.
    while (!operators.IsEmpty() && Precedence(operators.Peek()) >= Precedence(op))
        ApplyTop(operands, operators);
    operators.Push(op);
}

int TxCustomFoCal::Precedence(TOpCode op)
{
    switch (op) {
    case TOpCode::Negate:
        return 5;
    case TOpCode::Percent:
        return 4;
    case TOpCode::Power:
        return 3;
    case TOpCode::Multiply:
    case TOpCode::Divide:
    case TOpCode::Div:
    case TOpCode::Mod:
        return 2;
    case TOpCode::Add:
    case TOpCode::Subtract:
        return 1;
    case TOpCode::Less:
    case TOpCode::LessEqual:
    case TOpCode::Equal:
    case TOpCode::GreaterEqual:
    case TOpCode::Greater:
        return 0;
    }
    return -1;
}

double TxCustomFoCal::Calculate(TOpCode op, double left, double right)
{
    // Operators that take more than one step keep the steps in extended precision, as the
    // toolkit's FPU did, and round once: 2^3 is then exactly 8 and 7%3 exactly 0.21.
    using Extended = long double;
    switch (op) {
    case TOpCode::Add:
        return Checked(left + right);
    case TOpCode::Subtract:
    case TOpCode::Negate:
        return Checked(left - right);
    case TOpCode::Multiply:
        return Checked(left * right);
    case TOpCode::Divide:
        if (right == 0)
            throw ExCustomFoCalError(MsgDivisionByZero);
        return Checked(left / right);
    case TOpCode::Percent:
        return Checked(double(Extended(left) / 100 * right));
    case TOpCode::Div:
        if (right == 0)
            throw ExCustomFoCalError(MsgDivisionByZero);
        return Checked(double(std::trunc(Extended(left) / right)));
    case TOpCode::Mod: {
        if (right == 0)
            throw ExCustomFoCalError(MsgDivisionByZero);
        const Extended quotient = std::trunc(Extended(left) / right);
        Checked(double(quotient)); // a quotient beyond Double overflows, as DIV's does
        return Checked(double(Extended(left) - Extended(right) * quotient));
    }
    case TOpCode::Power:
        if (right < 0)
            throw ExCustomFoCalError(MsgInvalidOperation);
        FnLn(left); // zero and negative bases fail as the logarithm does
        return Checked(double(std::exp(Extended(right) * std::log(Extended(left)))));
    case TOpCode::Less:
        return left < right ? 1 : 0;
    case TOpCode::LessEqual:
        return left <= right ? 1 : 0;
    case TOpCode::Equal:
        return left == right ? 1 : 0;
    case TOpCode::GreaterEqual:
        return left >= right ? 1 : 0;
    case TOpCode::Greater:
        return left > right ? 1 : 0;
    }
    throw ExCustomFoCalError(MsgUnknownOperation);
}

const TVariable *TxCustomFoCal::FindVariable(const QString &name) const
{
    for (const TVariable &variable : FVariables) {
        if (variable.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &variable;
    }
    return nullptr;
}

const TFunctionRec *TxCustomFoCal::FindFunction(const QString &name) const
{
    for (const TFunctionRec &function : FFunctions) {
        if (function.Name == name)
            return &function;
    }
    return nullptr;
}

void TxCustomFoCal::SetVariable(const QString &name, double value)
{
    for (TVariable &variable : FVariables) {
        if (variable.Name.compare(name, Qt::CaseInsensitive) == 0) {
            variable.Value = value;
            return;
        }
    }
    FVariables.push_back(TVariable {name, value});
}

void TxCustomFoCal::AddFunction(const QString &name, TFloatFunction function)
{
    FFunctions.push_back(TFunctionRec {name, function});
}

void TxCustomFoCal::ClearVariables()
{
    FVariables.clear();
}

void TxCustomFoCal::SetExpression(const QString &text)
{
    FExpression = text;
    if (FLoading)
        return;
    if (text.isEmpty()) {
        FValue = 0;
        FExpression = QStringLiteral("0");
        return;
    }
    try {
        FValue = Evaluate(text);
    } catch (...) {
        // Any failure is reported only through the text "Error"; the writer compares it.
        FValue = 0;
        FExpression = ErrorText;
    }
}

void TxCustomFoCal::SetValue(double value)
{
    FValue = value;
    // The toolkit's plain float text: a sign position, 15 digits and a four-digit exponent.
    const QString text = Scientific(std::fabs(value), 4);
    FExpression = (value < 0 ? QStringLiteral("-") : QStringLiteral(" ")) + text;
}

QStringList TxCustomFoCal::Variables() const
{
    QStringList lines;
    lines.reserve(qsizetype(FVariables.size()));
    const QChar separator = FormatSettings().DecimalSeparator;
    for (const TVariable &variable : FVariables) {
        QString value = Scientific(variable.Value, 3);
        value.replace(QLatin1Char('.'), separator);
        lines << variable.Name + QStringLiteral(" = ") + value;
    }
    return lines;
}

void TxCustomFoCal::SetVariables(const QStringList &lines)
{
    ClearVariables();
    const QChar separator = FormatSettings().DecimalSeparator;
    for (const QString &line : lines) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        QString name = line.left(equals);
        name.remove(QLatin1Char(' '));
        name.remove(QLatin1Char('\t'));
        double value = 0;
        // Only the first 255 characters after "=" are the value, as the toolkit's short
        // strings hold.
        if (!TextToFloat(QStringView(line).mid(equals + 1, 255), separator, value))
            throw ExCustomFoCalError(MsgInvalidNumber);
        SetVariable(name.toUpper(), value);
    }
}

QStringList TxCustomFoCal::Functions() const
{
    QStringList names;
    names.reserve(qsizetype(FFunctions.size()));
    for (const TFunctionRec &function : FFunctions)
        names << function.Name;
    return names;
}

void TxCustomFoCal::Loaded()
{
    SetExpression(FExpression);
}

namespace {

void CheckStream(const QDataStream &stream)
{
    if (stream.status() != QDataStream::Ok)
        throw ExCustomFoCalError(MsgReadError);
}

} // namespace

void TxCustomFoCal::SaveToStream(QDataStream &stream) const
{
    // Value goes before Expression: reading Value rewrites the expression text, and the
    // expression written after it must survive.
    if (FValue != 0)
        stream << QStringLiteral("Value") << QVariant(FValue);
    stream << QStringLiteral("Expression") << QVariant(FExpression);
    if (!FStrictVars)
        stream << QStringLiteral("StrictVars") << QVariant(FStrictVars);
    if (!FVariables.empty()) {
        stream << VariablesProperty;
        WriteVariables(stream);
    }
    stream << QString();
}

void TxCustomFoCal::LoadFromStream(QDataStream &stream)
{
    {
        FLoading = true;
        const auto loadingDone = qScopeGuard([this] { FLoading = false; });
        for (;;) {
            QString name;
            stream >> name;
            CheckStream(stream);
            if (name.isEmpty())
                break;
            if (name == VariablesProperty) {
                ReadVariables(stream);
                continue;
            }
            QVariant value;
            stream >> value;
            CheckStream(stream);
            if (name == u"Expression" && value.typeId() == QMetaType::QString)
                SetExpression(value.toString());
            else if (name == u"Value" && value.typeId() == QMetaType::Double)
                SetValue(value.toDouble());
            else if (name == u"StrictVars" && value.typeId() == QMetaType::Bool)
                SetStrictVars(value.toBool());
            else
                throw ExCustomFoCalError(MsgInvalidProperty);
        }
    }
    Loaded();
}

void TxCustomFoCal::WriteVariables(QDataStream &stream) const
{
    for (const TVariable &variable : FVariables)
        stream << QVariant(variable.Name) << QVariant(variable.Value);
    stream << QVariant();
}

void TxCustomFoCal::ReadVariables(QDataStream &stream)
{
    bool skipping = false;
    for (;;) {
        QVariant item;
        stream >> item;
        CheckStream(stream);
        if (!item.isValid())
            return;
        if (skipping)
            continue;
        if (item.typeId() != QMetaType::QString) {
            // An item that starts with anything but a name ends the list; the rest is skipped.
            skipping = true;
            continue;
        }
        QVariant value;
        stream >> value;
        CheckStream(stream);
        if (value.typeId() != QMetaType::Double)
            throw ExCustomFoCalError(MsgInvalidProperty);
        SetVariable(item.toString(), value.toDouble());
    }
}
