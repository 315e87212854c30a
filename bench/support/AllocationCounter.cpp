#include "support/AllocationCounter.h"

#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {

// Plain counters: the memory workloads run on the benchmark's one thread, and counting is off
// while anything is timed.
bool g_counting = false;
long long g_allocations = 0;
long long g_bytes = 0;

void* Allocate(std::size_t size) {
    void* p = std::malloc(size != 0 ? size : 1);
    if (p == nullptr) throw std::bad_alloc();
    if (g_counting) {
        ++g_allocations;
        g_bytes += static_cast<long long>(malloc_usable_size(p));
    }
    return p;
}

void Free(void* p) noexcept {
    if (p == nullptr) return;
    if (g_counting) {
        --g_allocations;
        g_bytes -= static_cast<long long>(malloc_usable_size(p));
    }
    std::free(p);
}

} // namespace

namespace moxbench {

void StartCountingAllocations() {
    g_allocations = 0;
    g_bytes = 0;
    g_counting = true;
}

HeapUse StopCountingAllocations() {
    g_counting = false;
    return HeapUse{g_allocations, g_bytes};
}

} // namespace moxbench

// The replaceable global allocation functions (the aligned forms keep their defaults: nothing
// measured here uses over-aligned types).
void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept {
    Free(p);
}
void operator delete[](void* p) noexcept {
    Free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    Free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    Free(p);
}
