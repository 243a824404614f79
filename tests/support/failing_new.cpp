#include "tests/support/failing_new.h"

#include <cstdlib>
#include <new>

std::atomic<long> gAllocationsLeft{-1};
thread_local size_t gFailFromBytes = 0;

void* operator new(size_t size)
{
    if (gAllocationsLeft.load() >= 0 && gAllocationsLeft.fetch_sub(1) == 0)
        throw std::bad_alloc();
    if (gFailFromBytes != 0 && size >= gFailFromBytes)
        throw std::bad_alloc();
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

// Kept out of line: inlined next to a call of the replaced `new`, the free()
// makes g++ warn of a mismatched pair it cannot see is matched.
[[gnu::noinline]] void operator delete(void* block) noexcept
{
    std::free(block);
}

[[gnu::noinline]] void operator delete(void* block, size_t) noexcept
{
    std::free(block);
}
