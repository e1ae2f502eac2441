#include "db/sql/SqlColumnOrder.h"

#include "db/sql/SqlCollation.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <type_traits>

namespace SqlColumnOrder {
namespace {

// Ranks by sorting the distinct values: value(row) gives a row's value, null(row) whether it
// has none. Small integer spans (street and house codes) are ranked by counting instead.
template <typename Value, typename Get, typename IsNull>
Ranks RankNumbers(int count, Get value, IsNull null)
{
    Ranks ranks;
    ranks.OfRow.assign(size_t(count), 0);
    std::vector<Value> distinct;
    distinct.reserve(size_t(count));
    for (int row = 0; row < count; ++row)
        if (!null(row))
            distinct.push_back(value(row));
    if (distinct.empty())
        return ranks;
    const auto [low, high] = std::minmax_element(distinct.begin(), distinct.end());
    if constexpr (std::is_integral_v<Value>) {
        const uint64_t span = uint64_t(*high) - uint64_t(*low);
        if (span < 4 * uint64_t(count) + 1024) {
            const Value base = *low;
            std::vector<uint32_t> rankOf(size_t(span) + 1, 0);
            for (const Value v : distinct)
                rankOf[size_t(uint64_t(v) - uint64_t(base))] = 1;
            uint32_t next = 0;
            for (uint32_t &rank : rankOf)
                rank = rank ? ++next : 0;
            for (int row = 0; row < count; ++row)
                if (!null(row))
                    ranks.OfRow[size_t(row)]
                        = rankOf[size_t(uint64_t(value(row)) - uint64_t(base))];
            ranks.Count = next + 1;
            return ranks;
        }
    }
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    for (int row = 0; row < count; ++row)
        if (!null(row))
            ranks.OfRow[size_t(row)]
                = uint32_t(std::lower_bound(distinct.begin(), distinct.end(), value(row))
                    - distinct.begin() + 1);
    ranks.Count = uint32_t(distinct.size()) + 1;
    return ranks;
}

// The distinct texts of a column, each with an id in order of first appearance: names repeat
// a lot, so the texts are ordered once per distinct text instead of once per row.
class DistinctTexts
{
public:
    // The id of the text, added when new.
    uint32_t IdOf(std::string_view text)
    {
        if (2 * (FTexts.size() + 1) > FSlots.size())
            Grow();
        const uint64_t hash = std::hash<std::string_view> {}(text);
        const size_t mask = FSlots.size() - 1;
        for (size_t slot = size_t(hash) & mask;; slot = (slot + 1) & mask) {
            const uint32_t taken = FSlots[slot];
            if (taken == 0) {
                FSlots[slot] = uint32_t(FTexts.size()) + 1;
                FTexts.push_back(text);
                FHashes.push_back(hash);
                return uint32_t(FTexts.size() - 1);
            }
            if (FHashes[taken - 1] == hash && FTexts[taken - 1] == text)
                return taken - 1;
        }
    }

    const std::vector<std::string_view> &Texts() const { return FTexts; }

private:
    void Grow()
    {
        std::vector<uint32_t> table(std::max<size_t>(1024, 2 * FSlots.size()), 0);
        const size_t mask = table.size() - 1;
        for (uint32_t id = 0; id < FTexts.size(); ++id) {
            size_t slot = size_t(FHashes[id]) & mask;
            while (table[slot] != 0)
                slot = (slot + 1) & mask;
            table[slot] = id + 1;
        }
        FSlots = std::move(table);
    }

    std::vector<uint32_t> FSlots; // id + 1, or 0 for a free slot
    std::vector<std::string_view> FTexts;
    std::vector<uint64_t> FHashes;
};

// Ranks of texts in the Cyrillic collation's order. The distinct texts are sorted by a key of
// their first characters, and compared in full only where the keys tie.
Ranks RankTexts(const TRecordSet &rows, int column)
{
    const int count = rows.RowCount();
    Ranks ranks;
    ranks.OfRow.assign(size_t(count), 0);
    DistinctTexts distinct;
    for (int row = 0; row < count; ++row)
        if (!rows.IsNull(row, column))
            ranks.OfRow[size_t(row)] = distinct.IdOf(rows.Raw(row, column)) + 1;
    const std::vector<std::string_view> &texts = distinct.Texts();
    std::vector<std::pair<uint64_t, uint32_t>> order; // (key, id)
    order.reserve(texts.size());
    for (uint32_t id = 0; id < texts.size(); ++id)
        order.emplace_back(CyrillicSortKey(texts[id]), id);
    std::sort(order.begin(), order.end());
    for (auto tie = order.begin(); tie != order.end();) {
        const auto end = std::find_if(
            tie, order.end(), [&](const auto &entry) { return entry.first != tie->first; });
        if (end - tie > 1)
            std::sort(tie, end, [&](const auto &a, const auto &b) {
                return CompareCyrillic(texts[a.second], texts[b.second]) < 0;
            });
        tie = end;
    }
    std::vector<uint32_t> rankOfId(texts.size());
    for (uint32_t position = 0; position < order.size(); ++position)
        rankOfId[order[position].second] = position + 1;
    for (uint32_t &rank : ranks.OfRow)
        if (rank != 0)
            rank = rankOfId[rank - 1];
    ranks.Count = uint32_t(texts.size()) + 1;
    return ranks;
}

uint32_t RankOf(const Key &key, int32_t row)
{
    return key.ByRank ? key.ByRank->OfRow[size_t(row)] : uint32_t(row);
}

bool IsNullValue(const TRecordSet &table, int32_t row, int column)
{
    return table.IsNull(row, column)
        || (StorageKindOf(table.Info(column).Type) == TStorageKind::Float
            && std::isnan(table.Float(row, column)));
}

// Two rows by the values of a column, in the order its ranks give.
int CompareValues(const TRecordSet &table, int column, int32_t a, int32_t b)
{
    const bool nullA = IsNullValue(table, a, column), nullB = IsNullValue(table, b, column);
    if (nullA || nullB)
        return int(nullB) - int(nullA);
    switch (StorageKindOf(table.Info(column).Type)) {
    case TStorageKind::Integer: {
        const int64_t valueA = table.Int(a, column), valueB = table.Int(b, column);
        return valueA < valueB ? -1 : valueA > valueB ? 1 : 0;
    }
    case TStorageKind::Float: {
        const double valueA = table.Float(a, column), valueB = table.Float(b, column);
        return valueA < valueB ? -1 : valueA > valueB ? 1 : 0;
    }
    case TStorageKind::Text:
        return CompareCyrillic(table.Raw(a, column), table.Raw(b, column));
    case TStorageKind::Bytes:
        break;
    }
    return 0;
}

int Compare(const TRecordSet &table, const Key &key, int32_t a, int32_t b)
{
    int order = 0;
    if (key.ByRank || key.Column == RowNumber) {
        const uint32_t rankA = RankOf(key, a), rankB = RankOf(key, b);
        order = rankA < rankB ? -1 : rankA > rankB ? 1 : 0;
    } else {
        order = CompareValues(table, key.Column, a, b);
    }
    return key.Descending ? -order : order;
}

// Stable counting sort of the rows by one key.
void CountingSort(std::vector<int32_t> &rows, const Key &key)
{
    const uint32_t last = key.ByRank->Count - 1;
    const auto slot = [&](int32_t row) {
        const uint32_t rank = RankOf(key, row);
        return size_t(key.Descending ? last - rank : rank);
    };
    std::vector<uint32_t> starts(size_t(key.ByRank->Count) + 1, 0);
    for (const int32_t row : rows)
        ++starts[slot(row) + 1];
    for (size_t i = 1; i < starts.size(); ++i)
        starts[i] += starts[i - 1];
    std::vector<int32_t> sorted(rows.size());
    for (const int32_t row : rows)
        sorted[starts[slot(row)]++] = row;
    rows = std::move(sorted);
}

} // namespace

bool Rankable(const TRecordSet::ColumnInfo &info)
{
    if (IsDateTimeType(info.Type))
        return false;
    const TStorageKind kind = StorageKindOf(info.Type);
    return kind == TStorageKind::Integer || kind == TStorageKind::Float
        || kind == TStorageKind::Text;
}

Ranks RankColumn(const TRecordSet &rows, int column)
{
    const int count = rows.RowCount();
    switch (StorageKindOf(rows.Info(column).Type)) {
    case TStorageKind::Integer:
        return RankNumbers<int64_t>(
            count, [&](int row) { return rows.Int(row, column); },
            [&](int row) { return rows.IsNull(row, column); });
    case TStorageKind::Float:
        return RankNumbers<double>(
            count, [&](int row) { return rows.Float(row, column); },
            [&](int row) {
                return rows.IsNull(row, column) || std::isnan(rows.Float(row, column));
            });
    case TStorageKind::Text:
        return RankTexts(rows, column);
    case TStorageKind::Bytes:
        break;
    }
    Ranks ranks;
    ranks.OfRow.assign(size_t(count), 0);
    return ranks;
}

std::string Encode(const std::vector<Term> &terms)
{
    std::string text;
    for (const Term &term : terms) {
        if (!text.empty())
            text += ',';
        text += std::to_string(term.Column);
        if (term.Descending)
            text += 'd';
    }
    return text;
}

std::vector<Term> Decode(std::string_view text)
{
    std::vector<Term> terms;
    const char *at = text.data();
    const char *end = at + text.size();
    while (at != end) {
        Term term;
        const auto [stop, error] = std::from_chars(at, end, term.Column);
        if (error != std::errc() || term.Column < RowNumber)
            return {};
        at = stop;
        if (at != end && *at == 'd') {
            term.Descending = true;
            ++at;
        }
        if (at != end && *at++ != ',')
            return {};
        terms.push_back(term);
    }
    return terms;
}

double SortWork(size_t rowsToSort)
{
    return double(rowsToSort) * std::log2(double(rowsToSort) + 1);
}

void Sort(const TRecordSet &table, std::vector<int32_t> &rows, std::vector<Key> keys)
{
    // The row number orders every row: terms after it never count.
    const auto rowNumber = std::find_if(
        keys.begin(), keys.end(), [](const Key &key) { return key.Column == RowNumber; });
    if (rowNumber != keys.end())
        keys.erase(rowNumber + 1, keys.end());
    if (keys.empty())
        return;
    const Key &first = keys.front();
    if (first.Column == RowNumber) {
        if (first.Descending)
            std::reverse(rows.begin(), rows.end());
        return;
    }
    const auto less = [&](int32_t a, int32_t b) {
        for (const Key &key : keys)
            if (const int order = Compare(table, key, a, b); order != 0)
                return order < 0;
        return a < b;
    };
    // Counting pays when the ranks are not many more than the rows; the rows tied on the
    // first key are then sorted among themselves by the others.
    if (!first.ByRank || first.ByRank->Count > 4 * rows.size() + 1024) {
        std::sort(rows.begin(), rows.end(), less);
        return;
    }
    CountingSort(rows, first);
    if (keys.size() == 1)
        return;
    for (auto tie = rows.begin(); tie != rows.end();) {
        const uint32_t rank = RankOf(first, *tie);
        const auto end = std::find_if(
            tie, rows.end(), [&](int32_t row) { return RankOf(first, row) != rank; });
        if (end - tie > 1)
            std::sort(tie, end, less);
        tie = end;
    }
}

} // namespace SqlColumnOrder
