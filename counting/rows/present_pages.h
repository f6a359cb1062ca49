#pragma once

#include <cstddef>
#include <cstdint>
#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace velmora {

/// Makes the whole pages within `bytes` bytes at `start` present now, in one call, for memory
/// that is about to be written through: a fault for each page on the way costs several times as
/// much (most of all in a virtual machine). An older kernel, or another system, refuses the call;
/// the pages then come as they are written, as before.
inline void makePagesPresent(void* start, std::size_t bytes)
{
#if defined(MADV_POPULATE_WRITE)
    const auto page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    const auto begin = (reinterpret_cast<std::uintptr_t>(start) + page - 1) / page * page;
    const auto end = (reinterpret_cast<std::uintptr_t>(start) + bytes) / page * page;
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    (void)start;
    (void)bytes;
#endif
}

} // namespace velmora
