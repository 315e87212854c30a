#include <mox/dialog/internal/ItemList.h>

#include <mox/dialog/CmoxLinkCell.h>
#include <mox/values/CmoxByteCell.h>

#include <cstring>
#include <vector>

namespace mox::detail {

CmoxByteCell* IndexCell(CmoxLinkCell& link) {
    CmoxCell* cell = link.Cell();
    if (cell == nullptr || !cell->IsKindOf(RUNTIME_CLASS(CmoxByteCell))) return nullptr;
    return static_cast<CmoxByteCell*>(cell);
}

void SelectedIndexToState(HWND control, CmoxByteCell& cell, const ItemMessages& messages) {
    if (control == nullptr) return;
    const LRESULT selected = ::SendMessage(control, messages.getCurSel);
    cell.Value(static_cast<unsigned char>(selected & 0xFF));
}

void StateToSelectedIndex(HWND control, const CmoxByteCell& cell, const ItemMessages& messages) {
    ::SendMessage(control, messages.setCurSel, static_cast<WPARAM>(cell.Value()));
}

void AddItem(HWND control, const char* text, const ItemMessages& messages) {
    ::SendMessage(control, messages.addString, 0,
                  reinterpret_cast<LPARAM>(text != nullptr ? text : ""));
}

bool SelectedItemText(HWND control, char* text, int size, const ItemMessages& messages) {
    if (text == nullptr || size <= 0) return true;
    text[0] = '\0';
    if (control == nullptr) return true;
    const LRESULT selected = ::SendMessage(control, messages.getCurSel);
    if (selected < 0) return false;
    // The text message writes the whole item: read it into a buffer of its length, then cut.
    const LRESULT length =
        ::SendMessage(control, messages.getTextLen, static_cast<WPARAM>(selected));
    if (length < 0) return true;
    std::vector<char> item(static_cast<std::size_t>(length) + 1, '\0');
    if (::SendMessage(control, messages.getText, static_cast<WPARAM>(selected),
                      reinterpret_cast<LPARAM>(item.data())) < 0)
        return true;
    std::strncpy(text, item.data(), static_cast<std::size_t>(size) - 1);
    text[size - 1] = '\0';
    return true;
}

} // namespace mox::detail
