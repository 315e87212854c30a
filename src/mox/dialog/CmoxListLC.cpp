#include <mox/dialog/CmoxListLC.h>

#include <mox/platform/CWnd.h>
#include <mox/values/CmoxByteCell.h>

#include <cstring>
#include <vector>

CmoxListLC::CmoxListLC(int controlId, CmoxCell* cell, CWnd* parent, const char* name,
                       unsigned char priority, int createDependencies)
    : CmoxLinkCell(controlId, cell, parent, name, priority, createDependencies) {}

CmoxListLC::~CmoxListLC() = default;

void CmoxListLC::UIToState() {
    CmoxCell* cell = Cell();
    if (cell == nullptr || !cell->IsKindOf(RUNTIME_CLASS(CmoxByteCell))) {
        CmoxLinkCell::UIToState();
        return;
    }
    HWND list = GetControlHandle();
    if (list == nullptr) return;
    // The index is the value, cut to 8 bits: no selection (LB_ERR) reads as 255.
    const LRESULT selected = ::SendMessage(list, LB_GETCURSEL);
    static_cast<CmoxByteCell*>(cell)->Value(static_cast<unsigned char>(selected & 0xFF));
}

void CmoxListLC::StateToUI() {
    CmoxCell* cell = Cell();
    if (cell == nullptr || !cell->IsKindOf(RUNTIME_CLASS(CmoxByteCell))) {
        CmoxLinkCell::StateToUI();
        return;
    }
    const unsigned char index = static_cast<CmoxByteCell*>(cell)->Value();
    ::SendMessage(GetControlHandle(), LB_SETCURSEL, static_cast<WPARAM>(index));
}

void CmoxListLC::AddString(const char* text) {
    ::SendMessage(GetControlHandle(), LB_ADDSTRING, 0,
                  reinterpret_cast<LPARAM>(text != nullptr ? text : ""));
}

void CmoxListLC::GetControlText(char* text, int size) {
    if (text == nullptr || size <= 0) return;
    text[0] = '\0';
    HWND list = GetControlHandle();
    if (list == nullptr) return;
    const LRESULT selected = ::SendMessage(list, LB_GETCURSEL);
    if (selected == LB_ERR) return;
    // LB_GETTEXT writes the whole item: read it into a buffer of its length, then cut.
    const LRESULT length = ::SendMessage(list, LB_GETTEXTLEN, static_cast<WPARAM>(selected));
    if (length < 0) return;
    std::vector<char> item(static_cast<std::size_t>(length) + 1, '\0');
    if (::SendMessage(list, LB_GETTEXT, static_cast<WPARAM>(selected),
                      reinterpret_cast<LPARAM>(item.data())) < 0)
        return;
    std::strncpy(text, item.data(), static_cast<std::size_t>(size) - 1);
    text[size - 1] = '\0';
}

void CmoxListLC::SetControlText(const char* text) {
    ::SendMessage(GetControlHandle(), LB_SELECTSTRING, static_cast<WPARAM>(-1),
                  reinterpret_cast<LPARAM>(text != nullptr ? text : ""));
}
