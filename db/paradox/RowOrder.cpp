#include "db/paradox/RowOrder.h"

#include <algorithm>
#include <bit>

void SortByRow(std::vector<uint64_t> &keys, int rowCount)
{
    constexpr int Bits = 11;
    constexpr uint64_t Digit = (1 << Bits) - 1;
    const int rowBits = int(std::bit_width(uint32_t(std::max(rowCount, 1) - 1)));
    std::vector<uint64_t> sorted(keys.size());
    for (int shift = 32; shift < 32 + rowBits; shift += Bits) {
        size_t starts[Digit + 2] = {};
        for (const uint64_t key : keys)
            ++starts[((key >> shift) & Digit) + 1];
        for (size_t digit = 1; digit <= Digit + 1; ++digit)
            starts[digit] += starts[digit - 1];
        for (const uint64_t key : keys)
            sorted[starts[(key >> shift) & Digit]++] = key;
        keys.swap(sorted);
    }
}
