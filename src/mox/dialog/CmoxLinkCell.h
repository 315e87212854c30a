#pragma once
/// @file
/// CmoxLinkCell: the cell that binds one cell to one control of a dialog.

#include <mox/core/CmoxCell.h>
#include <mox/core/MoxConstants.h>
#include <mox/platform/MoxWindow.h>

#include <memory>
#include <string>
#include <vector>

class CDataExchange;
class CWnd;
class CmoxArrayCell;
class CmoxFormatter;

/// Ties a linked cell to one control of a dialog, working on the control's window text.
///
/// The link cell is a dependent of the linked cell: every change of the linked cell reaches
/// Update, which rewrites the control (StateToUI). The dialog's data exchange calls Transfer,
/// which in the saving direction parses the control's text with the formatter and sets the
/// linked cell (UIToState), beeping and focusing the control when the cell adjusted the entry.
///
/// Ownership: borrows the linked cell and the dialog; owns its formatter (none until
/// Formatter(CmoxFormatter*) is called; long, 64-bit, byte and double cells need one, string
/// cells do not). Numeric cells are left alone while there is no formatter.
/// Notification: changes of the linked cell arrive through Update, delivered at the link
/// cell's priority (MOX_UI_PRIORITY defers the refresh to the end of the outermost
/// transaction). Threading: belongs to the dialog's user-interface thread; takes no lock.
class MOX_API CmoxLinkCell : public CmoxCell {
    DECLARE_DYNAMIC(CmoxLinkCell)

  public:
    /// Size of the buffers the text exchange reads the control into, terminator included.
    static constexpr int TEXT_SIZE = 256;

    /// Constructs the base cell and calls Initialize with the same arguments.
    CmoxLinkCell(int controlId, CmoxCell* cell, CWnd* parent, const char* name = "NoName",
                 unsigned char priority = MOX_UI_PRIORITY, int createDependencies = 1);
    /// Deletes the formatter.
    ~CmoxLinkCell() override;

    /// Resets the base cell (name, priority), stores control id, linked cell and dialog, drops
    /// the formatter, and calls CreateDependencies when `createDependencies` is non-zero.
    void Initialize(int controlId, CmoxCell* cell, CWnd* parent, const char* name,
                    unsigned char priority, int createDependencies);

    // ---- overrides of the cell interface -------------------------------------------------------
    /// Refreshes the control (StateToUI), whatever the list holds.
    void Update(CmoxChangedList& changes) override;
    /// Makes the link cell a dependent of the linked cell.
    void CreateDependencies() override;
    /// Stops the link cell depending on the linked cell.
    void DestroyDependencies() override;
    /// Looks the control up in the dialog and asserts that it exists.
    void AssertValid() const override;

    // ---- own virtual operations ----------------------------------------------------------------
    /// Saving exchange: UIToState; loading exchange: StateToUI.
    virtual void Transfer(CDataExchange* exchange);
    /// Parses the control's text into the linked cell (beep and focus when it was adjusted).
    virtual void UIToState();
    /// Writes the linked cell's value into the control, only when the text differs.
    virtual void StateToUI();
    /// Steps the linked cell up by `steps` through its own Increment (numeric cells only).
    virtual void Increment(int steps);
    /// Steps the linked cell down by `steps` through its own Decrement (numeric cells only).
    virtual void Decrement(int steps);
    /// Links `cell` instead of the current one; depends on it when `makeDependent` is non-zero.
    /// The control is not refreshed.
    virtual void Cell(CmoxCell* cell, int makeDependent);
    /// Fail with the text of string resource `stringId`; throws CResourceException when the
    /// resource cannot be loaded.
    virtual void Fail(int stringId, int throwException);
    /// Reports a rejected entry: a message box with `text`, or a beep for null; focuses the
    /// control; then throws CUserException when `throwException` is non-zero.
    virtual void Fail(const char* text, int throwException);
    /// Adds an item to a list-like control; nothing in the base class.
    virtual void AddString(const char* text);
    /// AddString with the text of string resource `stringId`; nothing for 0. A resource that
    /// cannot be loaded is reported in a message box and added as an empty item.
    virtual void AddString(int stringId);
    /// Sets the control's window text.
    virtual void SetControlText(const char* text);
    /// Reads the control's window text, at most `size` characters including the terminator.
    virtual void GetControlText(char* text, int size);

    // ---- accessors -----------------------------------------------------------------------------
    /// The linked cell (borrowed), or null.
    CmoxCell* Cell() const { return m_cell; }
    /// The dialog item identifier of the control.
    int ControlID() const { return m_controlId; }
    /// The dialog holding the control (borrowed), or null.
    CWnd* Parent() const { return m_parent; }
    /// The formatter, or null.
    CmoxFormatter* Formatter() const { return m_formatter.get(); }
    /// Replaces the formatter; the link cell takes ownership (null for none).
    void Formatter(CmoxFormatter* formatter);
    /// The control's window, looked up in the dialog by the control id; null when absent.
    HWND GetControlHandle() const;

    // ---- filling list-like controls (one virtual AddString per item, in order) ------------------
    /// AddString(int) for each identifier; 0 is skipped.
    void InitContents(int id1, int id2 = 0, int id3 = 0, int id4 = 0, int id5 = 0);
    /// Every string of `strings`.
    void InitContents(const std::vector<std::string>& strings);
    /// AddString(int) for every identifier of `ids`.
    void InitContents(const std::vector<unsigned int>& ids);
    /// The value of every element of `array` (string cells).
    void InitContents(CmoxArrayCell& array);
    /// For every element of `array`, the value of its child `childName` (a string cell).
    void InitContents(CmoxArrayCell& array, const char* childName);
    /// The user name of every element of `array`.
    void InitContentsUser(CmoxArrayCell& array);
    /// Splits string resource `stringId` at each `delimiter` and adds the pieces: the text before
    /// each delimiter (empty pieces too), and what follows the last one when it is not empty.
    /// Nothing for MOX_NULLID; throws CResourceException when the resource cannot be loaded.
    void InitContentsFromSingleResource(int stringId, char delimiter);

  private:
    // The linked cell, when it is still among this cell's dependees (and so still alive).
    bool DependsOnLinkedCell() const;

    int m_controlId = 0;
    CmoxCell* m_cell = nullptr; // borrowed
    CWnd* m_parent = nullptr;   // borrowed
    std::unique_ptr<CmoxFormatter> m_formatter;
};
