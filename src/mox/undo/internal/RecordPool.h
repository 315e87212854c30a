#pragma once
/// @file
/// Per-thread recycling of the small blocks undo records live in.

#include <cstddef>

namespace mox::detail {

/// A block of at least `size` bytes for an undo record: a recycled one of its size class when
/// this thread has one, else a fresh one from the heap. Throws std::bad_alloc.
void* AllocateRecord(std::size_t size);
/// Gives back a block AllocateRecord returned for `size` bytes (any thread may give it back).
void ReleaseRecord(void* block, std::size_t size) noexcept;

} // namespace mox::detail
