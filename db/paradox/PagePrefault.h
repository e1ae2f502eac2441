#pragma once

#include <cstddef>
#include <thread>
#include <utility>
#include <vector>

// Memory about to be written in full (a record set's arrays while a table is read) costs a stop
// at every page the first time the writer touches it. This fills those pages in on another core
// meanwhile; it reads and writes nothing of their contents. Waits for its thread when destroyed,
// so it must not outlive the memory (a range freed early is only skipped).
class PagePrefault
{
public:
    using Range = std::pair<const void *, size_t>;

    explicit PagePrefault(std::vector<Range> ranges);
    ~PagePrefault();
    PagePrefault(const PagePrefault &) = delete;
    PagePrefault &operator=(const PagePrefault &) = delete;

private:
    std::thread FThread;
};
