#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TDataSet;
enum class TSearchDirection : quint8;

// Called every few thousand rows of a scan; false stops the scan.
using TScanTick = std::function<bool()>;

// The records a search tests, in the order the record-by-record walk tests them, worked out
// from where the cursor stands: "Вперед" tests the records after the current one and the last
// record once more (a step past it only raises the end flag), so standing on the last record it
// tests that record; "Назад" does the same toward the first record; "С начала" tests every
// record from the first. A cursor already at the end it moves toward tests nothing.
class TRecordWalk
{
public:
    TRecordWalk(TSearchDirection direction, const TDataSet &dataSet);

    bool IsEmpty() const { return FCount == 0; }
    int Count() const { return FCount; }
    // The i-th record tested.
    int RowAt(int i) const { return FFirst + i * FStep; }

    // Leaves the cursor on a found record exactly as the walk would: the end or beginning
    // flag stays raised where the walk found the record after a step that hit it.
    void PlaceCursor(TDataSet &dataSet, int row) const;

private:
    TSearchDirection FDirection;
    int FStart = -1;
    int FFirst = 0;
    int FStep = 1;
    int FCount = 0;
};

// Tests the UTF-8 texts of one column against a search text: containment or equality, byte
// for byte. An empty text is contained in nothing.
class TTextMatcher
{
public:
    TTextMatcher(const QString &text, bool wholeField);
    bool Matches(std::string_view cell) const;

private:
    std::string FNeedle;
    bool FWholeField;
    // Skip distances of the Boyer-Moore-Horspool search, for needles longer than one byte.
    std::vector<quint16> FSkip;
};

// The upper-cased texts of one text column of one opening of a dataset. A case-insensitive
// search upper-cases the column once; later searches of the same column only compare.
class TUpperColumnCache
{
public:
    // Makes the cache hold the column of the dataset's current opening. False when the tick
    // stopped the work; the cache then holds nothing.
    bool Prepare(const TDataSet &dataSet, int column, const TScanTick &tick);
    bool Holds(const TDataSet &dataSet, int column) const;
    std::string_view Text(int row) const
    {
        return std::string_view(FArena).substr(
            FOffsets[size_t(row)], FOffsets[size_t(row) + 1] - FOffsets[size_t(row)]);
    }
    void Clear();

private:
    quint64 FGeneration = 0;
    int FColumn = -1;
    std::string FArena;
    std::vector<quint64> FOffsets;
};

// Upper-cases the way the search compares texts case-insensitively.
QString SearchUpper(const QString &text);
