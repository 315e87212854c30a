#pragma once
/// @file
/// mox::Children and mox::Elements: range-for over a composite's children and an array's
/// elements.

#include <mox/collections/CmoxArrayCell.h>
#include <mox/collections/CmoxCompositeCell.h>

namespace mox {

/// A range over the cells of a collection by index. The size is read again at every step, so a
/// loop body that removes cells ends the loop early rather than reading past the end (it may
/// then skip the cell that moved into the removed one's place).
template <class Collection> class CellRange {
  public:
    /// The end of a range.
    struct Sentinel {};
    /// Steps through the cells by index.
    class Iterator {
      public:
        /// The cell at the current index.
        CmoxCell* operator*() const { return At(*m_collection, m_index); }
        /// Steps to the next index.
        Iterator& operator++() {
            ++m_index;
            return *this;
        }
        /// Whether cells remain.
        bool operator!=(Sentinel) const { return m_index < m_collection->GetSize(); }

      private:
        friend class CellRange;
        explicit Iterator(const Collection& collection) : m_collection(&collection) {}
        const Collection* m_collection;
        int m_index = 0;
    };

    /// A range over `collection`'s cells.
    explicit CellRange(const Collection& collection) : m_collection(collection) {}
    /// The first cell.
    Iterator begin() const { return Iterator(m_collection); }
    /// Past the last cell.
    Sentinel end() const { return {}; }

  private:
    static CmoxCell* At(const CmoxCompositeCell& composite, int index) {
        return composite.GetChildAt(index);
    }
    static CmoxCell* At(const CmoxArrayCell& array, int index) { return array.GetAt(index); }

    const Collection& m_collection;
};

/// `for (CmoxCell* child : mox::Children(composite))`: the children in adding order.
inline CellRange<CmoxCompositeCell> Children(const CmoxCompositeCell& composite) {
    return CellRange<CmoxCompositeCell>(composite);
}

/// `for (CmoxCell* element : mox::Elements(array))`: the elements in index order.
inline CellRange<CmoxArrayCell> Elements(const CmoxArrayCell& array) {
    return CellRange<CmoxArrayCell>(array);
}

} // namespace mox
