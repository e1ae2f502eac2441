#pragma once

#include <QString>

// Data types of dataset fields, with the toolkit's ordinals.
enum class TFieldType : int {
    ftUnknown = 0,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftParadoxOle,
    ftDBaseOle,
    ftTypedBinary,
    ftCursor,
    ftFixedChar,
    ftWideString,
    ftLargeint,
    ftADT,
    ftArray,
    ftReference,
    ftDataSet,
    ftOraBlob,
    ftOraClob,
    ftVariant,
    ftInterface,
    ftIDispatch,
    ftGuid,
};

// How a value of the type is kept in memory.
enum class TStorageKind { Integer, Float, Text, Bytes };

QString FieldTypeName(TFieldType type); // "ftString" ...
bool IsNumericType(TFieldType type); // integers, floats, currency, BCD
// The numeric types but BCD: the ones whose values are read and compared as plain numbers.
// Exact decimals take no part in number readings, formulas or whole-value searches.
bool IsPlainNumberType(TFieldType type);
bool IsDateTimeType(TFieldType type); // date, time, date-time
bool IsBlobType(TFieldType type); // memo, BLOb, graphic, OLE ...

// Read for every value handed to SQLite or checked against it: inline.
constexpr TStorageKind StorageKindOf(TFieldType type)
{
    switch (type) {
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD:
        return TStorageKind::Float;
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
    case TFieldType::ftWideString:
    case TFieldType::ftMemo:
    case TFieldType::ftFmtMemo:
    case TFieldType::ftOraClob:
    case TFieldType::ftGuid:
    case TFieldType::ftVariant:
        return TStorageKind::Text;
    case TFieldType::ftBytes:
    case TFieldType::ftVarBytes:
    case TFieldType::ftBlob:
    case TFieldType::ftGraphic:
    case TFieldType::ftParadoxOle:
    case TFieldType::ftDBaseOle:
    case TFieldType::ftTypedBinary:
    case TFieldType::ftOraBlob:
    case TFieldType::ftUnknown:
        return TStorageKind::Bytes;
    default:
        return TStorageKind::Integer;
    }
}
