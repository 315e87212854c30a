#pragma once
/// @file
/// CmoxLongLongCell: a 64-bit signed cell with a range, an increment size and a policy.

#include <mox/core/CmoxCell.h>

/// A cell holding a 64-bit signed value and a default inside an inclusive range [min, max], with
/// an increment policy: multiples of a fixed increment size (MOX_FIXED_INCR) or the decade
/// sequences 1-2-5 (MOX_125_INCR) and 1-2-4 (MOX_124_INCR). Every value given to the setter is
/// clamped into the range and then quantized to the policy; every change of range, size or
/// policy re-quantizes the bounds, the value and the default.
///
/// The setter is `Value(__int64)`: pass `long long` arguments (`cell.Value(5LL)`); a plain int
/// picks the cell base's boolean setter, which does nothing.
///
/// Ownership: owns nothing beyond the cell base. Notification: the setter reports
/// MOX_VALUE_CHANGED when the stored value changes, domain changes report MOX_RANGE_CHANGED once
/// (also when they move the value), MakeCurrentDefault reports MOX_DEFAULT_CHANGED; each carries an
/// undo record while an undo context is attached. The Init... set-up and Undo/Redo change state
/// silently. Arithmetic never overflows: sums and products that leave the 64-bit range saturate
/// before the setter clamps them. Threading: one thread.
class MOX_API CmoxLongLongCell : public CmoxCell {
    DECLARE_DYNAMIC(CmoxLongLongCell)

  public:
    using CmoxCell::Value;
    using CmoxCell::operator=;

    /// A cell named "NoName" holding 0 with default 1, full range, size 1, fixed policy.
    CmoxLongLongCell();
    /// A cell with the given name, value, default and priority (unchecked), full range.
    CmoxLongLongCell(const char* name, __int64 value, __int64 defaultValue,
                     unsigned char priority = MOX_STATE_PRIORITY);
    ~CmoxLongLongCell() override;

    /// Resets the cell base, stores value and default unchecked, sets the full range, size 1,
    /// the fixed policy and clears both domain flags. No report.
    void Initialize(const char* name, __int64 value, __int64 defaultValue, unsigned char priority);

    // ---- overrides of the cell interface -------------------------------------------------------
    /// TRUE when `other` has the same run-time class and an equal value.
    int operator==(const CmoxCell& other) const override;
    /// Clamps and quantizes `value` and stores it; see MoxSetValue for the four results.
    MoxSetValue Value(__int64 value) override;
    /// TRUE: a value cell.
    int IsPrimitive() override;
    /// Sets the value to the default through the setter.
    void MakeDefaultCurrent() override;
    /// Makes the value the default (MOX_DEFAULT_CHANGED); nothing when they are already equal.
    void MakeCurrentDefault() override;
    /// Puts back value, default, range, size and policy before the recorded change, silently.
    void Undo(CmoxUndoInfo* undo) override;
    /// Puts back value, default, range, size and policy after the recorded change, silently.
    void Redo(CmoxUndoInfo* undo) override;
    /// Writes the record frame and a value block: the value, and min, max, size and policy when
    /// SaveDomain is set.
    void Save(CmoxArchive& archive) override;
    /// Reads the domain when RestoreDomain is set, then the value, quantized against it; reports
    /// changes without an undo record. A block fault is flagged and thrown.
    void Restore(CmoxArchive& archive) override;

    // ---- own virtual operations ----------------------------------------------------------------
    /// The current value.
    virtual __int64 Value() const;
    /// Steps the value up n times by the policy (down for negative n); nothing for 0.
    virtual MoxSetValue Increment(__int64 n);
    /// Steps the value down n times by the policy (up for negative n); nothing for 0.
    virtual MoxSetValue Decrement(__int64 n);
    /// Sets value * 1000 (saturated) through the setter.
    virtual MoxSetValue MultiplyByThousand();
    /// Sets value / 1000 (truncated toward zero) through the setter.
    virtual MoxSetValue DivideByThousand();

    // ---- silent set-up --------------------------------------------------------------------------
    /// Stores the range, then re-quantizes. No record, no report.
    void InitRange(__int64 min, __int64 max);
    /// Stores the increment size, then re-quantizes. No record, no report.
    void InitIncrementSize(__int64 size);
    /// Stores range and size, then re-quantizes. No record, no report.
    void InitRangeAndSize(__int64 min, __int64 max, __int64 size);
    /// Stores the policy, then re-quantizes. No record, no report.
    void InitIncrementPolicy(MoxIncrementPolicy policy);

    // ---- recorded, reported domain changes ------------------------------------------------------
    /// Stores range and size and re-quantizes, reported once with MOX_RANGE_CHANGED; nothing
    /// when all three are unchanged.
    void SetRangeAndSize(__int64 min, __int64 max, __int64 size);
    /// SetRangeAndSize with a new range.
    void SetRange(__int64 min, __int64 max);
    /// SetRangeAndSize with a new increment size.
    void SetIncrementSize(__int64 size);
    /// The lower bound.
    __int64 Min() const { return m_min; }
    /// SetRangeAndSize with a new lower bound.
    void Min(__int64 min);
    /// The upper bound.
    __int64 Max() const { return m_max; }
    /// SetRangeAndSize with a new upper bound.
    void Max(__int64 max);

    // ---- plain accessors ------------------------------------------------------------------------
    /// The current value. (A non-const overload too, so that it is preferred over the cell
    /// base's conversions to other types.)
    operator __int64() { return Value(); }
    /// The current value.
    operator __int64() const { return Value(); }
    /// The default value.
    __int64 DefaultValue() const { return m_default; }
    /// The increment size of the fixed policy.
    __int64 IncrementSize() const { return m_size; }
    /// The increment policy.
    MoxIncrementPolicy IncrementPolicy() const { return m_policy; }
    /// Whether Save writes min, max, size and policy after the value.
    int SaveDomain() const { return m_saveDomain; }
    /// Sets whether Save writes the domain after the value.
    void SaveDomain(int saveDomain) { m_saveDomain = saveDomain; }
    /// Whether Restore reads min, max, size and policy after the value.
    int RestoreDomain() const { return m_restoreDomain; }
    /// Sets whether Restore reads the domain after the value.
    void RestoreDomain(int restoreDomain) { m_restoreDomain = restoreDomain; }
    /// Sets the value (sign-extended) through the setter.
    const CmoxLongLongCell& operator=(long value);
    /// Sets this cell's value from `other`'s (a 64-bit cell) through the setter.
    const CmoxLongLongCell& operator=(const CmoxCell& other);
    /// Sets this cell's value from `other`'s through the setter.
    const CmoxLongLongCell& operator=(const CmoxLongLongCell& other);

  protected:
    /// Rebuilds min, max, value and default through Quantize against the full range. Silent.
    virtual void QuantizeCell();
    /// `x` clamped into [min, max] (bounds returned as stored), then rounded to the policy.
    virtual __int64 Quantize(__int64 x);

  private:
    MoxSetValue Step(__int64 n, bool up);

    __int64 m_value = 0;
    __int64 m_default = 1;
    __int64 m_min = 0;
    __int64 m_max = 0;
    __int64 m_size = 1;
    MoxIncrementPolicy m_policy = MOX_FIXED_INCR;
    int m_restoreDomain = 0;
    int m_saveDomain = 0;
};
