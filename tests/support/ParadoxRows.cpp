#include "tests/support/ParadoxRows.h"

#include "db/paradox/ParadoxFormat.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace {

void AppendValue(TRecordSet &set, int column, const QVariant &value)
{
    if (value.isNull()) {
        set.AppendNull(column);
        return;
    }
    switch (set.Info(column).Type) {
    case TFieldType::ftDate:
        set.AppendInt(column, value.toDate().toJulianDay());
        return;
    case TFieldType::ftTime:
        set.AppendInt(column, value.toTime().msecsSinceStartOfDay());
        return;
    case TFieldType::ftDateTime:
        set.AppendInt(column, TRecordSet::DateTimeToMSecs(value.toDateTime()));
        return;
    case TFieldType::ftBoolean:
        set.AppendInt(column, value.toBool());
        return;
    default:
        break;
    }
    switch (StorageKindOf(set.Info(column).Type)) {
    case TStorageKind::Integer:
        set.AppendInt(column, value.toLongLong());
        break;
    case TStorageKind::Float:
        set.AppendFloat(column, value.toDouble());
        break;
    case TStorageKind::Text:
        set.AppendText(column, value.toString().toStdString());
        break;
    case TStorageKind::Bytes:
        set.AppendBytes(column, value.toByteArray().toStdString());
        break;
    }
}

} // namespace

TRecordSet RowsFromValues(
    const std::vector<Paradox::NewField> &fields, const QList<QVariantList> &rows)
{
    TRecordSet set;
    for (const Paradox::NewField &field : fields) {
        const Paradox::Format::FieldKind *kind
            = Paradox::Format::KindOfLetter(char(field.Kind.toLatin1()));
        const TFieldType type = kind ? kind->Type : TFieldType::ftUnknown;
        set.AddColumn(field.Name, type, type == TFieldType::ftString ? field.Length : 0);
    }
    for (const QVariantList &row : rows) {
        for (int c = 0; c < set.ColumnCount(); ++c)
            AppendValue(set, c, row.at(c));
        set.EndRow();
    }
    return set;
}
