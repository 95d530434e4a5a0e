#include "base/Ending.h"

#include <atomic>

namespace {

std::atomic<bool> flag{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

} // namespace

namespace Ending {

bool requested()
{
    return flag.load(std::memory_order_relaxed);
}

void request()
{
    flag.store(true, std::memory_order_relaxed);
}

void reset()
{
    flag.store(false, std::memory_order_relaxed);
}

} // namespace Ending
