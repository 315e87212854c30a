#pragma once
/// @file
/// CmoxRadioLC: the link cell of a group of radio buttons.

#include <mox/dialog/CmoxLinkCell.h>

class CmoxByteCell;

/// Binds a byte cell to a radio group through the dialog layer's radio exchange (DDX_Radio):
/// the value is the position of the checked button in the group that starts at the control id.
/// No checked button stores 255 (the byte cell's limits apply); a value with no button shows
/// the whole group unchecked. A linked cell of another kind (after relinking with Cell) is left
/// alone, as is a dialog without the control. Run-time class: that of CmoxLinkCell.
/// Notification and threading as for CmoxLinkCell.
class MOX_API CmoxRadioLC : public CmoxLinkCell {
  public:
    /// Constructs the link cell base with the same arguments.
    CmoxRadioLC(int controlId, CmoxByteCell* cell, CWnd* parent, const char* name = "NoName",
                unsigned char priority = MOX_UI_PRIORITY, int createDependencies = 1);
    ~CmoxRadioLC() override;

    /// Reads the position of the checked button and sets the byte cell with it.
    void UIToState() override;
    /// Checks the button at the byte cell's value and unchecks the others.
    void StateToUI() override;
};
