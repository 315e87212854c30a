#pragma once
/// @file
/// CmoxStringCell: an 8-bit text cell with a default.

#include <mox/core/CmoxCell.h>

#include <string>

/// A cell holding a text and a default text, both owned copies, compared case-sensitively.
/// `Value()` hands out a modifiable reference: a change made through it bypasses the protocol
/// (no comparison, no undo record, no notification).
///
/// Ownership: owns its two strings. Notification: the setter reports MOX_VALUE_CHANGED through
/// the virtual Changed when the text differs, with an undo record while an undo context is
/// attached; MakeCurrentDefault reports MOX_DEFAULT_CHANGED. Undo and Redo restore state
/// silently. Threading: one thread.
class MOX_API CmoxStringCell : public CmoxCell {
    DECLARE_DYNAMIC(CmoxStringCell)

  public:
    using CmoxCell::Value;
    using CmoxCell::operator=;

    /// A cell whose name, value and default are all "NoName", with the state priority.
    CmoxStringCell();
    /// A cell with the given name, value, default and priority (copied, no report).
    CmoxStringCell(const char* name, const char* value, const char* defaultValue = "",
                   unsigned char priority = MOX_STATE_PRIORITY);
    ~CmoxStringCell() override;

    /// Resets the cell base (name, priority...) and copies value and default silently.
    void Initialize(const char* name, const char* value, const char* defaultValue,
                    unsigned char priority);

    // ---- overrides of the cell interface -------------------------------------------------------
    /// TRUE when `other` has the same run-time class and the same text (case-sensitive).
    int operator==(const CmoxCell& other) const override;
    /// Copies `value` (null reads as ""); MOX_VALUE_SAME when the text is unchanged.
    MoxSetValue Value(const char* value) override;
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
    /// Writes the record frame and a value block holding the text as a quoted token.
    void Save(CmoxArchive& archive) override;
    /// Reads the value block back; reports a changed value without an undo record.
    /// A block fault is flagged on the archive and thrown as its MoxRestoreError value.
    void Restore(CmoxArchive& archive) override;

    // ---- own virtual operations ----------------------------------------------------------------
    /// The stored text, modifiable (changes through it are not reported).
    virtual std::string& Value();

    // ---- plain accessors ------------------------------------------------------------------------
    /// The stored text.
    const std::string& Value() const { return m_value; }
    /// The characters of the stored text.
    operator const char*() const { return m_value.c_str(); }
    /// The default text, modifiable.
    std::string& DefaultValue() { return m_default; }
    /// The default text.
    const std::string& DefaultValue() const { return m_default; }
    /// Sets this cell's text from a copy of `other`'s (a string cell) through the setter.
    const CmoxStringCell& operator=(const CmoxCell& other);
    /// Sets this cell's text from a copy of `other`'s through the setter.
    const CmoxStringCell& operator=(const CmoxStringCell& other);

  private:
    std::string m_value;
    std::string m_default;
};
