#include "db/sql/SqlResult.h"

#include "core/OperationProgress.h"

#include <algorithm>
#include <bit>
#include <sqlite3.h>

namespace {

// What a record set can hold: its rows are counted in int, and a result this large is a
// runaway query rather than a lookup.
constexpr int MaxRows = 50'000'000;
constexpr size_t MaxTextBytes = size_t(4) << 30;
// Rows turned into the record set between two looks at the progress.
constexpr int BuildTickRows = 65536;
// Width given to a text column that also holds numbers written as text.
constexpr int NumberTextWidth = 24;

bool IsTemporal(TFieldType type)
{
    return type == TFieldType::ftDate || type == TFieldType::ftTime
        || type == TFieldType::ftDateTime;
}

int CharacterCount(std::string_view utf8)
{
    int count = 0;
    for (const char c : utf8)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

// The most characters a text of the column has, counted only where there may be more than
// atLeast (a text has no more characters than bytes).
int LongestText(const TRecordSet &rows, int column, int atLeast)
{
    int longest = 0;
    for (int row = 0; row < rows.RowCount(); ++row) {
        const std::string_view text = rows.Raw(row, column);
        if (text.size() > size_t(atLeast))
            longest = std::max(longest, CharacterCount(text));
    }
    return longest;
}

std::string NumberText(int type, int64_t number)
{
    if (type == SQLITE_INTEGER)
        return std::to_string(number);
    double value = 0;
    std::memcpy(&value, &number, sizeof value);
    char text[64];
    sqlite3_snprintf(sizeof text, text, "%!.15g", value); // as SQLite writes a number as text
    return text;
}

bool ParseTemporal(TFieldType type, std::string_view text, int64_t &value)
{
    switch (type) {
    case TFieldType::ftDate:
        return SqlVirtualTable::ParseSqlDate(text, value);
    case TFieldType::ftTime:
        return SqlVirtualTable::ParseSqlTime(text, value);
    default:
        return SqlVirtualTable::ParseSqlDateTime(text, value);
    }
}

// Most often the very bytes of the table: SQLite passes our texts on without copying them.
bool SameBytes(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && (a.data() == b.data() || a == b);
}

} // namespace

// Reads one column's cells back in row order.
struct SqlResultBuilder::Cell
{
    int Type = SQLITE_NULL;
    int64_t Number = 0;
    std::string_view Text;
};

class SqlResultBuilder::Reader
{
public:
    explicit Reader(const Column &column)
        : FColumn(column)
    { }

    Cell Next()
    {
        Cell cell;
        cell.Type = FColumn.Types[FRow];
        cell.Number = FColumn.Numbers[FRow];
        if (cell.Type == SQLITE_TEXT || cell.Type == SQLITE_BLOB) {
            const size_t end = size_t(cell.Number);
            cell.Text = std::string_view(FColumn.Arena).substr(FTextStart, end - FTextStart);
            FTextStart = end;
        }
        ++FRow;
        return cell;
    }

private:
    const Column &FColumn;
    size_t FRow = 0;
    size_t FTextStart = 0;
};

SqlResultBuilder::SqlResultBuilder(sqlite3_stmt *statement, const SourceFinder &findSource)
    : FStatement(statement)
{
    const int count = sqlite3_column_count(statement);
    FColumns.resize(size_t(count));
    for (int i = 0; i < count; ++i) {
        Column &column = FColumns[size_t(i)];
        const char *name = sqlite3_column_name(statement, i);
        const QString base = QString::fromUtf8(name ? name : "");
        // Two columns of one name (TELE of two tables) are told apart as TELE and TELE_1.
        QString unique = base;
        for (int suffix = 1;; ++suffix) {
            bool taken = false;
            for (int j = 0; j < i; ++j)
                taken = taken || FColumns[size_t(j)].Name.compare(unique, Qt::CaseInsensitive) == 0;
            if (!taken)
                break;
            unique = QStringLiteral("%1_%2").arg(base).arg(suffix);
        }
        column.Name = unique;
        column.Declared = SqlVirtualTable::ParseDeclaredType(sqlite3_column_decltype(statement, i));
    }
    if (findSource)
        FindOrigins(findSource);
}

// Every column must be a column of one of our tables, as declared there, for the rows to be
// kept as table rows.
void SqlResultBuilder::FindOrigins(const SourceFinder &findSource)
{
    std::vector<Origin> origins;
    for (size_t i = 0; i < FColumns.size(); ++i) {
        const int index = int(i);
        const char *table = sqlite3_column_table_name(FStatement, index);
        const char *name = sqlite3_column_origin_name(FStatement, index);
        SqlVirtualTable::Source *source = table && name ? findSource(table) : nullptr;
        if (!source || !FColumns[i].Declared.Valid)
            return;
        const TRecordSet &rows = *source->Rows;
        const QString origin = QString::fromUtf8(name);
        int column = 0;
        while (column < rows.ColumnCount() && rows.Info(column).Name != origin)
            ++column;
        if (column == rows.ColumnCount() || rows.Info(column).Type != FColumns[i].Declared.Type)
            return;
        const auto base
            = size_t(std::find(FSources.begin(), FSources.end(), source) - FSources.begin());
        if (base == FSources.size())
            FSources.push_back(source);
        origins.push_back({int(base), column});
    }
    if (origins.empty()) {
        FSources.clear();
        return;
    }
    FOrigins = std::move(origins);
}

bool SqlResultBuilder::CellMatches(
    int index, const SqlVirtualTable::CellValue &cell, TFieldType field) const
{
    const int type = sqlite3_column_type(FStatement, index);
    if (cell.Null)
        return type == SQLITE_NULL;
    // A text's bytes as they are: sqlite3_column_text would copy a text of ours, which has no
    // terminating zero, to add one.
    const auto text = [&]() {
        const void *data = sqlite3_column_blob(FStatement, index);
        const int bytes = sqlite3_column_bytes(FStatement, index);
        return std::string_view(static_cast<const char *>(data), data ? size_t(bytes) : 0);
    };
    if (IsTemporal(field)) {
        int64_t value = 0;
        return type == SQLITE_TEXT && ParseTemporal(field, text(), value) && value == cell.Number;
    }
    switch (StorageKindOf(field)) {
    case TStorageKind::Integer:
        return type == SQLITE_INTEGER && sqlite3_column_int64(FStatement, index) == cell.Number;
    case TStorageKind::Float: {
        const double value = sqlite3_column_double(FStatement, index);
        return type == SQLITE_FLOAT && std::bit_cast<int64_t>(value) == cell.Number;
    }
    case TStorageKind::Text:
        return type == SQLITE_TEXT && SameBytes(text(), cell.Bytes);
    case TStorageKind::Bytes:
        return type == SQLITE_BLOB && SameBytes(text(), cell.Bytes);
    }
    return false;
}

// Whether the current row shows exactly the values of this row of one of its sources.
bool SqlResultBuilder::ShowsRow(int base, int row) const
{
    const SqlVirtualTable::Source &source = *FSources[size_t(base)];
    const TRecordSet &rows = *source.Rows;
    if (row < 0 || row >= rows.RowCount())
        return false;
    for (size_t i = 0; i < FOrigins.size(); ++i) {
        const int column = FOrigins[i].Column;
        if (FOrigins[i].Base == base
            && !CellMatches(int(i), SqlVirtualTable::CellOf(source, row, column),
                rows.Info(column).Type))
            return false;
    }
    return true;
}

// Keeps the current row as the table rows SQLite read last, when it shows exactly their values.
bool SqlResultBuilder::KeepRow()
{
    const size_t first = FSelected.size();
    for (size_t base = 0; base < FSources.size(); ++base) {
        const SqlVirtualTable::Source &source = *FSources[base];
        int shown = -1;
        for (const int row : {source.LastRow, source.RowBefore})
            if (ShowsRow(int(base), row)) {
                shown = row;
                break;
            }
        if (shown < 0) {
            FSelected.resize(first);
            return false;
        }
        FSelected.push_back(shown);
    }
    return true;
}

SqlResultBuilder::Added SqlResultBuilder::AddRow()
{
    if (FRows >= MaxRows || FBytes >= MaxTextBytes)
        return Added::TooLarge;
    if (!FOrigins.empty()) {
        // Rows that come out of a sort are not the rows SQLite read last.
        const bool sorted
            = FRows == 0 && sqlite3_stmt_status(FStatement, SQLITE_STMTSTATUS_SORT, 0) > 0;
        if (!sorted && KeepRow()) {
            ++FRows;
            return Added::Row;
        }
        FOrigins.clear();
        FSelected = {};
        if (FRows > 0) {
            FRows = 0;
            return Added::Again;
        }
    }
    CopyRow();
    ++FRows;
    return Added::Row;
}

void SqlResultBuilder::CopyRow()
{
    for (size_t i = 0; i < FColumns.size(); ++i) {
        Column &column = FColumns[i];
        const int index = int(i);
        const int type = sqlite3_column_type(FStatement, index);
        column.Types.push_back(static_cast<unsigned char>(type));
        switch (type) {
        case SQLITE_INTEGER: {
            const int64_t value = sqlite3_column_int64(FStatement, index);
            column.HasInteger = true;
            column.Fits32 = column.Fits32 && value >= INT32_MIN && value <= INT32_MAX;
            column.Numbers.push_back(value);
            break;
        }
        case SQLITE_FLOAT: {
            const double value = sqlite3_column_double(FStatement, index);
            int64_t bits = 0;
            std::memcpy(&bits, &value, sizeof bits);
            column.HasFloat = true;
            column.Numbers.push_back(bits);
            break;
        }
        case SQLITE_TEXT:
        case SQLITE_BLOB: {
            // Texts too, as they are (see CellMatches).
            const void *data = sqlite3_column_blob(FStatement, index);
            const int bytes = sqlite3_column_bytes(FStatement, index);
            const std::string_view value(static_cast<const char *>(data), data ? size_t(bytes) : 0);
            column.Arena.append(value);
            column.Numbers.push_back(int64_t(column.Arena.size()));
            FBytes += value.size();
            if (type == SQLITE_TEXT) {
                column.HasText = true;
                column.LongestText = std::max(column.LongestText, CharacterCount(value));
            } else {
                column.HasBlob = true;
            }
            break;
        }
        default:
            column.Numbers.push_back(0);
        }
    }
}

qint64 SqlResultBuilder::ColumnBytes(const Column &column)
{
    return qint64(column.Types.capacity()) + qint64(column.Numbers.capacity() * sizeof(int64_t))
        + qint64(column.Arena.capacity());
}

qint64 SqlResultBuilder::Bytes() const
{
    qint64 bytes = qint64(FSelected.capacity() * sizeof(int32_t));
    for (const Column &column : FColumns)
        bytes += ColumnBytes(column);
    return bytes;
}

qint64 SqlResultBuilder::BuildPeakBytes() const
{
    qint64 largest = 0;
    for (const Column &column : FColumns)
        largest = std::max(largest, ColumnBytes(column));
    return Bytes() + largest;
}

bool SqlResultBuilder::Compatible(const Column &column, TFieldType type) const
{
    if (IsTemporal(type)) {
        if (column.HasInteger || column.HasFloat || column.HasBlob)
            return false;
        Reader reader(column);
        int64_t value = 0;
        for (int row = 0; row < FRows; ++row) {
            const Cell cell = reader.Next();
            if (cell.Type == SQLITE_TEXT && !ParseTemporal(type, cell.Text, value))
                return false;
        }
        return true;
    }
    switch (StorageKindOf(type)) {
    case TStorageKind::Integer:
        return !column.HasFloat && !column.HasText && !column.HasBlob;
    case TStorageKind::Float:
        return !column.HasText && !column.HasBlob;
    case TStorageKind::Text:
        return !column.HasInteger && !column.HasFloat && !column.HasBlob;
    case TStorageKind::Bytes:
        return !column.HasInteger && !column.HasFloat;
    }
    return false;
}

TRecordSet::ColumnInfo SqlResultBuilder::Decide(const Column &column) const
{
    if (column.Declared.Valid && Compatible(column, column.Declared.Type)) {
        int size = column.Declared.Size;
        if (StorageKindOf(column.Declared.Type) == TStorageKind::Text && size > 0)
            size = std::max(size, column.LongestText);
        return {column.Name, column.Declared.Type, size};
    }
    if (column.HasBlob)
        return {column.Name, TFieldType::ftBlob, 0};
    if (column.HasText) {
        int size = column.LongestText;
        if (column.HasInteger || column.HasFloat)
            size = std::max(size, NumberTextWidth);
        return {column.Name, TFieldType::ftString, size};
    }
    if (column.HasFloat)
        return {column.Name, TFieldType::ftFloat, 0};
    if (column.HasInteger)
        return {column.Name, column.Fits32 ? TFieldType::ftInteger : TFieldType::ftLargeint, 0};
    return {column.Name, TFieldType::ftString, 0};
}

// The width of a text column kept as table rows, as Decide gives it for copied rows: the
// field's size, or the longest text when one is longer (a memo's text may be).
int SqlResultBuilder::SelectedTextWidth(size_t index) const
{
    const Column &column = FColumns[index];
    int width = column.Declared.Size;
    if (StorageKindOf(column.Declared.Type) != TStorageKind::Text || width <= 0)
        return width;
    const Origin &origin = FOrigins[index];
    const TRecordSet &rows = *FSources[size_t(origin.Base)]->Rows;
    const size_t bases = FSources.size();
    // Most of a table, sorted, lies scattered over its column: the whole column read front to
    // back settles it sooner, unless some text of the table is longer than the field.
    if (FSelected.size() / bases > size_t(rows.RowCount()) / 8
        && LongestText(rows, origin.Column, width) <= width)
        return width;
    for (size_t at = size_t(origin.Base); at < FSelected.size(); at += bases) {
        const std::string_view text = rows.Raw(FSelected[at], origin.Column);
        if (text.size() > size_t(width)) // no more characters than bytes
            width = std::max(width, CharacterCount(text));
    }
    return width;
}

std::unique_ptr<TRecordSet> SqlResultBuilder::BuildSelection()
{
    std::vector<TRecordSet::ColumnInfo> infos;
    TRecordSet::Selection selection;
    for (size_t i = 0; i < FColumns.size(); ++i) {
        infos.push_back({FColumns[i].Name, FColumns[i].Declared.Type, SelectedTextWidth(i)});
        selection.Columns.push_back({FOrigins[i].Base, FOrigins[i].Column});
    }
    for (const SqlVirtualTable::Source *source : FSources)
        selection.Bases.push_back(source->Rows);
    selection.Rows = std::move(FSelected);
    selection.Rows.shrink_to_fit();
    FOrigins.clear();
    FSources.clear();
    FRows = 0;
    return std::make_unique<TRecordSet>(std::move(infos), std::move(selection));
}

std::unique_ptr<TRecordSet> SqlResultBuilder::Build(TOperationProgress *progress)
{
    if (!FOrigins.empty())
        return BuildSelection();
    auto result = std::make_unique<TRecordSet>();
    std::vector<TRecordSet::ColumnInfo> infos;
    for (const Column &column : FColumns) {
        infos.push_back(Decide(column));
        result->AddColumn(infos.back().Name, infos.back().Type, infos.back().Size);
    }
    result->Reserve(FRows);
    // Column by column, each gathered column let go once copied: the gathered rows and the
    // record set are never both held whole.
    result->BeginColumns(FRows);
    for (size_t i = 0; i < FColumns.size(); ++i) {
        FillColumn(*result, int(i), infos[i].Type, progress);
        Column &done = FColumns[i];
        done.Types = {};
        done.Numbers = {};
        done.Arena = {};
    }
    result->EndColumns();
    FRows = 0;
    FBytes = 0;
    return result;
}

void SqlResultBuilder::FillColumn(
    TRecordSet &result, int index, TFieldType type, TOperationProgress *progress) const
{
    Reader reader(FColumns[size_t(index)]);
    for (int row = 0; row < FRows; ++row) {
        if (progress && row % BuildTickRows == BuildTickRows - 1)
            progress->ThrowIfCancelled();
        const Cell cell = reader.Next();
        if (cell.Type == SQLITE_NULL) {
            result.AppendNull(index);
            continue;
        }
        if (IsTemporal(type)) {
            int64_t value = 0;
            ParseTemporal(type, cell.Text, value); // checked by Compatible
            result.AppendInt(index, value);
            continue;
        }
        switch (StorageKindOf(type)) {
        case TStorageKind::Integer:
            result.AppendInt(index, cell.Number);
            break;
        case TStorageKind::Float:
            if (cell.Type == SQLITE_INTEGER) {
                result.AppendFloat(index, double(cell.Number));
            } else {
                double value = 0;
                std::memcpy(&value, &cell.Number, sizeof value);
                result.AppendFloat(index, value);
            }
            break;
        case TStorageKind::Text:
        case TStorageKind::Bytes:
            if (cell.Type == SQLITE_TEXT || cell.Type == SQLITE_BLOB)
                result.AppendText(index, cell.Text);
            else
                result.AppendText(index, NumberText(cell.Type, cell.Number));
            break;
        }
    }
}
