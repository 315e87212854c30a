#pragma once
/// @file
/// CmoxListLC: the link cell of a list box.

#include <mox/dialog/CmoxLinkCell.h>

/// Binds a cell to a single-selection list box. A byte cell is exchanged as the index of the
/// selected item (no formatter, no beep: the byte cell's own limits apply); any other cell uses
/// the text exchange of CmoxLinkCell, where the control text is the selected item (empty when
/// nothing is selected) and writing text selects the first item beginning with it (a text no
/// item begins with leaves the selection as it is). Run-time class: that of CmoxLinkCell.
/// Notification and threading as for CmoxLinkCell.
class MOX_API CmoxListLC : public CmoxLinkCell {
  public:
    using CmoxLinkCell::AddString;

    /// Constructs the link cell base with the same arguments.
    CmoxListLC(int controlId, CmoxCell* cell, CWnd* parent, const char* name = "NoName",
               unsigned char priority = MOX_UI_PRIORITY, int createDependencies = 1);
    ~CmoxListLC() override;

    /// Byte cell: the selected index becomes its value (255 when nothing is selected); else
    /// the text exchange.
    void UIToState() override;
    /// Byte cell: selects the item whose index is its value; else the text exchange.
    void StateToUI() override;
    /// Appends an item to the list.
    void AddString(const char* text) override;
    /// The selected item's text, or the empty text when nothing is selected.
    void GetControlText(char* text, int size) override;
    /// Selects the first item beginning with `text`.
    void SetControlText(const char* text) override;
};
