#include "db/sql/SqlVirtualTable.h"

#include "db/paradox/RowOrder.h"
#include "db/sql/SqlColumnOrder.h"

#include <QDate>
#include <algorithm>
#include <atomic>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <numeric>
#include <sqlite3.h>
#include <utility>
#include <vector>

namespace SqlVirtualTable {

// An ordered walk finds its rows scattered over the table's columns, where nearly every value
// read misses the processor's address cache. So it copies the cells of the next stretch of rows
// first, reading them in the order the table keeps them, and hands them out from the copy.
struct CellCopies
{
    // The columns SQLite reads (colUsed) of the rows of the walk.
    void Prepare(const TRecordSet &rows, const std::vector<int32_t> &ordered, uint64_t used);
    // Copies the stretch that starts at this place of the walk.
    void Fill(size_t from);
    // The copy of a cell of the row the walk stands on or of the one before (a group is shown
    // once the next one's first row has been read); nullptr when there is none.
    const CellValue *Find(int row, int column) const
    {
        if (size_t(column) >= SlotOf.size() || SlotOf[size_t(column)] < 0)
            return nullptr;
        for (const size_t at : {At, At - 1})
            if (at >= Start && at < Start + Count && (*Ordered)[at] == row)
                return &Values[(at - Start) * Columns.size() + size_t(SlotOf[size_t(column)])];
        return nullptr;
    }
    bool Ends(size_t at) const { return at == Start + Count; }

    size_t At = 0; // where the walk stands

private:
    // The first stretches are short, so a LIMIT that wants a few rows copies no more; the
    // longest stay within a few megabytes however many columns are read.
    static constexpr size_t FirstStretch = 256;
    static constexpr size_t LongestStretch = 32768;
    static constexpr size_t MostCopiedBytes = size_t(6) << 20;

    const TRecordSet *Rows = nullptr;
    const std::vector<int32_t> *Ordered = nullptr;
    uint64_t Used = 0;
    std::vector<int> SlotOf; // a column's place in a row's copy, or -1
    std::vector<int> Columns; // the column at each place
    std::vector<CellValue> Values; // Columns.size() a row of the stretch
    std::vector<uint64_t> Keys;
    std::vector<int32_t> InTableOrder;
    size_t Start = 0;
    size_t Count = 0;
    size_t Length = FirstStretch;
};

namespace {

// A sorted walk over a table this large copies its rows; below it the caches serve as well.
std::atomic<size_t> CopiedTableBytes = size_t(192) << 20;

constexpr int64_t MSecsPerDay = 86400000;
const int64_t FirstDayOfEra = QDate(1, 1, 1).toJulianDay(); // origin of stored date-times
constexpr char TypeTag[] = "PX";

bool IsTemporal(TFieldType type)
{
    return type == TFieldType::ftDate || type == TFieldType::ftTime
        || type == TFieldType::ftDateTime;
}

std::string Quoted(const QString &name)
{
    std::string quoted = "\"";
    for (const char c : name.toStdString()) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + '"';
}

// "TEXT PX1(30) COLLATE PXW_CYRL": the first word gives SQLite the column's affinity, the tag
// keeps the field type and size for the result of a query.
std::string ColumnDeclaration(const TRecordSet::ColumnInfo &info)
{
    const TStorageKind kind = StorageKindOf(info.Type);
    std::string affinity;
    if (IsTemporal(info.Type))
        affinity = "TEXT";
    else if (kind == TStorageKind::Integer)
        affinity = "INTEGER";
    else if (kind == TStorageKind::Float)
        affinity = "REAL";
    else if (kind == TStorageKind::Text)
        affinity = "TEXT";
    else
        affinity = "BLOB";
    std::string declaration
        = Quoted(info.Name) + ' ' + affinity + ' ' + TypeTag + std::to_string(int(info.Type));
    if (info.Size > 0)
        declaration += '(' + std::to_string(info.Size) + ')';
    if (kind == TStorageKind::Text)
        declaration += " COLLATE PXW_CYRL";
    return declaration;
}

std::string Schema(const TRecordSet &rows)
{
    std::string schema = "CREATE TABLE x(";
    for (int c = 0; c < rows.ColumnCount(); ++c) {
        if (c > 0)
            schema += ", ";
        schema += ColumnDeclaration(rows.Info(c));
    }
    return schema + ')';
}

// Rows of one column ordered by key: the value of an integer column, the hash of a text, or the
// number a text stands for (see NumberKey). Rows without a key are left out: nulls, since an
// equality never matches them, and texts that are not numbers in the number index.
struct ColumnIndex
{
    std::vector<std::pair<uint64_t, int32_t>> Entries;
};

uint64_t TextKey(std::string_view text)
{
    return std::hash<std::string_view> {}(text);
}

bool IsSqliteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The nearest integer to the number SQLite's numeric affinity makes of a text (blanks around
// it, a sign, a fraction or an exponent allowed); false when the text is no number. Rounding
// keeps the key the same for a value a last bit apart, so a text equal to an integer always
// gets that integer's key.
bool NumberKey(std::string_view text, uint64_t &key)
{
    while (!text.empty() && IsSqliteSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSqliteSpace(text.back()))
        text.remove_suffix(1);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-'))
            return false;
    const char *end = text.data() + text.size();
    int64_t whole = 0;
    const auto integer = std::from_chars(text.data(), end, whole);
    if (integer.ec == std::errc() && integer.ptr == end) {
        key = uint64_t(whole);
        return true;
    }
    double number = 0;
    const auto real = std::from_chars(text.data(), end, number);
    if (real.ec != std::errc() || real.ptr != end || !(std::fabs(number) < 9.2233720368547758e18))
        return false;
    key = uint64_t(std::llround(number));
    return true;
}

enum class IndexKind { Value, Number };

struct IndexSet
{
    std::weak_ptr<const TRecordSet> Rows;
    std::vector<std::unique_ptr<ColumnIndex>> Columns;
    std::vector<std::unique_ptr<ColumnIndex>> Numbers;
    std::vector<std::unique_ptr<SqlColumnOrder::Ranks>> Ranks;
    // Per column, the work of the sorts by value so far (see SqlColumnOrder::SortWork).
    std::vector<double> ValueSorts;
    // Lookups answered by a scan so far, per column and kind.
    std::vector<int> ColumnScans;
    std::vector<int> NumberScans;
};

// Shared by every engine of the process, so a table opened again through another connection
// does not build its indexes again.
std::map<const TRecordSet *, IndexSet> &IndexStore()
{
    static std::map<const TRecordSet *, IndexSet> store;
    return store;
}

// The key of a row in an index of this kind; false when the row has none.
bool RowKey(const TRecordSet &rows, int row, int column, bool text, IndexKind kind, uint64_t &key)
{
    if (rows.IsNull(row, column))
        return false;
    if (kind == IndexKind::Number)
        return NumberKey(rows.Raw(row, column), key);
    key = text ? TextKey(rows.Raw(row, column)) : uint64_t(rows.Int(row, column));
    return true;
}

// Orders entries by key, rows ascending within a key, as sorting the pairs would. Keys
// within a span not much wider than the number of entries (street and house codes) are
// counted into place in linear time.
void SortEntries(std::vector<std::pair<uint64_t, int32_t>> &entries)
{
    if (entries.empty())
        return;
    uint64_t low = entries.front().first, high = low;
    for (const auto &[key, row] : entries) {
        low = std::min(low, key);
        high = std::max(high, key);
    }
    const uint64_t span = high - low;
    if (span >= 4 * uint64_t(entries.size()) + 1024) {
        std::sort(entries.begin(), entries.end());
        return;
    }
    // Entries arrive in row order, so placing them in that order keeps rows ascending.
    std::vector<uint32_t> starts(size_t(span) + 2, 0);
    for (const auto &entry : entries)
        ++starts[size_t(entry.first - low) + 1];
    for (size_t i = 1; i < starts.size(); ++i)
        starts[i] += starts[i - 1];
    std::vector<std::pair<uint64_t, int32_t>> sorted(entries.size());
    for (const auto &entry : entries)
        sorted[starts[size_t(entry.first - low)]++] = entry;
    entries = std::move(sorted);
}

std::unique_ptr<ColumnIndex> BuildIndex(const TRecordSet &rows, int column, IndexKind kind)
{
    auto index = std::make_unique<ColumnIndex>();
    const bool text = StorageKindOf(rows.Info(column).Type) == TStorageKind::Text;
    const int count = rows.RowCount();
    index->Entries.reserve(size_t(count));
    for (int row = 0; row < count; ++row) {
        uint64_t key = 0;
        if (RowKey(rows, row, column, text, kind, key))
            index->Entries.emplace_back(key, row);
    }
    SortEntries(index->Entries);
    return index;
}

IndexSet &IndexSetOf(const std::shared_ptr<const TRecordSet> &rows)
{
    auto &store = IndexStore();
    auto found = store.find(rows.get());
    if (found == store.end() || found->second.Rows.lock() != rows) {
        std::erase_if(store, [](const auto &entry) { return entry.second.Rows.expired(); });
        IndexSet set;
        set.Rows = rows;
        const size_t columns = size_t(rows->ColumnCount());
        set.Columns.resize(columns);
        set.Numbers.resize(columns);
        set.Ranks.resize(columns);
        set.ValueSorts.resize(columns);
        set.ColumnScans.resize(columns);
        set.NumberScans.resize(columns);
        found = store.insert_or_assign(rows.get(), std::move(set)).first;
    }
    return found->second;
}

// The column's index, or nullptr when this lookup should rather scan: a single scan of the
// column costs less than building the index, which only pays from the second lookup on.
const ColumnIndex *IndexFor(
    const std::shared_ptr<const TRecordSet> &rows, int column, IndexKind kind)
{
    IndexSet &set = IndexSetOf(rows);
    const bool number = kind == IndexKind::Number;
    std::unique_ptr<ColumnIndex> &index = (number ? set.Numbers : set.Columns)[size_t(column)];
    int &scans = (number ? set.NumberScans : set.ColumnScans)[size_t(column)];
    if (!index && scans++ == 0)
        return nullptr;
    if (!index)
        index = BuildIndex(*rows, column, kind);
    return index.get();
}

// The column's ranks for a sort of this many rows, or nullptr when the rows should rather be
// sorted by their values: the ranks are built once the sorts have cost about as much as they do,
// at once for a sort of the whole table, or after many small ones (a sorted lookup inside a join).
const SqlColumnOrder::Ranks *RanksFor(
    const std::shared_ptr<const TRecordSet> &rows, int column, size_t rowsToSort)
{
    IndexSet &set = IndexSetOf(rows);
    std::unique_ptr<SqlColumnOrder::Ranks> &ranks = set.Ranks[size_t(column)];
    if (ranks)
        return ranks.get();
    double &work = set.ValueSorts[size_t(column)];
    work += SqlColumnOrder::SortWork(rowsToSort);
    if (work >= double(rows->RowCount()))
        ranks = std::make_unique<SqlColumnOrder::Ranks>(SqlColumnOrder::RankColumn(*rows, column));
    return ranks.get();
}

bool Indexable(const TRecordSet::ColumnInfo &info)
{
    if (IsTemporal(info.Type))
        return false;
    const TStorageKind kind = StorageKindOf(info.Type);
    return kind == TStorageKind::Integer || kind == TStorageKind::Text;
}

struct Table : sqlite3_vtab
{
    std::shared_ptr<Source> Origin;
};

struct Cursor : sqlite3_vtab_cursor
{
    const TRecordSet *Rows = nullptr;
    int Row = 0;
    int End = 0;
    // A lookup walks the matching index entries, or scans the key column when the column has
    // no index yet; either way it gives the matching rows in ascending order. An ordered walk
    // goes through the matching rows gathered and sorted beforehand.
    enum class Walk { AllRows, Index, KeyScan, Ordered } Mode = Walk::AllRows;
    const std::pair<uint64_t, int32_t> *Next = nullptr;
    const std::pair<uint64_t, int32_t> *Last = nullptr;
    int KeyColumn = -1;
    bool TextLookup = false;
    std::string Key;
    // What a key scan compares: the key of each row in an index of this kind.
    bool KeyText = false;
    IndexKind Kind = IndexKind::Value;
    uint64_t KeyValue = 0;
    std::vector<int32_t> Ordered;
    size_t OrderedAt = 0;
    uint64_t ColumnsUsed = ~uint64_t(0); // as SQLite's colUsed: bit 63 for every later column

    // The rows of an ordered walk lie scattered over the loaded columns: they are fetched a
    // little ahead of SQLite asking for them, or, over a table too large for the processor's
    // caches to help, copied a stretch at a time.
    static constexpr size_t ReadAheadRows = 64;
    bool Copying = false;
    CellCopies Copies;
    void ReadAhead(size_t from)
    {
        if (from < Ordered.size())
            Rows->ReadAhead(
                Ordered.data() + from, std::min(Ordered.size() - from, ReadAheadRows), ColumnsUsed);
    }

    bool Matches(int row) const { return !TextLookup || Rows->Raw(row, KeyColumn) == Key; }

    bool HasKey(int row) const
    {
        if (TextLookup) // equal texts have equal hashes: no need to compute them
            return !Rows->IsNull(row, KeyColumn) && Rows->Raw(row, KeyColumn) == Key;
        uint64_t key = 0;
        return RowKey(*Rows, row, KeyColumn, KeyText, Kind, key) && key == KeyValue && Matches(row);
    }

    void Advance()
    {
        switch (Mode) {
        case Walk::AllRows:
            ++Row;
            return;
        case Walk::KeyScan:
            ++Row;
            while (Row < End && !HasKey(Row))
                ++Row;
            return;
        case Walk::Index:
            while (Next != Last && !Matches(Next->second))
                ++Next;
            if (Next == Last) {
                Row = End;
                return;
            }
            Row = Next->second;
            ++Next;
            return;
        case Walk::Ordered:
            Copies.At = ++OrderedAt;
            if (OrderedAt >= Ordered.size()) {
                Row = End;
                return;
            }
            if (Copying && Copies.Ends(OrderedAt))
                Copies.Fill(OrderedAt);
            else if (!Copying && OrderedAt % ReadAheadRows == 0)
                ReadAhead(OrderedAt + ReadAheadRows);
            Row = Ordered[OrderedAt];
            return;
        }
    }
};

thread_local int DeclarationDepth = 0;

int Connect(sqlite3 *db, void *aux, int, const char *const *, sqlite3_vtab **vtab, char **error)
{
    const auto &origin = *static_cast<std::shared_ptr<Source> *>(aux);
    ++DeclarationDepth;
    const int rc = sqlite3_declare_vtab(db, Schema(*origin->Rows).c_str());
    --DeclarationDepth;
    if (rc != SQLITE_OK) {
        *error = sqlite3_mprintf(
            "cannot declare table %s: %s", origin->Path.toUtf8().constData(), sqlite3_errmsg(db));
        return rc;
    }
    auto table = std::make_unique<Table>();
    table->Origin = origin;
    *vtab = table.release();
    return SQLITE_OK;
}

int Disconnect(sqlite3_vtab *vtab)
{
    delete static_cast<Table *>(vtab);
    return SQLITE_OK;
}

bool CollationKeepsEquality(const char *collation)
{
    return collation == nullptr || sqlite3_stricmp(collation, "BINARY") == 0
        || sqlite3_stricmp(collation, "PXW_CYRL") == 0;
}

// The rows a constant LIMIT (and OFFSET) lets the statement return, or -1 when it has none.
int64_t LimitedRows(sqlite3_index_info *info)
{
    int64_t limit = -1, offset = 0;
    for (int i = 0; i < info->nConstraint; ++i) {
        const int op = info->aConstraint[i].op;
        if (op != SQLITE_INDEX_CONSTRAINT_LIMIT && op != SQLITE_INDEX_CONSTRAINT_OFFSET)
            continue;
        sqlite3_value *value = nullptr;
        if (sqlite3_vtab_rhs_value(info, i, &value) != SQLITE_OK
            || sqlite3_value_type(value) != SQLITE_INTEGER)
            return -1;
        (op == SQLITE_INDEX_CONSTRAINT_LIMIT ? limit : offset) = sqlite3_value_int64(value);
    }
    return limit < 0 ? -1 : limit + std::max<int64_t>(offset, 0);
}

// Takes SQLite's ORDER BY over, when every term is a column we rank, or the rowid: the rows then
// come sorted and SQLite skips its own sort. SQLite only passes terms under the column's own
// collation. A DISTINCT without ORDER BY is left alone: SQLite would still check for duplicates
// on its own, and the rows keep their order. So is a small LIMIT over the whole table while its
// columns are not ranked yet: SQLite's sort then keeps only the first rows, which costs less
// than ranking them all.
void ConsumeOrder(
    sqlite3_index_info *info, const std::shared_ptr<const TRecordSet> &rows, bool lookup)
{
    if (info->nOrderBy <= 0 || sqlite3_vtab_distinct(info) == 2)
        return;
    std::vector<SqlColumnOrder::Term> terms;
    bool ranked = true;
    for (int i = 0; i < info->nOrderBy; ++i) {
        const auto &term = info->aOrderBy[i];
        if (term.iColumn == SqlColumnOrder::RowNumber) {
            terms.push_back({term.iColumn, term.desc != 0});
            break; // it orders every row: terms after it never count
        }
        if (!SqlColumnOrder::Rankable(rows->Info(term.iColumn)))
            return;
        ranked = ranked && IndexSetOf(rows).Ranks[size_t(term.iColumn)];
        terms.push_back({term.iColumn, term.desc != 0});
    }
    const int64_t limited = LimitedRows(info);
    if (!lookup && !ranked && limited >= 0 && limited <= 4096 && limited * 16 < rows->RowCount())
        return;
    // The columns the statement reads go along, for reading their values ahead.
    info->idxStr = sqlite3_mprintf(
        "%llu %s", (unsigned long long)info->colUsed, SqlColumnOrder::Encode(terms).c_str());
    info->needToFreeIdxStr = 1;
    info->orderByConsumed = 1;
}

// Answers an equality from an index when the constraints hold one we can use; false otherwise.
bool ChooseLookup(sqlite3_index_info *info, const TRecordSet &rows)
{
    const double count = std::max(1, rows.RowCount());
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto &constraint = info->aConstraint[i];
        if (!constraint.usable || constraint.op != SQLITE_INDEX_CONSTRAINT_EQ
            || constraint.iColumn < 0 || !Indexable(rows.Info(constraint.iColumn)))
            continue;
        const bool text = StorageKindOf(rows.Info(constraint.iColumn).Type) == TStorageKind::Text;
        if (text && !CollationKeepsEquality(sqlite3_vtab_collation(info, i)))
            continue;
        info->idxNum = constraint.iColumn + 1;
        info->aConstraintUsage[i].argvIndex = 1;
        // SQLite still checks the constraint on every row returned: the lookup may return more
        // rows than match (hash collisions, values of another type), never fewer.
        info->aConstraintUsage[i].omit = 0;
        info->estimatedRows = std::max<sqlite3_int64>(1, sqlite3_int64(count / 1000));
        info->estimatedCost = std::log2(count) + double(info->estimatedRows);
        return true;
    }
    info->idxNum = 0;
    info->estimatedRows = sqlite3_int64(count);
    info->estimatedCost = count;
    return false;
}

int BestIndex(sqlite3_vtab *vtab, sqlite3_index_info *info)
{
    Source &origin = *static_cast<Table *>(vtab)->Origin;
    if (origin.Planned)
        origin.Planned(origin);
    const bool lookup = ChooseLookup(info, *origin.Rows);
    ConsumeOrder(info, origin.Rows, lookup);
    return SQLITE_OK;
}

int Open(sqlite3_vtab *vtab, sqlite3_vtab_cursor **cursor)
{
    auto created = std::make_unique<Cursor>();
    created->Rows = static_cast<Table *>(vtab)->Origin->Rows.get();
    created->End = created->Rows->RowCount();
    created->Row = created->End;
    *cursor = created.release();
    return SQLITE_OK;
}

int Close(sqlite3_vtab_cursor *base)
{
    auto *cursor = static_cast<Cursor *>(base);
    Source &origin = *static_cast<Table *>(base->pVtab)->Origin;
    if (origin.Copies == &cursor->Copies)
        origin.Copies = nullptr;
    delete cursor;
    return SQLITE_OK;
}

// The key a lookup searches for and the index that holds it; false when the value has no such
// key and every row must be scanned instead. The lookup may find more rows than match, never
// fewer: SQLite checks each row it gets.
bool LookupKey(
    sqlite3_value *value, bool text, uint64_t &key, IndexKind &kind, std::string &textKey)
{
    const int type = sqlite3_value_type(value);
    kind = IndexKind::Value;
    if (text) {
        if (type == SQLITE_TEXT) {
            const auto *data = reinterpret_cast<const char *>(sqlite3_value_text(value));
            textKey.assign(data, size_t(sqlite3_value_bytes(value)));
            key = TextKey(textKey);
            return true;
        }
        // A number compares with the text of a text column ("5") or, when it comes from a
        // numeric column, with the number the text stands for ("05", "+5", "5.0"): the number
        // index holds both kinds of row.
        if (type == SQLITE_INTEGER) {
            kind = IndexKind::Number;
            key = uint64_t(sqlite3_value_int64(value));
            return true;
        }
        return false;
    }
    if (type == SQLITE_INTEGER) {
        key = uint64_t(sqlite3_value_int64(value));
        return true;
    }
    if (type == SQLITE_FLOAT) {
        const double number = sqlite3_value_double(value);
        if (number != std::floor(number) || std::fabs(number) > 9.0e18)
            return false;
        key = uint64_t(int64_t(number));
        return true;
    }
    if (type == SQLITE_TEXT) {
        const auto *data = reinterpret_cast<const char *>(sqlite3_value_text(value));
        const char *end = data + sqlite3_value_bytes(value);
        int64_t number = 0;
        const auto [stop, error] = std::from_chars(data, end, number);
        if (error != std::errc() || stop != end)
            return false;
        key = uint64_t(number);
        return true;
    }
    return false;
}

// Starts the walk over the rows that may match: all of them, or those of an equality lookup.
void StartWalk(Cursor *cursor, const Source *origin, int idxNum, int argc, sqlite3_value **argv)
{
    cursor->Mode = Cursor::Walk::AllRows;
    cursor->Row = 0;
    if (idxNum <= 0 || argc < 1)
        return;
    const int column = idxNum - 1;
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        cursor->Row = cursor->End; // nothing equals null
        return;
    }
    const bool text = StorageKindOf(cursor->Rows->Info(column).Type) == TStorageKind::Text;
    uint64_t key = 0;
    IndexKind kind = IndexKind::Value;
    if (!LookupKey(argv[0], text, key, kind, cursor->Key))
        return;
    cursor->KeyColumn = column;
    cursor->TextLookup = text && kind == IndexKind::Value;
    const ColumnIndex *index = IndexFor(origin->Rows, column, kind);
    if (!index) {
        cursor->Mode = Cursor::Walk::KeyScan;
        cursor->KeyText = text;
        cursor->Kind = kind;
        cursor->KeyValue = key;
        cursor->Row = -1;
        cursor->Advance();
        return;
    }
    const auto range = std::equal_range(index->Entries.begin(), index->Entries.end(),
        std::pair<uint64_t, int32_t>(key, 0),
        [](const auto &a, const auto &b) { return a.first < b.first; });
    cursor->Mode = Cursor::Walk::Index;
    cursor->Next = index->Entries.data() + (range.first - index->Entries.begin());
    cursor->Last = index->Entries.data() + (range.second - index->Entries.begin());
    cursor->Advance();
}

// Gathers the rows the walk gives and walks them again in the order of the terms.
void OrderWalk(Cursor *cursor, const Source *origin, const std::vector<SqlColumnOrder::Term> &terms)
{
    const int columns = cursor->Rows->ColumnCount();
    if (std::any_of(terms.begin(), terms.end(),
            [&](const SqlColumnOrder::Term &term) { return term.Column >= columns; }))
        return;
    std::vector<int32_t> &rows = cursor->Ordered;
    rows.clear();
    if (cursor->Mode == Cursor::Walk::AllRows) {
        rows.resize(size_t(cursor->End - cursor->Row));
        std::iota(rows.begin(), rows.end(), cursor->Row);
    } else {
        for (; cursor->Row < cursor->End; cursor->Advance())
            rows.push_back(cursor->Row);
    }
    std::vector<SqlColumnOrder::Key> keys;
    for (const auto &term : terms)
        keys.push_back({term.Column, term.Descending,
            term.Column == SqlColumnOrder::RowNumber
                ? nullptr
                : RanksFor(origin->Rows, term.Column, rows.size())});
    SqlColumnOrder::Sort(*cursor->Rows, rows, std::move(keys));
    cursor->Mode = Cursor::Walk::Ordered;
    cursor->OrderedAt = 0;
    cursor->Copies.Prepare(*cursor->Rows, rows, cursor->ColumnsUsed);
    cursor->Copying
        = cursor->Rows->MemoryUsage() >= CopiedTableBytes.load(std::memory_order_relaxed);
    if (cursor->Copying) {
        cursor->Copies.Fill(0);
    } else {
        cursor->ReadAhead(0);
        cursor->ReadAhead(Cursor::ReadAheadRows);
    }
    cursor->Row = rows.empty() ? cursor->End : rows.front();
}

// The order and the columns read, as ConsumeOrder wrote them.
void StartOrderedWalk(Cursor *cursor, const Source *origin, std::string_view plan)
{
    const char *end = plan.data() + plan.size();
    uint64_t used = 0;
    const auto [stop, error] = std::from_chars(plan.data(), end, used);
    if (error != std::errc() || stop == end || *stop != ' ')
        return;
    cursor->ColumnsUsed = used;
    OrderWalk(cursor, origin, SqlColumnOrder::Decode(std::string_view(stop + 1, end)));
}

int Filter(
    sqlite3_vtab_cursor *base, int idxNum, const char *idxStr, int argc, sqlite3_value **argv)
{
    auto *cursor = static_cast<Cursor *>(base);
    const Source *origin = static_cast<Table *>(base->pVtab)->Origin.get();
    StartWalk(cursor, origin, idxNum, argc, argv);
    if (idxStr)
        StartOrderedWalk(cursor, origin, idxStr);
    return SQLITE_OK;
}

int Next(sqlite3_vtab_cursor *cursor)
{
    static_cast<Cursor *>(cursor)->Advance();
    return SQLITE_OK;
}

int Eof(sqlite3_vtab_cursor *base)
{
    const auto *cursor = static_cast<Cursor *>(base);
    return cursor->Row >= cursor->End;
}

void ResultText(sqlite3_context *context, const char *text, int length)
{
    sqlite3_result_text(context, text, length, SQLITE_TRANSIENT);
}

void ResultDate(sqlite3_context *context, int64_t julianDay)
{
    const QDate date = QDate::fromJulianDay(julianDay);
    if (!date.isValid()) {
        sqlite3_result_null(context);
        return;
    }
    char text[32];
    ResultText(context, text,
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year(), date.month(), date.day()));
}

int FormatTime(char *text, size_t size, int64_t msecs)
{
    const int ms = int(msecs % 1000);
    const int seconds = int(msecs / 1000);
    const int written = std::snprintf(
        text, size, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    if (ms == 0)
        return written;
    return written + std::snprintf(text + written, size - size_t(written), ".%03d", ms);
}

void ResultTime(sqlite3_context *context, int64_t msecs)
{
    if (msecs < 0 || msecs >= MSecsPerDay) {
        sqlite3_result_null(context);
        return;
    }
    char text[32];
    ResultText(context, text, FormatTime(text, sizeof text, msecs));
}

void ResultDateTime(sqlite3_context *context, int64_t msecs)
{
    int64_t days = msecs / MSecsPerDay;
    int64_t rest = msecs % MSecsPerDay;
    if (rest < 0) {
        rest += MSecsPerDay;
        --days;
    }
    const QDate date = QDate::fromJulianDay(FirstDayOfEra + days);
    if (!date.isValid()) {
        sqlite3_result_null(context);
        return;
    }
    char text[48];
    int length = std::snprintf(
        text, sizeof text, "%04d-%02d-%02d ", date.year(), date.month(), date.day());
    length += FormatTime(text + length, sizeof text - size_t(length), rest);
    ResultText(context, text, length);
}

void Hand(sqlite3_context *context, TFieldType type, const CellValue &cell)
{
    if (cell.Null) {
        sqlite3_result_null(context);
        return;
    }
    switch (type) {
    case TFieldType::ftDate:
        ResultDate(context, cell.Number);
        return;
    case TFieldType::ftTime:
        ResultTime(context, cell.Number);
        return;
    case TFieldType::ftDateTime:
        ResultDateTime(context, cell.Number);
        return;
    default:
        break;
    }
    // The rows outlive every statement over them: the engine holds them while it runs.
    const char *bytes = cell.Bytes.data() ? cell.Bytes.data() : "";
    switch (StorageKindOf(type)) {
    case TStorageKind::Integer:
        sqlite3_result_int64(context, cell.Number);
        break;
    case TStorageKind::Float:
        sqlite3_result_double(context, std::bit_cast<double>(cell.Number));
        break;
    case TStorageKind::Text:
        sqlite3_result_text(context, bytes, int(cell.Bytes.size()), SQLITE_STATIC);
        break;
    case TStorageKind::Bytes:
        sqlite3_result_blob(context, bytes, int(cell.Bytes.size()), SQLITE_STATIC);
        break;
    }
}

int Column(sqlite3_vtab_cursor *base, sqlite3_context *context, int column)
{
    auto *cursor = static_cast<Cursor *>(base);
    const TRecordSet &rows = *cursor->Rows;
    const int row = cursor->Row;
    Source &origin = *static_cast<Table *>(base->pVtab)->Origin;
    if (origin.LastRow != row)
        origin.RowBefore = std::exchange(origin.LastRow, row);
    const CellValue *copy = nullptr;
    if (cursor->Mode == Cursor::Walk::Ordered && cursor->Copying) {
        origin.Copies = &cursor->Copies;
        copy = cursor->Copies.Find(row, column);
    }
    Hand(context, rows.Info(column).Type, copy ? *copy : ReadCell(rows, row, column));
    return SQLITE_OK;
}

int Rowid(sqlite3_vtab_cursor *cursor, sqlite3_int64 *rowid)
{
    *rowid = static_cast<Cursor *>(cursor)->Row;
    return SQLITE_OK;
}

sqlite3_module MakeModule()
{
    sqlite3_module module {};
    module.iVersion = 0;
    module.xCreate = nullptr; // eponymous only: the table exists under the module's name
    module.xConnect = Connect;
    module.xBestIndex = BestIndex;
    module.xDisconnect = Disconnect;
    module.xDestroy = Disconnect;
    module.xOpen = Open;
    module.xClose = Close;
    module.xFilter = Filter;
    module.xNext = Next;
    module.xEof = Eof;
    module.xColumn = Column;
    module.xRowid = Rowid;
    return module;
}

const sqlite3_module TableModule = MakeModule();

bool ReadNumber(std::string_view text, size_t at, size_t digits, int &value)
{
    if (at + digits > text.size())
        return false;
    value = 0;
    for (size_t i = at; i < at + digits; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

} // namespace

size_t SetCopiedTableBytes(size_t bytes)
{
    return CopiedTableBytes.exchange(bytes, std::memory_order_relaxed);
}

const CellValue *CopiedCell(const CellCopies &copies, int row, int column)
{
    return copies.Find(row, column);
}

void CellCopies::Prepare(const TRecordSet &rows, const std::vector<int32_t> &ordered, uint64_t used)
{
    Rows = &rows;
    Ordered = &ordered;
    Used = used;
    SlotOf.assign(size_t(rows.ColumnCount()), -1);
    Columns.clear();
    for (int column = 0; column < rows.ColumnCount(); ++column)
        if ((used & (uint64_t(1) << std::min(column, 63))) != 0) {
            SlotOf[size_t(column)] = int(Columns.size());
            Columns.push_back(column);
        }
    Start = Count = At = 0;
    Length = FirstStretch;
}

void CellCopies::Fill(size_t from)
{
    Start = from;
    Count = std::min(Length, Ordered->size() - std::min(from, Ordered->size()));
    const size_t rowBytes = std::max<size_t>(Columns.size(), 1) * sizeof(CellValue);
    Length = std::clamp(std::min(2 * Length, MostCopiedBytes / rowBytes), FirstStretch,
        LongestStretch);
    Keys.clear();
    for (size_t place = 0; place < Count; ++place)
        Keys.push_back(RowOrderKey((*Ordered)[from + place], uint32_t(place)));
    SortByRow(Keys, Rows->RowCount());
    InTableOrder.clear();
    for (const uint64_t key : Keys)
        InTableOrder.push_back(RowOfKey(key));
    Values.resize(Count * Columns.size());
    // Still fetched a little ahead: the rows in table order lie apart, too far for the
    // processor to guess the next one.
    constexpr size_t ReadAheadRows = 64;
    for (size_t i = 0; i < Count; ++i) {
        if (i % ReadAheadRows == 0 && i + ReadAheadRows < Count)
            Rows->ReadAhead(InTableOrder.data() + i + ReadAheadRows,
                std::min(ReadAheadRows, Count - i - ReadAheadRows), Used);
        CellValue *copy = Values.data() + PlaceOfKey(Keys[i]) * Columns.size();
        for (const int column : Columns)
            *copy++ = ReadCell(*Rows, InTableOrder[i], column);
    }
}

void Register(sqlite3 *db, const std::string &name, std::shared_ptr<Source> source)
{
    auto *aux = new std::shared_ptr<Source>(std::move(source));
    sqlite3_create_module_v2(db, name.c_str(), &TableModule, aux,
        [](void *p) { delete static_cast<std::shared_ptr<Source> *>(p); });
}

bool Declaring()
{
    return DeclarationDepth > 0;
}

DeclaredType ParseDeclaredType(const char *declared)
{
    DeclaredType result;
    if (!declared)
        return result;
    const std::string_view text(declared);
    const size_t tag = text.find(TypeTag);
    if (tag == std::string_view::npos)
        return result;
    const char *begin = text.data() + tag + sizeof TypeTag - 1;
    const char *end = text.data() + text.size();
    int type = 0;
    auto [stop, error] = std::from_chars(begin, end, type);
    if (error != std::errc() || stop == begin || type <= 0 || type > int(TFieldType::ftGuid))
        return result;
    int size = 0;
    while (stop != end && *stop == ' ')
        ++stop;
    if (stop != end && *stop == '(') {
        const auto parsed = std::from_chars(stop + 1, end, size);
        if (parsed.ec != std::errc())
            size = 0;
    }
    result.Valid = true;
    result.Type = TFieldType(type);
    result.Size = size;
    return result;
}

bool ParseSqlDate(std::string_view text, int64_t &julianDay)
{
    int year = 0, month = 0, day = 0;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !ReadNumber(text, 0, 4, year)
        || !ReadNumber(text, 5, 2, month) || !ReadNumber(text, 8, 2, day))
        return false;
    const QDate date(year, month, day);
    if (!date.isValid())
        return false;
    julianDay = date.toJulianDay();
    return true;
}

bool ParseSqlTime(std::string_view text, int64_t &msecs)
{
    int hours = 0, minutes = 0, seconds = 0, fraction = 0;
    if (text.size() < 5 || text[2] != ':' || !ReadNumber(text, 0, 2, hours)
        || !ReadNumber(text, 3, 2, minutes))
        return false;
    if (text.size() > 5) {
        if (text.size() < 8 || text[5] != ':' || !ReadNumber(text, 6, 2, seconds))
            return false;
        if (text.size() > 8) {
            // Milliseconds: one to three digits after the point.
            const size_t digits = text.size() - 9;
            if (text[8] != '.' || digits < 1 || digits > 3
                || !ReadNumber(text, 9, digits, fraction))
                return false;
            for (size_t i = digits; i < 3; ++i)
                fraction *= 10;
        }
    }
    if (hours > 23 || minutes > 59 || seconds > 59)
        return false;
    msecs = ((int64_t(hours) * 60 + minutes) * 60 + seconds) * 1000 + fraction;
    return true;
}

bool ParseSqlDateTime(std::string_view text, int64_t &msecs)
{
    int64_t julianDay = 0;
    if (text.size() < 10 || !ParseSqlDate(text.substr(0, 10), julianDay))
        return false;
    int64_t time = 0;
    if (text.size() > 10
        && ((text[10] != ' ' && text[10] != 'T') || !ParseSqlTime(text.substr(11), time)))
        return false;
    msecs = (julianDay - FirstDayOfEra) * MSecsPerDay + time;
    return true;
}

} // namespace SqlVirtualTable
