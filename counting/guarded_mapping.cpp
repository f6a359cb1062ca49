#include "guarded_mapping.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <sys/mman.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace velmora {

namespace {

/// A mapping that the bus error handler may mend. The handler runs on the thread that reads
/// the mapping, so it sees what that thread stored; atomics keep the other threads' slots
/// whole while they are taken and given back.
struct Slot
{
    std::atomic<bool> taken { false };
    std::atomic<std::uintptr_t> begin { 0 };
    std::atomic<std::uintptr_t> end { 0 };
    std::atomic<bool> cut { false };
};

std::array<Slot, 8> slots;
struct sigaction previousAction;
std::uintptr_t pageSize = 0;

void onBusError(int number, siginfo_t* info, void* context)
{
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (Slot& slot : slots) {
        const std::uintptr_t begin = slot.begin.load(std::memory_order_acquire);
        const std::uintptr_t end = slot.end.load(std::memory_order_acquire);
        if (begin == 0 || address < begin || address >= end)
            continue;
        // The file ends before this page now (or the page could not be loaded): zeros in its
        // place and in every page after it, and the read that failed is made again on them
        // when the handler returns.
        const std::uintptr_t page = address & ~(pageSize - 1);
        void* zeros = ::mmap(reinterpret_cast<void*>(page), end - page, PROT_READ,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (zeros != MAP_FAILED) {
            slot.cut.store(true, std::memory_order_relaxed);
            return;
        }
        break;
    }
    // Not a mapping of ours: whatever would have happened without this handler.
    if ((previousAction.sa_flags & SA_SIGINFO) != 0) {
        previousAction.sa_sigaction(number, info, context);
        return;
    }
    if (previousAction.sa_handler != SIG_DFL && previousAction.sa_handler != SIG_IGN) {
        previousAction.sa_handler(number);
        return;
    }
    std::signal(number, SIG_DFL);
    std::raise(number);
}

/// Installs the handler once; false when it is not in place (another handler replaced it, or
/// a tool in the process keeps bus errors to itself), and then nothing may be mapped.
bool handlerInPlace()
{
    static std::once_flag once;
    std::call_once(once, [] {
        pageSize = std::uintptr_t(::sysconf(_SC_PAGESIZE));
        struct sigaction action
        {
        };
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_RESTART;
        sigemptyset(&action.sa_mask);
        // The previous action is known before a bus error can reach the handler.
        if (::sigaction(SIGBUS, nullptr, &previousAction) == 0)
            ::sigaction(SIGBUS, &action, nullptr);
    });
    struct sigaction current
    {
    };
    return ::sigaction(SIGBUS, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) != 0
        && current.sa_sigaction == onBusError;
}

#if defined(MADV_POPULATE_READ)
/// From this size on a mapping is worth a thread that moves its pages in and out.
constexpr std::size_t keptMappingSize = std::size_t(8) << 20;
#endif

} // namespace

/// Brings pages in ahead of the reader and takes them out behind it on a thread of its own,
/// which has time to spare while the reader's thread has none: the system's page-table work
/// then leaves the reader's thread.
class GuardedMapping::PageKeeper
{
public:
    PageKeeper(char* begin, std::size_t mappedSize)
        : m_begin(begin)
        , m_mappedSize(mappedSize)
        , m_thread([this] { keepPages(); })
    { }

    ~PageKeeper()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_one();
        m_thread.join();
    }

    /// Pages from `from` to `to`, both on page boundaries; an earlier wish not yet met goes.
    void bringIn(std::size_t from, std::size_t to)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_bringInFrom = from;
            m_bringInTo = std::min(to, m_mappedSize);
        }
        m_changed.notify_one();
    }

    /// Pages before `offset`, a page boundary.
    void takeOutBefore(std::size_t offset)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_takeOutTo = std::max(m_takeOutTo, offset);
        }
        m_changed.notify_one();
    }

private:
    void keepPages()
    {
        std::size_t takenOut = 0;
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [&] {
                return m_stopping || m_bringInFrom < m_bringInTo || takenOut < m_takeOutTo;
            });
            if (m_stopping)
                return;
            const std::size_t from = std::max(m_bringInFrom, m_takeOutTo);
            const std::size_t to = m_bringInTo;
            const std::size_t takeOutTo = m_takeOutTo;
            m_bringInFrom = m_bringInTo = 0;
            lock.unlock();
            if (takenOut < takeOutTo) {
                ::madvise(m_begin + takenOut, takeOutTo - takenOut, MADV_DONTNEED);
                takenOut = takeOutTo;
            }
#if defined(MADV_POPULATE_READ)
            // Fails past a new end of a file cut short, which the reader then meets itself.
            if (from < to)
                ::madvise(m_begin + from, to - from, MADV_POPULATE_READ);
#endif
            lock.lock();
        }
    }

    char* const m_begin;
    const std::size_t m_mappedSize;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_bringInFrom = 0;
    std::size_t m_bringInTo = 0;
    std::size_t m_takeOutTo = 0;
    bool m_stopping = false;
    std::thread m_thread;
};

GuardedMapping::GuardedMapping(int descriptor, std::size_t size)
{
    if (size == 0 || !handlerInPlace())
        return;
    int slot = 0;
    for (; slot < int(slots.size()); ++slot) {
        bool free = false;
        if (slots[std::size_t(slot)].taken.compare_exchange_strong(free, true))
            break;
    }
    if (slot == int(slots.size()))
        return;
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0);
    if (map == MAP_FAILED) {
        slots[std::size_t(slot)].taken.store(false);
        return;
    }
    // No advice: telling the system the pages are read in order cost more than it gave back
    // for files that it keeps in memory already.
    m_begin = static_cast<const char*>(map);
    m_size = size;
    m_mappedSize = (size + pageSize - 1) & ~(pageSize - 1);
    Slot& taken = slots[std::size_t(slot)];
    taken.cut.store(false, std::memory_order_relaxed);
    taken.end.store(reinterpret_cast<std::uintptr_t>(m_begin) + m_mappedSize,
                    std::memory_order_release);
    taken.begin.store(reinterpret_cast<std::uintptr_t>(m_begin), std::memory_order_release);
    m_slot = slot;
#if defined(MADV_POPULATE_READ)
    if (m_mappedSize >= keptMappingSize) {
        try {
            m_pageKeeper = std::make_unique<PageKeeper>(static_cast<char*>(map), m_mappedSize);
        } catch (const std::system_error&) {
            // No thread to be had: the reader brings its pages in itself.
        }
    }
#endif
}

GuardedMapping::~GuardedMapping()
{
    if (m_slot < 0)
        return;
    m_pageKeeper.reset();
    Slot& slot = slots[std::size_t(m_slot)];
    slot.begin.store(0, std::memory_order_release);
    ::munmap(const_cast<char*>(m_begin), m_mappedSize);
    slot.taken.store(false, std::memory_order_release);
}

void GuardedMapping::prefetch(std::size_t offset, std::size_t size)
{
    if (m_pageKeeper && offset < m_mappedSize)
        m_pageKeeper->bringIn(offset & ~(pageSize - 1), offset + size);
}

void GuardedMapping::release(std::size_t offset)
{
    const std::size_t pages = std::min(offset, m_mappedSize) & ~(pageSize - 1);
    if (m_slot < 0 || pages <= m_released)
        return;
    if (m_pageKeeper)
        m_pageKeeper->takeOutBefore(pages);
    else
        ::madvise(const_cast<char*>(m_begin) + m_released, pages - m_released, MADV_DONTNEED);
    m_released = pages;
}

bool GuardedMapping::cutShort() const
{
    return m_slot >= 0 && slots[std::size_t(m_slot)].cut.load(std::memory_order_relaxed);
}

} // namespace velmora
