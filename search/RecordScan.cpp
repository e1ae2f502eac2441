#include "search/RecordScan.h"

#include "db/dataset/TDataSet.h"
#include "db/paradox/TRecordSet.h"
#include "search/mmDBSearch.h"

#include <algorithm>
#include <array>

namespace {

// Rows between two ticks while the cache is built.
constexpr int TickRows = 1024;

// Upper case of the two-byte UTF-8 letters (U+0080..U+07FF: Latin, Greek, Cyrillic ...)
// where it is again one two-byte letter; 0 where it is not (such as "ß" or the dotless i).
const std::array<char16_t, 0x800> &TwoByteUpper()
{
    static const std::array<char16_t, 0x800> table = [] {
        std::array<char16_t, 0x800> t {};
        for (char16_t c = 0x80; c < 0x800; ++c) {
            const QString upper = SearchUpper(QString(QChar(c)));
            if (upper.size() == 1 && upper.at(0).unicode() >= 0x80 && upper.at(0).unicode() < 0x800)
                t[c] = upper.at(0).unicode();
        }
        return t;
    }();
    return table;
}

// Appends the upper-cased text when every letter maps one to one within ASCII or within the
// two-byte letters, which covers the directory's texts; false leaves the rest to SearchUpper.
bool AppendUpperQuickly(std::string_view text, std::string &out)
{
    const std::array<char16_t, 0x800> &upper = TwoByteUpper();
    const size_t start = out.size();
    for (size_t i = 0; i < text.size(); ++i) {
        const uchar b = uchar(text[i]);
        if (b < 0x80) {
            out.push_back(b >= 'a' && b <= 'z' ? char(b - 'a' + 'A') : char(b));
            continue;
        }
        const uchar next = i + 1 < text.size() ? uchar(text[i + 1]) : 0;
        if (b < 0xC2 || b > 0xDF || (next & 0xC0) != 0x80) {
            out.resize(start);
            return false;
        }
        const char16_t u = upper[((b & 0x1F) << 6) | (next & 0x3F)];
        if (u == 0) {
            out.resize(start);
            return false;
        }
        out.push_back(char(0xC0 | (u >> 6)));
        out.push_back(char(0x80 | (u & 0x3F)));
        ++i;
    }
    return true;
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
        if (!AppendUpperQuickly(text, arena))
            arena += SearchUpper(QString::fromUtf8(text.data(), qsizetype(text.size())))
                         .toStdString();
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
