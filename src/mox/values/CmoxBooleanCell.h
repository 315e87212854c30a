#pragma once
/// @file
/// CmoxBooleanCell: a boolean cell kept as one byte.

#include <mox/core/CmoxCell.h>

/// A cell holding a boolean as an 8-bit value (0 is false, anything else true) and a default.
/// The setter takes an int and keeps its low 8 bits: Value(2) stores 2 (true), Value(256)
/// stores 0. It compares the stored byte with the whole argument, so Value(256) on a cell
/// holding 0 is still reported as a change.
///
/// Ownership: owns nothing beyond the cell base. Notification: the setter reports
/// MOX_VALUE_CHANGED through the virtual Changed when the comparison differs, with an undo record
/// while an undo context is attached; MakeCurrentDefault reports MOX_DEFAULT_CHANGED. Undo and
/// Redo restore state silently. Threading: one thread.
class MOX_API CmoxBooleanCell : public CmoxCell {
    DECLARE_DYNAMIC(CmoxBooleanCell)

  public:
    using CmoxCell::Value;
    using CmoxCell::operator=;

    /// A cell named "NoName" holding FALSE with default FALSE and the state priority.
    CmoxBooleanCell();
    /// A cell with the given name, value, default and priority (low 8 bits, no report).
    CmoxBooleanCell(const char* name, int value, int defaultValue = 0,
                    unsigned char priority = MOX_STATE_PRIORITY);
    ~CmoxBooleanCell() override;

    /// Resets the cell base (name, priority...) and stores the low bytes of value and default.
    void Initialize(const char* name, int value, int defaultValue, unsigned char priority);

    // ---- overrides of the cell interface -------------------------------------------------------
    /// TRUE when `other` has the same run-time class and the same stored byte.
    int operator==(const CmoxCell& other) const override;
    /// Stores the low 8 bits of `value`; MOX_VALUE_SAME only when the stored byte equals `value`.
    MoxSetValue Value(int value) override;
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
    /// Writes the record frame and a value block holding "TRUE" or "FALSE".
    void Save(CmoxArchive& archive) override;
    /// Reads the value block back (only "TRUE" reads as true); reports a changed value without an
    /// undo record. A block fault is flagged on the archive and thrown as its MoxRestoreError
    /// value.
    void Restore(CmoxArchive& archive) override;

    // ---- plain accessors ------------------------------------------------------------------------
    /// The stored byte.
    unsigned char Value() const { return m_value; }
    /// The stored byte. (A non-const overload too, so that it is preferred over the cell
    /// base's conversions to other types.)
    operator unsigned char() { return m_value; }
    /// The stored byte.
    operator unsigned char() const { return m_value; }
    /// The default byte.
    unsigned char DefaultValue() const { return m_default; }
    /// The stored byte widened to int (non-zero when true).
    int IsTrue() const { return m_value; }
    /// TRUE when the stored byte is 0.
    int IsFalse() const { return m_value == 0 ? 1 : 0; }
    /// Sets TRUE (1) when false, FALSE (0) when true, through the setter.
    MoxSetValue Toggle();
    /// Sets this cell's value from `other`'s stored byte (a boolean cell) through the setter.
    const CmoxBooleanCell& operator=(const CmoxCell& other);
    /// Sets this cell's value from `other`'s stored byte through the setter.
    const CmoxBooleanCell& operator=(const CmoxBooleanCell& other);

  private:
    unsigned char m_value = 0;
    unsigned char m_default = 0;
};
