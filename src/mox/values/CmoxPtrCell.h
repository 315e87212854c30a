#pragma once
/// @file
/// CmoxPtrCell: a cell holding an untyped pointer.

#include <mox/core/CmoxCell.h>

/// A cell holding an untyped pointer and a default pointer, neither owned. Pointer cells are
/// never written to an archive (Initialize clears the savable flag) and compare equal whenever
/// the cell base says so, whatever pointers they hold.
///
/// Note: the pointer setter is `Value(void*)`; a `char*` argument would pick the cell base's
/// text setter (which does nothing), so pass character pointers as `void*`.
///
/// Ownership: owns nothing beyond the cell base. Notification: the setter reports
/// MOX_VALUE_CHANGED through the virtual Changed when the pointer differs, with an undo record
/// while an undo context is attached; MakeCurrentDefault reports MOX_DEFAULT_CHANGED. Undo and
/// Redo restore state silently. Threading: one thread.
class MOX_API CmoxPtrCell : public CmoxCell {
    DECLARE_DYNAMIC(CmoxPtrCell)

  public:
    using CmoxCell::Value;
    using CmoxCell::operator=;

    /// A cell named "NoName" holding null with default null, the state priority, not savable.
    CmoxPtrCell();
    /// A cell with the given name, pointers and priority (no report), not savable.
    CmoxPtrCell(const char* name, void* value, void* defaultValue = nullptr,
                unsigned char priority = MOX_STATE_PRIORITY);
    ~CmoxPtrCell() override;

    /// Resets the cell base (name, priority...), stores the pointers silently, clears Savable.
    void Initialize(const char* name, void* value, void* defaultValue, unsigned char priority);

    // ---- overrides of the cell interface -------------------------------------------------------
    /// TRUE: a value cell.
    int IsPrimitive() override;
    /// Sets the value to the default through the setter.
    void MakeDefaultCurrent() override;
    /// Makes the value the default (MOX_DEFAULT_CHANGED); nothing when they are already equal.
    void MakeCurrentDefault() override;
    /// Puts back the value and default before the recorded change, without notifying.
    void Undo(CmoxUndoInfo* undo) override;
    /// Puts back the value and default after the recorded change, without notifying.
    void Redo(CmoxUndoInfo* undo) override;

    // ---- own virtual operations ----------------------------------------------------------------
    /// The current pointer.
    virtual void* Value() const;
    /// Stores `value`; MOX_VALUE_SAME when it is the pointer already held, else MOX_VALUE_SET.
    virtual MoxSetValue Value(void* value);

    // ---- plain accessors ------------------------------------------------------------------------
    /// The default pointer.
    void* DefaultValue() const { return m_default; }

  private:
    void* m_value = nullptr;
    void* m_default = nullptr;
};
