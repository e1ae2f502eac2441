#include "db/paradox/TRecordSet.h"

#include "db/paradox/EDatabaseError.h"
#include "db/paradox/RowOrder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace {
const QDateTime DateTimeOrigin(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
} // namespace

TRecordSet::ByteArena::ByteArena(const ByteArena &other)
{
    Reserve(other.FSize);
    Append({other.FData, other.FSize});
}

TRecordSet::ByteArena &TRecordSet::ByteArena::operator=(ByteArena other) noexcept
{
    std::swap(FData, other.FData);
    std::swap(FSize, other.FSize);
    std::swap(FCapacity, other.FCapacity);
    return *this;
}

TRecordSet::ByteArena::~ByteArena()
{
    std::free(FData);
}

void TRecordSet::ByteArena::Reserve(size_t bytes)
{
    if (bytes <= FCapacity)
        return;
    char *data = static_cast<char *>(std::realloc(FData, bytes));
    if (!data)
        throw std::bad_alloc();
    FData = data;
    FCapacity = bytes;
}

void TRecordSet::ByteArena::Grow(size_t bytes)
{
    Reserve(std::max(FSize + bytes, FCapacity + FCapacity / 2 + 4096));
}

void TRecordSet::ByteArena::Append(std::string_view bytes)
{
    if (bytes.empty())
        return;
    std::memcpy(Extend(bytes.size()), bytes.data(), bytes.size());
    Commit(bytes.size());
}

TRecordSet::TRecordSet(std::vector<ColumnInfo> infos, Selection selection)
{
    const size_t bases = selection.Bases.size();
    if (infos.size() != selection.Columns.size() || (bases == 0 && !infos.empty())
        || (bases > 0 && selection.Rows.size() % bases != 0))
        throw EDatabaseError(QStringLiteral("Selection does not match its columns"));
    for (size_t i = 0; i < infos.size(); ++i) {
        const Selection::Source &source = selection.Columns[i];
        if (source.Base < 0 || size_t(source.Base) >= bases || source.Column < 0
            || source.Column >= selection.Bases[size_t(source.Base)]->ColumnCount())
            throw EDatabaseError(
                QStringLiteral("Selection names no column for %1").arg(infos[i].Name));
        AddColumn(infos[i].Name, infos[i].Type, infos[i].Size);
    }
    FRowCount = bases == 0 ? 0 : int(selection.Rows.size() / bases);
    FSelection = std::make_shared<const Selection>(std::move(selection));
}

int TRecordSet::AddColumn(const QString &name, TFieldType type, int size)
{
    if (FRowCount > 0)
        throw EDatabaseError(
            QStringLiteral("Cannot add column %1 to a filled record set").arg(name));
    Column c;
    c.Info = {name, type, size};
    c.Kind = StorageKindOf(type);
    FColumns.push_back(std::move(c));
    return ColumnCount() - 1;
}

void TRecordSet::Reserve(int rows)
{
    for (Column &c : FColumns) {
        c.Nulls.Reserve(size_t(rows));
        switch (c.Kind) {
        case TStorageKind::Integer:
            c.Ints.reserve(size_t(rows));
            break;
        case TStorageKind::Float:
            c.Floats.reserve(size_t(rows));
            break;
        default:
            c.Offsets.reserve(size_t(rows) + 1);
        }
    }
}

std::vector<std::pair<const void *, size_t>> TRecordSet::ReservedArrays() const
{
    std::vector<std::pair<const void *, size_t>> arrays;
    for (const Column &c : FColumns) {
        arrays.emplace_back(c.Nulls.WordOf(0), c.Nulls.CapacityBytes());
        switch (c.Kind) {
        case TStorageKind::Integer:
            arrays.emplace_back(c.Ints.data(), c.Ints.capacity() * sizeof(int64_t));
            break;
        case TStorageKind::Float:
            arrays.emplace_back(c.Floats.data(), c.Floats.capacity() * sizeof(double));
            break;
        default:
            arrays.emplace_back(c.Offsets.data(), c.Offsets.capacity() * sizeof(uint32_t));
        }
    }
    return arrays;
}

void TRecordSet::ReserveText(int column, size_t bytes)
{
    Column &c = FColumns.at(size_t(column));
    if (c.Kind == TStorageKind::Text || c.Kind == TStorageKind::Bytes)
        c.Arena.Reserve(bytes);
}

int TRecordSet::IndexOf(const QString &name) const
{
    for (int i = 0; i < ColumnCount(); ++i)
        if (FColumns[size_t(i)].Info.Name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TRecordSet::RefuseKind(const Column &c)
{
    throw EDatabaseError(QStringLiteral("Wrong kind of value for column %1").arg(c.Info.Name));
}

void TRecordSet::RefuseMoreText(const Column &c)
{
    throw EDatabaseError(QStringLiteral("Column %1 holds more than 4 GB of text").arg(c.Info.Name));
}

void TRecordSet::RefuseSecondValue(const Column &c)
{
    throw EDatabaseError(
        QStringLiteral("Column %1 received two values in one row").arg(c.Info.Name));
}

void TRecordSet::BeginColumns(int rows)
{
    if (FFillRows >= 0 || FRowCount > 0)
        throw EDatabaseError(QStringLiteral("Record set is already being filled"));
    FFillRows = rows;
}

void TRecordSet::EndColumns()
{
    for (const Column &c : FColumns)
        if (c.Count != FFillRows)
            throw EDatabaseError(QStringLiteral("Column %1 received %2 values of %3")
                                     .arg(c.Info.Name)
                                     .arg(c.Count)
                                     .arg(FFillRows));
    FRowCount = std::exchange(FFillRows, -1);
}

void TRecordSet::AppendFloat(int column, double value)
{
    Column &c = Writable(column, TStorageKind::Float);
    c.Floats.push_back(value);
    c.Nulls.Append(false);
}

void TRecordSet::AppendText(int column, std::string_view utf8)
{
    Column &c = Writable(column, TStorageKind::Text);
    c.Arena.Append(utf8);
    EndText(c);
    c.Nulls.Append(false);
}

void TRecordSet::AppendBytes(int column, std::string_view bytes)
{
    AppendText(column, bytes);
}

void TRecordSet::EndRow()
{
    if (FFillRows >= 0)
        throw EDatabaseError(QStringLiteral("Record set is being filled column by column"));
    for (const Column &c : FColumns)
        if (c.Count != FRowCount + 1)
            throw EDatabaseError(QStringLiteral("Column %1 received no value in row %2")
                                     .arg(c.Info.Name)
                                     .arg(FRowCount + 1));
    ++FRowCount;
}

bool TRecordSet::IsNull(int row, int column) const
{
    if (FSelection) {
        const BaseCell cell = Base(row, column);
        return cell.Rows.IsNull(cell.Row, cell.Column);
    }
    const Column &c = FColumns[size_t(column)];
    // A text with bytes is no null: its flag need not be read (a row read out of order then
    // costs one memory fetch less).
    if ((c.Kind == TStorageKind::Text || c.Kind == TStorageKind::Bytes)
        && c.Offsets[size_t(row) + 1] != c.Offsets[size_t(row)])
        return false;
    return c.Nulls[size_t(row)];
}

int64_t TRecordSet::Int(int row, int column) const
{
    if (FSelection) {
        const BaseCell cell = Base(row, column);
        return cell.Rows.Int(cell.Row, cell.Column);
    }
    const Column &c = FColumns[size_t(column)];
    if (c.Kind == TStorageKind::Float)
        return int64_t(c.Floats[size_t(row)]);
    return c.Kind == TStorageKind::Integer ? c.Ints[size_t(row)] : 0;
}

double TRecordSet::Float(int row, int column) const
{
    if (FSelection) {
        const BaseCell cell = Base(row, column);
        return cell.Rows.Float(cell.Row, cell.Column);
    }
    const Column &c = FColumns[size_t(column)];
    if (c.Kind == TStorageKind::Integer)
        return double(c.Ints[size_t(row)]);
    return c.Kind == TStorageKind::Float ? c.Floats[size_t(row)] : 0.0;
}

std::string_view TRecordSet::Raw(int row, int column) const
{
    if (FSelection) {
        const BaseCell cell = Base(row, column);
        return cell.Rows.Raw(cell.Row, cell.Column);
    }
    const Column &c = FColumns[size_t(column)];
    if (c.Kind != TStorageKind::Text && c.Kind != TStorageKind::Bytes)
        return {};
    const uint32_t begin = c.Offsets[size_t(row)];
    const uint32_t end = c.Offsets[size_t(row) + 1];
    return {c.Arena.Data() + begin, size_t(end - begin)};
}

QString TRecordSet::Text(int row, int column) const
{
    const std::string_view raw = Raw(row, column);
    return QString::fromUtf8(raw.data(), qsizetype(raw.size()));
}

QVariant TRecordSet::Value(int row, int column) const
{
    if (FSelection) {
        const BaseCell cell = Base(row, column);
        return cell.Rows.Value(cell.Row, cell.Column);
    }
    if (IsNull(row, column))
        return {};
    const Column &c = FColumns[size_t(column)];
    switch (c.Info.Type) {
    case TFieldType::ftBoolean:
        return QVariant(c.Ints[size_t(row)] != 0);
    case TFieldType::ftDate:
        return QVariant(QDate::fromJulianDay(c.Ints[size_t(row)]));
    case TFieldType::ftTime:
        return QVariant(QTime::fromMSecsSinceStartOfDay(int(c.Ints[size_t(row)])));
    case TFieldType::ftDateTime:
        return QVariant(MSecsToDateTime(c.Ints[size_t(row)]));
    default:
        break;
    }
    switch (c.Kind) {
    case TStorageKind::Integer:
        return QVariant(qlonglong(c.Ints[size_t(row)]));
    case TStorageKind::Float:
        return QVariant(c.Floats[size_t(row)]);
    case TStorageKind::Text:
        return QVariant(Text(row, column));
    case TStorageKind::Bytes: {
        const std::string_view raw = Raw(row, column);
        return QVariant(QByteArray(raw.data(), qsizetype(raw.size())));
    }
    }
    return {};
}

namespace {

uint64_t ColumnBit(size_t column)
{
    return uint64_t(1) << std::min<size_t>(column, 63);
}

} // namespace

void TRecordSet::ReadAhead(int firstRow, int rowCount) const
{
    const int end = std::min(FRowCount, firstRow + rowCount);
    if (!FSelection || firstRow < 0 || firstRow >= end)
        return; // a table's own rows are read in the order they are kept
    const size_t bases = FSelection->Bases.size();
    std::vector<int32_t> rows;
    rows.reserve(size_t(end - firstRow));
    for (size_t base = 0; base < bases; ++base) {
        uint64_t columns = 0;
        for (const Selection::Source &source : FSelection->Columns)
            if (size_t(source.Base) == base)
                columns |= ColumnBit(size_t(source.Column));
        rows.clear();
        for (int row = firstRow; row < end; ++row)
            rows.push_back(FSelection->Rows[size_t(row) * bases + base]);
        FSelection->Bases[base]->ReadAhead(rows.data(), rows.size(), columns);
    }
}

void TRecordSet::ReadAhead(const int32_t *rows, size_t count, uint64_t columns) const
{
    if (FSelection) {
        const size_t bases = FSelection->Bases.size();
        std::vector<int32_t> baseRows(count);
        for (size_t base = 0; base < bases; ++base) {
            uint64_t baseColumns = 0;
            for (size_t column = 0; column < FSelection->Columns.size(); ++column)
                if ((columns & ColumnBit(column)) != 0
                    && size_t(FSelection->Columns[column].Base) == base)
                    baseColumns |= ColumnBit(size_t(FSelection->Columns[column].Column));
            if (baseColumns == 0)
                continue;
            for (size_t i = 0; i < count; ++i)
                baseRows[i] = FSelection->Rows[size_t(rows[i]) * bases + base];
            FSelection->Bases[base]->ReadAhead(baseRows.data(), count, baseColumns);
        }
        return;
    }
    // Where each row stands in the arrays first, all at once; then the texts, which start where
    // the offsets fetched a moment ago say.
    const auto used = [&](size_t column) { return (columns & ColumnBit(column)) != 0; };
    for (size_t column = 0; column < FColumns.size(); ++column) {
        if (!used(column))
            continue;
        const Column &c = FColumns[column];
        for (size_t i = 0; i < count; ++i) {
            const size_t row = size_t(rows[i]);
            switch (c.Kind) {
            case TStorageKind::Integer:
                __builtin_prefetch(c.Nulls.WordOf(row));
                __builtin_prefetch(c.Ints.data() + row);
                break;
            case TStorageKind::Float:
                __builtin_prefetch(c.Nulls.WordOf(row));
                __builtin_prefetch(c.Floats.data() + row);
                break;
            default: // a text's flag is read only when it is empty (see IsNull)
                __builtin_prefetch(c.Offsets.data() + row);
            }
        }
    }
    for (size_t column = 0; column < FColumns.size(); ++column) {
        const Column &c = FColumns[column];
        if (!used(column) || c.Kind == TStorageKind::Integer || c.Kind == TStorageKind::Float)
            continue;
        for (size_t i = 0; i < count; ++i)
            __builtin_prefetch(c.Arena.Data() + c.Offsets[size_t(rows[i])]);
    }
}

std::vector<int32_t> TRecordSet::ReadingOrder(int firstRow, int rowCount) const
{
    const int end = std::min(FRowCount, firstRow + std::max(rowCount, 0));
    std::vector<int32_t> order;
    if (firstRow < 0 || firstRow >= end)
        return order;
    order.reserve(size_t(end - firstRow));
    if (!FSelection) {
        for (int row = firstRow; row < end; ++row)
            order.push_back(row);
        return order;
    }
    const size_t bases = FSelection->Bases.size();
    std::vector<uint64_t> keys;
    keys.reserve(order.capacity());
    for (int row = firstRow; row < end; ++row)
        keys.push_back(RowOrderKey(FSelection->Rows[size_t(row) * bases], uint32_t(row)));
    SortByRow(keys, FSelection->Bases.front()->RowCount());
    for (const uint64_t key : keys)
        order.push_back(int32_t(PlaceOfKey(key)));
    return order;
}

size_t TRecordSet::MemoryUsage() const
{
    size_t total = FSelection ? FSelection->Rows.capacity() * sizeof(int32_t) : 0;
    for (const Column &c : FColumns)
        total += c.Ints.capacity() * sizeof(int64_t) + c.Floats.capacity() * sizeof(double)
            + c.Offsets.capacity() * sizeof(uint32_t) + c.Arena.Capacity()
            + c.Nulls.CapacityBytes();
    return total;
}

int64_t TRecordSet::DateTimeToMSecs(const QDateTime &value)
{
    const QDateTime utc(value.date(), value.time(), Qt::UTC);
    return DateTimeOrigin.msecsTo(utc);
}

QDateTime TRecordSet::MSecsToDateTime(int64_t msecs)
{
    const QDateTime utc = DateTimeOrigin.addMSecs(msecs);
    return QDateTime(utc.date(), utc.time());
}
