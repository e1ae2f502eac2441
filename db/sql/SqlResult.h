#pragma once

#include "db/sql/SqlVirtualTable.h"
#include "db/paradox/TRecordSet.h"

#include <memory>
#include <string>
#include <vector>

struct sqlite3_stmt;

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
    std::unique_ptr<TRecordSet> Build();

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

    TRecordSet::ColumnInfo Decide(const Column &column) const;
    bool Compatible(const Column &column, TFieldType type) const;

    sqlite3_stmt *FStatement;
    std::vector<Column> FColumns;
    int FRows = 0;
    size_t FBytes = 0;
};
