#pragma once
/// @file
/// CmoxLongCell: a 32-bit signed integer cell with a default.

#include <mox/core/CmoxCell.h>

#include <cstdint>

/// A cell holding a 32-bit signed value and a default, without range. Values are stored as
/// 32-bit two's complement: a wider `long` given to the setter keeps its low 32 bits, and
/// Increment/Decrement wrap around (2147483647 + 1 gives -2147483648).
///
/// Ownership: owns nothing beyond the cell base. Notification: the setter reports
/// MOX_VALUE_CHANGED through the virtual Changed only when the stored value differs, with an undo
/// record while the calling thread's engine has an undo context attached; MakeCurrentDefault
/// reports MOX_DEFAULT_CHANGED. Undo and Redo restore state silently. Threading: one thread.
class MOX_API CmoxLongCell : public CmoxCell {
    DECLARE_DYNAMIC(CmoxLongCell)

  public:
    using CmoxCell::Value;
    using CmoxCell::operator=;

    /// A cell named "NoName" holding 0 with default 0 and the state priority.
    CmoxLongCell();
    /// A cell with the given name, value, default and priority (stored unchecked, no report).
    CmoxLongCell(const char* name, long value, long defaultValue = 0,
                 unsigned char priority = MOX_STATE_PRIORITY);
    ~CmoxLongCell() override;

    /// Resets the cell base (name, priority...) and stores value and default silently.
    void Initialize(const char* name, long value, long defaultValue, unsigned char priority);

    // ---- overrides of the cell interface -------------------------------------------------------
    /// TRUE when `other` has the same run-time class and an equal value.
    int operator==(const CmoxCell& other) const override;
    /// Stores the low 32 bits of `value`; MOX_VALUE_SAME when already held, else MOX_VALUE_SET.
    MoxSetValue Value(long value) override;
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
    /// Writes the record frame and a value block holding the value in decimal.
    void Save(CmoxArchive& archive) override;
    /// Reads the value block back; reports a changed value without an undo record.
    /// A block fault is flagged on the archive and thrown as its MoxRestoreError value.
    void Restore(CmoxArchive& archive) override;

    // ---- own virtual operations ----------------------------------------------------------------
    /// The current value.
    virtual long Value() const;
    /// Sets value + n, wrapping around in 32 bits.
    virtual MoxSetValue Increment(long n);
    /// Sets value - n, wrapping around in 32 bits.
    virtual MoxSetValue Decrement(long n);

    // ---- plain accessors ------------------------------------------------------------------------
    /// The current value. (A non-const overload too, so that it is preferred over the cell
    /// base's conversions to other types.)
    operator long() { return Value(); }
    /// The current value.
    operator long() const { return Value(); }
    /// The default value.
    long DefaultValue() const { return m_default; }
    /// Sets this cell's value from `other`'s (a long cell) through the setter.
    const CmoxLongCell& operator=(const CmoxCell& other);
    /// Sets this cell's value from `other`'s through the setter.
    const CmoxLongCell& operator=(const CmoxLongCell& other);

  private:
    std::int32_t m_value = 0;
    std::int32_t m_default = 0;
};
