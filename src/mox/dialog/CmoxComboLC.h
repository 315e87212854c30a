#pragma once
/// @file
/// CmoxComboLC: the link cell of a combo box.

#include <mox/dialog/CmoxLinkCell.h>

#include <memory>

class CEdit;

/// Binds a cell to a combo box. A byte cell is exchanged as the index of the selected item (no
/// formatter, no beep: the byte cell's own limits apply); any other cell uses the text exchange
/// of CmoxLinkCell, where the control text is the selected item (or the edit field's text when
/// nothing is selected) and writing text selects the first item beginning with it (or puts the
/// text into the edit field when none does). Items are added with AddString / InitContents...
/// in the order of the values they stand for. The application may attach its own edit object
/// to the combo box's edit field (SubclassEditControl); the link cell then owns it.
/// Run-time class: that of CmoxLinkCell. Notification and threading as for CmoxLinkCell.
class MOX_API CmoxComboLC : public CmoxLinkCell {
  public:
    using CmoxLinkCell::AddString;

    /// Constructs the link cell base with the same arguments.
    CmoxComboLC(int controlId, CmoxCell* cell, CWnd* parent, const char* name = "NoName",
                unsigned char priority = MOX_UI_PRIORITY, int createDependencies = 1);
    /// Deletes the subclassed edit object, which detaches it from the field.
    ~CmoxComboLC() override;

    /// Byte cell: the selected index becomes its value (255 when nothing is selected); else
    /// the text exchange.
    void UIToState() override;
    /// Byte cell: selects the item whose index is its value; else the text exchange.
    void StateToUI() override;
    /// Appends an item to the list.
    void AddString(const char* text) override;
    /// The selected item's text, or the edit field's text when nothing is selected.
    void GetControlText(char* text, int size) override;
    /// Selects the first item beginning with `text`, or puts `text` into the edit field.
    void SetControlText(const char* text) override;

    /// Keeps `edit` (taking ownership) and attaches it to the combo box's edit field, found at
    /// (MOX_COMBO_EDIT_X_OFFSET, MOX_COMBO_EDIT_Y_OFFSET); non-zero on success.
    int SubclassEditControl(CEdit* edit);
    /// The subclassed edit object, or null.
    CEdit* EditControl() const { return m_edit.get(); }

  private:
    std::unique_ptr<CEdit> m_edit;
};
