#pragma once

#include <cstdint>
#include <vector>

// Rows wanted in an order of their own (a sort) are read fastest a stretch at a time in the
// order the record set keeps them, each put back in its place afterwards. Keys of the form
// (row << 32 | place) are sorted by row here, rows met twice kept in the order of their places:
// a radix sort, a few passes over plain numbers, rows below rowCount.
void SortByRow(std::vector<uint64_t> &keys, int rowCount);

inline uint64_t RowOrderKey(int32_t row, uint32_t place)
{
    return uint64_t(uint32_t(row)) << 32 | place;
}
inline int32_t RowOfKey(uint64_t key) { return int32_t(key >> 32); }
inline uint32_t PlaceOfKey(uint64_t key) { return uint32_t(key); }
