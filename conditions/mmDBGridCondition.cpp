#include "conditions/mmDBGridCondition.h"

QString ConditionOperationText(TConditionOperation op)
{
    switch (op) {
    case TConditionOperation::coEqual:
        return QStringLiteral("равно");
    case TConditionOperation::coNotEqual:
        return QStringLiteral("не равно");
    case TConditionOperation::coBetween:
        return QStringLiteral("между");
    case TConditionOperation::coOutside:
        return QStringLiteral("вне");
    case TConditionOperation::coGreater:
        return QStringLiteral("больше");
    case TConditionOperation::coLess:
        return QStringLiteral("меньше");
    case TConditionOperation::coGreaterOrEqual:
        return QStringLiteral("больше или равно");
    case TConditionOperation::coLessOrEqual:
        return QStringLiteral("меньше или равно");
    case TConditionOperation::coContains:
        return QStringLiteral("содержит");
    }
    return {};
}

std::unique_ptr<TCondition> TCondition::Clone() const
{
    auto copy = std::make_unique<TCondition>();
    copy->Color = Color;
    copy->UseColor = UseColor;
    copy->UseFont = UseFont;
    copy->SetFont(Font);
    copy->Value1 = Value1;
    copy->Value2 = Value2;
    copy->Formula = Formula;
    copy->Operation = Operation;
    copy->FieldName = FieldName;
    copy->ShowInFields = ShowInFields;
    return copy;
}
