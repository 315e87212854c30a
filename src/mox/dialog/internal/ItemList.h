#pragma once
// What the list-box and combo-box link cells share: both show a list of items, exchange a byte
// cell as the selected index and read the selected item's text, through the same messages under
// different numbers.

#include <mox/platform/MoxWindow.h>

class CmoxByteCell;
class CmoxLinkCell;

namespace mox::detail {

/// The item messages of one kind of control.
struct ItemMessages {
    unsigned int getCurSel;  ///< Returns the selected index, or -1.
    unsigned int setCurSel;  ///< Selects item wParam.
    unsigned int addString;  ///< Appends the item lParam.
    unsigned int getTextLen; ///< Length of item wParam.
    unsigned int getText;    ///< Copies item wParam into lParam.
};

/// The list box's messages.
inline constexpr ItemMessages kListBoxItems{LB_GETCURSEL, LB_SETCURSEL, LB_ADDSTRING, LB_GETTEXTLEN,
                                            LB_GETTEXT};
/// The combo box's messages.
inline constexpr ItemMessages kComboBoxItems{CB_GETCURSEL, CB_SETCURSEL, CB_ADDSTRING,
                                             CB_GETLBTEXTLEN, CB_GETLBTEXT};

/// The link's cell when it is a byte cell (exchanged as the selected index), else null.
CmoxByteCell* IndexCell(CmoxLinkCell& link);

/// The selected index becomes the cell's value, cut to 8 bits: no selection (-1) reads as 255.
void SelectedIndexToState(HWND control, CmoxByteCell& cell, const ItemMessages& messages);

/// Selects the item whose index is the cell's value.
void StateToSelectedIndex(HWND control, const CmoxByteCell& cell, const ItemMessages& messages);

/// Appends the item `text` (null reads as "").
void AddItem(HWND control, const char* text, const ItemMessages& messages);

/// Copies the selected item's text into `text` (at most size - 1 characters, always
/// terminated). False, with `text` left empty, when nothing is selected.
bool SelectedItemText(HWND control, char* text, int size, const ItemMessages& messages);

} // namespace mox::detail
