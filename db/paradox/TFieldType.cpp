#include "db/paradox/TFieldType.h"

#include <array>

QString FieldTypeName(TFieldType type)
{
    static constexpr std::array names = {"ftUnknown", "ftString", "ftSmallint", "ftInteger",
        "ftWord", "ftBoolean", "ftFloat", "ftCurrency", "ftBCD", "ftDate", "ftTime", "ftDateTime",
        "ftBytes", "ftVarBytes", "ftAutoInc", "ftBlob", "ftMemo", "ftGraphic", "ftFmtMemo",
        "ftParadoxOle", "ftDBaseOle", "ftTypedBinary", "ftCursor", "ftFixedChar", "ftWideString",
        "ftLargeint", "ftADT", "ftArray", "ftReference", "ftDataSet", "ftOraBlob", "ftOraClob",
        "ftVariant", "ftInterface", "ftIDispatch", "ftGuid"};
    const auto i = size_t(type);
    return i < names.size() ? QString::fromLatin1(names[i]) : QStringLiteral("ftUnknown");
}

bool IsNumericType(TFieldType type)
{
    switch (type) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD:
    case TFieldType::ftAutoInc:
    case TFieldType::ftLargeint:
        return true;
    default:
        return false;
    }
}

bool IsPlainNumberType(TFieldType type)
{
    return IsNumericType(type) && type != TFieldType::ftBCD;
}

bool IsDateTimeType(TFieldType type)
{
    return type == TFieldType::ftDate || type == TFieldType::ftTime
        || type == TFieldType::ftDateTime;
}

bool IsBlobType(TFieldType type)
{
    switch (type) {
    case TFieldType::ftBlob:
    case TFieldType::ftMemo:
    case TFieldType::ftGraphic:
    case TFieldType::ftFmtMemo:
    case TFieldType::ftParadoxOle:
    case TFieldType::ftDBaseOle:
    case TFieldType::ftTypedBinary:
    case TFieldType::ftOraBlob:
    case TFieldType::ftOraClob:
        return true;
    default:
        return false;
    }
}
