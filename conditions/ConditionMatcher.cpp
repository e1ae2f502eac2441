#include "conditions/ConditionMatcher.h"

#include "calc/xCalc.h"
#include "conditions/ConditionFormula.h"
#include "conditions/ConditionOperand.h"
#include "conditions/Cp1251Order.h"
#include "db/dataset/TDataSet.h"

namespace {

bool ShowsIn(const TCondition &condition, const QString &fieldName)
{
    for (const QString &name : condition.ShowInFields)
        if (name.compare(fieldName, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The field's value as a number; false for a null and for types that hold no number.
bool NumericValue(const TField &field, double &value)
{
    if (!(IsNumericType(field.DataType()) || IsDateTimeType(field.DataType())) || field.IsNull())
        return false;
    value = field.AsFloat();
    return true;
}

} // namespace

TConditionMatcher::TConditionMatcher() = default;

void TConditionMatcher::BeginPaint()
{
    ++FEpoch;
}

void TConditionMatcher::PrepareConditions(const TConditionScope &scope)
{
    BeginPaint();
    if (!scope.Conditions)
        return;
    TDataSet *dataSet = scope.DataSet;
    const QDate today = QDate::currentDate();
    for (TCondition *condition : *scope.Conditions) {
        TField *field
            = dataSet && dataSet->Active() ? dataSet->FindField(condition->FieldName) : nullptr;
        if (!field) {
            condition->IsNumeric = false;
            continue;
        }
        const TFieldType type = field->DataType();
        double n1 = 0, n2 = 0;
        switch (condition->Operation) {
        case TConditionOperation::coEqual:
        case TConditionOperation::coNotEqual:
        case TConditionOperation::coGreater:
        case TConditionOperation::coLess:
        case TConditionOperation::coGreaterOrEqual:
        case TConditionOperation::coLessOrEqual:
            if (condition->Formula
                && EvaluateFormula(dataSet, scope.Calculator, condition->Value1, n1)) {
                // Matching evaluates the formula again for every row.
                condition->IsNumeric = true;
            } else {
                condition->IsNumeric = ReadOperand(type, condition->Value1, today, n1);
                if (condition->IsNumeric)
                    condition->Number1 = n1;
            }
            break;
        case TConditionOperation::coBetween:
        case TConditionOperation::coOutside:
            if (condition->Formula
                && EvaluateFormula(dataSet, scope.Calculator, condition->Value1, n1)
                && EvaluateFormula(dataSet, scope.Calculator, condition->Value2, n2)) {
                condition->IsNumeric = true;
            } else {
                const bool read1 = ReadOperand(type, condition->Value1, today, n1);
                const bool read2 = ReadOperand(type, condition->Value2, today, n2);
                condition->IsNumeric = read1 && read2;
                if (condition->IsNumeric) {
                    condition->Number1 = n1;
                    condition->Number2 = n2;
                }
            }
            break;
        case TConditionOperation::coContains:
        default:
            condition->IsNumeric = false;
            break;
        }
    }
}

TConditionMatcher::Slot &TConditionMatcher::SlotFor(
    int index, const TCondition &condition, TDataSet *dataSet, quint64 generation)
{
    if (size_t(index) >= FSlots.size())
        FSlots.resize(size_t(index) + 1);
    Slot &slot = FSlots[size_t(index)];
    if (slot.Epoch == FEpoch && slot.Condition == &condition && slot.DataSet == dataSet
        && slot.Generation == generation)
        return slot;
    slot = Slot();
    slot.Epoch = FEpoch;
    slot.Condition = &condition;
    slot.DataSet = dataSet;
    slot.Generation = generation;
    slot.Field = dataSet->FindField(condition.FieldName);
    slot.Operand1.Constant = IsConstantFormula(condition.Value1);
    slot.Operand2.Constant = IsConstantFormula(condition.Value2);
    slot.UpperValue1 = condition.Value1.toUpper();
    return slot;
}

bool TConditionMatcher::ApplyConditions(
    const TConditionScope &scope, const QString &cellFieldName, bool highlighted, TCellStyle &style)
{
    if (cellFieldName.isEmpty() || !scope.Conditions || scope.Conditions->IsEmpty())
        return false;
    TDataSet *dataSet = scope.DataSet;
    if (!dataSet || !dataSet->Active())
        return false; // no condition finds its field
    const quint64 generation = dataSet->GetBookmark().Generation;
    const RowKey row {dataSet, generation, dataSet->ActiveRecord(), FEpoch};

    bool matched = false;
    const TCondition *colorFrom = nullptr;
    const TCondition *fontFrom = nullptr;
    const int count = scope.Conditions->Count();
    for (int i = 0; i < count; ++i) {
        TCondition &condition = *scope.Conditions->Items(i);
        if (!ShowsIn(condition, cellFieldName))
            continue;
        Slot &slot = SlotFor(i, condition, dataSet, generation);
        if (!slot.Field || !Match(scope, condition, slot, row))
            continue;
        matched = true;
        if (condition.UseColor && !highlighted)
            colorFrom = &condition;
        if (condition.UseFont)
            fontFrom = &condition;
    }
    if (colorFrom)
        style.Color = colorFrom->Color;
    if (fontFrom)
        style.Font = fontFrom->Font;
    return matched;
}

bool TConditionMatcher::Match(
    const TConditionScope &scope, TCondition &condition, Slot &slot, const RowKey &row)
{
    const TField &field = *slot.Field;
    if (condition.IsNumeric && !IsStringFieldType(field.DataType())) {
        // Every row evaluates its operands, formulas or not; a failure keeps the last number.
        RefreshOperand(scope, slot.Operand1, condition.Value1, condition.Number1, row);
        if (IsRangeOperation(condition.Operation))
            RefreshOperand(scope, slot.Operand2, condition.Value2, condition.Number2, row);
        return MatchNumber(condition, field);
    }
    return MatchText(condition, slot, field, row);
}

void TConditionMatcher::RefreshOperand(const TConditionScope &scope, OperandState &state,
    const QString &text, double &number, const RowKey &row)
{
    TxFoCal *calculator = scope.Calculator;
    if (!calculator)
        return;
    // Evaluating the same text over the same row gives the same result, and a failure changes
    // nothing, so later cells of a row may skip it. A constant text gives one result for every
    // row. Neither holds when an owner's function takes part: it may answer differently each
    // time, so then every cell evaluates afresh as the condition asks.
    const bool pure = !calculator->OnFunction();
    if (pure) {
        const bool done
            = state.Constant ? state.EvaluatedFor.Epoch == row.Epoch : state.EvaluatedFor == row;
        if (done)
            return;
    }
    state.EvaluatedFor = row;
    try {
        // A constant text reads no variable, so it needs none bound.
        if (!pure || (!state.Constant && !(FBoundFor == row))) {
            FBoundFor = {};
            BindFormulaVariables(scope.DataSet, *calculator);
            FBoundFor = row;
        }
        // As EvaluateFormula judges it: the text must survive being written.
        calculator->SetExpression(text);
        if (calculator->Expression() == text)
            number = calculator->Value();
    } catch (...) {
        // A formula that fails while painting leaves the previous number and shows nothing.
    }
}

bool TConditionMatcher::MatchNumber(TCondition &condition, const TField &field) const
{
    double v = 0;
    if (!NumericValue(field, v))
        return false;
    const double n1 = condition.Number1;
    const double n2 = condition.Number2;
    switch (condition.Operation) {
    case TConditionOperation::coEqual:
        return v == n1;
    case TConditionOperation::coNotEqual:
        return v != n1;
    case TConditionOperation::coBetween:
        return n1 <= v && v <= n2;
    case TConditionOperation::coOutside:
        return v < n1 || v > n2;
    case TConditionOperation::coGreater:
        return v > n1;
    case TConditionOperation::coLess:
        return v < n1;
    case TConditionOperation::coGreaterOrEqual:
        return v >= n1;
    case TConditionOperation::coLessOrEqual:
        return v <= n1;
    default:
        return false;
    }
}

TConditionMatcher::FieldText &TConditionMatcher::TextOf(const TField &field, const RowKey &row)
{
    const size_t index = size_t(field.Index());
    if (index >= FTexts.size())
        FTexts.resize(index + 1);
    FieldText &text = FTexts[index];
    if (!(text.Row == row)) {
        text.Row = row;
        text.Text = field.AsString();
        text.HasUpper = false;
    }
    return text;
}

bool TConditionMatcher::MatchText(
    const TCondition &condition, Slot &slot, const TField &field, const RowKey &row)
{
    FieldText &text = TextOf(field, row);
    const QString &s = text.Text;
    const QString &v1 = condition.Value1;
    const QString &v2 = condition.Value2;
    switch (condition.Operation) {
    case TConditionOperation::coEqual:
        return s.compare(v1, Qt::CaseInsensitive) == 0;
    case TConditionOperation::coNotEqual:
        return s != v1;
    case TConditionOperation::coBetween:
        return CompareCp1251(v1, s) <= 0 && CompareCp1251(s, v2) <= 0;
    case TConditionOperation::coOutside:
        return CompareCp1251(s, v1) < 0 || CompareCp1251(s, v2) > 0;
    case TConditionOperation::coGreater:
        return CompareCp1251(s, v1) > 0;
    case TConditionOperation::coLess:
        return CompareCp1251(s, v1) < 0;
    case TConditionOperation::coGreaterOrEqual:
        return CompareCp1251(s, v1) >= 0;
    case TConditionOperation::coLessOrEqual:
        return CompareCp1251(s, v1) <= 0;
    case TConditionOperation::coContains:
        // An empty text is found nowhere, as the text search of the toolkit has it.
        if (slot.UpperValue1.isEmpty())
            return false;
        if (!text.HasUpper) {
            text.Upper = s.toUpper();
            text.HasUpper = true;
        }
        return text.Upper.contains(slot.UpperValue1);
    default:
        return false;
    }
}
