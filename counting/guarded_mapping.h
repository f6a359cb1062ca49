#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace velmora {

/// A regular file's bytes mapped read-only, so that they are read where the system keeps them
/// instead of being copied. Another program may cut the file short meanwhile (or a page may
/// fail to load); reading such a page would kill the process, so it and the pages after it are
/// replaced by zeros and cutShort() says so. One thread reads a mapping at a time.
class GuardedMapping
{
public:
    /// Maps the first `size` bytes of the open file `descriptor`; mapped() is false when that
    /// is not possible (the caller reads the file instead).
    GuardedMapping(int descriptor, std::size_t size);
    ~GuardedMapping();
    GuardedMapping(const GuardedMapping&) = delete;
    GuardedMapping& operator=(const GuardedMapping&) = delete;

    bool mapped() const { return m_slot >= 0; }
    std::string_view bytes() const { return { m_begin, m_size }; }
    /// Brings in the pages of the `size` bytes from `offset` on, while the reader works on the
    /// bytes before them. A large mapping has a thread of its own for that and for release();
    /// in a small one, or where the system cannot, the reader brings each page in as it reads.
    void prefetch(std::size_t offset, std::size_t size);
    /// Takes the pages wholly before `offset` out of the process's memory: the system keeps
    /// them for other readers, and they come back if read again.
    void release(std::size_t offset);
    /// True once a page could not be read: from there on the bytes are zeros.
    bool cutShort() const;

private:
    class PageKeeper;

    const char* m_begin = nullptr;
    std::size_t m_size = 0;
    std::size_t m_mappedSize = 0;
    std::size_t m_released = 0;
    int m_slot = -1;
    /// Stopped before the mapping goes, so that none of its calls reach the memory after.
    std::unique_ptr<PageKeeper> m_pageKeeper;
};

} // namespace velmora
