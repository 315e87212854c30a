#pragma once
/// @file
/// CmoxUndoInfo: the base of every undo record.

#include <mox/core/MoxConstants.h>

#include <cstddef>
#include <new>

class CmoxCell;

/// What one cell needs to go back to its state before a transaction and forward again after it.
/// Records are made by the cells that change, stamped and filed by Changed, and owned by the
/// undo list that received them. Subclasses add their before and after state.
class MOX_API CmoxUndoInfo {
  public:
    /// A record; Changed stamps user data and reason before filing it.
    CmoxUndoInfo() : m_filings(0), m_referencesCells(0) {}
    virtual ~CmoxUndoInfo();
    CmoxUndoInfo(const CmoxUndoInfo&) = delete;
    CmoxUndoInfo& operator=(const CmoxUndoInfo&) = delete;

    /// Records are made and freed once per change: small ones are recycled per thread.
    static void* operator new(std::size_t size);
    /// Gives a record's block back (sized: the deleting destructor passes the record's size).
    static void operator delete(void* block, std::size_t size) noexcept;
    /// Over-aligned records bypass the recycling.
    static void* operator new(std::size_t size, std::align_val_t align) {
        return ::operator new(size, align);
    }
    /// Frees an over-aligned record.
    static void operator delete(void* block, std::align_val_t align) noexcept {
        ::operator delete(block, align);
    }

    /// Folds a later record of the same cell into this one: user data or-ed, reason becomes
    /// MOX_VALUE_CHANGED when the two differ. Subclasses then take `later`'s after state.
    virtual void Merge(CmoxUndoInfo* later);
    /// `cell` is being destroyed: drop every reference to it. Nothing here. A subclass that
    /// overrides it must also pass true to ReferencesCells, or its override is never called.
    virtual void RemoveCell(CmoxCell* cell);

    /// The user data of the change.
    unsigned long UserData() const { return m_userData; }
    /// Sets the user data.
    void UserData(unsigned long userData) { m_userData = userData; }
    /// The reason of the change.
    MoxChangeReason Reason() const { return m_reason; }
    /// Sets the reason.
    void Reason(MoxChangeReason reason) { m_reason = reason; }
    /// Whether the record holds pointers to cells other than the one it is filed under.
    bool ReferencesCells() const { return m_referencesCells != 0; }

  protected:
    /// Declares that the record refers to other cells, so that undo lists tell it of every
    /// destroyed cell through RemoveCell. Records that refer to none are not asked.
    void ReferencesCells(bool references) { m_referencesCells = references ? 1 : 0; }

  private:
    friend class CmoxUndoList;
    unsigned long m_userData = 0;
    MoxChangeReason m_reason = MOX_NO_CHANGE;
    // Entries of undo lists that hold this record, and the flag, share one word: every change
    // recorded makes a record, so its size counts (a long cell's record fits 40 bytes).
    unsigned int m_filings : 31;
    unsigned int m_referencesCells : 1;
};
