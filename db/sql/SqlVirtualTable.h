#pragma once

#include "db/paradox/TRecordSet.h"

#include <QString>
#include <bit>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

struct sqlite3;

// Shows a loaded table to SQLite as a read-only virtual table without copying its rows.
// Text columns are declared with the PXW_CYRL collation; equality constraints are answered from
// per-column indexes built on first use and shared by every engine that reads the same rows, and
// an ORDER BY over its columns by handing the rows over sorted (see SqlColumnOrder).
namespace SqlVirtualTable {

// One cell of a table as it is handed to SQLite: a null, or a number (an integer, a date or
// time as the record set keeps it, a double's bits), or a text's or bytes' place in the table.
struct CellValue
{
    bool Null = true;
    int64_t Number = 0;
    std::string_view Bytes;
};
inline CellValue ReadCell(const TRecordSet &rows, int row, int column)
{
    CellValue cell;
    if (rows.IsNull(row, column))
        return cell;
    cell.Null = false;
    switch (StorageKindOf(rows.Info(column).Type)) {
    case TStorageKind::Integer:
        cell.Number = rows.Int(row, column);
        break;
    case TStorageKind::Float:
        cell.Number = std::bit_cast<int64_t>(rows.Float(row, column));
        break;
    case TStorageKind::Text:
    case TStorageKind::Bytes:
        cell.Bytes = rows.Raw(row, column);
        break;
    }
    return cell;
}

// Copies of the cells an ordered walk is about to give (see the cursor).
struct CellCopies;
// A sorted walk over a table whose record set holds at least this many bytes hands its rows
// out of such copies (192 MB unless set; tests lower it to walk small tables so). Returns the
// size it replaces.
size_t SetCopiedTableBytes(size_t bytes);

// A loaded table as the engine registered it.
struct Source
{
    QString Path;
    std::shared_ptr<const TRecordSet> Rows;
    // Called each time SQLite plans a statement over the table, so the engine knows which
    // tables a statement reads.
    std::function<void(Source &)> Planned;
    // The row SQLite read a value of last, by any cursor, and the one before it: where a result
    // row that only passes values of the table on most likely came from (a group is shown once
    // the first row of the next one has been read). See SqlResultBuilder.
    int LastRow = -1;
    int RowBefore = -1;
    // The copies of the cursor that read a value last, when it keeps any.
    const CellCopies *Copies = nullptr;
};

// A cell of a row SQLite has just read: from the copies of the cursor standing on that row when
// they hold it (no second trip to the table's scattered arrays), else from the table.
const CellValue *CopiedCell(const CellCopies &copies, int row, int column);
inline CellValue CellOf(const Source &source, int row, int column)
{
    if (source.Copies)
        if (const CellValue *copy = CopiedCell(*source.Copies, row, column))
            return *copy;
    return ReadCell(*source.Rows, row, column);
}

// Registers the table under its name as an eponymous virtual table, replacing one of the same
// name; SQLite matches table names ignoring ASCII letter case.
void Register(sqlite3 *db, const std::string &name, std::shared_ptr<Source> source);

// True while SQLite parses the declaration of one of our tables (its own statement, not the
// user's), so that an authorizer lets it through.
bool Declaring();

// The field type and size a column was declared with, read back from sqlite3_column_decltype;
// Valid is false for anything but a column of one of our tables.
struct DeclaredType
{
    bool Valid = false;
    TFieldType Type = TFieldType::ftUnknown;
    int Size = 0;
};
DeclaredType ParseDeclaredType(const char *declared);

// Dates, times and date-times are shown to SQL as ISO texts ("2024-03-01", "13:45:00",
// "2024-03-01 13:45:00"), as SQLite's own date functions write them; these read them back.
bool ParseSqlDate(std::string_view text, int64_t &julianDay);
bool ParseSqlTime(std::string_view text, int64_t &msecs);
bool ParseSqlDateTime(std::string_view text, int64_t &msecs);

} // namespace SqlVirtualTable
