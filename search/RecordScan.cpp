#include "search/RecordScan.h"

#include "db/TDataSet.h"
#include "db/TRecordSet.h"
#include "search/mmDBSearch.h"

#include <algorithm>

namespace {

// Rows between two ticks while the cache is built.
constexpr int TickRows = 4096;

bool IsAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return (uchar(c) & 0x80) == 0; });
}

} // namespace

TRecordWalk::TRecordWalk(TSearchDirection direction, const TDataSet &dataSet)
    : FDirection(direction)
    , FStart(dataSet.CurrentRow())
{
    const int count = dataSet.RecordCount();
    if (count == 0)
        return;
    switch (direction) {
    case TSearchDirection::sdAll:
        FFirst = 0;
        FCount = count;
        break;
    case TSearchDirection::sdDown:
        if (dataSet.Eof())
            return;
        FFirst = std::min(FStart + 1, count - 1);
        FCount = count - FFirst;
        break;
    case TSearchDirection::sdUp:
        if (dataSet.Bof())
            return;
        FFirst = std::max(FStart - 1, 0);
        FStep = -1;
        FCount = FFirst + 1;
        break;
    }
}

void TRecordWalk::PlaceCursor(TDataSet &dataSet, int row) const
{
    switch (FDirection) {
    case TSearchDirection::sdAll:
        // The first record is tested right after First, before any step.
        if (row == 0) {
            dataSet.First();
            return;
        }
        break;
    case TSearchDirection::sdDown:
        // Standing on the last record, the walk found it by stepping past it.
        if (FStart == row && row == dataSet.RecordCount() - 1) {
            dataSet.MoveTo(row);
            dataSet.Next();
            return;
        }
        break;
    case TSearchDirection::sdUp:
        if (FStart == row && row == 0) {
            dataSet.MoveTo(row);
            dataSet.Prior();
            return;
        }
        break;
    }
    dataSet.MoveTo(row);
}

TTextMatcher::TTextMatcher(const QString &text, bool wholeField)
    : FNeedle(text.toStdString())
    , FWholeField(wholeField)
{
    if (FWholeField || FNeedle.size() < 2 || FNeedle.size() > 0xFFFF)
        return;
    FSkip.assign(256, quint16(FNeedle.size()));
    for (size_t i = 0; i + 1 < FNeedle.size(); ++i)
        FSkip[uchar(FNeedle[i])] = quint16(FNeedle.size() - 1 - i);
}

bool TTextMatcher::Matches(std::string_view cell) const
{
    if (FWholeField)
        return cell == FNeedle;
    const size_t n = FNeedle.size();
    if (n == 0 || cell.size() < n)
        return false;
    if (FSkip.empty())
        return cell.find(FNeedle) != std::string_view::npos;
    const char last = FNeedle[n - 1];
    for (size_t at = 0; at + n <= cell.size();) {
        const char c = cell[at + n - 1];
        if (c == last && cell.compare(at, n - 1, FNeedle, 0, n - 1) == 0)
            return true;
        at += FSkip[uchar(c)];
    }
    return false;
}

bool TUpperColumnCache::Holds(const TDataSet &dataSet, int column) const
{
    return FGeneration != 0 && FColumn == column && dataSet.GetBookmark().Generation == FGeneration;
}

bool TUpperColumnCache::Prepare(const TDataSet &dataSet, int column, const TScanTick &tick)
{
    if (Holds(dataSet, column))
        return true;
    Clear();
    const TRecordSet &rows = *dataSet.RecordSet();
    const int count = rows.RowCount();
    std::string arena;
    std::vector<quint64> offsets;
    offsets.reserve(size_t(count) + 1);
    offsets.push_back(0);
    for (int row = 0; row < count; ++row) {
        if (row % TickRows == 0 && row > 0 && tick && !tick())
            return false;
        const std::string_view text = rows.Raw(row, column);
        if (IsAscii(text)) {
            for (char c : text)
                arena.push_back(c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c);
        } else {
            const QString upper
                = SearchUpper(QString::fromUtf8(text.data(), qsizetype(text.size())));
            arena += upper.toStdString();
        }
        offsets.push_back(arena.size());
    }
    FArena = std::move(arena);
    FOffsets = std::move(offsets);
    FColumn = column;
    FGeneration = dataSet.GetBookmark().Generation;
    return true;
}

void TUpperColumnCache::Clear()
{
    FGeneration = 0;
    FColumn = -1;
    FArena = {};
    FOffsets = {};
}

QString SearchUpper(const QString &text)
{
    // Unicode's case mapping: what the Russian locale gives for Cyrillic and Latin letters.
    return text.toUpper();
}
