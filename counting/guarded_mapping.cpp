#include "guarded_mapping.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <sys/mman.h>
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

} // namespace

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
}

GuardedMapping::~GuardedMapping()
{
    if (m_slot < 0)
        return;
    Slot& slot = slots[std::size_t(m_slot)];
    slot.begin.store(0, std::memory_order_release);
    ::munmap(const_cast<char*>(m_begin), m_mappedSize);
    slot.taken.store(false, std::memory_order_release);
}

void GuardedMapping::release(std::size_t offset)
{
    const std::size_t pages = std::min(offset, m_mappedSize) & ~(pageSize - 1);
    if (m_slot >= 0 && pages > m_released) {
        ::madvise(const_cast<char*>(m_begin) + m_released, pages - m_released, MADV_DONTNEED);
        m_released = pages;
    }
}

bool GuardedMapping::cutShort() const
{
    return m_slot >= 0 && slots[std::size_t(m_slot)].cut.load(std::memory_order_relaxed);
}

} // namespace velmora
