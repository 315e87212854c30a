#pragma once
/// @file
/// CmoxDoubleCell: a double-precision cell with a default.

#include <mox/core/CmoxCell.h>

/// A cell holding an IEEE 754 double and a default, without range. Values compare with exact
/// floating-point equality: 0.0 equals -0.0, and a NaN equals nothing, so setting NaN always
/// counts as a change and two NaN cells are never equal.
///
/// Ownership: owns nothing beyond the cell base. Notification: the setter reports
/// MOX_VALUE_CHANGED through the virtual Changed when the value differs, with an undo record while
/// an undo context is attached; MakeCurrentDefault reports MOX_DEFAULT_CHANGED. Undo and Redo
/// restore state silently. Threading: one thread.
class MOX_API CmoxDoubleCell : public CmoxCell {
    DECLARE_DYNAMIC(CmoxDoubleCell)

  public:
    using CmoxCell::Value;
    using CmoxCell::operator=;

    /// A cell named "NoName" holding 0.0 with default 0.0 and the state priority.
    CmoxDoubleCell();
    /// A cell with the given name, value, default and priority (stored unchecked, no report).
    CmoxDoubleCell(const char* name, double value, double defaultValue = 0.0,
                   unsigned char priority = MOX_STATE_PRIORITY);
    ~CmoxDoubleCell() override;

    /// Resets the cell base (name, priority...) and stores value and default silently.
    void Initialize(const char* name, double value, double defaultValue, unsigned char priority);

    // ---- overrides of the cell interface -------------------------------------------------------
    /// TRUE when `other` has the same run-time class and an exactly equal value (NaN never).
    int operator==(const CmoxCell& other) const override;
    /// Stores `value`; MOX_VALUE_SAME when it equals the current value, else MOX_VALUE_SET.
    MoxSetValue Value(double value) override;
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
    /// Writes the record frame and a value block holding the value as printf %g writes it.
    void Save(CmoxArchive& archive) override;
    /// Reads the value block back; reports a changed value without an undo record.
    /// A block fault is flagged on the archive and thrown as its MoxRestoreError value.
    void Restore(CmoxArchive& archive) override;

    // ---- own virtual operations ----------------------------------------------------------------
    /// The current value.
    virtual double Value() const;
    /// Sets value + d.
    virtual MoxSetValue Increment(double d);
    /// Sets value - d.
    virtual MoxSetValue Decrement(double d);

    // ---- plain accessors ------------------------------------------------------------------------
    /// The current value. (A non-const overload too, so that it is preferred over the cell
    /// base's conversions to other types.)
    operator double() { return Value(); }
    /// The current value.
    operator double() const { return Value(); }
    /// The default value.
    double DefaultValue() const { return m_default; }
    /// Sets this cell's value from `other`'s (a double cell) through the setter.
    const CmoxDoubleCell& operator=(const CmoxCell& other);
    /// Sets this cell's value from `other`'s through the setter.
    const CmoxDoubleCell& operator=(const CmoxDoubleCell& other);

  private:
    double m_value = 0.0;
    double m_default = 0.0;
};
