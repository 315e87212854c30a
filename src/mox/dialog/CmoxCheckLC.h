#pragma once
/// @file
/// CmoxCheckLC: the link cell of a check box.

#include <mox/dialog/CmoxLinkCell.h>

class CmoxBooleanCell;

/// Binds a boolean cell to a check box through the dialog layer's check-box exchange
/// (DDX_Check): 0 unchecked, 1 checked, 2 indeterminate. A linked cell of another kind (after
/// relinking with Cell) is left alone, as is a dialog without the control. Run-time class: that
/// of CmoxLinkCell. Notification and threading as for CmoxLinkCell.
class MOX_API CmoxCheckLC : public CmoxLinkCell {
  public:
    /// Constructs the link cell base with the same arguments.
    CmoxCheckLC(int controlId, CmoxBooleanCell* cell, CWnd* parent, const char* name = "NoName",
                unsigned char priority = MOX_UI_PRIORITY, int createDependencies = 1);
    ~CmoxCheckLC() override;

    /// Reads the check state and sets the boolean cell with Value(int).
    void UIToState() override;
    /// Shows the boolean cell's stored value as the check state.
    void StateToUI() override;
};
