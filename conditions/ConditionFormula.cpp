#include "conditions/ConditionFormula.h"

#include "calc/xCalc.h"
#include "db/dataset/TDataSet.h"

namespace {

// The fields a formula sees as variables: numbers and dates, BCD fields excepted.
bool IsFormulaVariableType(TFieldType type)
{
    return IsPlainNumberType(type) || IsDateTimeType(type);
}

enum class Direction { ToFieldNames, ToLabels };

QString TranslateNames(const TDataSet *dataSet, const QString &text, Direction direction)
{
    if (!dataSet)
        return text;
    QString out = text;
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        const TField *field = dataSet->Fields(i);
        const QString label = field->DisplayLabel();
        if (label.compare(field->FieldName(), Qt::CaseInsensitive) == 0)
            continue;
        const QString &from = direction == Direction::ToFieldNames ? label : field->FieldName();
        const QString &to = direction == Direction::ToFieldNames ? field->FieldName() : label;
        // An empty pattern would match between every two characters.
        if (!from.isEmpty())
            out.replace(from, to, Qt::CaseInsensitive);
    }
    return out;
}

} // namespace

void BindFormulaVariables(TDataSet *dataSet, TxFoCal &calculator, const QDate &today)
{
    calculator.ClearVariables();
    calculator.SetVariable(QStringLiteral("dd"), today.day());
    calculator.SetVariable(QStringLiteral("mm"), today.month());
    calculator.SetVariable(QStringLiteral("yy"), today.year());
    calculator.SetVariable(QStringLiteral("yyyy"), today.year());
    if (!dataSet || !dataSet->Active())
        return;
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        const TField *field = dataSet->Fields(i);
        if (IsFormulaVariableType(field->DataType()))
            calculator.SetVariable(field->FieldName(), field->AsFloat());
    }
}

void BindFormulaVariables(TDataSet *dataSet, TxFoCal &calculator)
{
    BindFormulaVariables(dataSet, calculator, QDate::currentDate());
}

bool EvaluateFormula(TDataSet *dataSet, TxFoCal *calculator, const QString &text, double &value)
{
    if (!calculator)
        return false;
    try {
        BindFormulaVariables(dataSet, *calculator);
        // The calculator tells a failure only by putting "Error" in place of the text; so the
        // text "Error" itself passes, with the value 0 the failure left.
        calculator->SetExpression(text);
        if (calculator->Expression() != text)
            return false;
        value = calculator->Value();
        return true;
    } catch (...) {
        // A formula that does not evaluate is an answer here, not an error: the condition falls
        // back to its text, and painting shows no message.
        return false;
    }
}

QString LabelsToFieldNames(const TDataSet *dataSet, const QString &text)
{
    return TranslateNames(dataSet, text, Direction::ToFieldNames);
}

QString FieldNamesToLabels(const TDataSet *dataSet, const QString &text)
{
    return TranslateNames(dataSet, text, Direction::ToLabels);
}

bool IsConstantFormula(const QString &text)
{
    static const QString allowed = QStringLiteral("0123456789.,+-*/%^<=>() \t");
    for (const QChar ch : text)
        if (!allowed.contains(ch))
            return false;
    return true;
}
