#pragma once

#include "db/paradox/TFieldType.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <QVariant>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The rows of an opened table or query, kept column by column in compact typed arrays:
// 64-bit integers, doubles, or one byte arena per column for texts (UTF-8) and bytes.
// Filled once by a reader, then only read; it may be shared by several datasets.
//
// How each type is stored:
//   integers, word, auto-increment, large integers, boolean (0/1) -> Int
//   float, currency, BCD                                        -> Float
//   date     -> Int: Julian day number (QDate::toJulianDay)
//   time     -> Int: milliseconds since midnight
//   date-time-> Int: milliseconds since 0001-01-01T00:00 (see DateTimeToMSecs)
//   string, fixed char, wide string, memo, formatted memo       -> Text (UTF-8)
//   bytes, BLOb, graphic, OLE, typed binary                     -> Bytes
class TRecordSet
{
public:
    struct ColumnInfo
    {
        QString Name;
        TFieldType Type = TFieldType::ftUnknown;
        int Size = 0; // characters of an alpha field, bytes of a bytes field, else 0
    };

    // A record set whose rows are rows of other record sets, unchanged: a query that picked rows
    // and columns of loaded tables without computing anything. Each of its columns is
    // Columns[i].Column of Bases[Columns[i].Base]; row r is row Rows[r * Bases.size() + b] of
    // base b. Holds the bases alive and stores a few bytes a row instead of copies of the values.
    struct Selection
    {
        struct Source
        {
            int Base = 0;
            int Column = 0;
        };
        std::vector<std::shared_ptr<const TRecordSet>> Bases;
        std::vector<Source> Columns;
        std::vector<int32_t> Rows;
    };
    TRecordSet() = default;
    // The infos name and type the selection's columns (a query may rename them).
    TRecordSet(std::vector<ColumnInfo> infos, Selection selection);

    int AddColumn(const QString &name, TFieldType type, int size = 0);
    void Reserve(int rows);
    // Where the arrays Reserve made room for lie: memory about to be written in full.
    std::vector<std::pair<const void *, size_t>> ReservedArrays() const;

    int ColumnCount() const { return int(FColumns.size()); }
    const ColumnInfo &Info(int column) const { return FColumns[size_t(column)].Info; }
    int RowCount() const { return FRowCount; }
    // Index of a column by name, ignoring letter case; -1 when absent.
    int IndexOf(const QString &name) const;

    // Appending: every column receives exactly one value per row, in row order; EndRow()
    // closes the row (and checks that).
    void AppendNull(int column);
    void AppendInt(int column, int64_t value);
    void AppendFloat(int column, double value);
    void AppendText(int column, std::string_view utf8);
    // Appends a text written straight into the column's storage, without a copy on the way:
    // write(char *out) puts at most maxBytes bytes of UTF-8 at out and returns how many.
    template <typename Write> void AppendTextInPlace(int column, size_t maxBytes, Write write)
    {
        Column &c = Writable(column, TStorageKind::Text);
        char *out = c.Arena.Extend(maxBytes);
        c.Arena.Commit(write(out));
        EndText(c);
        c.Nulls.Append(false);
    }
    // Room for about this many bytes of text in a column, so that filling it moves nothing.
    void ReserveText(int column, size_t bytes);
    void AppendBytes(int column, std::string_view bytes);
    void EndRow();
    // Filling column by column instead: after BeginColumns(rows) each column takes its rows in
    // turn (so a source column can be let go as soon as it is copied); EndColumns() checks
    // that every column has them all and makes them the record set's rows.
    void BeginColumns(int rows);
    void EndColumns();

    // Reading; row and column must be in range.
    bool IsNull(int row, int column) const;
    int64_t Int(int row, int column) const;
    double Float(int row, int column) const;
    std::string_view Raw(int row, int column) const; // text (UTF-8) or bytes
    QString Text(int row, int column) const;
    // The value in its natural Qt type: qlonglong, double, bool, QDate, QTime, QDateTime,
    // QString or QByteArray; an invalid QVariant for a null.
    QVariant Value(int row, int column) const;

    // Reading rows in an order of their own (a sort, a selection) finds them scattered over the
    // columns. Touching the values of the rows about to be read in one tight loop lets the
    // memory fetch them side by side instead of one cache miss at a time: a hint, nothing more.
    void ReadAhead(int firstRow, int rowCount) const;
    // The same for rows given by number, of the columns whose bits are set (bit 63 stands for
    // that column and every later one, as SQLite's colUsed).
    void ReadAhead(const int32_t *rows, size_t count, uint64_t columns = ~uint64_t(0)) const;
    // Rows firstRow .. firstRow + rowCount - 1 in the order that reads their values most nearly
    // front to back: a selection's by where they stand in its first base, a table's as they
    // are. Reading a stretch of a sorted selection so visits each page of the columns once
    // instead of missing the address cache on nearly every row.
    std::vector<int32_t> ReadingOrder(int firstRow, int rowCount) const;

    // Bytes held by the arrays, for measuring (a selection counts its own, not its bases').
    size_t MemoryUsage() const;
    bool IsSelection() const { return FSelection != nullptr; }

    static int64_t DateTimeToMSecs(const QDateTime &value);
    static QDateTime MSecsToDateTime(int64_t msecs);

private:
    // The bytes of one column's texts, end to end. Grown with realloc, which moves large
    // blocks by remapping pages instead of copying them.
    class ByteArena
    {
    public:
        ByteArena() = default;
        ByteArena(const ByteArena &other);
        ByteArena(ByteArena &&other) noexcept
            : FData(std::exchange(other.FData, nullptr))
            , FSize(std::exchange(other.FSize, 0))
            , FCapacity(std::exchange(other.FCapacity, 0))
        { }
        ByteArena &operator=(ByteArena other) noexcept;
        ~ByteArena();

        const char *Data() const { return FData; }
        size_t Size() const { return FSize; }
        size_t Capacity() const { return FCapacity; }
        void Reserve(size_t bytes);
        void Append(std::string_view bytes);
        // Room for bytes more at the end; Commit(n) keeps the first n of them.
        char *Extend(size_t bytes)
        {
            if (FCapacity - FSize < bytes)
                Grow(bytes);
            return FData + FSize;
        }
        void Commit(size_t bytes) { FSize += bytes; }

    private:
        void Grow(size_t bytes);

        char *FData = nullptr;
        size_t FSize = 0;
        size_t FCapacity = 0;
    };

    // One bit a row, set for a null; a row's word can be fetched ahead of reading it.
    class NullFlags
    {
    public:
        [[gnu::always_inline]] void Append(bool null)
        {
            if (FSize % 64 == 0)
                FWords.push_back(0);
            FWords.back() |= uint64_t(null) << (FSize % 64);
            ++FSize;
        }
        bool operator[](size_t row) const { return (FWords[row / 64] >> (row % 64)) & 1; }
        void Reserve(size_t rows) { FWords.reserve((rows + 63) / 64); }
        size_t CapacityBytes() const { return FWords.capacity() * sizeof(uint64_t); }
        const uint64_t *WordOf(size_t row) const { return FWords.data() + row / 64; }

    private:
        std::vector<uint64_t> FWords;
        size_t FSize = 0;
    };

    struct Column
    {
        ColumnInfo Info;
        TStorageKind Kind = TStorageKind::Integer;
        std::vector<int64_t> Ints;
        std::vector<double> Floats;
        // Offsets[row] .. Offsets[row + 1] in Arena: four bytes a value, so a column holds at
        // most 4 GB of text (a table's file holds less).
        std::vector<uint32_t> Offsets {0};
        ByteArena Arena;
        NullFlags Nulls;
        int Count = 0;
    };
    // The base record set, row and column a cell of a selection is kept in.
    struct BaseCell
    {
        const TRecordSet &Rows;
        int Row;
        int Column;
    };
    BaseCell Base(int row, int column) const
    {
        const Selection::Source &source = FSelection->Columns[size_t(column)];
        const size_t bases = FSelection->Bases.size();
        return {*FSelection->Bases[size_t(source.Base)],
            FSelection->Rows[size_t(row) * bases + size_t(source.Base)], source.Column};
    }
    Column &Writable(int column, TStorageKind kind);
    Column &Counted(int column); // checks that the column has room for one more value
    [[noreturn]] static void RefuseKind(const Column &c);
    [[noreturn]] static void RefuseSecondValue(const Column &c);
    [[noreturn]] static void RefuseMoreText(const Column &c);
    [[gnu::always_inline]] static void EndText(Column &c)
    {
        if (c.Arena.Size() > UINT32_MAX) [[unlikely]]
            RefuseMoreText(c);
        c.Offsets.push_back(uint32_t(c.Arena.Size()));
    }

    std::vector<Column> FColumns;
    std::shared_ptr<const Selection> FSelection;
    int FRowCount = 0;
    int FFillRows = -1; // rows being filled column by column, or -1
};

// Every value appended passes here: inline, the refusals out of line.

inline TRecordSet::Column &TRecordSet::Writable(int column, TStorageKind kind)
{
    Column &c = FColumns.at(size_t(column));
    const auto textual
        = [](TStorageKind k) { return k == TStorageKind::Text || k == TStorageKind::Bytes; };
    if (kind != c.Kind && !(textual(kind) && textual(c.Kind))) [[unlikely]]
        RefuseKind(c);
    return Counted(column);
}

inline TRecordSet::Column &TRecordSet::Counted(int column)
{
    Column &c = FColumns.at(size_t(column));
    const bool full = FFillRows < 0 ? c.Count != FRowCount : c.Count >= FFillRows;
    if (full) [[unlikely]]
        RefuseSecondValue(c);
    ++c.Count;
    return c;
}

[[gnu::always_inline]] inline void TRecordSet::AppendNull(int column)
{
    Column &c = Counted(column);
    c.Nulls.Append(true);
    switch (c.Kind) {
    case TStorageKind::Integer:
        c.Ints.push_back(0);
        break;
    case TStorageKind::Float:
        c.Floats.push_back(0);
        break;
    default:
        EndText(c);
    }
}

[[gnu::always_inline]] inline void TRecordSet::AppendInt(int column, int64_t value)
{
    Column &c = Writable(column, TStorageKind::Integer);
    c.Ints.push_back(value);
    c.Nulls.Append(false);
}
