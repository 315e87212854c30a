#pragma once
// A hash map from pointers to small values, for the indexes of the cell, changed, notify and
// undo lists. Open addressing with linear probing in one flat array: no allocation per entry
// (a node-based map pays one per insert and one per erase, which dominated the queueing and
// undo paths), and erasing shifts the following entries back instead of leaving tombstones,
// so lookups stay short however many entries come and go.

#include <cstddef>
#include <cstdint>
#include <utility>

namespace mox::detail {

/// Map from a non-null pointer to a trivially copyable value.
template <class V> class PointerMap {
  public:
    PointerMap() = default;
    ~PointerMap() { delete[] m_slots; }
    PointerMap(const PointerMap&) = delete;
    PointerMap& operator=(const PointerMap&) = delete;

    /// Number of entries.
    std::size_t size() const { return m_size; }
    /// True when there is no entry.
    bool empty() const { return m_size == 0; }

    /// The value stored under `key`, or null.
    V* find(const void* key) const {
        if (m_size == 0 || key == nullptr) return nullptr;
        for (std::size_t i = Home(key);; i = (i + 1) & m_mask) {
            if (m_slots[i].key == key) return &m_slots[i].value;
            if (m_slots[i].key == nullptr) return nullptr;
        }
    }

    /// Stores `value` under `key` (replacing what was there).
    void insert_or_assign(const void* key, V value) {
        if ((m_size + 1) * 2 > Capacity()) Grow(Capacity() * 2);
        std::size_t i = Home(key);
        while (m_slots[i].key != nullptr && m_slots[i].key != key)
            i = (i + 1) & m_mask;
        if (m_slots[i].key == nullptr) ++m_size;
        m_slots[i].key = key;
        m_slots[i].value = value;
    }

    /// Removes the entry of `key`; false when there was none.
    bool erase(const void* key) {
        if (m_size == 0 || key == nullptr) return false;
        std::size_t i = Home(key);
        while (m_slots[i].key != key) {
            if (m_slots[i].key == nullptr) return false;
            i = (i + 1) & m_mask;
        }
        // Backward shift: pull each following entry of the run into the hole when the hole lies
        // between its home slot and where it stands, so no lookup ever meets a gap too early.
        for (std::size_t j = (i + 1) & m_mask; m_slots[j].key != nullptr; j = (j + 1) & m_mask) {
            const std::size_t home = Home(m_slots[j].key);
            if (((j - home) & m_mask) >= ((j - i) & m_mask)) {
                m_slots[i] = m_slots[j];
                i = j;
            }
        }
        m_slots[i].key = nullptr;
        --m_size;
        return true;
    }

    /// Removes every entry; keeps the table.
    void clear() {
        for (std::size_t i = 0; i < Capacity(); ++i)
            m_slots[i].key = nullptr;
        m_size = 0;
    }

    /// Makes room for `count` entries without growing.
    void reserve(std::size_t count) {
        std::size_t capacity = Capacity() != 0 ? Capacity() : kMinCapacity;
        while (capacity < count * 2)
            capacity *= 2;
        if (capacity > Capacity()) Grow(capacity);
    }

  private:
    struct Slot {
        const void* key = nullptr; // null marks a free slot
        V value{};
    };
    static constexpr std::size_t kMinCapacity = 16;

    std::size_t Capacity() const { return m_slots != nullptr ? m_mask + 1 : 0; }

    // The splitmix64 finalizer; its top bits pick the slot. A single multiply is not enough:
    // cells allocated one after another differ by a fixed stride, and a plain multiplicative
    // hash maps such a progression onto a few long runs of neighbouring slots.
    std::size_t Home(const void* key) const {
        auto z = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(key));
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return static_cast<std::size_t>(z >> m_shift);
    }

    void Grow(std::size_t capacity) {
        if (capacity < kMinCapacity) capacity = kMinCapacity;
        Slot* old = m_slots;
        const std::size_t oldCapacity = Capacity();
        m_slots = new Slot[capacity];
        m_mask = capacity - 1;
        m_shift = 64;
        for (std::size_t c = capacity; c > 1; c >>= 1)
            --m_shift;
        m_size = 0;
        for (std::size_t i = 0; i < oldCapacity; ++i)
            if (old[i].key != nullptr) insert_or_assign(old[i].key, old[i].value);
        delete[] old;
    }

    Slot* m_slots = nullptr;
    std::size_t m_mask = 0;
    unsigned m_shift = 64;
    std::size_t m_size = 0;
};

} // namespace mox::detail
