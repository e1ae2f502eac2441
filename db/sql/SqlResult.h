#pragma once

#include "db/paradox/TRecordSet.h"
#include "db/sql/SqlVirtualTable.h"

#include <memory>
#include <string>
#include <vector>

struct sqlite3_stmt;
class TOperationProgress;

// Gathers the rows of a statement and turns them into a record set once all are read, since a
// column's type is known only then: a plain column of a table keeps its field's type and size;
// an expression takes the type of its values (integers, numbers, texts or bytes).
class SqlResultBuilder
{
public:
    explicit SqlResultBuilder(sqlite3_stmt *statement);

    // Copies the statement's current row; false when the result has grown past what a record
    // set can hold.
    bool AddRow();
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

    static qint64 ColumnBytes(const Column &column);
    TRecordSet::ColumnInfo Decide(const Column &column) const;
    bool Compatible(const Column &column, TFieldType type) const;
    void FillColumn(
        TRecordSet &result, int index, TFieldType type, TOperationProgress *progress) const;

    sqlite3_stmt *FStatement;
    std::vector<Column> FColumns;
    int FRows = 0;
    size_t FBytes = 0;
};
