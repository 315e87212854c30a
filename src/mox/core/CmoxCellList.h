#pragma once
/// @file
/// CmoxCellList: the ordered, duplicate-free list of cell pointers behind a cell's dependents
/// and dependees.

#include <mox/platform/types.h>

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

class CmoxCell;

/// Ordered list of borrowed cell pointers, each at most once, in insertion order.
/// Membership tests and removals stay cheap for long lists (a cell with thousands of
/// dependents): past a few entries a position index is kept, and removal leaves a hole that is
/// squeezed out later, so neither walks the whole list. An empty list takes one pointer and no
/// heap. Not locked; belongs to one thread (searches may build the index, so even const use
/// must stay on that thread).
class MOX_API CmoxCellList {
  public:
    /// Forward iterator over the cells, in order, skipping removed slots.
    class const_iterator {
      public:
        using value_type = CmoxCell*;                        ///< iterator trait
        using reference = CmoxCell*;                         ///< iterator trait
        using pointer = CmoxCell* const*;                    ///< iterator trait
        using difference_type = std::ptrdiff_t;              ///< iterator trait
        using iterator_category = std::forward_iterator_tag; ///< iterator trait

        const_iterator() = default;
        /// The cell at this position.
        CmoxCell* operator*() const { return *m_at; }
        /// Steps to the next cell.
        const_iterator& operator++() {
            ++m_at;
            Skip();
            return *this;
        }
        /// Steps to the next cell, returning the old position.
        const_iterator operator++(int) {
            const_iterator old = *this;
            ++*this;
            return old;
        }
        /// The cell `n` slots further on: null past the end or where a cell was removed. Lets a
        /// long walk fetch cells ahead of use.
        CmoxCell* Ahead(std::ptrdiff_t n) const { return m_end - m_at > n ? m_at[n] : nullptr; }
        /// Same position.
        bool operator==(const const_iterator& o) const { return m_at == o.m_at; }
        /// Different position.
        bool operator!=(const const_iterator& o) const { return m_at != o.m_at; }

      private:
        friend class CmoxCellList;
        const_iterator(CmoxCell* const* at, CmoxCell* const* end) : m_at(at), m_end(end) { Skip(); }
        void Skip() {
            while (m_at != m_end && *m_at == nullptr)
                ++m_at;
        }
        CmoxCell* const* m_at = nullptr;
        CmoxCell* const* m_end = nullptr;
    };

    CmoxCellList() = default;
    ~CmoxCellList();
    CmoxCellList(const CmoxCellList&) = delete;
    CmoxCellList& operator=(const CmoxCellList&) = delete;

    /// First cell.
    const_iterator begin() const {
        if (m_block == nullptr) return const_iterator();
        return const_iterator(Slots() + m_block->start, Slots() + m_block->size);
    }
    /// Past the last cell.
    const_iterator end() const {
        if (m_block == nullptr) return const_iterator();
        return const_iterator(Slots() + m_block->size, Slots() + m_block->size);
    }

    /// Number of cells.
    int GetCount() const { return m_block != nullptr ? static_cast<int>(m_block->count) : 0; }
    /// True when there is no cell.
    bool IsEmpty() const { return m_block == nullptr; }
    /// The first cell, or null when empty.
    CmoxCell* GetHead() const;
    /// True when `cell` is in the list.
    bool Contains(const CmoxCell* cell) const;
    /// Appends `cell`; the caller makes sure it is not yet in the list.
    void AddTail(CmoxCell* cell);
    /// Removes `cell`; returns false when it was not in the list.
    bool Remove(const CmoxCell* cell);
    /// Removes and returns the first cell, or null when empty.
    CmoxCell* RemoveHead();
    /// Removes every cell.
    void RemoveAll();
    /// The cells in order, as a plain vector (a snapshot for walks that change the list).
    std::vector<CmoxCell*> ToVector() const;

  private:
    struct Index;
    // The list's single allocation: this header, followed by `capacity` slots. Every cell has
    // two lists and most of them stay empty, so an empty list is just a null pointer.
    struct Block {
        std::uint32_t size;     // slots in use, holes included
        std::uint32_t capacity; // slots allocated
        std::uint32_t count;    // live cells
        std::uint32_t start;    // the slots before it are all holes
        Index* index;           // slot of each cell: made by the first search past
                                // kIndexThreshold cells, dropped when slots move
    };
    static constexpr std::uint32_t kIndexThreshold = 16;

    CmoxCell** Slots() const { return reinterpret_cast<CmoxCell**>(m_block + 1); }
    std::ptrdiff_t Find(const CmoxCell* cell) const;
    void RemoveAt(std::uint32_t at);
    void Reserve(std::uint32_t capacity);
    void Compact();
    void Release();
    void DropIndex() const;

    Block* m_block = nullptr;
};
