#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>

namespace velmora {

struct FreeBytes
{
    void operator()(char* bytes) const { std::free(bytes); }
};

/// Bytes that start on a page boundary, as the page cache's do: the kernel copies a file's
/// pages into them at full speed, and about a third slower into a block that starts a few
/// bytes into a cache line, as large blocks from new do.
using PageAlignedBytes = std::unique_ptr<char[], FreeBytes>;

/// At least `size` page-aligned bytes; null when there is no memory for them.
inline PageAlignedBytes allocatePageAligned(std::size_t size) noexcept
{
    constexpr std::size_t page = 4096;
    return PageAlignedBytes(
        static_cast<char*>(std::aligned_alloc(page, (size + page - 1) / page * page)));
}

} // namespace velmora
