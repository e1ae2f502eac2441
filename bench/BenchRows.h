#pragma once

// What the in-memory benchmarks share: a dataset over rows built in memory and a deterministic
// sequence of pseudo-random numbers to fill them with.
#include "tests/support/MemoryDataSet.h"

#include <cstdint>

// A query whose result is whatever record set it is given.
class MemoryDataSet : public TMemoryDataSet
{
public:
    MemoryDataSet() { PoseAsQuery = true; }
};

// The same numbers on every run, so that runs compare.
class Sequence
{
public:
    explicit Sequence(uint64_t seed = 20240601)
        : FState(seed)
    { }

    uint32_t Next(uint32_t bound)
    {
        FState = FState * 6364136223846793005ULL + 1442695040888963407ULL;
        return uint32_t((FState >> 33) % bound);
    }

private:
    uint64_t FState;
};
