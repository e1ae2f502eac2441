#pragma once

#include "core/Exception.h"

#include <QObject>
#include <QStringList>
#include <QtGlobal>

#include <array>
#include <functional>
#include <vector>

class QDataStream;

// Every evaluation failure other than a full or empty operand or operator stack.
class ExCustomFoCalError : public Exception
{
public:
    using Exception::Exception;
};

// The operand stack of one evaluation level is full or empty.
class EDoubleStackError : public Exception
{
public:
    using Exception::Exception;
};

// The operator stack of one evaluation level is full or empty; also a text nested too deeply.
class EOpStackError : public Exception
{
public:
    using Exception::Exception;
};

// The number reader of the toolkit: optional blanks, sign, digits with at most one decimal
// separator (the one given, nothing else), an optional exponent. Values too large for a double
// are rejected; values too small become zero or denormal.
bool TextToFloat(QStringView text, QChar separator, double &value);

// One pending operator. The plain operators are their own characters; the others take codes
// that no operator character uses.
enum class TOpCode : quint8 {
    LessEqual = 1,
    GreaterEqual = 2,
    Div = 3,
    Mod = 4,
    Negate = 5,
    Percent = '%',
    Multiply = '*',
    Add = '+',
    Subtract = '-',
    Divide = '/',
    Less = '<',
    Equal = '=',
    Greater = '>',
    Power = '^',
};

// Operands waiting for their operator at one nesting level of an evaluation.
class TDoubleStack
{
public:
    static constexpr qint32 Capacity = 200;

    void Push(double value);
    double Pop();
    bool IsEmpty() const { return FCount == 0; }
    qint32 Count() const { return FCount; }

private:
    std::array<double, Capacity> FItems {};
    qint32 FCount = 0;
};

// Operators waiting for their right operand at one nesting level of an evaluation.
class TOpStack
{
public:
    static constexpr qint32 Capacity = 200;

    void Push(TOpCode code);
    TOpCode Pop();
    TOpCode Peek() const;
    bool IsEmpty() const { return FCount == 0; }

private:
    std::array<TOpCode, Capacity> FItems {};
    qint32 FCount = 0;
};

struct TVariable
{
    QString Name;
    double Value = 0;
};

using TFloatFunction = double (*)(double);

struct TFunctionRec
{
    QString Name;
    TFloatFunction Function = nullptr;
};

// Asked for a function the calculator does not know: funcName is the name in upper case, v the
// argument on entry and the result on exit. Returns false when the name means nothing to it.
using TFunctionEvent = std::function<bool(const QString &funcName, double &v)>;

// Evaluates one arithmetic expression given as text: numbers, named variables, functions of one
// argument, arithmetic, percent, power, DIV, MOD and comparisons. TxFoCal publishes its
// properties.
class TxCustomFoCal : public QObject
{
    Q_OBJECT

public:
    // Deeper nesting of groups (or of evaluations started from OnFunction) fails with
    // "Stack overflow": every level is one more evaluation on the machine stack.
    static constexpr int MaxNestingDepth = 256;

    explicit TxCustomFoCal(QObject *parent = nullptr);
    ~TxCustomFoCal() override;

    double Evaluate(const QString &text);
    void SetVariable(const QString &name, double value);
    void AddFunction(const QString &name, TFloatFunction function);
    void ClearVariables();

    // The component's stored form: the stored properties and "_variables_", each as a name
    // followed by a QVariant, ended by an empty name. Reading evaluates Expression once at the
    // end; bad data raises ExCustomFoCalError.
    void SaveToStream(QDataStream &stream) const;
    void LoadFromStream(QDataStream &stream);

protected:
    QString Expression() const { return FExpression; }
    void SetExpression(const QString &text);
    double Value() const { return FValue; }
    void SetValue(double value);
    QStringList Variables() const;
    void SetVariables(const QStringList &lines);
    QStringList Functions() const;
    void SetFunctions(const QStringList &) { }
    bool StrictVars() const { return FStrictVars; }
    void SetStrictVars(bool strict) { FStrictVars = strict; }
    const TFunctionEvent &OnFunction() const { return FOnFunction; }
    void SetOnFunction(TFunctionEvent handler) { FOnFunction = std::move(handler); }

    bool IsLoading() const { return FLoading; }
    // Runs once the component has been read from a stream.
    virtual void Loaded();
    void ReadVariables(QDataStream &stream);
    void WriteVariables(QDataStream &stream) const;

    // One operator applied to its operands.
    static double Calculate(TOpCode op, double left, double right);
    static int Precedence(TOpCode op);

private:
    class TGroups;
    double EvaluateLevel(QStringView text, const TGroups &groups);
    double ReadGroup(QStringView text, qsizetype &pos, const TGroups &groups);
    static void ApplyTop(TDoubleStack &operands, TOpStack &operators);
    static void PushOperator(TDoubleStack &operands, TOpStack &operators, TOpCode op);
    const TVariable *FindVariable(const QString &name) const;
    const TFunctionRec *FindFunction(const QString &name) const;

    QString FExpression = QStringLiteral("0");
    double FValue = 0;
    std::vector<TVariable> FVariables;
    std::vector<TFunctionRec> FFunctions;
    bool FStrictVars = true;
    TFunctionEvent FOnFunction;
    bool FLoading = false;
    int FDepth = 0;
};

// The calculator component as the grid and the condition dialog use it.
class TxFoCal : public TxCustomFoCal
{
    Q_OBJECT
    Q_PROPERTY(QString Expression READ Expression WRITE SetExpression)
    Q_PROPERTY(double Value READ Value WRITE SetValue)
    Q_PROPERTY(QStringList Variables READ Variables WRITE SetVariables STORED false)
    Q_PROPERTY(QStringList Functions READ Functions WRITE SetFunctions STORED false)
    Q_PROPERTY(bool StrictVars READ StrictVars WRITE SetStrictVars)

public:
    using TxCustomFoCal::TxCustomFoCal;

    using TxCustomFoCal::Expression;
    using TxCustomFoCal::Functions;
    using TxCustomFoCal::OnFunction;
    using TxCustomFoCal::SetExpression;
    using TxCustomFoCal::SetFunctions;
    using TxCustomFoCal::SetOnFunction;
    using TxCustomFoCal::SetStrictVars;
    using TxCustomFoCal::SetValue;
    using TxCustomFoCal::SetVariables;
    using TxCustomFoCal::StrictVars;
    using TxCustomFoCal::Value;
    using TxCustomFoCal::Variables;
};
