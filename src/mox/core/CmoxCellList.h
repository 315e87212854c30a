#pragma once
/// @file
/// CmoxCellList: the ordered, duplicate-free list of cell pointers behind a cell's dependents
/// and dependees.

#include <mox/platform/types.h>

#include <cstddef>
#include <memory>
#include <unordered_map>
#include <vector>

class CmoxCell;

/// Ordered list of borrowed cell pointers, each at most once, in insertion order.
/// Membership tests and removals stay cheap for long lists (a cell with thousands of
/// dependents): past a few entries a position index is kept, and removal leaves a hole that is
/// squeezed out later, so neither walks the whole list. Not locked; belongs to one thread.
class MOX_API CmoxCellList {
  public:
    /// Forward iterator over the cells, in order, skipping removed slots.
    class const_iterator {
      public:
        using value_type = CmoxCell*;
        using reference = CmoxCell*;
        using pointer = CmoxCell* const*;
        using difference_type = std::ptrdiff_t;
        using iterator_category = std::forward_iterator_tag;

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

    CmoxCellList();
    ~CmoxCellList();
    CmoxCellList(const CmoxCellList&) = delete;
    CmoxCellList& operator=(const CmoxCellList&) = delete;

    /// First cell.
    const_iterator begin() const {
        return const_iterator(m_slots.data() + m_start, m_slots.data() + m_slots.size());
    }
    /// Past the last cell.
    const_iterator end() const {
        return const_iterator(m_slots.data() + m_slots.size(), m_slots.data() + m_slots.size());
    }

    /// Number of cells.
    int GetCount() const { return static_cast<int>(m_count); }
    /// True when there is no cell.
    bool IsEmpty() const { return m_count == 0; }
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
    static constexpr std::size_t kIndexThreshold = 16;
    std::ptrdiff_t Find(const CmoxCell* cell) const;
    void Compact();

    std::vector<CmoxCell*> m_slots; // cells in order; null marks a removed slot
    std::size_t m_count = 0;        // live cells
    std::size_t m_start = 0;        // slots before it are all holes
    std::unique_ptr<std::unordered_map<const CmoxCell*, std::size_t>> m_index; // slot of each cell
};
