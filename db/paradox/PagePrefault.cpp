#include "db/paradox/PagePrefault.h"

#include <cstdint>
#include <sys/mman.h>
#include <system_error>
#include <unistd.h>

namespace {

// Below this the thread costs more than the pages it would fill.
constexpr size_t WorthBytes = size_t(8) << 20;

void Populate(const PagePrefault::Range &range)
{
#ifdef MADV_POPULATE_WRITE
    static const auto page = uintptr_t(sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<uintptr_t>(range.first);
    const uintptr_t from = (begin + page - 1) & ~(page - 1);
    const uintptr_t to = (begin + range.second) & ~(page - 1);
    // Fails harmlessly where the kernel is older than the call (before Linux 5.14).
    if (to > from)
        madvise(reinterpret_cast<void *>(from), to - from, MADV_POPULATE_WRITE);
#else
    (void)range;
#endif
}

} // namespace

PagePrefault::PagePrefault(std::vector<Range> ranges)
{
    size_t bytes = 0;
    for (const Range &range : ranges)
        bytes += range.second;
    if (bytes < WorthBytes)
        return;
    try {
        FThread = std::thread([ranges = std::move(ranges)] {
            for (const Range &range : ranges)
                Populate(range);
        });
    } catch (const std::system_error &) {
        // No thread to spare: the writer fills its pages itself, as it would anyway.
    }
}

PagePrefault::~PagePrefault()
{
    if (FThread.joinable())
        FThread.join();
}
