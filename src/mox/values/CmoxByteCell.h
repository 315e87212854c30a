#pragma once
/// @file
/// CmoxByteCell: an 8-bit unsigned cell with a default and an inclusive range.

#include <mox/core/CmoxCell.h>

/// A cell holding an 8-bit unsigned value and a default inside an inclusive range [min, max].
/// Values given to the setter are clamped into the range; every change of the range pulls the
/// value and the default back into it. Two flags say whether the range travels with the value
/// in archive records.
///
/// Ownership: owns nothing beyond the cell base. Notification: the setter reports
/// MOX_VALUE_CHANGED when the clamped value differs, range changes report MOX_RANGE_CHANGED once
/// (also when they move the value), MakeCurrentDefault reports MOX_DEFAULT_CHANGED; each carries an
/// undo record while an undo context is attached. The Init... set-up and Undo/Redo change state
/// silently. Threading: one thread.
class MOX_API CmoxByteCell : public CmoxCell {
    DECLARE_DYNAMIC(CmoxByteCell)

  public:
    using CmoxCell::Value;
    using CmoxCell::operator=;

    /// A cell named "NoName" holding 0 with default 0, full range, the state priority.
    CmoxByteCell();
    /// A cell with the given name, value, default and priority (unchecked), full range.
    CmoxByteCell(const char* name, unsigned char value, unsigned char defaultValue = 0,
                 unsigned char priority = MOX_STATE_PRIORITY);
    ~CmoxByteCell() override;

    /// Resets the cell base, stores value and default unchecked, sets the full range and clears
    /// both domain flags. No report.
    void Initialize(const char* name, unsigned char value, unsigned char defaultValue,
                    unsigned char priority);

    // ---- overrides of the cell interface -------------------------------------------------------
    /// TRUE when `other` has the same run-time class and an equal value.
    int operator==(const CmoxCell& other) const override;
    /// Clamps `value` into the range and stores it; see MoxSetValue for the four results.
    MoxSetValue Value(unsigned char value) override;
    /// TRUE: a value cell.
    int IsPrimitive() override;
    /// Sets the value to the default through the setter.
    void MakeDefaultCurrent() override;
    /// Makes the value the default and reports MOX_DEFAULT_CHANGED, even when they were equal.
    void MakeCurrentDefault() override;
    /// Puts back value, default and range before the recorded change, without notifying.
    void Undo(CmoxUndoInfo* undo) override;
    /// Puts back value, default and range after the recorded change, without notifying.
    void Redo(CmoxUndoInfo* undo) override;
    /// Writes the record frame and a value block: the value, and the range when SaveDomain is set.
    void Save(CmoxArchive& archive) override;
    /// Reads the value (low 8 bits), and the range when RestoreDomain is set, unclamped;
    /// reports changes without an undo record. A block fault is flagged and thrown.
    void Restore(CmoxArchive& archive) override;

    // ---- own virtual operations ----------------------------------------------------------------
    /// The current value.
    virtual unsigned char Value() const;
    /// Sets (value + n) modulo 256, which the setter then clamps.
    virtual MoxSetValue Increment(unsigned char n);
    /// Sets (value - n) modulo 256, which the setter then clamps.
    virtual MoxSetValue Decrement(unsigned char n);

    // ---- range ---------------------------------------------------------------------------------
    /// Sets the range and pulls value and default into it, silently (no record, no report).
    void InitRange(unsigned char min, unsigned char max);
    /// Sets the range (a max below min is raised to min), recorded and reported once with
    /// MOX_RANGE_CHANGED; nothing when both bounds are unchanged.
    void SetRange(unsigned char min, unsigned char max);
    /// The lower bound.
    unsigned char Min() const { return m_min; }
    /// Sets the lower bound as SetRange does; nothing when it is unchanged.
    void Min(unsigned char min);
    /// The upper bound.
    unsigned char Max() const { return m_max; }
    /// Sets the upper bound as SetRange does; nothing when it is unchanged.
    void Max(unsigned char max);

    // ---- plain accessors ------------------------------------------------------------------------
    /// The current value. (A non-const overload too, so that it is preferred over the cell
    /// base's conversions to other types.)
    operator unsigned char() { return Value(); }
    /// The current value.
    operator unsigned char() const { return Value(); }
    /// The default value.
    unsigned char DefaultValue() const { return m_default; }
    /// Whether Save writes the range after the value.
    int SaveDomain() const { return m_saveDomain; }
    /// Sets whether Save writes the range after the value.
    void SaveDomain(int saveDomain) { m_saveDomain = saveDomain; }
    /// Whether Restore reads the range after the value.
    int RestoreDomain() const { return m_restoreDomain; }
    /// Sets whether Restore reads the range after the value.
    void RestoreDomain(int restoreDomain) { m_restoreDomain = restoreDomain; }
    /// Sets the value through the setter.
    const CmoxByteCell& operator=(unsigned char value);
    /// Sets this cell's value from `other`'s (a byte cell) through the setter.
    const CmoxByteCell& operator=(const CmoxCell& other);
    /// Sets this cell's value from `other`'s through the setter.
    const CmoxByteCell& operator=(const CmoxByteCell& other);

  protected:
    /// Rebuilds min, max, value and default through Quantize against the full range. Silent.
    virtual void QuantizeCell();
    /// `x` clamped into [min, max].
    virtual unsigned char Quantize(unsigned char x);

  private:
    int m_restoreDomain = 0;
    int m_saveDomain = 0;
    unsigned char m_value = 0;
    unsigned char m_default = 0;
    unsigned char m_min = 0;
    unsigned char m_max = 255;
};
