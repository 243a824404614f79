#pragma once
// A replacement of the global operator new that tests can make fail. A test
// program that links failing_new.cpp has every `new` go through it.

#include <atomic>
#include <cstddef>

// -1: no failure planned; n >= 0: the allocation after the next n fails,
// whichever thread makes it.
extern std::atomic<long> gAllocationsLeft;

// Allocations of at least this many bytes made by the calling thread fail;
// 0: none.
extern thread_local size_t gFailFromBytes;
