#include <mox/undo/internal/RecordPool.h>

#include <mox/core/internal/Compiler.h>

#include <cstdlib>
#include <new>

// Recording a transaction makes one small record per changed cell, and trimming or clearing
// the undo stacks frees them again by the hundred thousand: the heap's own caches hold a few
// blocks per size, so each record paid a full allocation. A thread now keeps the blocks it
// frees on one free list per size class, up to kKeptBytes, and hands them out first.
//
// Every block is its own heap block of its class's size, so any thread may free any block,
// and whatever a thread keeps goes back to the heap when the thread ends. Address-sanitized
// builds bypass the lists so that a record used after its release is still reported.

#if defined(__SANITIZE_ADDRESS__)
#define MOX_RECORD_POOL 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MOX_RECORD_POOL 1
#endif
#endif
#ifndef MOX_RECORD_POOL
#define MOX_RECORD_POOL 1
#endif

namespace {

constexpr std::size_t kGrain = 16;  // size classes of 16, 32, 48 and 64 bytes
constexpr std::size_t kClasses = 4; // larger records (texts, arrays) go to the heap directly
constexpr std::size_t kKeptBytes = std::size_t(8) << 20; // per thread, over all classes

struct FreeBlock {
    FreeBlock* next;
};

// Trivially destructible, so it stays usable while the thread's other thread-locals die: a
// record freed after the list was drained (a static cell's undo list at exit) is freed directly.
struct Shelf {
    FreeBlock* head[kClasses];
    std::size_t keptBytes;
    bool registered; // the Closer below is armed
    bool closed;     // the thread is ending: keep nothing more
};
// Initial-exec, as the engine's own thread-local: read on every record.
MOX_INITIAL_EXEC_TLS thread_local Shelf t_shelf{};

struct Closer {
    ~Closer() {
        t_shelf.closed = true;
        for (FreeBlock*& head : t_shelf.head)
            while (FreeBlock* block = head) {
                head = block->next;
                std::free(block);
            }
        t_shelf.keptBytes = 0;
    }
};
thread_local Closer t_closer;

std::size_t ClassOf(std::size_t size) {
    return size == 0 ? 0 : (size - 1) / kGrain;
}

} // namespace

void* mox::detail::AllocateRecord(std::size_t size) {
    const std::size_t sizeClass = ClassOf(size);
    if (MOX_RECORD_POOL && sizeClass < kClasses) {
        if (FreeBlock* block = t_shelf.head[sizeClass]) {
            t_shelf.head[sizeClass] = block->next;
            t_shelf.keptBytes -= (sizeClass + 1) * kGrain;
            return block;
        }
        size = (sizeClass + 1) * kGrain; // so that the block can serve its whole class later
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}

void mox::detail::ReleaseRecord(void* block, std::size_t size) noexcept {
    if (block == nullptr) return;
    const std::size_t sizeClass = ClassOf(size);
    Shelf& shelf = t_shelf;
    const std::size_t bytes = (sizeClass + 1) * kGrain;
    if (MOX_RECORD_POOL && sizeClass < kClasses && !shelf.closed &&
        shelf.keptBytes + bytes <= kKeptBytes) {
        if (!shelf.registered) {
            shelf.registered = true;
            (void)&t_closer; // first use arms its destructor for this thread
        }
        auto* freed = static_cast<FreeBlock*>(block);
        freed->next = shelf.head[sizeClass];
        shelf.head[sizeClass] = freed;
        shelf.keptBytes += bytes;
        return;
    }
    std::free(block);
}
