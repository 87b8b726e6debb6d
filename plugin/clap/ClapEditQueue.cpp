#include "plugin/clap/ClapEditQueue.h"

bool ClapEditQueue::push(const Edit& edit)
{
    const uint32_t w = written.load(std::memory_order_relaxed);
    if (w - read.load(std::memory_order_acquire) >= kCapacity)
        return false;
    slots[w & (kCapacity - 1)] = edit;
    written.store(w + 1, std::memory_order_release);
    return true;
}

bool ClapEditQueue::peek(Edit& edit) const
{
    const uint32_t r = read.load(std::memory_order_relaxed);
    if (r == written.load(std::memory_order_acquire))
        return false;
    edit = slots[r & (kCapacity - 1)];
    return true;
}

void ClapEditQueue::drop()
{
    const uint32_t r = read.load(std::memory_order_relaxed);
    if (r != written.load(std::memory_order_acquire))
        read.store(r + 1, std::memory_order_release);
}
