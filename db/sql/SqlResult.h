#pragma once

#include "db/paradox/TRecordSet.h"
#include "db/sql/SqlVirtualTable.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct sqlite3_stmt;
class TOperationProgress;

// Gathers the rows of a statement and turns them into a record set once all are read, since a
// column's type is known only then: a plain column of a table keeps its field's type and size;
// an expression takes the type of its values (integers, numbers, texts or bytes).
//
// A result whose every column is a column of a loaded table, passed on unchanged (a lookup, a
// sort, a join of tables), is not copied: each row is kept as the numbers of the table rows it
// shows, checked value by value against them, and the result is a selection of those rows.
class SqlResultBuilder
{
public:
    // The loaded table SQLite names a column's origin by; nullptr when it is none of ours.
    using SourceFinder = std::function<SqlVirtualTable::Source *(const char *table)>;

    explicit SqlResultBuilder(sqlite3_stmt *statement, const SourceFinder &findSource = {});

    enum class Added {
        Row,
        TooLarge, // the result has grown past what a record set can hold
        // The rows so far were kept as table rows, but this one is not one: the statement must
        // be reset and stepped through again from the start, its rows copied this time.
        Again,
    };
    Added AddRow();
    int RowCount() const { return FRows; }
    // The memory the gathered rows take now.
    qint64 Bytes() const;
    // About the most that Build holds at once: the gathered rows and one column copied out.
    qint64 BuildPeakBytes() const;
    // Turns the rows into a record set, letting go of them on the way (the builder is empty
    // afterwards); a progress given is told of the rows and may stop it.
    std::unique_ptr<TRecordSet> Build(TOperationProgress *progress = nullptr);

private:
    struct Column
    {
        QString Name;
        SqlVirtualTable::DeclaredType Declared;
        std::vector<unsigned char> Types; // SQLITE_INTEGER, SQLITE_FLOAT, ...
        std::vector<int64_t> Numbers; // an integer, a double's bits, or where a text ends
        std::string Arena;
        bool HasInteger = false, HasFloat = false, HasText = false, HasBlob = false;
        bool Fits32 = true;
        int LongestText = 0; // in characters
    };
    struct Cell;
    class Reader;
    // Where a result column's values come from when the rows are kept as table rows.
    struct Origin
    {
        int Base = 0; // into FSources
        int Column = 0;
    };

    void FindOrigins(const SourceFinder &findSource);
    bool KeepRow();
    bool ShowsRow(int base, int row) const;
    bool CellMatches(int index, const SqlVirtualTable::CellValue &cell, TFieldType field) const;
    int SelectedTextWidth(size_t index) const;
    std::unique_ptr<TRecordSet> BuildSelection();
    void CopyRow();

    static qint64 ColumnBytes(const Column &column);
    TRecordSet::ColumnInfo Decide(const Column &column) const;
    bool Compatible(const Column &column, TFieldType type) const;
    void FillColumn(
        TRecordSet &result, int index, TFieldType type, TOperationProgress *progress) const;

    sqlite3_stmt *FStatement;
    std::vector<Column> FColumns;
    int FRows = 0;
    size_t FBytes = 0;
    // Kept as table rows while FOrigins is not empty: per row, one row number per source.
    std::vector<SqlVirtualTable::Source *> FSources;
    std::vector<Origin> FOrigins;
    std::vector<int32_t> FSelected;
};
