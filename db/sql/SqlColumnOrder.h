#pragma once

#include "db/paradox/TRecordSet.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Orders the rows of a loaded table by its columns exactly as SQLite orders the values a virtual
// table shows for them, so that the table can hand its rows over already sorted.
namespace SqlColumnOrder {

// One ORDER BY term: a column, or the row number, which SQLite calls the rowid.
constexpr int RowNumber = -1;
struct Term
{
    int Column = RowNumber;
    bool Descending = false;
};

// Whether ranks order the column as SQLite would: integers, numbers and texts (under the
// Cyrillic collation). Dates and times are shown as texts and are left to SQLite.
bool Rankable(const TRecordSet::ColumnInfo &info);

// A number per row that orders the rows by one column: 0 for a null (SQLite puts nulls first in
// ascending order), then 1, 2, ... by value, equal values sharing a rank. A NaN number is a null,
// as SQLite makes it one.
struct Ranks
{
    std::vector<uint32_t> OfRow;
    uint32_t Count = 1; // ranks in use: 0 .. Count - 1
};
Ranks RankColumn(const TRecordSet &rows, int column);

// The terms as a short text ("2,-1d": column 2 ascending, then the row number descending), to
// travel from planning to filtering; an unreadable text gives no terms.
std::string Encode(const std::vector<Term> &terms);
std::vector<Term> Decode(std::string_view text);

// What sorting this many rows by their values costs, in comparisons. Ranking a column costs
// about what sorting all its rows once does: it pays once value sorts have cost that much.
double SortWork(size_t rowsToSort);

// A term ready for sorting: by the column's ranks when it has them, else by its values.
struct Key
{
    int Column = RowNumber;
    bool Descending = false;
    const Ranks *ByRank = nullptr;
};

// Sorts rows of the table, given in ascending order, by the keys, the first key first; rows tied
// on every key keep their ascending order, as SQLite's own sort leaves them.
void Sort(const TRecordSet &table, std::vector<int32_t> &rows, std::vector<Key> keys);

} // namespace SqlColumnOrder
