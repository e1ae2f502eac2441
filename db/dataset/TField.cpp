#include "db/dataset/TField.h"

#include "core/TFormatSettings.h"
#include "db/paradox/EDatabaseError.h"
#include "db/dataset/TDataSet.h"
#include "db/paradox/TRecordSet.h"

#include <cmath>
#include <limits>

int DefaultDisplayWidth(TFieldType type, int size)
{
    switch (type) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
    case TFieldType::ftWideString:
        return size > 0 ? size : 20;
    case TFieldType::ftSmallint:
    case TFieldType::ftWord:
        return 6;
    case TFieldType::ftInteger:
    case TFieldType::ftAutoInc:
        return 11;
    case TFieldType::ftLargeint:
        return 15;
    case TFieldType::ftBoolean:
        return 5;
    case TFieldType::ftDate:
    case TFieldType::ftTime:
        return 10;
    case TFieldType::ftDateTime:
        return 18;
    case TFieldType::ftBytes:
    case TFieldType::ftVarBytes:
        return size > 0 ? size * 2 : 10;
    default:
        return 10;
    }
}

TField::TField(TDataSet *dataSet, int index, const QString &name, TFieldType type, int size)
    : FDataSet(dataSet)
    , FIndex(index)
    , FFieldName(name)
    , FDataType(type)
    , FSize(size)
    , FDisplayWidth(DefaultDisplayWidth(type, size))
    , FAlignment(IsNumericType(type) ? TAlignment::taRightJustify : TAlignment::taLeftJustify)
{ }

void TField::SetDisplayLabel(const QString &label)
{
    if (label == FDisplayLabel)
        return;
    FDisplayLabel = label;
    FDataSet->FieldLayoutChanged();
}

void TField::SetVisible(bool visible)
{
    if (visible == FVisible)
        return;
    FVisible = visible;
    FDataSet->FieldLayoutChanged();
}

void TField::SetDisplayWidth(int width)
{
    if (width == FDisplayWidth)
        return;
    FDisplayWidth = width;
    FDataSet->FieldLayoutChanged();
}

void TField::SetAlignment(TAlignment alignment)
{
    if (alignment == FAlignment)
        return;
    FAlignment = alignment;
    FDataSet->FieldLayoutChanged();
}

const TRecordSet &TField::Rows() const
{
    return *FDataSet->RecordSet();
}

// The row to read, or -1 for an empty dataset (every field reads as null there).
int TField::Row() const
{
    FDataSet->CheckActive();
    const int row = FDataSet->ActiveRecord();
    // A record moved past the end (a stale row kept across a reopen) is refused, not read.
    if (row >= FDataSet->RecordCount())
        throw EDatabaseError(
            QStringLiteral("Field '%1': record %2 does not exist; the dataset has %3")
                .arg(FFieldName)
                .arg(row + 1)
                .arg(FDataSet->RecordCount()));
    return row;
}

bool TField::IsNull() const
{
    const int row = Row();
    return row < 0 || Rows().IsNull(row, FIndex);
}

QVariant TField::AsVariant() const
{
    const int row = Row();
    return row < 0 ? QVariant() : Rows().Value(row, FIndex);
}

QString TField::AsString() const
{
    if (IsNull())
        return {};
    const int row = Row();
    const TRecordSet &rows = Rows();
    switch (FDataType) {
    case TFieldType::ftBoolean:
        return rows.Int(row, FIndex) ? QStringLiteral("True") : QStringLiteral("False");
    case TFieldType::ftDate:
        return DateToStr(QDate::fromJulianDay(rows.Int(row, FIndex)));
    case TFieldType::ftTime:
        return TimeToStr(QTime::fromMSecsSinceStartOfDay(int(rows.Int(row, FIndex))));
    case TFieldType::ftDateTime:
        return DateTimeToStr(TRecordSet::MSecsToDateTime(rows.Int(row, FIndex)));
    default:
        break;
    }
    switch (StorageKindOf(FDataType)) {
    case TStorageKind::Integer:
        return QString::number(rows.Int(row, FIndex));
    case TStorageKind::Float:
        return FloatToStr(rows.Float(row, FIndex));
    case TStorageKind::Text:
        return rows.Text(row, FIndex);
    case TStorageKind::Bytes: {
        const std::string_view raw = rows.Raw(row, FIndex);
        return QString::fromLatin1(raw.data(), qsizetype(raw.size()));
    }
    }
    return {};
}

QString TField::BlobCaption() const
{
    QString name = FieldTypeName(FDataType).mid(2);
    if (FDataType == TFieldType::ftFmtMemo)
        name = QStringLiteral("FmtMemo");
    return QLatin1Char('(') + name.toUpper() + QLatin1Char(')');
}

QString TField::DisplayText() const
{
    // A large object shows only that it holds something; a null shows nothing, like every null.
    if (IsBlobType(FDataType))
        return IsNull() ? QString() : BlobCaption();
    if (FDataType == TFieldType::ftCurrency && !IsNull()) {
        QString text = QString::number(Rows().Float(Row(), FIndex), 'f', 2);
        text.replace(QLatin1Char('.'), FormatSettings().DecimalSeparator);
        return text;
    }
    return AsString();
}

void TField::ConversionError(const QString &text, const char *kind) const
{
    throw EDatabaseError(QStringLiteral("'%1' is not a valid %2 value for field '%3'")
                             .arg(text, QLatin1String(kind), FFieldName));
}

qint64 TField::AsLargeInt() const
{
    if (IsNull())
        return 0;
    const int row = Row();
    switch (StorageKindOf(FDataType)) {
    case TStorageKind::Integer:
        return Rows().Int(row, FIndex);
    case TStorageKind::Float: {
        const double v = std::round(Rows().Float(row, FIndex));
        if (!(v >= -9.2e18 && v <= 9.2e18))
            ConversionError(AsString(), "integer");
        return qint64(v);
    }
    default: {
        const QString text = AsString().trimmed();
        bool ok = false;
        const qint64 v = text.toLongLong(&ok);
        if (!ok)
            ConversionError(text, "integer");
        return v;
    }
    }
}

int TField::AsInteger() const
{
    const qint64 v = AsLargeInt();
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        ConversionError(QString::number(v), "integer");
    return int(v);
}

double TField::AsFloat() const
{
    if (IsNull())
        return 0;
    // Dates and times as the toolkit counts them: days since 30.12.1899, the time a fraction.
    static const QDate dayZero(1899, 12, 30);
    constexpr double msecsPerDay = 86400000.0;
    switch (FDataType) {
    case TFieldType::ftDate:
        return double(dayZero.daysTo(QDate::fromJulianDay(Rows().Int(Row(), FIndex))));
    case TFieldType::ftTime:
        return double(Rows().Int(Row(), FIndex)) / msecsPerDay;
    case TFieldType::ftDateTime: {
        const QDateTime value = TRecordSet::MSecsToDateTime(Rows().Int(Row(), FIndex));
        return double(dayZero.daysTo(value.date())) + value.time().msecsSinceStartOfDay() / msecsPerDay;
    }
    default:
        break;
    }
    switch (StorageKindOf(FDataType)) {
    case TStorageKind::Integer:
    case TStorageKind::Float:
        return Rows().Float(Row(), FIndex);
    default: {
        const QString text = AsString();
        double v = 0;
        if (!TryStrToFloat(text, v))
            ConversionError(text, "floating point");
        return v;
    }
    }
}

bool TField::AsBoolean() const
{
    if (IsNull())
        return false;
    if (StorageKindOf(FDataType) == TStorageKind::Text) {
        const QString text = AsString().trimmed();
        if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return true;
        if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return false;
        ConversionError(text, "boolean");
    }
    return AsFloat() != 0;
}

QDateTime TField::AsDateTime() const
{
    if (IsNull())
        return {};
    const QVariant v = AsVariant();
    switch (FDataType) {
    case TFieldType::ftDate:
        return QDateTime(v.toDate(), QTime(0, 0));
    case TFieldType::ftTime:
        return QDateTime(QDate(1899, 12, 30), v.toTime());
    case TFieldType::ftDateTime:
        return v.toDateTime();
    default:
        ConversionError(AsString(), "date and time");
    }
}
